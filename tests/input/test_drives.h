// The drives of the test Wine prefix (scripts/make_test_prefix.sh keeps the
// same letters).
#pragma once

#include <array>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

// A path of the machine that the environment variable names, seen through
// Wine's drive Z; "Z:/nowhere" when it is not set.
inline std::filesystem::path MachinePath(const wchar_t* variable)
{
    const wchar_t* path = _wgetenv(variable);
    return L"Z:" + std::wstring(path ? path : L"/nowhere");
}

// A folder or file of the test prefix's drives.
inline std::filesystem::path TestDrivesFolder(const std::wstring& name)
{
    return MachinePath(L"WINEPREFIX") / "test-drives" / name;
}

// Every drive of the prefix, in letter order: A removable; C and Z fixed,
// Wine's own; D an emulated CD-ROM drive holding an audio disc; E fixed and
// labelled; N network; R a RAM disk; T, U and V fixed, of 2.5, 3.5 and 0.5 MB;
// X an emulated CD-ROM drive without a disc.
inline constexpr std::array<wchar_t, 11> kTestDrives{
    L'A', L'C', L'D', L'E', L'N', L'R', L'T', L'U', L'V', L'X', L'Z',
};

// The drive with a volume label and a serial number of its own.
inline constexpr wchar_t kLabelledDrive = L'E';

// A CD-ROM drive without a disc: in the drive collection and found by
// letter, but not ready, and its sizes cannot be read.
inline constexpr wchar_t kNotReadyDrive = L'X';

// The network drive is a file system whose answers the tests delay (a dead
// or a slow drive) through the file network.delay beside its folder. It is a
// plain folder with a note at its root where the machine refused to mount it.
inline constexpr wchar_t kSlowDrive = L'N';

// A drive that had to be mounted (a small filesystem of exact size, the
// slow drive) but that the machine refused to mount is a plain folder of the
// host instead, with a note at its root that says why. Returns that reason
// for the first of the drives that is not mounted, or nothing.
inline std::string NotMountedReason(const std::initializer_list<wchar_t>& letters)
{
    for (const wchar_t letter : letters)
        if (std::ifstream note(std::filesystem::path(std::wstring(1, letter) + L":\\not-mounted.txt")); note) {
            std::string reason;
            return std::getline(note, reason) && !reason.empty() ? reason : "not mounted";
        }
    return {};
}

// The drives of exact sizes: the labelled one and the three half-megabyte ones.
inline std::string ExactSizesMissingReason()
{
    return NotMountedReason({kLabelledDrive, L'T', L'U', L'V'});
}
