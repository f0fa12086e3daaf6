#pragma once

#include "build_differences.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// One build of the program, started in its own process and driven from
// outside as a person would: mouse clicks and key presses go through the
// platform's input queue, and what the program shows is read back from its
// windows. The process is ended when the object goes, whatever the test did.
class RunningProgram {
public:
    RunningProgram() = default;
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Starts the program beside this test program, waits for its main window
    // and makes it the foreground window.
    testing::AssertionResult Start(const BuildDifferences& build);

    HWND Window() const { return main; }
    HWND Control(int id) const { return GetDlgItem(main, id); }

    // Input. A click goes to the centre of a control or of a list line; keys
    // go to whatever has the focus, with the modifiers held down around them.
    void Click(int id) const;
    void Click(HWND window) const;
    void ClickAt(POINT screen) const;
    void ClickLine(int listId, int index) const;
    void Key(WORD vk, std::initializer_list<WORD> modifiers = {}) const;

    // What the program shows.
    static std::wstring Text(HWND window);
    std::wstring Text(int id) const { return Text(Control(id)); }
    std::vector<std::wstring> Lines(int listId) const;
    int Selection(int listId) const;
    HWND Focus() const;
    // Where the mouse, the activation and the focus are: for failure messages.
    std::string InputState() const;
    // The program's visible top-level windows of a class.
    std::vector<HWND> Windows(const wchar_t* className) const;

    // Polls the condition until it holds or the time runs out.
    static bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
    // Waits for the process to end by itself and gives its exit code.
    bool WaitForExit(DWORD timeoutMs, DWORD& exitCode) const;

private:
    bool MakeForeground() const;

    PROCESS_INFORMATION process{};
    HWND main = nullptr;
    mutable POINT lastClick{-100, -100};
    mutable ULONGLONG lastClickTime = 0;
};

// The screen point in the middle of a window's close box, found by asking the
// window itself what lies under each point of its caption.
testing::AssertionResult CloseBoxOf(HWND window, POINT& centre);
