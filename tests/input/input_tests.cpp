// Both programs driven from outside as a person would: mouse clicks and key
// presses go through the platform's input queue, and what a program shows is
// read back from its windows. The details and texts themselves are the drive
// browser's and the About dialog's own tests; these prove the input reaches
// them, once, and that a program started without its CD control says so.

#include "drive_service/test_drives.h"
#include "main_window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 5000)
{
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; GetTickCount64() < end; Sleep(15))
        if (condition())
            return true;
    return condition();
}

std::wstring Text(HWND window)
{
    std::wstring text(static_cast<size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

std::filesystem::path ThisProgramsFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

// The drive's place in the drive list, which holds the drives in letter order.
int LineOf(wchar_t letter)
{
    return static_cast<int>(std::ranges::find(kTestDrives, letter, &TestDrive::letter) - kTestDrives.begin());
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
    HWND WaitForOneWindow(const wchar_t* className) const
    {
        std::vector<HWND> found;
        WaitFor([&] {
            found.clear();
            for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, className, nullptr)) != nullptr;)
                if (GetWindowThreadProcessId(w, nullptr) == info.dwThreadId && IsWindowVisible(w))
                    found.push_back(w);
            return found.size() == 1;
        }, 15000);
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

// The middle of a window's close box: the rightmost button of the caption.
POINT CloseBoxOf(HWND window)
{
    TITLEBARINFO bar{sizeof bar};
    GetTitleBarInfo(window, &bar);
    const RECT& caption = bar.rcTitleBar;
    const POINT centre{caption.right - GetSystemMetrics(SM_CXSIZE) / 2, (caption.top + caption.bottom) / 2};
    EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(centre.x, centre.y)), HTCLOSE) << "no close box there";
    return centre;
}

POINT Centre(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class InputTest : public testing::TestWithParam<const BuildDifferences*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(program.Start(ThisProgramsFolder() / (std::wstring(GetParam()->programName) + L".exe")));
        main = program.WaitForOneWindow(GetParam()->mainWindowClass);
        ASSERT_TRUE(main) << "no main window";
        // Keys go to the foreground window.
        SetForegroundWindow(main);
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == main; })) << "the program is not in the foreground";
        // The window of the program ended before may linger over this one.
        ASSERT_TRUE(WaitFor([&] { return GetAncestor(WindowFromPoint(Centre(main)), GA_ROOT) == main; }));
        ASSERT_TRUE(WaitForFocusOn(Control(kCommand1))) << "the focus is not on \"Cauta Drive\" at start";
    }

    HWND Control(int id) const { return GetDlgItem(main, id); }

    GUITHREADINFO Gui() const
    {
        GUITHREADINFO gui{sizeof gui};
        GetGUIThreadInfo(program.info.dwThreadId, &gui);
        return gui;
    }

    bool WaitForFocusOn(HWND control) const { return WaitFor([&] { return Gui().hwndFocus == control; }); }

    static void Key(WORD vk)
    {
        const auto scan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        // The arrow keys are the extended ones, not those of the number pad.
        const DWORD extended = vk == VK_DOWN ? KEYEVENTF_EXTENDEDKEY : 0;
        INPUT keys[2] = {{INPUT_KEYBOARD}, {INPUT_KEYBOARD}};
        keys[0].ki = {vk, scan, extended};
        keys[1].ki = {vk, scan, extended | KEYEVENTF_KEYUP};
        EXPECT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
    }

    void ClickAt(POINT at)
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
        const DWORD buttons[] = {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
        for (int i = 0; i < 3; ++i)
            mouse[i].mi = {dx, dy, 0, MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | buttons[i]};
        EXPECT_EQ(SendInput(1, mouse, sizeof(INPUT)), 1u);
        POINT cursor{};
        EXPECT_TRUE(WaitFor([&] { return GetCursorPos(&cursor) && cursor.x == at.x && cursor.y == at.y; }))
            << "the mouse went to " << cursor.x << "," << cursor.y << " instead of " << at.x << "," << at.y;
        EXPECT_EQ(SendInput(2, mouse + 1, sizeof(INPUT)), 2u);
        lastClick = at;
        lastClickTime = GetTickCount64();
    }

    // The line's place from the drive list's own metrics.
    void ClickLine(wchar_t letter)
    {
        const HWND list = Control(kList1);
        const auto row = static_cast<int>(LineOf(letter) - SendMessageW(list, LB_GETTOPINDEX, 0, 0));
        const auto height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
        RECT client{};
        GetClientRect(list, &client);
        POINT at{client.right / 2, row * height + height / 2};
        ClientToScreen(list, &at);
        ClickAt(at);
    }

    size_t LineCount() const { return static_cast<size_t>(SendMessageW(Control(kList1), LB_GETCOUNT, 0, 0)); }

    bool WaitForDetailsOf(wchar_t letter) const
    {
        return WaitFor([&] { return Text(Control(kLabel5)).starts_with(std::wstring(1, letter) + L"\n"); });
    }

    void SearchAndShow(wchar_t letter)
    {
        Key(VK_RETURN);
        ASSERT_TRUE(WaitFor([&] { return LineCount() == kTestDrives.size(); })) << "Enter listed no drives";
        ClickLine(letter);
        ASSERT_TRUE(WaitForDetailsOf(letter)) << "a click on the line of " << char(letter) << " showed nothing";
    }

    Process program;
    HWND main = nullptr;
    POINT lastClick{-100, -100};
    ULONGLONG lastClickTime = 0;
};

TEST_P(InputTest, CautaDriveByEnterSpaceAndClickAndTabOrder)
{
    // Each press empties the details shown and fills the list anew, never
    // doubled.
    EXPECT_EQ(LineCount(), 0u);
    ASSERT_NO_FATAL_FAILURE(SearchAndShow(kLabelledDrive));
    for (int i = 0; i < 3; ++i)  // past the track list and "Despre program"
        Key(VK_TAB);
    ASSERT_TRUE(WaitForFocusOn(Control(kCommand1)));
    Key(VK_SPACE);
    ASSERT_TRUE(WaitFor([&] { return Text(Control(kLabel5)).empty(); })) << "Space did not press \"Cauta Drive\"";
    EXPECT_EQ(LineCount(), kTestDrives.size());

    ClickLine(kLabelledDrive);
    ASSERT_TRUE(WaitForDetailsOf(kLabelledDrive));
    ClickAt(Centre(Control(kCommand1)));
    ASSERT_TRUE(WaitFor([&] { return Text(Control(kLabel5)).empty(); })) << "a click did not press \"Cauta Drive\"";
    EXPECT_EQ(LineCount(), kTestDrives.size());

    for (const int id : {kList1, kList2, kCommand2, kCommand1}) {
        Key(VK_TAB);
        ASSERT_TRUE(WaitForFocusOn(Control(id))) << "Tab towards control " << id << " went astray";
    }
}

TEST_P(InputTest, ArrowKeysWalkTheDriveListAndTheCloseBoxEndsTheProgram)
{
    ASSERT_NO_FATAL_FAILURE(SearchAndShow(kLabelledDrive));
    const int notReady = LineOf(kNotReadyDrive);
    for (int line = LineOf(kLabelledDrive) + 1; line < notReady; ++line) {
        Key(VK_DOWN);
        ASSERT_TRUE(WaitForDetailsOf(kTestDrives[line].letter)) << "Down did not show line " << line;
    }

    // The drive that is not ready: one message box over the main window, and
    // the drive shown before stays.
    Key(VK_DOWN);
    const HWND box = program.WaitForOneWindow(L"#32770");
    ASSERT_EQ(GetWindow(box, GW_OWNER), main) << "no message box over the main window";
    EXPECT_EQ(Text(GetDlgItem(box, 0xFFFF)), L"Drive-ul nu este accesibil");
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); })) << "Enter did not close the message box";
    ASSERT_TRUE(WaitForDetailsOf(kTestDrives[notReady - 1].letter));

    // A click on the line already selected runs nothing: the Down after it
    // reaches the next drive, which a second message box would have held up.
    ClickLine(kNotReadyDrive);
    Key(VK_DOWN);
    ASSERT_TRUE(WaitForDetailsOf(kTestDrives[notReady + 1].letter)) << "re-clicking the selected line ran something";

    ClickAt(CloseBoxOf(main));
    EXPECT_EQ(program.ExitCode(), 0u) << "the close box did not end the program";
}

TEST_P(InputTest, AboutDialogClosesEveryWayAndHoldsOffClicksMeanwhile)
{
    ASSERT_NO_FATAL_FAILURE(SearchAndShow(kLabelledDrive));
    const struct { const char* name; std::function<void(HWND dialog)> close; } ways[] = {
        {"a click on OK", [&](HWND dialog) { ClickAt(Centre(GetDlgItem(dialog, IDOK))); }},
        {"Enter", [&](HWND) { Key(VK_RETURN); }},
        {"Esc", [&](HWND) { Key(VK_ESCAPE); }},
        {"a click on the close box", [&](HWND dialog) { ClickAt(CloseBoxOf(dialog)); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        ClickAt(Centre(Control(kCommand2)));
        const HWND dialog = program.WaitForOneWindow(L"frmDespre");
        ASSERT_TRUE(dialog) << "\"Despre program\" did not open the dialog";
        ASSERT_TRUE(WaitForFocusOn(GetDlgItem(dialog, IDOK)));

        // "Cauta Drive", outside the dialog, would empty the details.
        RECT dialogPlace{};
        GetWindowRect(dialog, &dialogPlace);
        ASSERT_FALSE(PtInRect(&dialogPlace, Centre(Control(kCommand1)))) << "the dialog covers \"Cauta Drive\"";
        ClickAt(Centre(Control(kCommand1)));

        ASSERT_NO_FATAL_FAILURE(way.close(dialog));
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog) && IsWindowEnabled(main); })) << "the dialog stayed";
        EXPECT_TRUE(WaitForDetailsOf(kLabelledDrive)) << "the click on the main window got through";
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, InputTest, testing::Values(&kTarvolo, &kTarvolo9x), [](const auto& info) {
    return std::string(info.param == &kTarvolo ? "Tarvolo" : "Tarvolo9x");
});

// Started from a folder without the CD control's DLL, with a working one in
// the current folder and on PATH, each program names the file it misses and
// ends.
TEST(MissingControl, EachProgramNamesTheMissingFileAndEnds)
{
    const auto folder = std::filesystem::temp_directory_path() / ("tarvolo-" + std::to_string(GetCurrentProcessId()));
    const auto planted = folder / "elsewhere";
    std::filesystem::create_directories(planted);
    std::filesystem::copy_file(ThisProgramsFolder() / "Divazid.dll", planted / "Divazid.dll");
    // The test program keeps that PATH: the programs started later load their
    // control by its full path too.
    SetEnvironmentVariableW(L"PATH", (planted.wstring() + L";" + _wgetenv(L"PATH")).c_str());
    for (const BuildDifferences* build : {&kTarvolo, &kTarvolo9x}) {
        SCOPED_TRACE(build->programName);
        const std::wstring name = std::wstring(build->programName) + L".exe";
        std::filesystem::copy_file(ThisProgramsFolder() / name, folder / name);
        Process started;
        ASSERT_TRUE(started.Start(folder / name, planted.c_str()));
        const HWND box = started.WaitForOneWindow(L"#32770");
        ASSERT_TRUE(box) << "no message box";
        const std::wstring message = Text(GetDlgItem(box, 0xFFFF));
        EXPECT_NE(message.find((folder / build->cdControlDll).wstring() + L" lipseste"), message.npos) << message;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(started.ExitCode(), 1u);
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
