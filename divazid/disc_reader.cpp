// Reads a disc's table of contents from the platform's CD-ROM driver, after
// asking whether a disc is there.
#include "disc_reader.h"

#include "drive_letter.h"
#include "handles.h"

#include <windows.h>
#include <winioctl.h>
#include <ntddcdrm.h>

#include <string>
#include <utility>

namespace {

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
        if (DeviceIoControl(device, IOCTL_STORAGE_CHECK_VERIFY, nullptr, 0, nullptr, 0, &returned, nullptr))
            return true;
        if (GetLastError() != ERROR_MEDIA_CHANGED)
            return false;
    }
    return false;
}

}  // namespace

std::vector<DiscTrack> ReadDiscTracks(wchar_t driveLetter)
{
    driveLetter = UpperDriveLetter(driveLetter);
    if (driveLetter < L'A' || driveLetter > L'Z' || !IsCdromDrive(driveLetter))
        return {};

    const std::wstring path = std::wstring(L"\\\\.\\") + driveLetter + L':';
    const UniqueHandle device = FileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                       nullptr, OPEN_EXISTING, 0, nullptr));
    if (!device || !DiscPresent(device.get()))
        return {};

    CDROM_TOC toc = {};
    DWORD returned = 0;
    if (!DeviceIoControl(device.get(), IOCTL_CDROM_READ_TOC, nullptr, 0, &toc, sizeof toc, &returned, nullptr))
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
