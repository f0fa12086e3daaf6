#include "control_window.h"

#include "divazid.h"
#include "dpi.h"

#include <algorithm>
#include <new>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

HINSTANCE Module()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

// GDI objects selected into a DC for one scope.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selected() { SelectObject(dc_, previous_); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

class OwnedGdiObject {
public:
    explicit OwnedGdiObject(HGDIOBJ object) : object_(object) {}
    ~OwnedGdiObject() { DeleteObject(object_); }
    OwnedGdiObject(const OwnedGdiObject&) = delete;
    OwnedGdiObject& operator=(const OwnedGdiObject&) = delete;
    HGDIOBJ get() const { return object_; }

private:
    HGDIOBJ object_;
};

void DrawDisc(HDC dc, int centreX, int centreY, int diameter)
{
    const auto circle = [&](int d) {
        Ellipse(dc, centreX - d / 2, centreY - d / 2, centreX + (d + 1) / 2, centreY + (d + 1) / 2);
    };
    OwnedGdiObject outline(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
    OwnedGdiObject silver(CreateSolidBrush(RGB(200, 204, 212)));
    OwnedGdiObject label(CreateSolidBrush(RGB(232, 234, 240)));
    Selected pen(dc, outline.get());
    {
        Selected brush(dc, silver.get());
        circle(diameter);
    }
    {
        Selected brush(dc, label.get());
        circle(diameter * 2 / 5);
    }
    Selected brush(dc, GetSysColorBrush(COLOR_BTNFACE));
    circle(diameter / 8);
}

// The toolkit's message font at the DPI the window is shown at, made anew
// when that DPI changes.
class WindowFont {
public:
    ~WindowFont() { DeleteObject(font_); }

    HFONT For(HWND window)
    {
        const UINT dpi = WindowDpi(window);
        if (!font_ || dpi != dpi_) {
            if (const HFONT font = CreateDefaultGuiFont(dpi)) {
                DeleteObject(font_);
                font_ = font;
                dpi_ = dpi;
            }
        }
        return font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }

private:
    HFONT font_ = nullptr;
    UINT dpi_ = 0;
};

void Paint(HWND window, HDC dc, WindowFont& windowFont)
{
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));

    Selected font(dc, windowFont.For(window));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    std::wstring summary(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    summary.resize(static_cast<size_t>(GetWindowTextW(window, summary.data(), static_cast<int>(summary.size()))));
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
        DrawTextW(dc, summary.c_str(), static_cast<int>(summary.size()), &text,
                  DT_CENTER | DT_NOPREFIX);
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
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;

    return CreateWindowExW(0, DIVAZID_WINDOW_CLASS, nullptr,
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                           Module(), nullptr);
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
