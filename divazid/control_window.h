#pragma once

#include <windows.h>

class DiscListing;

// The control's in-place window: a child of parent at rect, of class
// VAdaveve, drawing a disc emblem and the summary of listing's last reading.
// It takes no part in keyboard navigation: it is no tab stop.
HWND CreateControlWindow(HWND parent, const RECT& rect, const DiscListing& listing);

// Called when the DLL leaves the process.
void UnregisterControlWindowClass();
