// A window's DPI, its font and metrics at that DPI, on every Windows from 7
// on: the newer functions where the system has them, the older ones elsewhere.

#include "dpi.h"

#include "dll_search.h"
#include "handles.h"
#include "status.h"

namespace {

constexpr int kMonitorEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

UINT SystemDpi()
{
    const WindowDc screen(nullptr);
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

NewerDpiFunctions& DpiFunctions()
{
    static NewerDpiFunctions functions = [] {
        NewerDpiFunctions found{};
        const HMODULE user32 = GetModuleHandleW(L"user32.dll");  // imported, so loaded
        found.getDpiForWindow = FindFunction<decltype(found.getDpiForWindow)>(user32, "GetDpiForWindow");
        // Only Windows 8.1 needs the monitor's DPI, which takes loading a DLL
        // at start-up: later systems give each window its own.
        if (!found.getDpiForWindow)
            found.getDpiForMonitor = FindFunction<decltype(found.getDpiForMonitor)>(LoadSystemDll(L"shcore.dll"),
                                                                                    "GetDpiForMonitor");
        found.getSystemMetricsForDpi = FindFunction<decltype(found.getSystemMetricsForDpi)>(user32,
                                                                                            "GetSystemMetricsForDpi");
        found.adjustWindowRectExForDpi =
            FindFunction<decltype(found.adjustWindowRectExForDpi)>(user32, "AdjustWindowRectExForDpi");
        found.systemParametersInfoForDpi =
            FindFunction<decltype(found.systemParametersInfoForDpi)>(user32, "SystemParametersInfoForDpi");
        return found;
    }();
    return functions;
}

UINT WindowDpi(HWND window)
{
    const NewerDpiFunctions& newer = DpiFunctions();
    if (newer.getDpiForWindow) {
        if (const UINT dpi = newer.getDpiForWindow(window))
            return dpi;
    }
    if (newer.getDpiForMonitor) {
        UINT dpiX = 0;
        UINT dpiY = 0;
        if (SUCCEEDED(newer.getDpiForMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kMonitorEffectiveDpi,
                                             &dpiX, &dpiY)) &&
            dpiY != 0)
            return dpiY;
    }
    return SystemDpi();
}

HFONT CreateDefaultGuiFont(UINT dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    const NewerDpiFunctions& newer = DpiFunctions();
    if (newer.systemParametersInfoForDpi &&
        newer.systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return CreateFontIndirectW(&metrics.lfMessageFont);
    // The font for the system's DPI, scaled to this one.
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    LOGFONTW& font = metrics.lfMessageFont;
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    return CreateFontIndirectW(&font);
}

int SystemMetricForDpi(int index, UINT dpi)
{
    const NewerDpiFunctions& newer = DpiFunctions();
    if (newer.getSystemMetricsForDpi)
        return newer.getSystemMetricsForDpi(index, dpi);
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

BOOL AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi)
{
    const NewerDpiFunctions& newer = DpiFunctions();
    if (newer.adjustWindowRectExForDpi)
        return newer.adjustWindowRectExForDpi(&rect, style, FALSE, exStyle, dpi);
    // Without it the frame is drawn at the system's DPI, whatever the window's.
    return AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

HRESULT CentreOnScreen(HWND window)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT bounds;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !GetWindowRect(window, &bounds))
        return LastError();
    const RECT& screen = monitor.rcMonitor;
    const int x = screen.left + (screen.right - screen.left - (bounds.right - bounds.left)) / 2;
    const int y = screen.top + (screen.bottom - screen.top - (bounds.bottom - bounds.top)) / 2;
    return SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) ? S_OK : LastError();
}
