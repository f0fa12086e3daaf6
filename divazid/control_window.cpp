// The control's in-place window (control_window.h): its class, and its
// painting at the DPI it is shown at.
#include "control_window.h"

#include "divazid.h"
#include "dpi.h"
#include "handles.h"
#include "window_class.h"
#include "window_text.h"

#include <algorithm>
#include <new>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

HINSTANCE Module()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

void DrawDisc(HDC dc, int centreX, int centreY, int diameter)
{
    const auto circle = [&](int d) {
        Ellipse(dc, centreX - d / 2, centreY - d / 2, centreX + (d + 1) / 2, centreY + (d + 1) / 2);
    };
    const GdiObject<HPEN> outline(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
    const GdiObject<HBRUSH> silver(CreateSolidBrush(RGB(200, 204, 212)));
    const GdiObject<HBRUSH> label(CreateSolidBrush(RGB(232, 234, 240)));
    const SelectedObject pen(dc, outline.get());
    {
        const SelectedObject brush(dc, silver.get());
        circle(diameter);
    }
    {
        const SelectedObject brush(dc, label.get());
        circle(diameter * 2 / 5);
    }
    const SelectedObject brush(dc, GetSysColorBrush(COLOR_BTNFACE));
    circle(diameter / 8);
}

// The toolkit's message font at the DPI the window is shown at, made anew
// when that DPI changes.
class WindowFont {
public:
    HFONT For(HWND window)
    {
        const UINT dpi = WindowDpi(window);
        if (!font_ || dpi != dpi_) {
            if (GdiObject<HFONT> font(CreateDefaultGuiFont(dpi)); font) {
                font_ = std::move(font);
                dpi_ = dpi;
            }
        }
        return font_ ? font_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }

private:
    GdiObject<HFONT> font_;
    UINT dpi_ = 0;
};

void Paint(HWND window, HDC dc, WindowFont& windowFont)
{
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));

    const SelectedObject font(dc, windowFont.For(window));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const std::wstring summary = WindowText(window);
    const int lines = summary.empty() ? 0 : 1 + static_cast<int>(std::count(summary.begin(), summary.end(), L'\n'));
    const int textHeight = lines * metrics.tmHeight;

    const int width = client.right - client.left;
    const int discArea = client.bottom - client.top - textHeight;
    const int diameter = std::min(width, discArea) * 9 / 10;
    if (diameter > 4)
        DrawDisc(dc, width / 2, discArea / 2, diameter);

    if (lines > 0) {
        RECT text{client.left, client.bottom - textHeight, client.right, client.bottom};
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextW(dc, summary.c_str(), static_cast<int>(summary.size()), &text, DT_CENTER | DT_NOPREFIX);
    }
}

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* font = reinterpret_cast<WindowFont*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE:
        font = new (std::nothrow) WindowFont;
        if (!font)
            return FALSE;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(font));
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete font;
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        if (font)
            Paint(window, dc, *font);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT fills the whole client area
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

HWND CreateControlWindow(HWND parent, const RECT& rect)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ControlWindowProc;
    windowClass.hInstance = Module();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = DIVAZID_WINDOW_CLASS;
    if (FAILED(RegisterWindowClass(windowClass)))
        return nullptr;

    return CreateWindowExW(0, DIVAZID_WINDOW_CLASS, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect.left,
                           rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, Module(),
                           nullptr);
}

void ShowSummary(HWND window, const std::wstring& summary)
{
    SetWindowTextW(window, summary.c_str());
    InvalidateRect(window, nullptr, TRUE);
}

void UnregisterControlWindowClass()
{
    UnregisterClassW(DIVAZID_WINDOW_CLASS, Module());
}
