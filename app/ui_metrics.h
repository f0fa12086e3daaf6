#pragma once

#include "build_differences.h"

#include <windows.h>

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

// The toolkit's default font for window text (the message font) at a DPI.
// Every control of both windows uses it; none has a font of its own.
HFONT CreateDefaultGuiFont(UINT dpi);

// The DPI a window is shown at (the system DPI where the platform has no
// per-window DPI).
UINT WindowDpi(HWND window);
