// DPI and twips: stored places in twips turned into pixels at a window's
// DPI, and the DPI functions newer than Windows 7, found at run time.

#pragma once

#include <windows.h>

// A place and size in twips (1/1440 inch) from the top-left corner of a
// window's client area.
struct TwipRect {
    int left;
    int top;
    int width;
    int height;
};

struct TwipSize {
    int width;
    int height;
};

struct TwipLine {
    int x1;
    int y1;
    int x2;
    int y2;
};

// Stored places and sizes are in twips: 1440 to the inch, whatever the DPI.
inline int TwipsToPixels(int twips, UINT dpi)
{
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

inline RECT TwipsToPixels(const TwipRect& r, UINT dpi)
{
    const int left = TwipsToPixels(r.left, dpi);
    const int top = TwipsToPixels(r.top, dpi);
    return {left, top, left + TwipsToPixels(r.width, dpi), top + TwipsToPixels(r.height, dpi)};
}

// The DPI a window is laid out for: its own on Windows 10, its monitor's on
// Windows 8.1 (where the manifest makes the program aware of each monitor's
// DPI), the system's on Windows 7.
UINT WindowDpi(HWND window);

// The toolkit's default font for window text (the message font) at a DPI.
// Every control of both windows uses it; none has a font of its own.
HFONT CreateDefaultGuiFont(UINT dpi);

// Centres a window on the screen (monitor) it is on, keeping its size.
HRESULT CentreOnScreen(HWND window);

// GetSystemMetrics and AdjustWindowRectEx for a window at a DPI.
int SystemMetricForDpi(int index, UINT dpi);
BOOL AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi);

// The platform's DPI functions newer than Windows 7, found at run time; each
// is null where the system lacks it, and the older call serves instead. A
// test may empty them to play an older system.
struct NewerDpiFunctions {
    UINT(WINAPI* getDpiForWindow)(HWND window);
    HRESULT(WINAPI* getDpiForMonitor)(HMONITOR monitor, int type, UINT* dpiX, UINT* dpiY);
    int(WINAPI* getSystemMetricsForDpi)(int index, UINT dpi);
    BOOL(WINAPI* adjustWindowRectExForDpi)(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi);
    BOOL(WINAPI* systemParametersInfoForDpi)(UINT action, UINT param, void* value, UINT update, UINT dpi);
};
NewerDpiFunctions& DpiFunctions();
