#pragma once

// The drives of the test Wine prefix (scripts/make_test_prefix.sh keeps the
// same letters) and what the platform's drive information service reports
// for them under Wine.

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

struct TestDrive {
    wchar_t letter;
    long type;  // the service's drive type code
};

// Every drive of the prefix, in letter order.
inline constexpr std::array<TestDrive, 11> kTestDrives{{
    {L'A', 1},  // removable
    {L'C', 2},  // fixed, Wine's own
    {L'D', 4},  // CD-ROM, with a medium (a plain folder)
    {L'E', 2},  // fixed, labelled
    {L'N', 3},  // network
    {L'R', 5},  // RAM disk
    {L'T', 2},  // fixed, 2.5 MB
    {L'U', 2},  // fixed, 3.5 MB
    {L'V', 2},  // fixed, 0.5 MB
    {L'X', 4},  // CD-ROM without a medium: not ready
    {L'Z', 2},  // fixed, Wine's own (the Unix root)
}};

// File system names: Wine calls a CD-ROM drive's CDFS and every other NTFS.
inline constexpr wchar_t kCdromFileSystem[] = L"CDFS";
inline constexpr wchar_t kDiskFileSystem[] = L"NTFS";

// The drive with a volume label and a serial number of its own.
inline constexpr wchar_t kLabelledDrive = L'E';
inline constexpr wchar_t kLabelledVolumeName[] = L"SISTEM";
inline constexpr long kLabelledSerialNumber = -913;  // 0xFFFFFC6F
// Its size (19077.1875 MB) when mounted; its two label files take 8192 bytes
// of it, so its free space is 20,003,872,768 bytes (19077.1796875 MB).
inline constexpr double kLabelledTotalSize = 20003880960.0;

// The serial number Wine gives a drive without one of its own: the letter's
// code in the top byte ('C' gives 0x43000000).
constexpr long WineDefaultSerialNumber(wchar_t letter)
{
    return static_cast<long>(letter) << 24;
}

// A CD-ROM drive without a medium: in the drive collection and found by
// letter, but not ready, and its sizes cannot be read.
inline constexpr wchar_t kNotReadyDrive = L'X';

// Empty drives whose size, and so whose free space, falls exactly on a half
// megabyte. They have no label.
struct ExactSizeDrive {
    wchar_t letter;
    double bytes;
};
inline constexpr std::array<ExactSizeDrive, 3> kHalfMegabyteDrives{{
    {L'T', 2621440.0},  // 2.5 MB
    {L'U', 3670016.0},  // 3.5 MB
    {L'V', 524288.0},   // 0.5 MB
}};

// The drives of exact sizes (the labelled one and the half-megabyte ones) are
// small filesystems that the machine may refuse to mount; such a drive is a
// plain folder of the host instead, with a note at its root that says why.
// Returns that reason for the first drive without its exact size, or nothing
// when they all have theirs.
inline std::string ExactSizesMissingReason()
{
    std::wstring letters(1, kLabelledDrive);
    for (const ExactSizeDrive& d : kHalfMegabyteDrives)
        letters += d.letter;
    for (const wchar_t letter : letters) {
        std::ifstream in(std::filesystem::path(std::wstring(1, letter) + L":\\not-mounted.txt"));
        if (!in)
            continue;
        std::string reason;
        std::getline(in, reason);
        return reason.empty() ? "not mounted" : reason;
    }
    return {};
}
