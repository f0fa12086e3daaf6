// Starts the program, presses what the command line asks for, then tells
// scripts/run.sh that the screen is ready to be captured (by creating the
// file named in SCREEN_READY, holding what could not be done, if anything)
// and ends the program once that file is gone. Without SCREEN_READY the
// program is on the user's display: it stays until the user closes it, and
// what could not be done is written to stderr, the program ended, status 2.
//   screen_driver PROGRAM.exe [--search] [--click LETTER] [--about] [--expect-tracks N]
// --expect-tracks N checks, after what comes before it, that the track list
// holds N tracks and the CD control shows the disc: what the tests of the
// installed programs (tests/package/msi.sh) ask of a disc in drive D.

#include "build_differences.h"
#include "divazid.h"
#include "main_window.h"
#include "texts.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <windowsx.h>

#include <cstdio>
#include <string>

namespace {

// A search holds the list while a drive that does not answer is waited for,
// 10 seconds at most; a letter not listed by then is not there.
constexpr int kListWaitMs = 12000;

// The main window of either program, whichever PROCESS shows; a wait for one
// class and then the other would wait out the first in full for Tarvolo9x.
HWND WaitForWindow(DWORD processId)
{
    for (int i = 0; i < 600; ++i) {
        for (const wchar_t* className : {kTarvolo.mainWindowClass, kTarvolo9x.mainWindowClass}) {
            for (HWND w = FindWindowW(className, nullptr); w; w = FindWindowExW(nullptr, w, className, nullptr)) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == processId && IsWindowVisible(w))
                    return w;
            }
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

// Why drive LETTER cannot be clicked: the letters the list has, in ASCII for
// run.sh to print.
std::string MissingDrive(HWND list, const std::wstring& letter)
{
    std::string listed;
    for (int line = 0; line < ListBox_GetCount(list); ++line) {
        const std::wstring listedLetter = DriveLetterOfLine(list, line);
        if (listedLetter.size() == 1 && listedLetter[0] < 0x80)
            listed += (listed.empty() ? "" : ", ") + std::string(1, static_cast<char>(listedLetter[0])) + ":";
    }
    const std::string asked(1, static_cast<char>(letter[0]));
    if (listed.empty())
        return "--click " + asked + ": the drive list is empty; --search fills it";
    return "--click " + asked + ": the drive list has no drive " + asked + "; it has " + listed;
}

// Selects drive LETTER's line in the drive list, as a click does; returns
// why not when the list has no such drive.
std::string ClickDrive(HWND window, const std::wstring& letter)
{
    const HWND list = GetDlgItem(window, kDriveList);
    const std::wstring prefix = texts::kDriveLineBefore + letter + L":";
    int index = LB_ERR;
    for (int waited = 0; index == LB_ERR && waited <= kListWaitMs; waited += 100) {
        index = ListBox_FindString(list, -1, prefix.c_str());
        if (index == LB_ERR)
            Sleep(100);
    }
    if (index == LB_ERR)
        return MissingDrive(list, letter);
    ListBox_SetCurSel(list, index);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(kDriveList, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    return "";
}

// Whether the track list holds COUNT tracks and the CD control shows the
// disc, as a listing on a worker thread leaves them, within a few seconds;
// returns what it found otherwise.
std::string ExpectTracks(HWND window, int count)
{
    const HWND tracks = GetDlgItem(window, kTrackList);
    const HWND control = FindWindowExW(window, nullptr, DIVAZID_WINDOW_CLASS, nullptr);
    for (int waited = 0; waited <= 5000; waited += 100) {
        if (ListBox_GetCount(tracks) == count && control && IsWindowVisible(control))
            return "";
        Sleep(100);
    }
    if (!control)
        return "--expect-tracks: the main window has no CD control";
    return "--expect-tracks " + std::to_string(count) + ": the track list holds " +
           std::to_string(ListBox_GetCount(tracks)) + " track(s), and the CD control is " +
           (IsWindowVisible(control) ? "shown" : "hidden");
}

// Does what the command line asks for, in its order; returns what could not
// be done, or "".
std::string Perform(HWND window, HANDLE process, int argc, wchar_t** argv)
{
    for (int i = 2; i < argc; ++i) {
        const std::wstring action = argv[i];
        if (action == L"--search") {
            Press(window, kSearchButton);
        } else if (action == L"--click" && i + 1 < argc) {
            if (std::string problem = ClickDrive(window, argv[++i]); !problem.empty())
                return problem;
        } else if (action == L"--about") {
            Press(window, kAboutButton);
        } else if (action == L"--expect-tracks" && i + 1 < argc) {
            if (std::string problem = ExpectTracks(window, _wtoi(argv[++i])); !problem.empty())
                return problem;
        }
        WaitForInputIdle(process, 5000);
        Sleep(300);
    }
    Sleep(1000);  // let every window finish painting
    return "";
}

// Creates the file SCREEN_READY names, whole at once (written aside, then
// renamed) so that run.sh never reads it half written; waits until it is gone.
void SignalReady(const std::string& problem)
{
    wchar_t ready[MAX_PATH];
    if (!GetEnvironmentVariableW(L"SCREEN_READY", ready, MAX_PATH))
        return;
    const std::wstring aside = std::wstring(ready) + L".part";
    if (FILE* file = _wfopen(aside.c_str(), L"wb")) {
        fputs(problem.c_str(), file);
        fclose(file);
        MoveFileExW(aside.c_str(), ready, MOVEFILE_REPLACE_EXISTING);
    }
    while (GetFileAttributesW(ready) != INVALID_FILE_ATTRIBUTES)
        Sleep(100);
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

    const HWND window = WaitForWindow(process.dwProcessId);
    if (!window) {
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    const std::string problem = Perform(window, process.hProcess, argc, argv);
    if (GetEnvironmentVariableW(L"SCREEN_READY", nullptr, 0) == 0) {
        if (!problem.empty()) {
            // For run.sh's terminal: a line feed, not the CRLF of text mode.
            _setmode(_fileno(stderr), _O_BINARY);
            std::fprintf(stderr, "%s\n", problem.c_str());
            TerminateProcess(process.hProcess, 0);
            return 2;
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        return 0;
    }
    SignalReady(problem);
    TerminateProcess(process.hProcess, 0);
    return problem.empty() ? 0 : 1;
}
