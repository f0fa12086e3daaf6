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
#include "main_window.h"
#include "plant/planted_dlls.h"
#include "test_drives.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

inline bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 5000)
{
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; GetTickCount64() < end; Sleep(15))
        if (condition())
            return true;
    return condition();
}

// The folder the release package was unpacked into, as into Downloads, and
// the same package signed with a throwaway certificate, unpacked beside it.
inline std::filesystem::path DownloadsFolder()
{
    return MachinePath(L"TARVOLO_PACKAGE_CHECK") / L"Programe \u0102";
}
inline std::filesystem::path SignedPackageFolder()
{
    return MachinePath(L"TARVOLO_PACKAGE_CHECK") / L"Semnate \u0102";
}

// The drive's place in the drive list, which holds the drives in letter order.
inline int LineOf(wchar_t letter)
{
    return static_cast<int>(std::ranges::find(kTestDrives, letter) - kTestDrives.begin());
}

// The middle of a window: of its close box, the rightmost button of its caption.
inline POINT Centre(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
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

// A window's rectangle in the client coordinates of another, or of the screen.
inline RECT PlaceIn(HWND window, HWND other)
{
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, other, reinterpret_cast<POINT*>(&r), 2);
    return r;
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
        ASSERT_TRUE(std::filesystem::exists(DownloadsFolder() / "Tarvolo.exe"))
            << "no unpacked package: CTest's package_unpacked test makes it";
        ASSERT_NO_FATAL_FAILURE(PlantIn(DownloadsFolder()));
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
        const std::wstring loaded = LoadedPlants(DownloadsFolder());
        EXPECT_TRUE(loaded.empty()) << "planted DLLs were loaded:" << testing::PrintToString(loaded);
    }

    // Where the program is started from.
    virtual std::filesystem::path ProgramFolder() const { return DownloadsFolder(); }

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

    // A key pressed while the modifier is held (Ctrl+C: Key('C', VK_CONTROL)).
    static void Key(WORD vk, WORD modifier = 0)
    {
        std::vector<INPUT> keys;
        const auto press = [&](WORD key, DWORD up) {
            if (!key)
                return;
            // The arrow keys and the menu key are the extended ones.
            const DWORD extended = key == VK_DOWN || key == VK_APPS ? KEYEVENTF_EXTENDEDKEY : 0;
            INPUT input{INPUT_KEYBOARD};
            input.ki = {key, static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)), extended | up};
            keys.push_back(input);
        };
        press(modifier, 0);
        press(vk, 0);
        press(vk, KEYEVENTF_KEYUP);
        press(modifier, KEYEVENTF_KEYUP);
        EXPECT_EQ(SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT)), keys.size());
    }

    void ClickAt(POINT at, bool right = false)
    {
        // A click is routed when it arrives: one that came while the last one
        // still held the mouse captured, or on its spot within the double-click
        // time, would not be a click of its own.
        EXPECT_TRUE(WaitFor([&] { return !Gui().hwndCapture; })) << "the program keeps the mouse captured";
        if (at.x == lastClick.x && at.y == lastClick.y)
            WaitFor([&] { return GetTickCount64() > lastClickTime + GetDoubleClickTime(); });
        // Absolute coordinates run from 0 to 65536 across the virtual screen and
        // the platform truncates, so rounding up lands on the pixel itself. The
        // button events carry the place too: under Wine the cursor may jump back
        // to an earlier click's place for a moment.
        const int cx = GetSystemMetrics(SM_CXVIRTUALSCREEN), cy = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        const auto dx = static_cast<LONG>(((at.x - GetSystemMetrics(SM_XVIRTUALSCREEN)) * 65536LL + cx - 1) / cx);
        const auto dy = static_cast<LONG>(((at.y - GetSystemMetrics(SM_YVIRTUALSCREEN)) * 65536LL + cy - 1) / cy);
        INPUT mouse[3] = {{INPUT_MOUSE}, {INPUT_MOUSE}, {INPUT_MOUSE}};
        const DWORD buttons[] = {0, right ? DWORD{MOUSEEVENTF_RIGHTDOWN} : DWORD{MOUSEEVENTF_LEFTDOWN},
                                 right ? DWORD{MOUSEEVENTF_RIGHTUP} : DWORD{MOUSEEVENTF_LEFTUP}};
        for (int i = 0; i < 3; ++i)
            mouse[i].mi = {dx, dy, 0, MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | buttons[i]};
        // The button goes down once the cursor has stayed at the place for a
        // while: a press while it jumps back would be a drag from the earlier
        // place, and a list box scrolls on a drag that leaves it.
        POINT cursor{};
        const auto there = [&] { return GetCursorPos(&cursor) && cursor.x == at.x && cursor.y == at.y; };
        EXPECT_TRUE(WaitFor([&] {
            EXPECT_EQ(SendInput(1, mouse, sizeof(INPUT)), 1u);
            if (!WaitFor(there, 500))
                return false;
            for (const ULONGLONG settled = GetTickCount64() + 50; GetTickCount64() < settled; Sleep(5))
                if (!there())
                    return false;
            return true;
        })) << "the mouse went to "
            << cursor.x << "," << cursor.y << " instead of " << at.x << "," << at.y;
        EXPECT_EQ(SendInput(2, mouse + 1, sizeof(INPUT)), 2u);
        lastClick = at;
        lastClickTime = GetTickCount64();
    }

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

    bool WaitForDetailsOf(wchar_t letter) const
    {
        return WaitFor([&] { return Details().starts_with(std::wstring(1, letter) + L"\n"); });
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

    // Milliseconds until condition holds, or timeoutMs has passed; all the
    // while the window must answer within 200 ms whenever it is asked.
    ULONGLONG AnsweringUntil(const std::function<bool()>& condition, DWORD timeoutMs = 15000) const
    {
        const ULONGLONG start = GetTickCount64();
        while (!condition() && GetTickCount64() - start < timeoutMs) {
            DWORD_PTR answer = 0;
            EXPECT_TRUE(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200, &answer))
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
    POINT lastClick{-100, -100};
    ULONGLONG lastClickTime = 0;
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
