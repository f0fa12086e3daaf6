// Starts each program many times beside each file of a folder put in place of
// its CD control, in one folder as the package holds them, and counts how
// each start ends, as a Markdown table:
//   startup_count RUNS FOLDER TABLE
// A start ends well when the program shows its message box naming the file,
// and ends with 1 once the box is answered. Counted apart: a box that names
// no such file, a process that ends without a box or with another exit code
// (an exception's code, for one), and a start that shows nothing for 30 s or
// does not start at all.

#include "build_differences.h"
#include "module_path.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr DWORD kShowsNothingMs = 30000;
constexpr DWORD kEndsAfterBoxMs = 10000;
constexpr wchar_t kNotOurs[] = L" nu este controlul CD livrat cu acest program.";
constexpr wchar_t kShippedControl[] = L"Divazid.dll";

enum class Outcome { kBox, kOtherBox, kCrash, kHang };

struct Counts {
    int boxes = 0, otherBoxes = 0, crashes = 0, hangs = 0;
    std::map<DWORD, int> crashCodes;
};

// The visible message box of the process's first thread, or null.
HWND FindBox(DWORD threadId)
{
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr;)
        if (GetWindowThreadProcessId(w, nullptr) == threadId && IsWindowVisible(w))
            return w;
    return nullptr;
}

std::wstring BoxText(HWND box)
{
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    return text;
}

// Polled, not waited for by a message hook: the box's thread is the
// program's, and a start that breaks down must not hold this one up.
HWND WaitForBoxOrEnd(const PROCESS_INFORMATION& process)
{
    for (const ULONGLONG end = GetTickCount64() + kShowsNothingMs; GetTickCount64() < end;) {
        if (const HWND box = FindBox(process.dwThreadId))
            return box;
        if (WaitForSingleObject(process.hProcess, 2) == WAIT_OBJECT_0)
            return FindBox(process.dwThreadId);
    }
    return nullptr;
}

// One start of program beside the file that says expected in its box.
Outcome StartOnce(const std::wstring& program, const std::wstring& expected, DWORD& exitCode)
{
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    exitCode = STILL_ACTIVE;
    if (!CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        fwprintf(stderr, L"%ls could not be started: error %lu\n", program.c_str(), GetLastError());
        return Outcome::kHang;
    }
    Outcome outcome = Outcome::kCrash;
    if (const HWND box = WaitForBoxOrEnd(process)) {
        const bool namesFile = BoxText(box).find(expected) != std::wstring::npos;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        WaitForSingleObject(process.hProcess, kEndsAfterBoxMs);
        GetExitCodeProcess(process.hProcess, &exitCode);
        if (exitCode == 1)
            outcome = namesFile ? Outcome::kBox : Outcome::kOtherBox;
    } else {
        GetExitCodeProcess(process.hProcess, &exitCode);
    }
    if (exitCode == STILL_ACTIVE) {
        outcome = Outcome::kHang;
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, kEndsAfterBoxMs);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return outcome;
}

Counts CountStarts(int runs, const std::wstring& program, const std::wstring& control, const std::wstring& kind)
{
    Counts counts;
    for (int run = 0; run < runs; ++run) {
        DWORD exitCode = 0;
        switch (StartOnce(program, control + kNotOurs, exitCode)) {
        case Outcome::kBox:
            ++counts.boxes;
            break;
        case Outcome::kOtherBox:
            ++counts.otherBoxes;
            break;
        case Outcome::kHang:
            ++counts.hangs;
            break;
        case Outcome::kCrash:
            ++counts.crashes;
            ++counts.crashCodes[exitCode];
            fwprintf(stderr, L"%ls beside %ls, start %d: ended with 0x%08lX and no box\n", program.c_str(),
                     kind.c_str(), run + 1, exitCode);
            break;
        }
    }
    return counts;
}

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::ranges::sort(files);
    return files;
}

std::wstring CodesOf(const Counts& counts)
{
    std::wstring codes;
    for (const auto& [code, times] : counts.crashCodes) {
        wchar_t one[48];
        swprintf(one, 48, L"%ls0x%08lX x%d", codes.empty() ? L"" : L", ", code, times);
        codes += one;
    }
    return codes;
}

// Wine's debugger, which reports a program that broke down, may still hold
// its file open for a moment after the program has ended.
void RemoveOnceFree(const std::filesystem::path& path)
{
    std::error_code error;
    for (const ULONGLONG end = GetTickCount64() + kEndsAfterBoxMs; GetTickCount64() < end; Sleep(100))
        if (std::filesystem::remove_all(path, error), !error)
            return;
    fwprintf(stderr, L"%ls is left behind: %hs\n", path.c_str(), error.message().c_str());
}

// Both programs in one folder beside the control under its file name, as the
// package holds them; Tarvolo9x asks for it in capitals.
void CountEach(int runs, const std::vector<std::filesystem::path>& kinds, const std::filesystem::path& work,
               FILE* table)
{
    const std::filesystem::path programs = std::filesystem::path(ModulePath(nullptr)).parent_path();
    const std::filesystem::path control = work / kShippedControl;
    const wchar_t* arch = sizeof(void*) == 8 ? L"x64" : L"x86";
    fwprintf(table, L"| program | build | file | starts | boxes | other boxes | crashes | hangs | crash codes |\n"
                    L"|---|---|---|---|---|---|---|---|---|\n");
    for (const BuildDifferences* build : {&kTarvolo, &kTarvolo9x}) {
        const std::wstring name = std::wstring(build->programName) + L".exe";
        std::filesystem::copy_file(programs / name, work / name);
        for (const std::filesystem::path& kind : kinds) {
            std::filesystem::copy_file(kind, control);
            const std::wstring named = (work / build->cdControlDll).wstring();
            const Counts counts = CountStarts(runs, work / name, named, kind.filename().wstring());
            fwprintf(table, L"| %ls | %ls | %ls | %d | %d | %d | %d | %d | %ls |\n", build->programName, arch,
                     kind.filename().c_str(), runs, counts.boxes, counts.otherBoxes, counts.crashes, counts.hangs,
                     CodesOf(counts).c_str());
            fflush(table);
            RemoveOnceFree(control);
        }
    }
}

}  // namespace

// The table goes to a file of its own: Wine's debugger writes what it says of
// a program that broke down to the output the program inherited.
int wmain(int argc, wchar_t** argv)
{
    if (argc != 4)
        return 2;
    const int runs = std::max(1, _wtoi(argv[1]));
    const std::vector<std::filesystem::path> kinds = FilesIn(argv[2]);
    FILE* table = _wfopen(argv[3], L"w");
    if (!table)
        return 1;
    const std::filesystem::path work = std::filesystem::temp_directory_path() /
                                       (L"tarvolo-startups-" + std::to_wstring(GetCurrentProcessId()));
    std::filesystem::create_directories(work);
    CountEach(runs, kinds, work, table);
    fclose(table);
    RemoveOnceFree(work);
    return 0;
}
