// The drive browser's controls: made in tab order, placed from twips at the
// window's DPI, in the window's font.

#include "main_window.h"

#include "dpi.h"
#include "status.h"
#include "texts.h"
#include "window_text.h"

#include <oleacc.h>
#include <wrl/client.h>

namespace {

// Places of the controls that both builds share.
constexpr TwipRect kDriveListCaptionPlace = {1200, 240, 972, 192};
constexpr TwipRect kSearchButtonPlace = {2880, 4680, 1212, 372};

}  // namespace

HRESULT MainWindow::CreateControls()
{
    const auto child = [this](const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, int id) {
        return CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    };
    constexpr DWORD kLabelStyle = SS_LEFT | SS_NOPREFIX;
    constexpr DWORD kButtonStyle = WS_TABSTOP | BS_PUSHBUTTON;
    constexpr DWORD kListStyle = WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT;
    const DWORD captionsStyle = build_.detailCaptionsWordWrap ? kLabelStyle : SS_LEFTNOWORDWRAP | SS_NOPREFIX;

    // Created in tab order, so that the z-order is the tab order.
    detailCaptions_ = child(L"STATIC", L"", captionsStyle, 0, kDetailCaptions);
    searchButton_ = child(L"BUTTON", texts::kSearchButton, kButtonStyle, 0, kSearchButton);
    driveList_ = child(L"LISTBOX", L"", kListStyle | LBS_SORT | LBS_NOTIFY, WS_EX_CLIENTEDGE, kDriveList);
    if (!detailCaptions_ || !searchButton_ || !driveList_)
        return LastError();
    if (const HRESULT hr = parts_.createCdControl(hwnd_, TwipsToPixels(build_.cdControl, dpi_), cdControl_); FAILED(hr))
        return hr;
    trackList_ = child(L"LISTBOX", L"", kListStyle | LBS_USETABSTOPS, WS_EX_CLIENTEDGE, kTrackList);
    aboutButton_ = child(L"BUTTON", texts::kAboutButton, kButtonStyle, 0, kAboutButton);
    trackListCaption_ = child(L"STATIC", texts::kTrackListCaption, kLabelStyle, 0, kTrackListCaption);
    driveListCaption_ = child(L"STATIC", texts::kDriveListCaption, kLabelStyle, 0, kDriveListCaption);
    detailValues_ = child(L"STATIC", L"", kLabelStyle, 0, kDetailValues);
    if (!trackList_ || !aboutButton_ || !trackListCaption_ || !driveListCaption_ || !detailValues_)
        return LastError();
    NameListsForScreenReaders();
    PlaceControls();
    return S_OK;
}

// The tab order puts no caption right before its list, so a screen reader
// would not find the list's name; each list is given its caption's text.
// The lists work without their names, so a system without the service
// that names them runs on without.
void MainWindow::NameListsForScreenReaders()
{
    Microsoft::WRL::ComPtr<IAccPropServices> names;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                reinterpret_cast<void**>(names.GetAddressOf()))))
        return;
    for (const auto& [list, name] :
         {std::pair{driveList_, texts::kDriveListCaption}, std::pair{trackList_, texts::kTrackListCaption}}) {
        if (FAILED(names->SetHwndPropStr(list, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME, name)))
            return;
    }
}

// Every control at its stored place for the window's DPI, in the window's font.
void MainWindow::PlaceControls()
{
    const struct {
        HWND control;
        TwipRect place;
    } places[] = {
        {detailCaptions_, build_.detailCaptions},
        {searchButton_, kSearchButtonPlace},
        {driveList_, build_.driveList},
        {trackList_, build_.trackList},
        {aboutButton_, build_.aboutButton},
        {trackListCaption_, build_.trackListCaption},
        {driveListCaption_, kDriveListCaptionPlace},
        {detailValues_, build_.detailValues},
    };
    for (const auto& p : places) {
        const RECT r = TwipsToPixels(p.place, dpi_);
        SendMessageW(p.control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        SetWindowPos(p.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SizeLabelToText(trackListCaption_, false);
    SizeLabelToText(driveListCaption_, false);
    if (detailCaptionsAutoSize_)
        SizeLabelToText(detailCaptions_, build_.detailCaptionsWordWrap);
}

void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested)
{
    dpi_ = dpi;
    // The controls keep using the old font until they have the new one.
    GdiObject<HFONT> oldFont;
    if (GdiObject<HFONT> newFont(CreateDefaultGuiFont(dpi_)); newFont) {
        oldFont = std::move(font_);
        font_ = std::move(newFont);
    }
    // The suggested rectangle scales the whole window; the client area is
    // then brought to its exact stored size.
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    RECT outer;
    GetClientRect(hwnd_, &client);
    GetWindowRect(hwnd_, &outer);
    SetWindowPos(hwnd_, nullptr, 0, 0,
                 outer.right - outer.left + TwipsToPixels(build_.clientArea.width, dpi_) - client.right,
                 outer.bottom - outer.top + TwipsToPixels(build_.clientArea.height, dpi_) - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    PlaceControls();
    Check(cdControl_->Move(TwipsToPixels(build_.cdControl, dpi_)), texts::kLayoutFailed);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

// A label that sizes itself keeps its top-left corner; with word wrap it also
// keeps its stored width and grows downward, without it takes the width of
// its longest line.
void MainWindow::SizeLabelToText(HWND label, bool wordWrap)
{
    const std::wstring text = WindowText(label);
    RECT bounds{};
    GetWindowRect(label, &bounds);
    RECT measured = {0, 0, wordWrap ? bounds.right - bounds.left : 0, 0};
    TEXTMETRICW metrics{};
    {
        const WindowDc dc(label);
        const SelectedObject font(dc.get(), font_.get());
        GetTextMetricsW(dc.get(), &metrics);
        DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &measured,
                  DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wordWrap ? DT_WORDBREAK : 0));
    }
    const int width = wordWrap ? bounds.right - bounds.left : measured.right - measured.left;
    const int height = text.empty() ? metrics.tmHeight : measured.bottom - measured.top;
    SetWindowPos(label, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
