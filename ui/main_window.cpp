#include "main_window.h"

#include "about_dialog.h"
#include "drive_text.h"
#include "failure_report.h"
#include "identity.h"
#include "dpi.h"
#include "worker.h"

#include <oleacc.h>
#include <windowsx.h>
#include <wrl/client.h>

#include <climits>
#include <new>

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr long kCdRomDrive = 4;

// Places of the controls that both builds share.
constexpr TwipRect kLabel3Place = {1200, 240, 972, 192};
constexpr TwipRect kCommand1Place = {2880, 4680, 1212, 372};

const wchar_t kNotReady[] = L"Drive-ul nu este accesibil";
const wchar_t kServiceFailed[] = L"Serviciul de informatii despre drive-uri nu a putut fi pornit.";
const wchar_t kDrivesFailed[] = L"Lista drive-urilor nu a putut fi citita.";
const wchar_t kDrivesIncomplete[] = L"Lista drive-urilor nu a putut fi citita complet.";
const wchar_t kDriveLetterFailed[] = L"Litera drive-ului nu a putut fi citita.";
const wchar_t kDriveTypeFailed[] = L"Tipul drive-ului nu a putut fi citit.";
const wchar_t kAddDriveFailed[] = L"Drive-ul nu a putut fi adaugat in lista.";
const wchar_t kGetDriveFailed[] = L"Drive-ul nu a putut fi gasit.";
const wchar_t kReadyFailed[] = L"Nu se poate afla daca drive-ul este pregatit.";
const wchar_t kDetailsFailed[] = L"Specificatiile drive-ului nu au putut fi citite.";
const wchar_t kShowDetailsFailed[] = L"Specificatiile drive-ului nu au putut fi afisate.";
const wchar_t kCdVisibleFailed[] = L"Controlul CD nu a putut fi afisat sau ascuns.";
const wchar_t kCdDriveFailed[] = L"Controlul CD nu a putut fi indreptat spre drive.";
const wchar_t kTrackCountFailed[] = L"Numarul de track-uri nu a putut fi citit.";
const wchar_t kTrackLengthFailed[] = L"Durata track-ului nu a putut fi citita.";
const wchar_t kAddTrackFailed[] = L"Track-ul nu a putut fi adaugat in lista.";
const wchar_t kAboutFailed[] = L"Fereastra Despre program nu a putut fi deschisa.";
const wchar_t kLayoutFailed[] = L"Controlul CD nu a putut fi asezat pe fereastra.";

HRESULT RegisterWindowClass(const wchar_t* className, WNDPROC windowProc)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &wc))
        return S_OK;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    return RegisterClassExW(&wc) != 0 ? S_OK : LastError();
}

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ListItemText(HWND list, int index)
{
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
    return text;
}

}  // namespace

MainWindow::MainWindow(const BuildDifferences& build, MainWindowParts parts)
    : build(build), parts(std::move(parts))
{
}

MainWindow::~MainWindow()
{
    if (hwnd)
        DestroyWindow(hwnd);
    if (font)
        DeleteObject(font);
    if (bigIcon)
        DestroyIcon(bigIcon);
    if (smallIcon)
        DestroyIcon(smallIcon);
}

HRESULT MainWindow::Create(const BuildDifferences& build, MainWindowParts parts,
                           std::unique_ptr<MainWindow>& window)
{
    std::unique_ptr<MainWindow> created(new (std::nothrow) MainWindow(build, std::move(parts)));
    if (!created)
        return E_OUTOFMEMORY;
    if (const HRESULT hr = ReadApplicationTitle(created->applicationTitle); FAILED(hr))
        return hr;
    if (const HRESULT hr = RegisterWindowClass(build.mainWindowClass, WindowProc); FAILED(hr))
        return hr;

    if (!CreateWindowExW(0, build.mainWindowClass, created->applicationTitle.c_str(), kWindowStyle,
                         CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr,
                         GetModuleHandleW(nullptr), created.get()))
        return FAILED(created->createStatus) ? created->createStatus : LastError();
    if (const HRESULT hr = created->Form_Load(); FAILED(hr))
        return hr;

    // The client area, not the outer window, has the stored size.
    RECT outer = {0, 0, TwipsToPixels(build.clientArea.width, created->dpi),
                  TwipsToPixels(build.clientArea.height, created->dpi)};
    AdjustWindowRectForDpi(outer, kWindowStyle, 0, created->dpi);
    SetWindowPos(created->hwnd, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (const HRESULT hr = CentreOnScreen(created->hwnd); FAILED(hr))
        return hr;
    created->quitOnDestroy = true;
    window = std::move(created);
    return S_OK;
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* window = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        window->hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    auto* window = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!window)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    // No exception may leave a window procedure.
    try {
        return window->HandleMessage(message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        window->Check(E_OUTOFMEMORY, L"Memoria nu ajunge.");
    } catch (...) {
        window->Check(E_UNEXPECTED, L"Eroare neasteptata.");
    }
    return 0;
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        createStatus = OnCreate();
        return SUCCEEDED(createStatus) ? 0 : -1;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case DM_GETDEFID:
        // Enter presses the button that has the focus, as in a dialog.
        if (const HWND focus = GetFocus(); focus == command1 || focus == command2)
            return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (const HWND focus = GetFocus(); focus && IsChild(hwnd, focus))
                focusOnReturn = focus;
        }
        break;
    case WM_SETFOCUS:
        SetFocus(focusOnReturn && IsWindow(focusOnReturn) ? focusOnReturn : command1);
        return 0;
    case WM_CLOSE:
        if (handlerRunning) {
            closeRequested = true;
            return 0;
        }
        break;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HRESULT MainWindow::OnCreate()
{
    dpi = WindowDpi(hwnd);
    font = CreateDefaultGuiFont(dpi);
    bigIcon = LoadProgramIcon(SystemMetricForDpi(SM_CXICON, dpi));
    smallIcon = LoadProgramIcon(SystemMetricForDpi(SM_CXSMICON, dpi));
    if (!font || !bigIcon || !smallIcon)
        return LastError();
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    return CreateControls();
}

HRESULT MainWindow::CreateControls()
{
    const auto child = [this](const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, int id) {
        return CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                               nullptr);
    };
    constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
    constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
    constexpr DWORD kList = WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT;

    // Created in tab order, so that the z-order is the tab order.
    label1 = child(L"STATIC", L"", build.label1WordWrap ? kLabel : SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0,
                   kLabel1);
    command1 = child(L"BUTTON", L"Cauta Drive", kButton, 0, kCommand1);
    list1 = child(L"LISTBOX", L"", kList | LBS_SORT | LBS_NOTIFY, WS_EX_CLIENTEDGE, kList1);
    if (!label1 || !command1 || !list1)
        return LastError();
    if (const HRESULT hr = parts.createCdControl(hwnd, TwipsToPixels(build.ctlCD, dpi), ctlCD); FAILED(hr))
        return hr;
    list2 = child(L"LISTBOX", L"", kList | LBS_USETABSTOPS, WS_EX_CLIENTEDGE, kList2);
    command2 = child(L"BUTTON", L"Despre program", kButton, 0, kCommand2);
    label2 = child(L"STATIC", L"Lista Track-uri", kLabel, 0, kLabel2);
    label3 = child(L"STATIC", L"Lista Drive-uri", kLabel, 0, kLabel3);
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
    for (const auto& [list, name] : {std::pair{list1, L"Lista Drive-uri"}, std::pair{list2, L"Lista Track-uri"}}) {
        if (FAILED(names->SetHwndPropStr(list, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME,
                                         name)))
            return;
    }
}

void MainWindow::OnDpiChanged(UINT newDpi, const RECT& suggested)
{
    dpi = newDpi;
    // The controls keep using the old font until they have the new one.
    const HFONT oldFont = font;
    if (const HFONT newFont = CreateDefaultGuiFont(dpi))
        font = newFont;
    // The suggested rectangle scales the whole window; the client area is
    // then brought to its exact stored size.
    SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    RECT outer;
    GetClientRect(hwnd, &client);
    GetWindowRect(hwnd, &outer);
    SetWindowPos(hwnd, nullptr, 0, 0,
                 outer.right - outer.left + TwipsToPixels(build.clientArea.width, dpi) - client.right,
                 outer.bottom - outer.top + TwipsToPixels(build.clientArea.height, dpi) - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    PlaceControls();
    if (font != oldFont)
        DeleteObject(oldFont);
    Check(ctlCD->Move(TwipsToPixels(build.ctlCD, dpi)), kLayoutFailed);
    InvalidateRect(hwnd, nullptr, TRUE);
}

// Every control at its stored place for the window's DPI, in the window's font.
void MainWindow::PlaceControls()
{
    const struct {
        HWND control;
        TwipRect place;
    } places[] = {
        {label1, build.label1}, {command1, kCommand1Place}, {list1, build.list1},  {list2, build.list2},
        {command2, build.command2}, {label2, build.label2}, {label3, kLabel3Place}, {label5, build.label5},
    };
    for (const auto& p : places) {
        const RECT r = TwipsToPixels(p.place, dpi);
        SendMessageW(p.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetWindowPos(p.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SizeLabelToText(label2, false);
    SizeLabelToText(label3, false);
    if (label1AutoSize)
        SizeLabelToText(label1, build.label1WordWrap);
}

void MainWindow::OnDestroy()
{
    // The control goes before the window it sits on.
    ctlCD.reset();
    hwnd = nullptr;
    // A window that never came up ends nothing: its caller reports why, and
    // a pending quit would close that report at once.
    if (quitOnDestroy)
        PostQuitMessage(0);
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
    const HDC dc = GetDC(label);
    const HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured,
              DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wordWrap ? DT_WORDBREAK : 0));
    SelectObject(dc, previous);
    ReleaseDC(label, dc);
    const int width = wordWrap ? bounds.right - bounds.left : measured.right - measured.left;
    const int height = text.empty() ? metrics.tmHeight : measured.bottom - measured.top;
    SetWindowPos(label, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::OnCommand(int id, int notification)
{
    // One handler at a time: the message boxes, the About dialog and the
    // waits of a handler let other messages through. A second request for
    // the About dialog brings the open one to the front; a close asked for
    // meanwhile comes after the handler.
    if (handlerRunning) {
        if (id == kCommand2 && notification == BN_CLICKED && frmDespre)
            frmDespre->BringToFront();
        return;
    }
    handlerRunning = true;
    struct HandlerEnd {
        MainWindow& window;
        ~HandlerEnd()
        {
            window.handlerRunning = false;
            if (window.closeRequested)
                PostMessageW(window.hwnd, WM_CLOSE, 0, 0);
        }
    } end{*this};

    if (id == kCommand1 && notification == BN_CLICKED) {
        Command1_Click();
    } else if (id == kCommand2 && notification == BN_CLICKED) {
        Command2_Click();
    } else if (id == kList1 && notification == LBN_SELCHANGE) {
        const int selected = ListBox_GetCurSel(list1);
        if (selected != list1Index) {
            list1Index = selected;
            List1_Click();
        }
    }
}

HRESULT MainWindow::Form_Load()
{
    label1AutoSize = true;
    SizeLabelToText(label1, build.label1WordWrap);
    if (!SetWindowTextW(command1, L"Cauta Drive"))
        return LastError();
    EnableWindow(list1, TRUE);
    ShowWindow(list2, SW_SHOW);
    return S_OK;
}

// The drive search: lists every drive of the machine, one line each.
void MainWindow::Command1_Click()
{
    SearchDrives();
    drives = nullptr;
    currentDrive = nullptr;
}

bool MainWindow::SearchDrives()
{
    if (build.searchClearsDetailsFirst && (!SetCdControlVisible(false) || !ClearDetails()))
        return false;
    if (!EnsureFso() || !CheckSearchCall(fso->Drives(drives), kDrivesFailed))
        return false;
    EnableWindow(list1, TRUE);
    ListBox_ResetContent(list1);
    list1Index = -1;
    ListBox_ResetContent(list2);
    if (!build.searchClearsDetailsFirst && (!ClearDetails() || !SetCdControlVisible(false)))
        return false;
    return AddDriveLines();
}

bool MainWindow::AddDriveLines()
{
    for (;;) {
        const HRESULT hr = drives->Next(currentDrive);
        if (!CheckSearchCall(hr, kDrivesFailed))
            return false;
        if (hr == S_FALSE)
            return true;
        std::wstring letter;
        long typeCode = 0;
        if (!CheckSearchCall(currentDrive->DriveLetter(letter), kDriveLetterFailed) ||
            !CheckSearchCall(currentDrive->DriveType(typeCode), kDriveTypeFailed) ||
            !AddListItem(list1, DriveLine(letter, typeCode), kAddDriveFailed))
            return false;
    }
}

// The drive details: a click on a line of the drive list.
void MainWindow::List1_Click()
{
    ShowSelectedDrive();
    currentDrive = nullptr;
}

bool MainWindow::ShowSelectedDrive()
{
    const int index = ListBox_GetCurSel(list1);
    if (index < 0)
        return false;
    const std::wstring letter = LetterOfDriveLine(ListItemText(list1, index));
    if (!EnsureFso() || !CheckDriveCall(fso->GetDrive(letter, currentDrive), kGetDriveFailed))
        return false;
    const std::shared_ptr<Drive> drive = currentDrive;  // the working reference
    bool ready = false;
    if (!CheckDriveCall(drive->IsReady(ready), kReadyFailed))
        return false;
    if (!ready) {
        parts.messageBox(hwnd, kNotReady, applicationTitle, MB_OK);
        return true;
    }
    return ShowTracks(letter) && ShowDetails(*drive);
}

// The CD steps: for a CD-ROM drive, its disc's tracks in the track list and
// the CD control shown; for any other drive, neither.
bool MainWindow::ShowTracks(const std::wstring& letter)
{
    long typeCode = 0;
    if (!CheckDriveCall(currentDrive->DriveType(typeCode), kDriveTypeFailed))
        return false;
    if (typeCode != kCdRomDrive && !SetCdControlVisible(false))
        return false;
    if (!CheckDriveCall(currentDrive->DriveType(typeCode), kDriveTypeFailed))
        return false;
    if (typeCode == kCdRomDrive) {
        if (!ListTracks(letter))
            return false;
    } else {
        ListBox_ResetContent(list2);
    }
    if (trackCount <= 1) {
        ShowWindow(list2, SW_SHOW);
        ListBox_ResetContent(list2);
        return SetCdControlVisible(false);
    }
    return true;
}

bool MainWindow::ListTracks(const std::wstring& letter)
{
    // The list is emptied first, so that listing a disc again never shows
    // its tracks twice.
    ListBox_ResetContent(list2);
    short count = 0;
    if (!Check(ctlCD->SetDrive(letter), kCdDriveFailed) || !Check(ctlCD->TrackCount(count), kTrackCountFailed))
        return false;
    trackCount = count;
    const short bound = trackCount;
    for (trackNo = 1; trackNo <= bound; ++trackNo) {
        ShowWindow(list2, SW_SHOW);
        if (!SetCdControlVisible(true))
            return false;
        const std::wstring number = SignedDecimal(trackNo);
        short seconds = 0;
        if (!Check(ctlCD->TrackLength(trackNo, seconds), kTrackLengthFailed) ||
            !AddListItem(list2, TrackLine(number, seconds), kAddTrackFailed))
            return false;
        // The 16-bit counter stops at its largest value instead of wrapping.
        if (trackNo == SHRT_MAX)
            break;
    }
    return true;
}

bool MainWindow::ShowDetails(Drive& drive)
{
    DriveDetails details;
    if (!CheckDriveCall(drive.DriveLetter(details.letter), kDetailsFailed) ||
        !CheckDriveCall(drive.FreeSpace(details.freeBytes), kDetailsFailed) ||
        !CheckDriveCall(drive.FileSystem(details.fileSystem), kDetailsFailed) ||
        !CheckDriveCall(drive.SerialNumber(details.serialNumber), kDetailsFailed) ||
        !CheckDriveCall(drive.TotalSize(details.totalBytes), kDetailsFailed) ||
        !CheckDriveCall(drive.VolumeName(details.volumeName), kDetailsFailed))
        return false;
    return SetLabelText(label1, DetailsCaptions()) && SetLabelText(label5, DetailsValues(details));
}

void MainWindow::Command2_Click()
{
    if (!frmDespre)
        frmDespre = std::make_unique<AboutDialog>(build);
    Check(frmDespre->ShowModal(hwnd), kAboutFailed);
}

bool MainWindow::ClearDetails()
{
    return SetLabelText(label1, L"") && SetLabelText(label5, L"");
}

bool MainWindow::SetCdControlVisible(bool visible)
{
    return Check(ctlCD->SetVisible(visible), kCdVisibleFailed);
}

bool MainWindow::EnsureFso()
{
    return fso || Check(parts.createDriveService(fso), kServiceFailed);
}

bool MainWindow::SetLabelText(HWND label, const std::wstring& text)
{
    if (!Check(SetWindowTextW(label, text.c_str()) ? S_OK : LastError(), kShowDetailsFailed))
        return false;
    if (label == label1 && label1AutoSize)
        SizeLabelToText(label1, build.label1WordWrap);
    return true;
}

bool MainWindow::AddListItem(HWND list, const std::wstring& text, const wchar_t* whatFailed)
{
    const LRESULT added = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return Check(added == LB_ERRSPACE ? E_OUTOFMEMORY : added == LB_ERR ? E_FAIL : S_OK, whatFailed);
}

bool MainWindow::Check(HRESULT status, const wchar_t* whatFailed)
{
    if (SUCCEEDED(status))
        return true;
    // The window is to be closed: the handler ends without a word.
    if (status != kCallAbandonedForClose)
        parts.messageBox(hwnd, DescribeFailure(whatFailed, status), applicationTitle, MB_OK | MB_ICONERROR);
    return false;
}

// A drive that does not answer, or that is gone, is not accessible.
bool MainWindow::CheckDriveCall(HRESULT status, const wchar_t* whatFailed)
{
    if (!IsGivenUp(status) && status != kDriveUnavailable)
        return Check(status, whatFailed);
    parts.messageBox(hwnd, kNotReady, applicationTitle, MB_OK);
    return false;
}

// A drive that does not answer leaves the drive list incomplete.
bool MainWindow::CheckSearchCall(HRESULT status, const wchar_t* whatFailed)
{
    if (!IsGivenUp(status))
        return Check(status, whatFailed);
    parts.messageBox(hwnd, kDrivesIncomplete, applicationTitle, MB_OK | MB_ICONERROR);
    return false;
}
