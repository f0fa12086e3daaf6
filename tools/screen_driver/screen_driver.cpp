// Starts the program, presses what the command line asks for, then tells
// scripts/run.sh that the screen is ready to be captured (by creating the
// file named in SCREEN_READY) and ends the program once that file is gone.
//   screen_driver PROGRAM.exe [--search] [--click LETTER] [--about]

#include "main_window.h"

#include <windows.h>
#include <windowsx.h>

#include <cstdio>
#include <string>

namespace {

HWND WaitForWindow(const wchar_t* className, DWORD processId)
{
    for (int i = 0; i < 600; ++i) {
        for (HWND w = FindWindowW(className, nullptr); w; w = FindWindowExW(nullptr, w, className, nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == processId && IsWindowVisible(w))
                return w;
        }
        Sleep(50);
    }
    return nullptr;
}

void Press(HWND window, int button)
{
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 1;

    HWND window = WaitForWindow(L"FormPrincipal", process.dwProcessId);
    if (!window)
        window = WaitForWindow(L"Form1", process.dwProcessId);
    if (!window) {
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        const std::wstring action = argv[i];
        if (action == L"--search") {
            Press(window, kCommand1);
        } else if (action == L"--click" && i + 1 < argc) {
            const HWND list = GetDlgItem(window, kList1);
            const std::wstring prefix = std::wstring(L"Drive ") + argv[++i] + L":";
            const int index = ListBox_FindString(list, -1, prefix.c_str());
            ListBox_SetCurSel(list, index);
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(kList1, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        } else if (action == L"--about") {
            Press(window, kCommand2);
        }
        WaitForInputIdle(process.hProcess, 5000);
        Sleep(300);
    }
    Sleep(1000);  // let every window finish painting

    wchar_t ready[MAX_PATH];
    if (GetEnvironmentVariableW(L"SCREEN_READY", ready, MAX_PATH)) {
        fclose(_wfopen(ready, L"w"));
        while (GetFileAttributesW(ready) != INVALID_FILE_ATTRIBUTES)
            Sleep(100);
    }
    TerminateProcess(process.hProcess, 0);
    return 0;
}
