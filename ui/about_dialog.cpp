// The About dialog's window: built from an in-memory template, its controls
// made in code and placed from twips at the dialog's DPI.

#include "about_dialog.h"

#include "about_texts.h"
#include "dpi.h"
#include "handles.h"
#include "identity.h"
#include "status.h"
#include "texts.h"
#include "window_class.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME;
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;

// Places in twips; the icon box takes its size from its picture.
constexpr POINT kIconBoxPlace{240, 600};
constexpr TwipRect kOkButtonPlace{360, 2760, 1260, 345};
constexpr TwipRect kTitleLabelPlace{1080, 600, 3888, 480};
constexpr TwipRect kDisclaimerLabelPlace{960, 1440, 3876, 828};

// Sizes in pixels at 96 DPI, scaled to the window's DPI.
constexpr int kDesignDpi = 96;
constexpr int kIconSize = 32;
// The separator: a white highlight line over a grey shadow line.
constexpr int kHighlightWidth = 2;
constexpr int kShadowWidth = 1;
constexpr COLORREF kHighlightColour = RGB(255, 255, 255);
constexpr COLORREF kShadowColour = RGB(128, 128, 128);

int ScalePixels(int pixels, UINT dpi)
{
    return MulDiv(pixels, static_cast<int>(dpi), kDesignDpi);
}

HRESULT RegisterDialogClass(HINSTANCE instance)
{
    // A dialog class: the dialog manager runs it through DefDlgProc.
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefDlgProcW;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kAboutDialogClass;
    return RegisterWindowClass(windowClass);
}

// An in-memory dialog template naming the dialog's class and holding no
// controls: they are created in code, placed in pixels from twips.
std::vector<WORD> DialogTemplate()
{
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD));
    DLGTEMPLATE header{};
    header.style = kDialogStyle;
    header.dwExtendedStyle = kDialogExStyle;
    static_assert(sizeof header % sizeof(WORD) == 0);
    std::memcpy(words.data(), &header, sizeof header);
    words.push_back(0);  // no menu
    for (const wchar_t* text : {kAboutDialogClass, texts::kAboutStoredCaption}) {
        for (; *text != L'\0'; ++text)
            words.push_back(static_cast<WORD>(*text));
        words.push_back(0);
    }
    return words;
}

HRESULT CreateControl(HWND dialog, DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int id,
                      HWND& control)
{
    control = CreateWindowExW(exStyle, className, text, style, 0, 0, 0, 0, dialog,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    return control ? S_OK : LastError();
}

HRESULT Place(HWND window, const RECT& place)
{
    return SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                        SWP_NOZORDER | SWP_NOACTIVATE)
               ? S_OK
               : LastError();
}

// The outer rectangle of a window whose client area is `client`, at a DPI.
HRESULT OuterRect(HWND window, RECT client, UINT dpi, RECT& outer)
{
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    if (!AdjustWindowRectForDpi(client, style, exStyle, dpi))
        return LastError();
    outer = client;
    return S_OK;
}

// A horizontal line `width` pixels thick, from x1 up to x2 the way a pen draws
// it: a thicker line is centred on its row.
RECT LineRect(const TwipLine& line, int width, UINT dpi)
{
    const int y = TwipsToPixels(line.y1, dpi);
    return {TwipsToPixels(line.x1, dpi), y - width / 2, TwipsToPixels(line.x2, dpi), y - width / 2 + width};
}

}  // namespace

struct AboutDialog::Window {
    HWND dialog = nullptr;
    HWND iconBox = nullptr;
    HWND okButton = nullptr;
    HWND separatorShadow = nullptr;
    HWND titleLabel = nullptr;
    HWND separatorHighlight = nullptr;
    HWND disclaimerLabel = nullptr;
    GdiObject<HFONT> font;
    UniqueIcon picture;
    UniqueIcon bigIcon;
    UniqueIcon smallIcon;
};

AboutDialog::AboutDialog(const BuildDifferences& build) : build_(build)
{
}

AboutDialog::~AboutDialog() = default;

HRESULT AboutDialog::ShowModal(HWND owner) noexcept
{
    // The owner takes no input while the dialog is open, so a second opening
    // can only come from code.
    if (window_)
        return HRESULT_FROM_WIN32(ERROR_BUSY);
    HRESULT result = S_OK;
    try {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        if (result = RegisterDialogClass(instance); FAILED(result))
            return result;
        const std::vector<WORD> dialogTemplate = DialogTemplate();
        window_ = std::make_unique<Window>();
        failure_ = S_OK;
        SetLastError(ERROR_SUCCESS);
        const INT_PTR shown = DialogBoxIndirectParamW(instance,
                                                      reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()),
                                                      owner, DialogProc, reinterpret_cast<LPARAM>(this));
        // 0 means a bad owner, -1 any other failure to create the dialog.
        result = FAILED(failure_) ? failure_ : shown == 0 || shown == -1 ? LastError() : S_OK;
    } catch (...) {
        result = E_OUTOFMEMORY;
    }
    // The window is gone: its font and icons go with it.
    window_.reset();
    return result;
}

void AboutDialog::BringToFront() const
{
    if (window_ && window_->dialog)
        SetForegroundWindow(window_->dialog);
}

INT_PTR CALLBACK AboutDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        reinterpret_cast<AboutDialog*>(lParam)->window_->dialog = dialog;
    }
    auto* self = reinterpret_cast<AboutDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self)
        return FALSE;
    try {
        return self->Handle(dialog, message, wParam, lParam);
    } catch (...) {
        self->Unload(E_OUTOFMEMORY);
        return FALSE;
    }
}

INT_PTR AboutDialog::Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (const HRESULT hr = Build(dialog); FAILED(hr)) {
            Unload(hr);
            return FALSE;
        }
        SetFocus(window_->okButton);
        return FALSE;  // the focus is set
    case WM_COMMAND:
        // OK is both the default button (Enter sends IDOK) and the cancel
        // button (Esc sends IDCANCEL).
        if ((LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) && HIWORD(wParam) == BN_CLICKED) {
            OnOk();
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        // The close box unloads the dialog without pressing OK.
        Unload(S_OK);
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        // The separator lines are painted in their colours.
        const auto control = reinterpret_cast<HWND>(lParam);
        if (control != window_->separatorHighlight && control != window_->separatorShadow)
            return FALSE;
        SetDCBrushColor(reinterpret_cast<HDC>(wParam),
                        control == window_->separatorHighlight ? kHighlightColour : kShadowColour);
        return reinterpret_cast<INT_PTR>(GetStockObject(DC_BRUSH));
    }
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        HRESULT hr = ApplyDpi(LOWORD(wParam));
        if (SUCCEEDED(hr) && !SetWindowPos(dialog, nullptr, suggested->left, suggested->top, 0, 0,
                                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE))
            hr = LastError();
        if (FAILED(hr))
            Unload(hr);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

HRESULT AboutDialog::Build(HWND dialog)
{
    Window& w = *window_;
    constexpr DWORD line = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SS_LEFT;
    // In the order of the window description.
    HRESULT hr = CreateControl(dialog, WS_EX_CLIENTEDGE, L"STATIC", nullptr,
                               WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, -1, w.iconBox);
    if (SUCCEEDED(hr))
        hr = CreateControl(dialog, 0, L"BUTTON", texts::kOK, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                           IDOK, w.okButton);
    if (SUCCEEDED(hr))
        hr = CreateControl(dialog, 0, L"STATIC", nullptr, line, -1, w.separatorShadow);
    if (SUCCEEDED(hr))
        hr = CreateControl(dialog, 0, L"STATIC", texts::kAboutStoredTitleLine, kLabelStyle, -1, w.titleLabel);
    if (SUCCEEDED(hr))
        hr = CreateControl(dialog, 0, L"STATIC", nullptr, line, -1, w.separatorHighlight);
    if (SUCCEEDED(hr))
        hr = CreateControl(dialog, 0, L"STATIC", texts::kDisclaimer, kLabelStyle, -1, w.disclaimerLabel);
    if (FAILED(hr))
        return hr;

    // The tab order is the z-order, and of two overlapping siblings the one
    // higher in it shows: the controls in tab order, the white line over the
    // grey one.
    HWND previous = HWND_TOP;
    for (HWND control :
         {w.okButton, w.iconBox, w.disclaimerLabel, w.titleLabel, w.separatorHighlight, w.separatorShadow}) {
        if (!SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE))
            return LastError();
        previous = control;
    }

    if (hr = ApplyDpi(WindowDpi(dialog)); FAILED(hr))
        return hr;
    if (hr = CentreOnScreen(dialog); FAILED(hr))
        return hr;
    return OnLoad();
}

// The fonts, the icons and the places of everything for the dialog's DPI.
HRESULT AboutDialog::ApplyDpi(UINT dpi)
{
    HRESULT hr = SetFontAndIcons(dpi);
    if (SUCCEEDED(hr))
        hr = PlaceControls(dpi);
    if (SUCCEEDED(hr))
        InvalidateRect(window_->dialog, nullptr, TRUE);
    return hr;
}

HRESULT AboutDialog::SetFontAndIcons(UINT dpi)
{
    Window& w = *window_;
    GdiObject<HFONT> font(CreateDefaultGuiFont(dpi));
    UniqueIcon picture(LoadProgramIcon(ScalePixels(kIconSize, dpi)));
    UniqueIcon bigIcon(LoadProgramIcon(SystemMetricForDpi(SM_CXICON, dpi)));
    UniqueIcon smallIcon(LoadProgramIcon(SystemMetricForDpi(SM_CXSMICON, dpi)));
    if (!font || !picture || !bigIcon || !smallIcon)
        return LastError();

    const auto fontParam = reinterpret_cast<WPARAM>(font.get());
    for (HWND window :
         {w.dialog, w.iconBox, w.okButton, w.separatorShadow, w.titleLabel, w.separatorHighlight, w.disclaimerLabel})
        SendMessageW(window, WM_SETFONT, fontParam, FALSE);
    SendMessageW(w.iconBox, STM_SETICON, reinterpret_cast<WPARAM>(picture.get()), 0);
    SendMessageW(w.dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.get()));
    SendMessageW(w.dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
    // Nothing uses the previous font and icons any more.
    w.font = std::move(font);
    w.picture = std::move(picture);
    w.bigIcon = std::move(bigIcon);
    w.smallIcon = std::move(smallIcon);
    return S_OK;
}

// The client area at its stored size, and every control at its place.
HRESULT AboutDialog::PlaceControls(UINT dpi)
{
    Window& w = *window_;
    const auto& area = build_.aboutClientArea;
    RECT outer;
    HRESULT hr = OuterRect(w.dialog, {0, 0, TwipsToPixels(area.width, dpi), TwipsToPixels(area.height, dpi)}, dpi,
                           outer);
    if (SUCCEEDED(hr) && !SetWindowPos(w.dialog, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
        hr = LastError();

    // The icon box is as big as its picture inside its border, whatever its
    // stored size.
    const int iconSize = ScalePixels(kIconSize, dpi);
    RECT iconBox;
    if (SUCCEEDED(hr))
        hr = OuterRect(w.iconBox, {0, 0, iconSize, iconSize}, dpi, iconBox);
    if (SUCCEEDED(hr)) {
        const int left = TwipsToPixels(kIconBoxPlace.x, dpi);
        const int top = TwipsToPixels(kIconBoxPlace.y, dpi);
        hr = Place(w.iconBox, {left, top, left + iconBox.right - iconBox.left, top + iconBox.bottom - iconBox.top});
    }
    if (SUCCEEDED(hr))
        hr = Place(w.okButton, TwipsToPixels(kOkButtonPlace, dpi));
    if (SUCCEEDED(hr))
        hr = Place(w.separatorHighlight, LineRect(build_.separatorHighlight, ScalePixels(kHighlightWidth, dpi), dpi));
    if (SUCCEEDED(hr))
        hr = Place(w.separatorShadow, LineRect(build_.separatorShadow, ScalePixels(kShadowWidth, dpi), dpi));
    if (SUCCEEDED(hr))
        hr = Place(w.titleLabel, TwipsToPixels(kTitleLabelPlace, dpi));
    if (SUCCEEDED(hr))
        hr = Place(w.disclaimerLabel, TwipsToPixels(kDisclaimerLabelPlace, dpi));
    return hr;
}

// The caption and the title line from the program's own version resource.
HRESULT AboutDialog::OnLoad()
{
    std::wstring title;
    HRESULT hr = ReadApplicationTitle(title);
    if (FAILED(hr))
        return hr;
    if (!SetWindowTextW(window_->dialog, AboutCaption(title).c_str()))
        return LastError();

    short major = 0;
    short minor = 0;
    if (hr = ReadApplicationTitle(title); FAILED(hr))
        return hr;
    if (hr = ReadVersionNumbers(major, minor); FAILED(hr))
        return hr;
    return SetWindowTextW(window_->titleLabel, AboutTitleLine(title, major, minor).c_str()) ? S_OK : LastError();
}

void AboutDialog::OnOk()
{
    Unload(S_OK);
}

void AboutDialog::Unload(HRESULT failure)
{
    if (FAILED(failure) && SUCCEEDED(failure_))
        failure_ = failure;
    // The dialog manager destroys the window as its modal loop ends.
    EndDialog(window_->dialog, IDOK);
}
