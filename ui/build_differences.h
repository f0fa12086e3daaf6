// Every value in which the NT-family build (Tarvolo) and the Windows 9x build
// (Tarvolo9x) differ. Everything else is shared code.
#pragma once

#include "dpi.h"

#include <windows.h>

struct BuildDifferences {
    const wchar_t* programName;
    const wchar_t* mainWindowClass;

    // Main window.
    TwipSize clientArea;
    TwipRect driveList;
    TwipRect detailCaptions;
    bool detailCaptionsWordWrap;  // otherwise the captions grow to their longest line
    TwipRect detailValues;
    TwipRect trackListCaption;
    TwipRect trackList;
    TwipRect cdControl;
    TwipRect aboutButton;

    // The 9x build hides the CD control and empties the details before it
    // asks the drive service for anything; the NT build does it afterwards.
    bool searchClearsDetailsFirst;

    // The registration of the CD control that this build refers to.
    const wchar_t* cdControlDll;
    GUID cdControlLibId;

    // About dialog: its separator, a white highlight line over a grey shadow
    // line.
    TwipSize aboutClientArea;
    TwipLine separatorHighlight;
    TwipLine separatorShadow;
};

extern const BuildDifferences kTarvolo;
extern const BuildDifferences kTarvolo9x;
