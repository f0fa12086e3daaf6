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
#include "texts.h"

#include <ole2.h>
#include <windowsx.h>

#include <memory>
#include <string>

namespace {

const BuildDifferences& kLayout = kTarvolo;
constexpr int kCdPlace = 200;  // where the CD control stands in the program
std::shared_ptr<DriveService> driveService;

HWND Item(HWND window, int id)
{
    return GetDlgItem(window, id);
}

void Search(HWND window)
{
    if (!driveService && FAILED(CreateFileSystemObject(driveService)))
        return;
    std::shared_ptr<DriveCollection> drives;
    if (FAILED(driveService->Drives(drives)))
        return;
    const HWND driveList = Item(window, kDriveList);
    ListBox_ResetContent(driveList);
    ListBox_ResetContent(Item(window, kTrackList));
    SetWindowTextW(Item(window, kDetailCaptions), L"");
    SetWindowTextW(Item(window, kDetailValues), L"");
    ShowWindow(Item(window, kCdPlace), SW_HIDE);
    std::shared_ptr<Drive> drive;
    while (drives->Next(drive) == S_OK) {
        std::wstring letter;
        long type = 0;
        drive->DriveLetter(letter);
        drive->DriveType(type);
        const int line = ListBox_AddString(driveList, DriveLine(letter, type).c_str());
        ListBox_SetItemData(driveList, line, letter.empty() ? L'\0' : letter.front());
    }
}

void Click(HWND window)
{
    const HWND driveList = Item(window, kDriveList);
    const std::wstring letter = DriveLetterOfLine(driveList, ListBox_GetCurSel(driveList));
    std::shared_ptr<Drive> drive;
    bool ready = false;
    long type = 0;
    if (!driveService || FAILED(driveService->GetDrive(letter, drive)) || FAILED(drive->IsReady(ready)) || !ready)
        return;
    drive->DriveType(type);
    drive->DriveType(type);
    ListBox_ResetContent(Item(window, kTrackList));
    ShowWindow(Item(window, kCdPlace), SW_HIDE);
    DriveDetails details;
    drive->DriveLetter(details.letter);
    drive->FreeSpace(details.freeBytes);
    drive->FileSystem(details.fileSystem);
    drive->SerialNumber(details.serialNumber);
    drive->TotalSize(details.totalBytes);
    drive->VolumeName(details.volumeName);
    SetWindowTextW(Item(window, kDetailCaptions), DetailsCaptions().c_str());
    SetWindowTextW(Item(window, kDetailValues), DetailsValues(details).c_str());
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kSearchButton && HIWORD(wParam) == BN_CLICKED)
            Search(window);
        else if (LOWORD(wParam) == kDriveList && HIWORD(wParam) == LBN_SELCHANGE)
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
        {L"STATIC", L"", SS_LEFT, kDetailCaptions, kLayout.detailCaptions},
        {L"BUTTON", texts::kSearchButton, WS_TABSTOP, kSearchButton, {2880, 4680, 1212, 372}},
        {L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_SORT | LBS_NOTIFY, kDriveList, kLayout.driveList},
        {L"STATIC", L"", 0, kCdPlace, kLayout.cdControl},
        {L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_USETABSTOPS, kTrackList, kLayout.trackList},
        {L"BUTTON", texts::kAboutButton, WS_TABSTOP, kAboutButton, kLayout.aboutButton},
        {L"STATIC", texts::kTrackListCaption, SS_LEFT, kTrackListCaption, kLayout.trackListCaption},
        {L"STATIC", texts::kDriveListCaption, SS_LEFT, kDriveListCaption, {1200, 240, 972, 192}},
        {L"STATIC", L"", SS_LEFT, kDetailValues, kLayout.detailValues},
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
    driveService.reset();
    OleUninitialize();
    return 0;
}
