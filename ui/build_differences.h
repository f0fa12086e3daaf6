#pragma once

#include "dpi.h"

#include <windows.h>

// Every value in which the NT-family build (Tarvolo) and the Windows 9x build
// (Tarvolo9x) differ. Everything else is shared code.
struct BuildDifferences {
    const wchar_t* programName;
    const wchar_t* mainWindowClass;

    // Main window.
    TwipSize clientArea;
    TwipRect list1;
    TwipRect label1;
    bool label1WordWrap;  // otherwise Label1 grows to its longest line
    TwipRect label5;
    TwipRect label2;
    TwipRect list2;
    TwipRect ctlCD;
    TwipRect command2;

    // The 9x build hides the CD control and empties the details before it
    // asks the drive service for anything; the NT build does it afterwards.
    bool searchClearsDetailsFirst;

    // The registration of the CD control that this build refers to.
    const wchar_t* cdControlDll;
    GUID cdControlLibId;

    // About dialog.
    TwipSize aboutClientArea;
    TwipLine line1Element1;
    TwipLine line1Element0;
};

extern const BuildDifferences kTarvolo;
extern const BuildDifferences kTarvolo9x;
