// The drive browser of one build on a scripted drive service and CD control:
// a test chooses their answers, every call is logged, and the call a test
// names fails.
#pragma once

#include "both_builds.h"
#include "main_window.h"
#include "dpi.h"

#include <gtest/gtest.h>
#include <windowsx.h>

#include <vector>

#include "scripted_parts/scripted_parts.h"

// Twips as pixels at a DPI, the way a twip is defined: 1440 to the inch.
inline int Px(int twips, UINT dpi)
{
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

// The size of a text in a control's font.
inline SIZE TextSize(HWND control, const wchar_t* text)
{
    const HDC dc = GetDC(control);
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
    ReleaseDC(control, dc);
    return size;
}

class MainWindowTest : public testing::TestWithParam<const BuildDifferences*> {
protected:
    const BuildDifferences& Build() const { return *GetParam(); }
    bool NineX() const { return GetParam() == &kTarvolo9x; }

    void SetUp() override { ASSERT_NO_FATAL_FAILURE(Open()); }

    // Builds the window anew, as the program does at start-up.
    void Open()
    {
        window.reset();
        MainWindowParts parts{
            [this](std::shared_ptr<DriveService>& created) {
                if (const HRESULT hr = script.Call(L"Create"); FAILED(hr))
                    return hr;
                created = service = std::make_shared<ScriptedService>(script, drives);
                return S_OK;
            },
            [this](HWND parent, const RECT& rect, std::unique_ptr<CdControl>& control) {
                control = std::make_unique<ScriptedCdControl>(script, parent, rect);
                cd = static_cast<ScriptedCdControl*>(control.get());
                return S_OK;
            },
            NotingMessageBox(messages),
        };
        ASSERT_HRESULT_SUCCEEDED(MainWindow::Create(Build(), std::move(parts), window));
        hwnd = window->Handle();
    }

    void TearDown() override
    {
        window.reset();
        // Closing the window asks the program to end; the next test goes on.
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    HWND Item(int id) const { return GetDlgItem(hwnd, id); }

    void Press(int button) const
    {
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(Item(button)));
    }

    // Selects a line of the drive list, found by the text a user reads, as a
    // click does; "" selects no line.
    void SelectDrive(const std::wstring& letter) const
    {
        const int index = ListBox_FindString(Item(kDriveList), -1, (L"Drive " + letter + L":").c_str());
        ASSERT_TRUE(index >= 0 || letter.empty()) << letter;
        ListBox_SetCurSel(Item(kDriveList), index);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(kDriveList, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Item(kDriveList)));
    }

    Lines ListLines(int list) const { return ListItems(Item(list)); }
    std::wstring Text(int id) const { return ::Text(Item(id)); }

    bool CdShown() const { return (GetWindowLongW(cd->site, GWL_STYLE) & WS_VISIBLE) != 0; }

    // The one message shown since the test last emptied messages.
    ShownMessage OnlyMessage() const
    {
        EXPECT_EQ(messages.size(), 1u);
        return messages.empty() ? ShownMessage{} : messages.back();
    }

    std::vector<DriveAnswers> drives;
    Script script;
    std::shared_ptr<ScriptedService> service;
    ScriptedCdControl* cd = nullptr;
    std::vector<ShownMessage> messages;
    std::unique_ptr<MainWindow> window;
    HWND hwnd = nullptr;
};
