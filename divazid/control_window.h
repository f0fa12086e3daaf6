// The window the control shows in place on its host's window, and its
// window class, which the DLL registers and unregisters.
#pragma once

#include <windows.h>

#include <string>

// A child of parent at rect, of class VAdaveve, drawing a disc emblem with
// its window text (the disc's summary) below it. It takes no part in
// keyboard navigation: it is no tab stop.
HWND CreateControlWindow(HWND parent, const RECT& rect);

// Shows a new summary: the window's text, which screen readers read too.
void ShowSummary(HWND window, const std::wstring& summary);

// Called when the DLL leaves the process.
void UnregisterControlWindowClass();
