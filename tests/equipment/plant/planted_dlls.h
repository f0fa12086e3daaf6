// Test equipment that plays an attacker: DLLs planted under the names of
// system DLLs in the folder a program is started from (plant.cpp), each
// leaving a record when it is loaded.

#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

// The DLLs planted in a folder: the names that tests/input/CMakeLists.txt
// gives "n,b" in WINEDLLOVERRIDES, and lists in TARVOLO_PLANTED_DLLS
// ("a,b,c"), each with ".dll".
inline std::vector<std::filesystem::path> PlantedDlls(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> planted;
    std::wistringstream names(_wgetenv(L"TARVOLO_PLANTED_DLLS") ? _wgetenv(L"TARVOLO_PLANTED_DLLS") : L"");
    for (std::wstring name; std::getline(names, name, L',');)
        planted.push_back(folder / (name + L".dll"));
    return planted;
}

// A planted DLL, when loaded, writes its name + ".loaded" beside itself,
// holding the path of the program that loaded it.
inline std::filesystem::path RecordOf(const std::filesystem::path& dll)
{
    return dll.wstring() + L".loaded";
}

// The plant: Plant.dll beside the test program.
inline std::filesystem::path ThePlant()
{
    wchar_t program[MAX_PATH];
    return std::filesystem::path(std::wstring(program, GetModuleFileNameW(nullptr, program, MAX_PATH))).parent_path() /
           "Plant.dll";
}

// A plant at dll, with no record of an earlier load.
inline void Plant(const std::filesystem::path& dll)
{
    std::filesystem::remove(dll);
    std::filesystem::remove(RecordOf(dll));
    std::filesystem::copy_file(ThePlant(), dll);
}

// Plants the DLLs in the folder, once for the test program, after checking
// with one of its own that a plant loaded by its full path leaves its record.
inline void PlantIn(const std::filesystem::path& folder)
{
    static bool planted = false;
    if (planted)
        return;
    const std::filesystem::path check = folder / "plant-check.dll";
    Plant(check);
    EXPECT_FALSE(LoadLibraryW(check.c_str()));
    ASSERT_TRUE(std::filesystem::exists(RecordOf(check))) << "a plant loaded by its full path left no record";
    std::filesystem::remove(RecordOf(check));
    std::filesystem::remove(check);
    const std::vector<std::filesystem::path> dlls = PlantedDlls(folder);
    ASSERT_FALSE(dlls.empty()) << "TARVOLO_PLANTED_DLLS names no DLL to plant";
    for (const std::filesystem::path& dll : dlls)
        Plant(dll);
    planted = true;
}

// The DLLs planted in the folder that were loaded, each with the program
// that loaded it.
inline std::wstring LoadedPlants(const std::filesystem::path& folder)
{
    std::wstring loaded;
    for (const std::filesystem::path& dll : PlantedDlls(folder)) {
        if (std::ifstream record(RecordOf(dll), std::ios::binary); record) {
            const std::string bytes{std::istreambuf_iterator<char>(record), {}};
            loaded += L"\n  " + dll.filename().wstring() + L" by " +
                      std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
        }
    }
    return loaded;
}
