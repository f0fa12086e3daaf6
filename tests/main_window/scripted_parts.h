#pragma once

// A drive service and a CD control whose answers a test chooses, which log
// every call and fail on the call a test names.

#include "cd_control.h"
#include "drive_service.h"

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

constexpr HRESULT kScriptedFailure = HRESULT_FROM_WIN32(ERROR_GEN_FAILURE);

struct Script {
    std::vector<std::wstring> calls;
    std::wstring failOn;  // the name of the call that fails, if any

    HRESULT Call(const std::wstring& name)
    {
        calls.push_back(name);
        return name == failOn ? kScriptedFailure : S_OK;
    }
};

struct DriveSpec {
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
    ScriptedDrive(Script& script, const DriveSpec& spec) : script(script), spec(spec) {}

    HRESULT DriveLetter(std::wstring& v) override { return Get(L"DriveLetter", spec.letter, v); }
    HRESULT DriveType(long& v) override { return Get(L"DriveType", spec.type, v); }
    HRESULT IsReady(bool& v) override { return Get(L"IsReady", spec.ready, v); }
    HRESULT FreeSpace(double& v) override { return Get(L"FreeSpace", spec.freeBytes, v); }
    HRESULT FileSystem(std::wstring& v) override { return Get(L"FileSystem", spec.fileSystem, v); }
    HRESULT SerialNumber(long& v) override { return Get(L"SerialNumber", spec.serial, v); }
    HRESULT TotalSize(double& v) override { return Get(L"TotalSize", spec.totalBytes, v); }
    HRESULT VolumeName(std::wstring& v) override { return Get(L"VolumeName", spec.volumeName, v); }

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
    DriveSpec spec;
};

class ScriptedService : public DriveService {
public:
    ScriptedService(Script& script, std::vector<DriveSpec>& drives) : script(script), specs(drives) {}

    HRESULT Drives(std::shared_ptr<DriveCollection>& drives) override;
    HRESULT GetDrive(const std::wstring& letter, std::shared_ptr<Drive>& drive) override
    {
        if (const HRESULT hr = script.Call(L"GetDrive " + letter); FAILED(hr))
            return hr;
        for (const DriveSpec& spec : specs) {
            if (spec.letter == letter) {
                drive = std::make_shared<ScriptedDrive>(script, spec);
                lastDrive = drive;
                return S_OK;
            }
        }
        return CTL_E_DEVICEUNAVAILABLE;
    }

    // The last drive and collection handed out, to see that the window let go of them.
    std::weak_ptr<Drive> lastDrive;
    std::weak_ptr<DriveCollection> lastCollection;

private:
    static constexpr HRESULT CTL_E_DEVICEUNAVAILABLE = static_cast<HRESULT>(0x800A0044);
    Script& script;
    std::vector<DriveSpec>& specs;
};

class ScriptedCollection : public DriveCollection {
public:
    ScriptedCollection(Script& script, std::vector<DriveSpec> specs) : script(script), specs(std::move(specs)) {}

    HRESULT Next(std::shared_ptr<Drive>& drive) override
    {
        if (const HRESULT hr = script.Call(L"Next"); FAILED(hr))
            return hr;
        if (next == specs.size()) {
            drive = nullptr;
            return S_FALSE;
        }
        drive = std::make_shared<ScriptedDrive>(script, specs[next++]);
        return S_OK;
    }

private:
    Script& script;
    std::vector<DriveSpec> specs;
    size_t next = 0;
};

inline HRESULT ScriptedService::Drives(std::shared_ptr<DriveCollection>& drives)
{
    if (const HRESULT hr = script.Call(L"Drives"); FAILED(hr))
        return hr;
    drives = std::make_shared<ScriptedCollection>(script, specs);
    lastCollection = drives;
    return S_OK;
}

// Stands on the window as a plain child window, so that its place and
// visibility can be seen.
class ScriptedCdControl : public CdControl {
public:
    ScriptedCdControl(Script& script, HWND parent, const RECT& r) : script(script)
    {
        site = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~ScriptedCdControl() override { DestroyWindow(site); }

    HRESULT SetVisible(bool visible) override
    {
        const HRESULT hr = script.Call(visible ? L"Show CD" : L"Hide CD");
        if (SUCCEEDED(hr))
            ShowWindow(site, visible ? SW_SHOW : SW_HIDE);
        return hr;
    }
    HRESULT SetDrive(const std::wstring& letter) override { return script.Call(L"SetDrive " + letter); }
    HRESULT TrackCount(short& count) override
    {
        const HRESULT hr = script.Call(L"TrackCount");
        if (SUCCEEDED(hr))
            count = trackCount;
        return hr;
    }
    HRESULT TrackLength(short& trackNo, short& seconds) override
    {
        const HRESULT hr = script.Call(L"TrackLength " + std::to_wstring(trackNo));
        if (FAILED(hr))
            return hr;
        seconds = static_cast<short>(trackNo % 3600);
        if (changeTrackNo)
            changeTrackNo(trackNo);
        return S_OK;
    }
    HRESULT Move(const RECT& r) override
    {
        return MoveWindow(site, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE) ? S_OK : E_FAIL;
    }

    HWND site = nullptr;
    short trackCount = 0;
    std::function<void(short&)> changeTrackNo;

private:
    Script& script;
};
