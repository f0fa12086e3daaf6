// Times each program against the reference program (reference.cpp) from
// outside, with the platform's high-resolution clock, in runs that take
// turns, and prints the medians as a Markdown table.
//   bench_driver RUNS REFERENCE.exe PROGRAM.exe...
// A run starts a program and times: its start until its window is visible;
// "Cauta Drive" until the drive list is filled; a click on drive E, a ready
// fixed disc, until the values column is filled. Then its peak working set.

#include "main_window.h"

#include <windows.h>
#include <psapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Run {
    double start = 0, search = 0, click = 0, peakMiB = 0;
    bool ok = false;
};

struct Found {
    DWORD process;
    HWND window;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM parameter)
{
    auto* found = reinterpret_cast<Found*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != found->process || !IsWindowVisible(window) || GetWindow(window, GW_OWNER))
        return TRUE;
    found->window = window;
    return FALSE;
}

Run Measure(const std::wstring& program)
{
    Run run;
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + program + L"\"";
    const double launched = Now();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return run;
    Found found{process.dwProcessId, nullptr};
    for (const double end = launched + 30000; !found.window && Now() < end; Sleep(1))
        EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&found));
    run.start = Now() - launched;
    const HWND main = found.window;
    if (main) {
        const HWND list = GetDlgItem(main, kDriveList);
        double t = Now();
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(kSearchButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(main, kSearchButton)));
        run.search = Now() - t;
        const LRESULT line = SendMessageW(list, LB_FINDSTRING, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(L"Drive E:"));
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
        t = Now();
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(kDriveList, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        run.click = Now() - t;
        wchar_t values[8] = {};
        GetWindowTextW(GetDlgItem(main, kDetailValues), values, 8);
        run.ok = line >= 0 && values[0] == L'E';
        PROCESS_MEMORY_COUNTERS memory{sizeof memory};
        if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
            run.peakMiB = static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0);
        PostMessageW(main, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

struct Summary {
    double median, min, max;
};

Summary Summarise(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

std::wstring NameOf(const std::wstring& path)
{
    return path.substr(path.find_last_of(L"\\/") + 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4)
        return 2;
    const int runs = std::max(1, _wtoi(argv[1]));
    const std::wstring reference = argv[2];
    for (int p = 3; p < argc; ++p) {
        const std::wstring program = argv[p];
        Measure(program);  // the warm-up: files and libraries in the cache
        Measure(reference);
        std::vector<Run> mine, theirs;
        for (int i = 0; i < runs; ++i) {
            mine.push_back(Measure(program));
            theirs.push_back(Measure(reference));
            if (!mine.back().ok || !theirs.back().ok) {
                fwprintf(stderr, L"a run of %ls or of the reference did not list drive E\n", program.c_str());
                return 1;
            }
        }
        const auto column = [](const std::vector<Run>& all, double Run::*field) {
            std::vector<double> values;
            for (const Run& r : all)
                values.push_back(r.*field);
            return Summarise(values);
        };
        wprintf(L"\n| %ls, %d runs | %ls | reference | ratio |\n|---|---|---|---|\n", NameOf(program).c_str(), runs,
                NameOf(program).c_str());
        const struct {
            const wchar_t* what;
            double Run::*field;
            const wchar_t* unit;
        } rows[] = {
            {L"start to visible window", &Run::start, L"ms"},
            {L"\"Cauta Drive\" until the list is filled", &Run::search, L"ms"},
            {L"click on drive E until the values are shown", &Run::click, L"ms"},
            {L"peak working set", &Run::peakMiB, L"MiB"},
        };
        for (const auto& row : rows) {
            const Summary a = column(mine, row.field);
            const Summary b = column(theirs, row.field);
            wprintf(L"| %ls | %.1f %ls (%.1f-%.1f) | %.1f %ls (%.1f-%.1f) | %.2f |\n", row.what, a.median, row.unit,
                    a.min, a.max, b.median, row.unit, b.min, b.max, a.median / b.median);
        }
    }
    return 0;
}
