#pragma once

#include "main_window.h"
#include "scripted_parts.h"

#include <gtest/gtest.h>
#include <windowsx.h>

struct ShownMessage {
    std::wstring text;
    std::wstring title;
    UINT type;
};

// The drive browser of one build, on a scripted drive service and CD control.
class MainWindowTest : public testing::TestWithParam<const BuildDifferences*> {
protected:
    const BuildDifferences& Build() const { return *GetParam(); }

    void SetUp() override
    {
        MainWindowParts parts{
            [this](std::shared_ptr<DriveService>& fso) { return CreateDriveService(fso); },
            [this](HWND parent, const RECT& rect, std::unique_ptr<CdControl>& control) {
                auto created = std::make_unique<ScriptedCdControl>(script, parent, rect);
                cd = created.get();
                control = std::move(created);
                return S_OK;
            },
            [this](HWND owner, const std::wstring& text, const std::wstring& title, UINT type) {
                EXPECT_EQ(owner, hwnd);
                messages.push_back({text, title, type});
                return IDOK;
            },
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

    virtual HRESULT CreateDriveService(std::shared_ptr<DriveService>& fso)
    {
        if (const HRESULT hr = script.Call(L"Create"); FAILED(hr))
            return hr;
        service = std::make_shared<ScriptedService>(script, drives);
        fso = service;
        return S_OK;
    }

    HWND Item(int id) const { return GetDlgItem(hwnd, id); }

    void Press(int button) const
    {
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(Item(button)));
    }

    // Selects a line of the drive list as a click on it does.
    void Select(int index) const
    {
        ListBox_SetCurSel(Item(kList1), index);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(kList1, LBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(kList1)));
    }

    // Selects the drive list's line of the drive with this letter.
    void SelectDrive(const wchar_t* letter) const
    {
        const int index = ListBox_FindString(Item(kList1), -1, (std::wstring(L"Drive ") + letter + L":").c_str());
        ASSERT_GE(index, 0) << letter;
        Select(index);
    }

    std::vector<std::wstring> Lines(int list) const
    {
        std::vector<std::wstring> lines;
        for (int i = 0; i < ListBox_GetCount(Item(list)); ++i) {
            wchar_t text[256];
            ListBox_GetText(Item(list), i, text);
            lines.push_back(text);
        }
        return lines;
    }

    std::wstring Text(int id) const
    {
        wchar_t text[512];
        GetWindowTextW(Item(id), text, 512);
        return text;
    }

    bool CdShown() const { return (GetWindowLongW(cd->site, GWL_STYLE) & WS_VISIBLE) != 0; }

    std::vector<DriveSpec> drives;
    Script script;
    std::shared_ptr<ScriptedService> service;
    ScriptedCdControl* cd = nullptr;
    std::vector<ShownMessage> messages;
    std::unique_ptr<MainWindow> window;
    HWND hwnd = nullptr;
};
