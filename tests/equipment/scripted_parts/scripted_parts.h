// Test equipment that stands in for the drive information service, the CD
// control and the message box: a test scripts their answers, every call is
// logged, the call the test names fails, and every message is noted.

#pragma once

#include "cd_control.h"
#include "drive_service.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using Lines = std::vector<std::wstring>;

// The call named failOn fails with ERROR_GEN_FAILURE, 0x8007001F.
struct Script {
    Lines calls;
    std::wstring failOn;
    HRESULT Call(const std::wstring& name)
    {
        calls.push_back(name);
        return name == failOn ? HRESULT_FROM_WIN32(ERROR_GEN_FAILURE) : S_OK;
    }
};

struct DriveAnswers {
    std::wstring letter;
    long type = 2;
    bool ready = true;
    double freeBytes = 0;
    std::wstring fileSystem = L"NTFS";
    long serial = 0;
    double totalBytes = 0;
    std::wstring volumeName;
};

class ScriptedDrive : public Drive {
public:
    ScriptedDrive(Script& script, const DriveAnswers& answers) : script(script), answers(answers) {}
    HRESULT DriveLetter(std::wstring& v) override { return Get(L"DriveLetter", answers.letter, v); }
    HRESULT DriveType(long& v) override { return Get(L"DriveType", answers.type, v); }
    HRESULT IsReady(bool& v) override { return Get(L"IsReady", answers.ready, v); }
    HRESULT FreeSpace(double& v) override { return Get(L"FreeSpace", answers.freeBytes, v); }
    HRESULT FileSystem(std::wstring& v) override { return Get(L"FileSystem", answers.fileSystem, v); }
    HRESULT SerialNumber(long& v) override { return Get(L"SerialNumber", answers.serial, v); }
    HRESULT TotalSize(double& v) override { return Get(L"TotalSize", answers.totalBytes, v); }
    HRESULT VolumeName(std::wstring& v) override { return Get(L"VolumeName", answers.volumeName, v); }

private:
    template <typename T>
    HRESULT Get(const wchar_t* name, const T& value, T& out)
    {
        const HRESULT hr = script.Call(name);
        if (SUCCEEDED(hr))
            out = value;
        return hr;
    }
    Script& script;
    DriveAnswers answers;
};

class ScriptedService : public DriveService,
                        public DriveCollection,
                        public std::enable_shared_from_this<ScriptedService> {
public:
    ScriptedService(Script& script, const std::vector<DriveAnswers>& answerSets)
        : script(script), answerSets(answerSets)
    {
    }

    HRESULT Drives(std::shared_ptr<DriveCollection>& drives) override
    {
        next = 0;
        // The collection shares the service's life, so its release shows as
        // the service's use count.
        drives = std::shared_ptr<DriveCollection>(shared_from_this(), this);
        return script.Call(L"Drives");
    }
    HRESULT Next(std::shared_ptr<Drive>& drive) override
    {
        drive = nullptr;
        if (const HRESULT hr = script.Call(L"Next"); FAILED(hr) || next == answerSets.size())
            return FAILED(hr) ? hr : S_FALSE;
        drive = std::make_shared<ScriptedDrive>(script, answerSets[next++]);
        return S_OK;
    }
    HRESULT GetDrive(const std::wstring& letter, std::shared_ptr<Drive>& drive) override
    {
        if (const HRESULT hr = script.Call(L"GetDrive " + letter); FAILED(hr))
            return hr;
        const auto answers = std::ranges::find(answerSets, letter, &DriveAnswers::letter);
        if (answers == answerSets.end())
            return E_INVALIDARG;
        lastDrive = drive = std::make_shared<ScriptedDrive>(script, *answers);
        return S_OK;
    }

    std::weak_ptr<Drive> lastDrive;

private:
    Script& script;
    const std::vector<DriveAnswers>& answerSets;
    size_t next = 0;
};

// Stands on the window as a plain child window, so that its place and
// visibility can be seen.
class ScriptedCdControl : public CdControl {
public:
    ScriptedCdControl(Script& script, HWND parent, const RECT& r) : script(script)
    {
        site = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, parent, nullptr, nullptr, nullptr);
    }
    ~ScriptedCdControl() override { DestroyWindow(site); }
    HRESULT SetVisible(bool visible) override
    {
        ShowWindow(site, visible ? SW_SHOW : SW_HIDE);
        return script.Call(visible ? L"Show CD" : L"Hide CD");
    }
    HRESULT SetDrive(const std::wstring& letter) override { return script.Call(L"SetDrive " + letter); }
    HRESULT TrackCount(short& count) override
    {
        count = trackCount;
        return script.Call(L"TrackCount");
    }
    // Every track lasts as many seconds as its number, up to an hour.
    HRESULT TrackLength(short& trackNo, short& seconds) override
    {
        seconds = static_cast<short>(trackNo % 3600);
        const HRESULT hr = script.Call(L"TrackLength " + std::to_wstring(trackNo));
        if (changeTrackNo)
            changeTrackNo(trackNo);
        return hr;
    }
    HRESULT Move(const RECT& r) override
    {
        return MoveWindow(site, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE) ? S_OK : E_FAIL;
    }
    HRESULT VisibleSummary(std::wstring& summary) override
    {
        summary = IsWindowVisible(site) ? ::Text(site) : L"";
        return S_OK;
    }

    HWND site = nullptr;
    short trackCount = 0;
    void (*changeTrackNo)(short&) = nullptr;

private:
    Script& script;
};

struct ShownMessage {
    std::wstring text;
    std::wstring title;
    UINT type;
};

// The platform's message box: each message is noted in shown instead, and
// answered with OK.
inline auto NotingMessageBox(std::vector<ShownMessage>& shown)
{
    return [&shown](HWND, const std::wstring& text, const std::wstring& title, UINT type) {
        shown.push_back({text, title, type});
        return IDOK;
    };
}
