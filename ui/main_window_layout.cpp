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
constexpr TwipRect kLabel3Place = {1200, 240, 972, 192};
constexpr TwipRect kCommand1Place = {2880, 4680, 1212, 372};

}  // namespace

HRESULT MainWindow::CreateControls()
{
    const auto child = [this](const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, int id) {
        return CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    };
    constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
    constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
    constexpr DWORD kList = WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT;

    // Created in tab order, so that the z-order is the tab order.
    label1 = child(L"STATIC", L"", build_.label1WordWrap ? kLabel : SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, kLabel1);
    command1 = child(L"BUTTON", texts::kCommand1, kButton, 0, kCommand1);
    list1 = child(L"LISTBOX", L"", kList | LBS_SORT | LBS_NOTIFY, WS_EX_CLIENTEDGE, kList1);
    if (!label1 || !command1 || !list1)
        return LastError();
    if (const HRESULT hr = parts_.createCdControl(hwnd_, TwipsToPixels(build_.ctlCD, dpi_), ctlCD); FAILED(hr))
        return hr;
    list2 = child(L"LISTBOX", L"", kList | LBS_USETABSTOPS, WS_EX_CLIENTEDGE, kList2);
    command2 = child(L"BUTTON", texts::kCommand2, kButton, 0, kCommand2);
    label2 = child(L"STATIC", texts::kLabel2, kLabel, 0, kLabel2);
    label3 = child(L"STATIC", texts::kLabel3, kLabel, 0, kLabel3);
    label5 = child(L"STATIC", L"", kLabel, 0, kLabel5);
    if (!list2 || !command2 || !label2 || !label3 || !label5)
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
    for (const auto& [list, name] : {std::pair{list1, texts::kLabel3}, std::pair{list2, texts::kLabel2}}) {
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
        {label1, build_.label1},     {command1, kCommand1Place}, {list1, build_.list1},  {list2, build_.list2},
        {command2, build_.command2}, {label2, build_.label2},    {label3, kLabel3Place}, {label5, build_.label5},
    };
    for (const auto& p : places) {
        const RECT r = TwipsToPixels(p.place, dpi_);
        SendMessageW(p.control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        SetWindowPos(p.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SizeLabelToText(label2, false);
    SizeLabelToText(label3, false);
    if (label1AutoSize_)
        SizeLabelToText(label1, build_.label1WordWrap);
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
    Check(ctlCD->Move(TwipsToPixels(build_.ctlCD, dpi_)), texts::kLayoutFailed);
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
