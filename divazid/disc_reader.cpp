#include "disc_reader.h"

#include <windows.h>
#include <winioctl.h>
#include <ntddcdrm.h>

#include <string>
#include <utility>

namespace {

class DeviceHandle
{
public:
    explicit DeviceHandle(HANDLE handle) : handle_(handle) {}
    ~DeviceHandle()
    {
        if (valid())
            CloseHandle(handle_);
    }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

bool IsCdromDrive(wchar_t letter)
{
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    return GetDriveTypeW(root) == DRIVE_CDROM;
}

// Without this check the driver may answer the table read from the table of
// the disc it saw before a change. The first check after a change may only
// report the change; the next one tells whether a disc is there.
bool DiscPresent(HANDLE device)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD returned = 0;
        if (DeviceIoControl(device, IOCTL_STORAGE_CHECK_VERIFY, nullptr, 0, nullptr, 0,
                            &returned, nullptr))
            return true;
        if (GetLastError() != ERROR_MEDIA_CHANGED)
            return false;
    }
    return false;
}

}  // namespace

std::vector<DiscTrack> ReadDiscTracks(wchar_t driveLetter)
{
    if (driveLetter >= L'a' && driveLetter <= L'z')
        driveLetter = static_cast<wchar_t>(driveLetter - L'a' + L'A');
    if (driveLetter < L'A' || driveLetter > L'Z' || !IsCdromDrive(driveLetter))
        return {};

    const std::wstring path = std::wstring(L"\\\\.\\") + driveLetter + L':';
    const DeviceHandle device(CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    if (!device.valid() || !DiscPresent(device.get()))
        return {};

    CDROM_TOC toc = {};
    DWORD returned = 0;
    if (!DeviceIoControl(device.get(), IOCTL_CDROM_READ_TOC, nullptr, 0, &toc, sizeof toc,
                         &returned, nullptr))
        return {};

    auto tracks = ParseToc(reinterpret_cast<const std::uint8_t*>(&toc), returned);
    return tracks ? std::move(*tracks) : std::vector<DiscTrack>{};
}

wchar_t FirstCdromDrive()
{
    const DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        if ((drives & (1u << (letter - L'A'))) != 0 && IsCdromDrive(letter))
            return letter;
    }
    return 0;
}
