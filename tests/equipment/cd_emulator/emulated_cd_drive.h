// Test equipment: a test's hold on one of the test prefix's emulated CD-ROM
// drives (cd_emulator.c), whose disc it inserts, changes and ejects.

#pragma once

#include "test_drives.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

// One of the prefix's emulated CD-ROM drives: the disc description that the
// emulator reads again on every request, and the drive's folder, without
// which the drive is not ready. Left as the prefix had it when the object goes.
class EmulatedCdDrive {
public:
    EmulatedCdDrive(char letter, std::string discAtStart)
        : folder_(TestDrivesFolder(std::wstring(L"cdrom-") + static_cast<wchar_t>(letter))),
          discAtStart_(std::move(discAtStart))
    {
    }
    ~EmulatedCdDrive() { discAtStart_.empty() ? Eject() : Insert(discAtStart_); }

    bool Exists() const { return std::filesystem::exists(File(L".cdemu")); }
    void Insert(const std::string& disc)
    {
        Describe(disc);
        std::filesystem::create_directory(folder_);
    }
    // A drive without a disc is not ready, as on Windows.
    void Eject()
    {
        Describe("");
        std::filesystem::remove(folder_);
    }

    // How often the emulator answered each request to this program since
    // the last call.
    std::map<std::string, int> TakeRequests(const std::string& program) const
    {
        std::map<std::string, int> counts;
        std::ifstream log(File(L".cdemu.log"));
        for (std::string pid, who, what; log >> pid >> who >> what;)
            counts[what] += who == program;
        log.close();
        std::ofstream(File(L".cdemu.log"), std::ios::trunc);
        return counts;
    }

private:
    std::filesystem::path File(const wchar_t* suffix) const { return folder_.wstring() + suffix; }
    // In place: the platform's CD driver keeps a table per file.
    void Describe(const std::string& disc) const { std::ofstream(File(L".cdemu"), std::ios::trunc) << disc; }

    std::filesystem::path folder_;
    std::string discAtStart_;
};
