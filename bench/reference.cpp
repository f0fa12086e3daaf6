// The yardstick of scripts/bench.sh: the simplest program that does what
// Tarvolo visibly does. It initialises OLE, carries the same manifest,
// creates the same nine controls (a plain one where the CD control stands)
// and, on "Cauta Drive" and a click on the drive list, makes the same drive
// service calls, directly on its GUI thread, and fills the same controls.

#include "build_differences.h"
#include "drive_text.h"
#include "fso_drive_service.h"
#include "main_window.h"
#include "dpi.h"

#include <ole2.h>
#include <windowsx.h>

#include <memory>
#include <string>

namespace {

const BuildDifferences& kLayout = kTarvolo;
constexpr int kCdPlace = 200;  // where the CD control stands in the program
std::shared_ptr<DriveService> fso;

HWND Item(HWND window, int id)
{
    return GetDlgItem(window, id);
}

void Search(HWND window)
{
    if (!fso && FAILED(CreateFileSystemObject(fso)))
        return;
    std::shared_ptr<DriveCollection> drives;
    if (FAILED(fso->Drives(drives)))
        return;
    ListBox_ResetContent(Item(window, kList1));
    ListBox_ResetContent(Item(window, kList2));
    SetWindowTextW(Item(window, kLabel1), L"");
    SetWindowTextW(Item(window, kLabel5), L"");
    ShowWindow(Item(window, kCdPlace), SW_HIDE);
    std::shared_ptr<Drive> drive;
    while (drives->Next(drive) == S_OK) {
        std::wstring letter;
        long type = 0;
        drive->DriveLetter(letter);
        drive->DriveType(type);
        ListBox_AddString(Item(window, kList1), DriveLine(letter, type).c_str());
    }
}

void Click(HWND window)
{
    const HWND list = Item(window, kList1);
    std::wstring line(static_cast<size_t>(ListBox_GetTextLen(list, ListBox_GetCurSel(list))) + 1, L'\0');
    line.resize(static_cast<size_t>(ListBox_GetText(list, ListBox_GetCurSel(list), line.data())));
    std::shared_ptr<Drive> drive;
    bool ready = false;
    long type = 0;
    if (!fso || FAILED(fso->GetDrive(LetterOfDriveLine(line), drive)) || FAILED(drive->IsReady(ready)) || !ready)
        return;
    drive->DriveType(type);
    drive->DriveType(type);
    ListBox_ResetContent(Item(window, kList2));
    ShowWindow(Item(window, kCdPlace), SW_HIDE);
    DriveDetails details;
    drive->DriveLetter(details.letter);
    drive->FreeSpace(details.freeBytes);
    drive->FileSystem(details.fileSystem);
    drive->SerialNumber(details.serialNumber);
    drive->TotalSize(details.totalBytes);
    drive->VolumeName(details.volumeName);
    SetWindowTextW(Item(window, kLabel1), DetailsCaptions().c_str());
    SetWindowTextW(Item(window, kLabel5), DetailsValues(details).c_str());
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kCommand1 && HIWORD(wParam) == BN_CLICKED)
            Search(window);
        else if (LOWORD(wParam) == kList1 && HIWORD(wParam) == LBN_SELCHANGE)
            Click(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    OleInitialize(nullptr);
    WNDCLASSEXW windowClass{sizeof windowClass};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"TarvoloReference";
    RegisterClassExW(&windowClass);
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Tarvolo", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                        0, 0, nullptr, nullptr, instance, nullptr);
    // The system's DPI and message font: what a program that knows nothing
    // of monitors would take.
    const HDC screen = GetDC(nullptr);
    const auto dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    const struct {
        const wchar_t* className;
        const wchar_t* text;
        DWORD style;
        int id;
        TwipRect place;
    } controls[] = {
        {L"STATIC", L"", SS_LEFT, kLabel1, kLayout.label1},
        {L"BUTTON", L"Cauta Drive", WS_TABSTOP, kCommand1, {2880, 4680, 1212, 372}},
        {L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_SORT | LBS_NOTIFY, kList1, kLayout.list1},
        {L"STATIC", L"", 0, kCdPlace, kLayout.ctlCD},
        {L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_USETABSTOPS, kList2, kLayout.list2},
        {L"BUTTON", L"Despre program", WS_TABSTOP, kCommand2, kLayout.command2},
        {L"STATIC", L"Lista Track-uri", SS_LEFT, kLabel2, kLayout.label2},
        {L"STATIC", L"Lista Drive-uri", SS_LEFT, kLabel3, {1200, 240, 972, 192}},
        {L"STATIC", L"", SS_LEFT, kLabel5, kLayout.label5},
    };
    for (const auto& c : controls) {
        const RECT r = TwipsToPixels(c.place, dpi);
        const HWND control = CreateWindowExW(0, c.className, c.text, WS_CHILD | WS_VISIBLE | c.style, r.left, r.top,
                                             r.right - r.left, r.bottom - r.top, window,
                                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    RECT outer{0, 0, TwipsToPixels(kLayout.clientArea.width, dpi), TwipsToPixels(kLayout.clientArea.height, dpi)};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
    CentreOnScreen(window);
    ShowWindow(window, show);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    fso.reset();
    OleUninitialize();
    return 0;
}
