// The drive browser window: its making, its messages and its end.

#include "main_window.h"

#include "about_dialog.h"
#include "dpi.h"
#include "identity.h"
#include "status.h"
#include "texts.h"
#include "window_class.h"

#include <windowsx.h>

#include <iterator>
#include <new>

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

}  // namespace

MainWindow::MainWindow(const BuildDifferences& build, MainWindowParts parts) : build_(build), parts_(std::move(parts))
{
}

MainWindow::~MainWindow()
{
    if (hwnd_)
        DestroyWindow(hwnd_);
}

HRESULT MainWindow::Create(const BuildDifferences& build, MainWindowParts parts, std::unique_ptr<MainWindow>& window)
{
    std::unique_ptr<MainWindow> created(new (std::nothrow) MainWindow(build, std::move(parts)));
    if (!created)
        return E_OUTOFMEMORY;
    if (const HRESULT hr = ReadApplicationTitle(created->applicationTitle_); FAILED(hr))
        return hr;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = build.mainWindowClass;
    if (const HRESULT hr = RegisterWindowClass(windowClass); FAILED(hr))
        return hr;

    if (!CreateWindowExW(0, build.mainWindowClass, created->applicationTitle_.c_str(), kWindowStyle, CW_USEDEFAULT,
                         CW_USEDEFAULT, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), created.get()))
        return FAILED(created->createStatus_) ? created->createStatus_ : LastError();
    if (const HRESULT hr = created->OnLoad(); FAILED(hr))
        return hr;

    // The client area, not the outer window, has the stored size.
    RECT outer = {0, 0, TwipsToPixels(build.clientArea.width, created->dpi_),
                  TwipsToPixels(build.clientArea.height, created->dpi_)};
    AdjustWindowRectForDpi(outer, kWindowStyle, 0, created->dpi_);
    SetWindowPos(created->hwnd_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (const HRESULT hr = CentreOnScreen(created->hwnd_); FAILED(hr))
        return hr;
    created->quitOnDestroy_ = true;
    window = std::move(created);
    return S_OK;
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* window = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        window->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    auto* window = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!window)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    // No exception may leave a window procedure.
    try {
        return window->HandleMessage(message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        window->Check(E_OUTOFMEMORY, texts::kOutOfMemory);
    } catch (...) {
        window->Check(E_UNEXPECTED, texts::kUnexpected);
    }
    return 0;
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        createStatus_ = OnCreate();
        return SUCCEEDED(createStatus_) ? 0 : -1;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case DM_GETDEFID:
        // Enter presses the button that has the focus, as in a dialog.
        if (const HWND focus = GetFocus(); focus == searchButton_ || focus == aboutButton_)
            return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (const HWND focus = GetFocus(); focus && IsChild(hwnd_, focus))
                focusOnReturn_ = focus;
        }
        break;
    case WM_SETFOCUS:
        SetFocus(focusOnReturn_ && IsWindow(focusOnReturn_) ? focusOnReturn_ : searchButton_);
        return 0;
    case WM_CLOSE:
        // A close sent (not posted) during a handler's wait for a call
        // reaches the window without passing the wait's queue, which gives
        // up on the call only for a close it finds there: it is queued
        // once. A message box lets the queued one through to here, where it
        // is held like the first.
        if (handlerRunning_) {
            if (!closeRequested_)
                PostMessageW(hwnd_, WM_CLOSE, 0, 0);
            closeRequested_ = true;
            return 0;
        }
        break;
    case WM_CONTEXTMENU:
        if (OnContextMenu(reinterpret_cast<HWND>(wParam), lParam))
            return 0;
        break;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

HRESULT MainWindow::OnCreate()
{
    dpi_ = WindowDpi(hwnd_);
    font_.reset(CreateDefaultGuiFont(dpi_));
    bigIcon_.reset(LoadProgramIcon(SystemMetricForDpi(SM_CXICON, dpi_)));
    smallIcon_.reset(LoadProgramIcon(SystemMetricForDpi(SM_CXSMICON, dpi_)));
    ACCEL keys[] = {
        {FVIRTKEY, VK_F5, kSearchButton},
        {FVIRTKEY | FCONTROL, 'C', kCopy},
    };
    accelerators_.reset(CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));
    if (!font_ || !bigIcon_ || !smallIcon_ || !accelerators_)
        return LastError();
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    return CreateControls();
}

void MainWindow::OnCommand(int id, int notification)
{
    // One handler at a time: the message boxes, the About dialog and the
    // waits of a handler let other messages through. A second request for
    // the About dialog brings the open one to the front; a close asked for
    // meanwhile comes after the handler.
    if (handlerRunning_) {
        if (id == kAboutButton && notification == BN_CLICKED && aboutDialog_)
            aboutDialog_->BringToFront();
        return;
    }
    handlerRunning_ = true;
    struct HandlerEnd {
        MainWindow& window;
        ~HandlerEnd()
        {
            window.handlerRunning_ = false;
            if (window.closeRequested_)
                PostMessageW(window.hwnd_, WM_CLOSE, 0, 0);
        }
    } end{*this};

    // F5 presses "Cauta Drive"; Ctrl+C copies the list that has the focus.
    constexpr int kFromAccelerator = 1;
    if (id == kSearchButton && (notification == BN_CLICKED || notification == kFromAccelerator)) {
        OnSearch();
    } else if (id == kCopy && notification == kFromAccelerator) {
        Copy(CopyText(GetFocus()));
    } else if (id == kAboutButton && notification == BN_CLICKED) {
        OnAbout();
    } else if (id == kDriveList && notification == LBN_SELCHANGE) {
        const int selected = ListBox_GetCurSel(driveList_);
        if (selected != driveLineAsked_) {
            driveLineAsked_ = selected;
            OnDriveSelected();
        }
    }
}

bool MainWindow::TranslateWindowKeys(MSG& message) const
{
    return hwnd_ && ::TranslateAcceleratorW(hwnd_, accelerators_.get(), &message);
}

void MainWindow::OnDestroy()
{
    // The control goes before the window it sits on.
    cdControl_.reset();
    hwnd_ = nullptr;
    // A window that never came up ends nothing: its caller reports why, and
    // a pending quit would close that report at once.
    if (quitOnDestroy_)
        PostQuitMessage(0);
}
