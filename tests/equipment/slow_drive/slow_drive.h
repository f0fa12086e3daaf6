// Test equipment: a test's hold on the test prefix's slow drive
// (slow_drive.py), whose answers it delays or stops.

#pragma once

#include "test_drives.h"

#include <filesystem>
#include <fstream>

// The delay of every answer of the slow drive; healthy again when the object goes.
class SlowDrive {
public:
    ~SlowDrive() { Answer(0); }
    void Answer(double afterSeconds) const { std::ofstream(TestDrivesFolder(L"network.delay")) << afterSeconds; }
    void Die() const { Answer(600); }
    // Whether a request of the program waits for the drive's answer now.
    bool Holds() const
    {
        int held = 0;
        return std::ifstream(TestDrivesFolder(L"network.held")) >> held && held > 0;
    }
};
