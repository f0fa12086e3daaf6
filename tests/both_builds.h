// What the tests of both builds share: the builds as a test parameter, and
// what a test reads back from the windows it drives, its own or a program's.
#pragma once

#include "build_differences.h"
#include "wait_for.h"
#include "window_text.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

using Lines = std::vector<std::wstring>;

inline const auto kBothBuilds = testing::Values(&kTarvolo, &kTarvolo9x);

inline std::string BuildName(const testing::TestParamInfo<const BuildDifferences*>& info)
{
    return info.param == &kTarvolo ? "Tarvolo" : "Tarvolo9x";
}

// WM_GETTEXT, which GetWindowText does not send to another process's control.
inline std::wstring Text(HWND window)
{
    std::wstring text(static_cast<size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

// A window's rectangle in the client coordinates of another, or of the screen.
inline RECT PlaceIn(HWND window, HWND other)
{
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, other, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The text on the clipboard, once no program holds it any more (5 s at most).
inline std::wstring ClipboardText()
{
    if (!WaitFor([] { return OpenClipboard(nullptr) != FALSE; })) {
        ADD_FAILURE() << "the clipboard stays held";
        return {};
    }
    std::wstring text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// The folder of the running test program, where the programs and the CD
// control are built.
inline std::filesystem::path ThisProgramsFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}
