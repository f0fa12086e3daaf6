// The drive information service as the main window sees it. Every member is
// one call into the service and may fail; nothing is cached, so each read
// reflects the drive as it is now.

#pragma once

#include "call_status.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

// The service's status for a letter that names no drive (any more).
constexpr HRESULT kDriveUnavailable = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 68);
// A call the window gave up on (call_status.h: IsGivenUp), or a drive
// that is gone: not accessible. A call given up on because the window is to
// be closed is kCallAbandonedForClose.
constexpr bool IsNotAccessible(HRESULT status)
{
    return IsGivenUp(status) || status == kDriveUnavailable;
}

// Drive type codes the window tells apart.
constexpr long kUnknownDriveType = 0;
constexpr long kCdRomDriveType = 4;

class Drive {
public:
    virtual ~Drive() = default;
    virtual HRESULT DriveLetter(std::wstring& letter) = 0;
    // 0 unknown, 1 removable, 2 fixed, 3 network, 4 CD-ROM, 5 RAM disk.
    virtual HRESULT DriveType(long& code) = 0;
    virtual HRESULT IsReady(bool& ready) = 0;
    virtual HRESULT FreeSpace(double& bytes) = 0;
    virtual HRESULT FileSystem(std::wstring& name) = 0;
    virtual HRESULT SerialNumber(long& serial) = 0;
    virtual HRESULT TotalSize(double& bytes) = 0;
    virtual HRESULT VolumeName(std::wstring& name) = 0;
};

class DriveCollection {
public:
    virtual ~DriveCollection() = default;
    // The next drive in the collection's own order; S_FALSE and no drive
    // after the last one.
    virtual HRESULT Next(std::shared_ptr<Drive>& drive) = 0;
};

class DriveService {
public:
    virtual ~DriveService() = default;
    virtual HRESULT Drives(std::shared_ptr<DriveCollection>& drives) = 0;
    virtual HRESULT GetDrive(const std::wstring& letter, std::shared_ptr<Drive>& drive) = 0;
};

using DriveServiceFactory = std::function<HRESULT(std::shared_ptr<DriveService>& service)>;
