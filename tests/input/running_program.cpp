#include "running_program.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace {

constexpr DWORD kPollMs = 15;
constexpr UINT kReplyMs = 5000;

// A message to a window of the program; a program that hangs fails the read
// instead of the whole test run.
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kReplyMs, &result)) {
        ADD_FAILURE() << "the program did not answer message 0x" << std::hex << message;
        return -1;
    }
    return static_cast<LRESULT>(result);
}

std::wstring ProgramBesideThisOne(const wchar_t* name)
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length;
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) >= path.size())
        path.resize(path.size() * 2);
    path.resize(length);
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + name + L".exe";
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void Send(std::vector<INPUT> inputs)
{
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    EXPECT_EQ(sent, inputs.size()) << "SendInput failed: " << GetLastError();
}

INPUT KeyInput(WORD vk, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    // The arrow keys are the extended ones, not those of the number pad.
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (vk == VK_UP || vk == VK_DOWN ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

}  // namespace

RunningProgram::~RunningProgram()
{
    if (!process.hProcess)
        return;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

testing::AssertionResult RunningProgram::Start(const BuildDifferences& build)
{
    const std::wstring path = ProgramBesideThisOne(build.programName);
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return testing::AssertionFailure() << "cannot start the program, error " << GetLastError();
    const bool shown = WaitFor(
        [&] {
            const std::vector<HWND> windows = Windows(build.mainWindowClass);
            main = windows.empty() ? nullptr : windows.front();
            return main != nullptr;
        },
        15000);
    if (!shown)
        return testing::AssertionFailure() << "the main window did not show";
    if (!MakeForeground())
        return testing::AssertionFailure() << "the main window did not become the foreground window";
    return testing::AssertionSuccess();
}

bool RunningProgram::MakeForeground() const
{
    const auto ours = [this] {
        DWORD owner = 0;
        GetWindowThreadProcessId(GetForegroundWindow(), &owner);
        return owner == process.dwProcessId;
    };
    if (ours())
        return true;
    SetForegroundWindow(main);
    return WaitFor(ours);
}

void RunningProgram::Click(int id) const { Click(Control(id)); }

void RunningProgram::Click(HWND window) const
{
    RECT r;
    ASSERT_TRUE(GetWindowRect(window, &r));
    ClickAt(Centre(r));
}

void RunningProgram::ClickAt(POINT screen) const
{
    // Input is routed to a window when it arrives, so a click that came while
    // the last one still held the mouse captured would go to that window.
    EXPECT_TRUE(WaitFor([this] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info) && !info.hwndCapture;
    })) << "the program keeps the mouse captured";
    // Two clicks on one spot in quick succession are a double click.
    if (std::abs(screen.x - lastClick.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
        std::abs(screen.y - lastClick.y) <= GetSystemMetrics(SM_CYDOUBLECLK)) {
        const ULONGLONG single = lastClickTime + GetDoubleClickTime() + 1;
        WaitFor([single] { return GetTickCount64() > single; }, GetDoubleClickTime() + 100);
    }
    // Absolute coordinates run from 0 to 65536 across the virtual screen; the
    // platform takes the whole part of coordinate * size / 65536, so rounding
    // up lands on the pixel itself.
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = static_cast<LONG>((static_cast<long long>(screen.x - left) * 65536 + width - 1) / width);
    move.mi.dy = static_cast<LONG>((static_cast<long long>(screen.y - top) * 65536 + height - 1) / height);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    // The button events carry the place as well: under Wine the cursor may
    // jump back to where an earlier click was for a moment after a click.
    INPUT down = move;
    down.mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    INPUT up = move;
    up.mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    Send({move});
    POINT at{};
    EXPECT_TRUE(WaitFor([&] { return GetCursorPos(&at) && at.x == screen.x && at.y == screen.y; }))
        << "the mouse went to " << at.x << "," << at.y << " instead of " << screen.x << "," << screen.y;
    Send({down, up});
    lastClick = screen;
    lastClickTime = GetTickCount64();
}

void RunningProgram::ClickLine(int listId, int index) const
{
    const HWND list = Control(listId);
    // The line's place from the list's own metrics: a RECT does not cross
    // process boundaries in every message.
    const auto topIndex = static_cast<int>(Ask(list, LB_GETTOPINDEX));
    const auto lineHeight = static_cast<int>(Ask(list, LB_GETITEMHEIGHT, 0));
    RECT client;
    ASSERT_TRUE(GetClientRect(list, &client));
    POINT point{client.right / 2, (index - topIndex) * lineHeight + lineHeight / 2};
    ASSERT_TRUE(point.y > 0 && point.y < client.bottom) << "line " << index << " is scrolled out of view";
    ClientToScreen(list, &point);
    ClickAt(point);
}

void RunningProgram::Key(WORD vk, std::initializer_list<WORD> modifiers) const
{
    ASSERT_TRUE(MakeForeground()) << "the program is not the foreground window";
    std::vector<INPUT> inputs;
    for (const WORD modifier : modifiers)
        inputs.push_back(KeyInput(modifier, false));
    inputs.push_back(KeyInput(vk, false));
    inputs.push_back(KeyInput(vk, true));
    for (auto modifier = std::rbegin(modifiers); modifier != std::rend(modifiers); ++modifier)
        inputs.push_back(KeyInput(*modifier, true));
    Send(std::move(inputs));
}

std::wstring RunningProgram::Text(HWND window)
{
    const LRESULT length = Ask(window, WM_GETTEXTLENGTH);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied < 0 ? 0 : static_cast<size_t>(copied));
    return text;
}

std::vector<std::wstring> RunningProgram::Lines(int listId) const
{
    const HWND list = Control(listId);
    std::vector<std::wstring> lines;
    const LRESULT count = Ask(list, LB_GETCOUNT);
    for (int i = 0; i < count; ++i) {
        const LRESULT length = Ask(list, LB_GETTEXTLEN, i);
        std::wstring line(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
        const LRESULT copied = Ask(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
        line.resize(copied < 0 ? 0 : static_cast<size_t>(copied));
        lines.push_back(line);
    }
    return lines;
}

int RunningProgram::Selection(int listId) const { return static_cast<int>(Ask(Control(listId), LB_GETCURSEL)); }

HWND RunningProgram::Focus() const
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info) ? info.hwndFocus : nullptr;
}

std::string RunningProgram::InputState() const
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info);
    POINT cursor{};
    GetCursorPos(&cursor);
    char text[160];
    snprintf(text, sizeof text, "cursor at %ld,%ld; foreground %p, active %p, focus %p, capture %p; main window %p %s",
             cursor.x, cursor.y, static_cast<void*>(GetForegroundWindow()), static_cast<void*>(info.hwndActive),
             static_cast<void*>(info.hwndFocus), static_cast<void*>(info.hwndCapture), static_cast<void*>(main),
             IsWindowEnabled(main) ? "enabled" : "disabled");
    return text;
}

std::vector<HWND> RunningProgram::Windows(const wchar_t* className) const
{
    struct Search {
        DWORD processId;
        const wchar_t* className;
        std::vector<HWND> found;
    } search{process.dwProcessId, className, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            wchar_t name[64] = {};
            GetWindowThreadProcessId(window, &owner);
            GetClassNameW(window, name, static_cast<int>(std::size(name)));
            if (owner == s.processId && IsWindowVisible(window) && lstrcmpiW(name, s.className) == 0)
                s.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool RunningProgram::WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= end)
            return false;
        Sleep(kPollMs);
    }
}

bool RunningProgram::WaitForExit(DWORD timeoutMs, DWORD& exitCode) const
{
    return WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(process.hProcess, &exitCode);
}

testing::AssertionResult CloseBoxOf(HWND window, POINT& centre)
{
    RECT outer;
    POINT clientTop{0, 0};
    if (!GetWindowRect(window, &outer) || !ClientToScreen(window, &clientTop))
        return testing::AssertionFailure() << "the window has no place on the screen";
    // Halfway down the caption, from the right edge leftwards.
    const int frame = clientTop.x - outer.left;
    const int y = (outer.top + frame + clientTop.y) / 2;
    int right = -1;
    for (int x = outer.right - 1; x > outer.left; --x) {
        const bool onBox = Ask(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE;
        if (onBox && right < 0)
            right = x;
        if (!onBox && right >= 0) {
            centre = {(x + 1 + right) / 2, y};
            return testing::AssertionSuccess();
        }
    }
    return testing::AssertionFailure() << "no close box on the caption at y " << y;
}
