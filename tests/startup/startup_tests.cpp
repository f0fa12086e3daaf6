// The programs started without a usable CD control beside them: each says
// which file is missing and ends, and neither takes a DLL of that name from
// the current directory or PATH.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

struct Found {
    DWORD processId;
    HWND box;
};

BOOL CALLBACK FindMessageBox(HWND window, LPARAM param)
{
    auto* found = reinterpret_cast<Found*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[16];
    GetClassNameW(window, className, 16);
    if (owner == found->processId && wcscmp(className, L"#32770") == 0 && IsWindowVisible(window)) {
        found->box = window;
        return FALSE;
    }
    return TRUE;
}

class MissingControl : public testing::TestWithParam<const wchar_t*> {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"tarvolo-startup-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        planted = folder + L"elsewhere\\";
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(planted.c_str(), nullptr));
        program = folder + GetParam() + L".exe";
        ASSERT_TRUE(CopyFileW((ProgramFolder() + GetParam() + L".exe").c_str(), program.c_str(), FALSE));
        // A working control where a search path would find it.
        ASSERT_TRUE(CopyFileW((ProgramFolder() + L"Divazid.dll").c_str(), (planted + L"Divazid.dll").c_str(), FALSE));
    }

    void TearDown() override
    {
        DeleteFileW(program.c_str());
        DeleteFileW((folder + L"Divazid.dll").c_str());
        DeleteFileW((planted + L"Divazid.dll").c_str());
        RemoveDirectoryW(planted.c_str());
        RemoveDirectoryW(folder.c_str());
    }

    // Starts the program from the planted folder, with it on PATH too; returns
    // the text of the message box it shows, closes that box and waits for
    // the program's exit code.
    std::wstring RunUntilMessage(DWORD& exitCode)
    {
        wchar_t path[32768];
        GetEnvironmentVariableW(L"PATH", path, 32768);
        SetEnvironmentVariableW(L"PATH", (planted + L";" + path).c_str());
        std::wstring commandLine = L"\"" + program + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                            planted.c_str(), &startup, &process);
        SetEnvironmentVariableW(L"PATH", path);
        EXPECT_TRUE(started);
        if (!started)
            return {};

        Found found{process.dwProcessId, nullptr};
        for (int i = 0; i < 1000 && !found.box; ++i) {
            if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0)
                break;
            EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&found));
        }
        std::wstring text;
        if (found.box) {
            wchar_t buffer[1024] = L"";
            GetDlgItemTextW(found.box, 0xFFFF, buffer, 1024);
            text = buffer;
            PostMessageW(found.box, WM_COMMAND, IDOK, 0);
        }
        if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 99);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return text;
    }

    std::wstring folder;
    std::wstring planted;
    std::wstring program;
};

TEST_P(MissingControl, NamesTheMissingFileAndEnds)
{
    DWORD exitCode = 0;
    const std::wstring text = RunUntilMessage(exitCode);
    EXPECT_NE(text.find(folder), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"lipseste"), std::wstring::npos) << text;
    EXPECT_EQ(exitCode, 1u);
}

TEST_P(MissingControl, FileThatIsNoDllIsReportedToo)
{
    const HANDLE file = CreateFileW((folder + L"Divazid.dll").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "not a library", 13, &written, nullptr);
    CloseHandle(file);

    DWORD exitCode = 0;
    const std::wstring text = RunUntilMessage(exitCode);
    EXPECT_NE(text.find(folder), std::wstring::npos) << text;
    EXPECT_EQ(exitCode, 1u);
}

INSTANTIATE_TEST_SUITE_P(Programs, MissingControl, testing::Values(L"Tarvolo", L"Tarvolo9x"),
                         [](const auto& info) { return std::string(info.param == std::wstring(L"Tarvolo") ? "Tarvolo" : "Tarvolo9x"); });

}  // namespace
