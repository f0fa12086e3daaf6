#include "ui_metrics.h"

HFONT CreateDefaultGuiFont(UINT dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return CreateFontIndirectW(&metrics.lfMessageFont);
    // Without the per-DPI query, scale the stock GUI font's height by hand.
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), 96);
    return CreateFontIndirectW(&font);
}

UINT WindowDpi(HWND window)
{
    const UINT dpi = GetDpiForWindow(window);
    return dpi != 0 ? dpi : GetDpiForSystem();
}
