#pragma once

// What the tests of both builds share: the builds as a test parameter, and
// what a test reads back from the windows it drives.

#include "build_differences.h"

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

inline std::wstring Text(HWND window)
{
    std::wstring text(static_cast<size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

inline Lines ListLines(HWND list)
{
    Lines lines(static_cast<size_t>(SendMessageW(list, LB_GETCOUNT, 0, 0)));
    for (size_t i = 0; i < lines.size(); ++i) {
        lines[i].resize(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1);
        lines[i].resize(
            static_cast<size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(lines[i].data()))));
    }
    return lines;
}

// The folder of the running test program, where the programs and the CD
// control are built.
inline std::filesystem::path ThisProgramsFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}
