// A program of either build started by a test and driven from outside as a
// person would: mouse clicks and key presses go through the platform's input
// queue, and what the program shows is read back from its windows.
#pragma once

// It is started as a user starts it from a download: unpacked from its
// release zip (tests/package/unpack.sh) into a folder whose name has a space
// and a letter beyond ASCII, beside DLLs that someone planted there under
// the names of system DLLs (tests/equipment/plant). Wine is told to prefer
// those from the program's folder, as Windows does for every DLL that is no
// KnownDLL: the names given "n,b" in this test's WINEDLLOVERRIDES. No test
// may end with one of them loaded.

#include "about_dialog.h"
#include "both_builds.h"
#include "keyboard_and_mouse/keyboard_and_mouse.h"
#include "main_window.h"
#include "plant/planted_dlls.h"
#include "test_drives.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// The folders the release package was unpacked into: as into Downloads, and
// signed with a throwaway certificate beside it.
inline const std::filesystem::path kDownloadsFolder = MachinePath(L"TARVOLO_PACKAGE_CHECK") / L"Programe \u0102";
inline const std::filesystem::path kSignedPackageFolder = MachinePath(L"TARVOLO_PACKAGE_CHECK") / L"Semnate \u0102";

// The drive's place in the drive list, which holds the drives in letter order.
inline int LineOf(wchar_t letter)
{
    return static_cast<int>(std::ranges::find(kTestDrives, letter) - kTestDrives.begin());
}

// The middle of a window: of its close box, the rightmost button of its caption.
inline POINT Centre(HWND window)
{
    const RECT r = PlaceIn(window, HWND_DESKTOP);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}
inline POINT CloseBoxOf(HWND window)
{
    TITLEBARINFO bar{sizeof bar};
    GetTitleBarInfo(window, &bar);
    const RECT& caption = bar.rcTitleBar;
    const POINT centre{caption.right - GetSystemMetrics(SM_CXSIZE) / 2, (caption.top + caption.bottom) / 2};
    EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(centre.x, centre.y)), HTCLOSE) << "no close box there";
    return centre;
}

// A program started by a test and ended when the object goes, whatever the
// test did.
struct Process {
    PROCESS_INFORMATION info{};

    ~Process()
    {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 5000);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }

    bool Start(const std::filesystem::path& program, const wchar_t* folder = nullptr)
    {
        STARTUPINFOW startup{sizeof startup};
        return CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &info);
    }

    // Waits until the process shows exactly one visible top-level window of
    // the class, and gives it.
    HWND WaitForOneWindow(const wchar_t* className, DWORD timeoutMs = 15000) const
    {
        std::vector<HWND> found;
        WaitFor(
            [&] {
                found.clear();
                for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, className, nullptr)) != nullptr;)
                    if (GetWindowThreadProcessId(w, nullptr) == info.dwThreadId && IsWindowVisible(w))
                        found.push_back(w);
                return found.size() == 1;
            },
            timeoutMs);
        return found.size() == 1 ? found.front() : nullptr;
    }

    DWORD ExitCode() const
    {
        DWORD exitCode = STILL_ACTIVE;
        WaitForSingleObject(info.hProcess, 10000);
        GetExitCodeProcess(info.hProcess, &exitCode);
        return exitCode;
    }
};

class InputTest : public testing::TestWithParam<const BuildDifferences*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(std::filesystem::exists(kDownloadsFolder / "Tarvolo.exe"))
            << "no unpacked package: CTest's package_unpacked test makes it";
        ASSERT_NO_FATAL_FAILURE(PlantIn(kDownloadsFolder));
        ASSERT_TRUE(program.Start(ProgramFolder() / (std::wstring(GetParam()->programName) + L".exe")));
        main = program.WaitForOneWindow(GetParam()->mainWindowClass);
        ASSERT_TRUE(main) << "no main window";
        // Keys go to the foreground window.
        SetForegroundWindow(main);
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == main; })) << "the program is not in the foreground";
        // The window of the program ended before may linger over this one.
        ASSERT_TRUE(WaitFor([&] { return GetAncestor(WindowFromPoint(Centre(main)), GA_ROOT) == main; }));
        ASSERT_TRUE(WaitForFocusOn(Control(kSearchButton))) << "the focus is not on \"Cauta Drive\" at start";
    }

    // Also when the program could not start, or broke down on the way.
    void TearDown() override
    {
        const std::wstring loaded = LoadedPlants(kDownloadsFolder);
        EXPECT_TRUE(loaded.empty()) << "planted DLLs were loaded:" << testing::PrintToString(loaded);
    }

    // Where the program is started from.
    virtual std::filesystem::path ProgramFolder() const { return kDownloadsFolder; }

    HWND Control(int id) const { return GetDlgItem(main, id); }
    std::wstring Details() const { return Text(Control(kDetailValues)); }
    Lines Tracks() const { return ListItems(Control(kTrackList)); }
    size_t LineCount() const { return static_cast<size_t>(SendMessageW(Control(kDriveList), LB_GETCOUNT, 0, 0)); }

    GUITHREADINFO Gui() const
    {
        GUITHREADINFO gui{sizeof gui};
        GetGUIThreadInfo(program.info.dwThreadId, &gui);
        return gui;
    }

    bool WaitForFocusOn(HWND control) const
    {
        return WaitFor([&] { return Gui().hwndFocus == control; });
    }

    void ClickAt(POINT at, bool right = false) { mouse.Click(program.info.dwThreadId, at, right); }

    // The line's place from the drive list's own metrics, scrolled into view
    // first as a person would.
    void ClickLine(wchar_t letter, bool right = false)
    {
        const HWND list = Control(kDriveList);
        const auto height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
        RECT client{};
        GetClientRect(list, &client);
        const auto row = [&] { return static_cast<int>(LineOf(letter) - SendMessageW(list, LB_GETTOPINDEX, 0, 0)); };
        if (row() < 0 || (row() + 1) * height > client.bottom)
            SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(LineOf(letter)), 0);
        POINT at{client.right / 2, row() * height + height / 2};
        ClientToScreen(list, &at);
        ClickAt(at, right);
    }

    // Presses the key (Enter, F5, ...) and waits until every drive is listed.
    bool Search(WORD key = VK_RETURN)
    {
        Key(key);
        return WaitFor([&] { return LineCount() == kTestDrives.size(); });
    }

    bool WaitForDetailsOf(wchar_t letter, DWORD timeoutMs = 5000) const
    {
        return WaitFor([&] { return Details().starts_with(std::wstring(1, letter) + L"\n"); }, timeoutMs);
    }

    // A click on the drive's line, until its details are on show.
    bool Show(wchar_t letter)
    {
        ClickLine(letter);
        return WaitForDetailsOf(letter);
    }

    bool MessageBoxShown() const
    {
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr;)
            if (GetWindow(w, GW_OWNER) == main && IsWindowVisible(w))
                return true;
        return false;
    }

    // Whether the program's window handles the message within withinMs.
    bool Answers(UINT message, DWORD withinMs) const
    {
        DWORD_PTR answer = 0;
        return SendMessageTimeoutW(main, message, 0, 0, SMTO_ABORTIFHUNG, withinMs, &answer) != 0;
    }

    // Milliseconds until condition holds, or timeoutMs has passed; all the
    // while the window must answer within a second whenever it is asked: a
    // handler that waits on a drive blocks for the drive's seconds, while a
    // machine busy with other work may delay an answer by a few hundred ms.
    ULONGLONG AnsweringUntil(const std::function<bool()>& condition, DWORD timeoutMs = 15000) const
    {
        const ULONGLONG start = GetTickCount64();
        while (!condition() && GetTickCount64() - start < timeoutMs) {
            EXPECT_TRUE(Answers(WM_NULL, 1000))
                << "the window did not answer after " << GetTickCount64() - start << " ms";
            EXPECT_FALSE(IsHungAppWindow(main));
            Sleep(20);
        }
        return GetTickCount64() - start;
    }

    // The text of the program's message box, which Enter then closes; empty
    // when none comes.
    std::wstring AnswerMessageBox()
    {
        const HWND box = program.WaitForOneWindow(L"#32770");
        if (!box)
            return {};
        const std::wstring text = Text(GetDlgItem(box, 0xFFFF));
        Key(VK_RETURN);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); })) << "Enter did not close the message box";
        return text;
    }

    Process program;
    HWND main = nullptr;
    Mouse mouse;
};

// Where the machine refused to mount the drives of exact sizes, any size is
// taken: the pattern of a size in the values column. A test that took any
// ends with a skip that says why.
inline std::wstring SizePattern(const wchar_t* megabytes)
{
    return (ExactSizesMissingReason().empty() ? megabytes : L"[0-9]+") + std::wstring(L" MB");
}
inline void SkipWhereSizesWereNotChecked()
{
    if (const std::string missing = ExactSizesMissingReason(); !missing.empty())
        GTEST_SKIP() << "drive sizes not checked: " << missing;
}
