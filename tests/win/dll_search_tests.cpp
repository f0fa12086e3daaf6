// Where the programs' DLLs come from, in this test program: the search
// limited at start, on a system that can limit it to System32 and on one
// that cannot (Windows 7 without KB2533623), and what the code asks the
// loader for. A DLL planted in the current folder (tests/equipment/plant)
// leaves a record when it is loaded.

#include "dll_search.h"
#include "import_spy/import_spy.h"
#include "plant/planted_dlls.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// One test, in this order: once the search is limited to System32 it stays
// so for the process.
TEST(DllSearch, CurrentFolderLeftOutWithOrWithoutTheNewerFunction)
{
    const auto folder = std::filesystem::temp_directory_path() /
                        ("tarvolo-dlls-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    const auto planted = folder / "planted.dll";
    Plant(planted);
    const auto record = RecordOf(planted);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    ASSERT_TRUE(DllDirectoriesSet::Install()) << "nothing here calls SetDllDirectoryW";
    DllLoads::Install();

    // Without SetDefaultDllDirectories the current folder is taken out of
    // the search, and a DLL by its full path finds its own imports in its
    // folder first. Wine searches the current folder all the same, so the
    // call is what is checked.
    LimitDllSearchToSystem32(nullptr);
    EXPECT_EQ(DllDirectoriesSet::Seen(), (std::vector<std::wstring>{L""}));
    LoadDllByFullPath(planted);
    ASSERT_FALSE(DllLoads::Seen().empty());
    EXPECT_EQ(DllLoads::Seen().back().flags, static_cast<DWORD>(LOAD_WITH_ALTERED_SEARCH_PATH));
    std::filesystem::remove(record);
    LoadLibraryW(L"planted.dll");
    ASSERT_TRUE(std::filesystem::exists(record)) << "the planted DLL is not in this test's search path to begin with";
    std::filesystem::remove(record);

    // With it, nothing by name comes from the current folder; system DLLs
    // come by their full path in System32, the control by its own.
    DllLoads::Seen().clear();
    LimitDllSearchToSystem32();
    EXPECT_EQ(DllDirectoriesSet::Seen().size(), 1u) << "the older call was made as well";
    LoadLibraryW(L"planted.dll");
    EXPECT_FALSE(std::filesystem::exists(record)) << "a DLL by name came from the current folder";
    EXPECT_TRUE(LoadSystemDll(L"version.dll"));
    LoadDllByFullPath(planted);
    ASSERT_EQ(DllLoads::Seen().size(), 3u);
    wchar_t system[MAX_PATH];
    EXPECT_EQ(DllLoads::Seen()[1].name, std::wstring(system, GetSystemDirectoryW(system, MAX_PATH)) + L"\\version.dll");
    EXPECT_EQ(DllLoads::Seen()[2].flags, 0u);
    EXPECT_TRUE(std::filesystem::exists(record)) << "the DLL by its full path was not loaded";

    SetCurrentDirectoryW(ThePlant().parent_path().c_str());
    std::filesystem::remove_all(folder);
}

}  // namespace
