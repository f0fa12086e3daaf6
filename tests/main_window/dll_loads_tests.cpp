// What the drive browser asks the loader for, seen from this test program's
// start: every DLL by its full path in System32, none by its name alone, which
// would be looked for in the program's folder first.

#include "import_spy/import_spy.h"
#include "main_window_test.h"

namespace {

// Before any test, so that DLLs loaded once per process are seen too.
const bool kLoadsSeen = (DllLoads::Install(), true);

class DllLoadsOfTheWindow : public MainWindowTest {};

TEST_P(DllLoadsOfTheWindow, AreOfSystemDllsByTheirFullPath)
{
    ASSERT_TRUE(kLoadsSeen);
    wchar_t folder[MAX_PATH];
    const std::wstring system = std::wstring(folder, GetSystemDirectoryW(folder, MAX_PATH)) + L"\\";
    bool versionSeen = false;
    for (const DllLoads::Load& load : DllLoads::Seen()) {
        EXPECT_EQ(_wcsnicmp(load.name.c_str(), system.c_str(), system.size()), 0)
            << testing::PrintToString(load.name) << " is not in System32";
        versionSeen = versionSeen || _wcsicmp(load.name.c_str(), (system + L"version.dll").c_str()) == 0;
    }
    EXPECT_TRUE(versionSeen) << "the identity was read without version.dll";
}

INSTANTIATE_TEST_SUITE_P(Builds, DllLoadsOfTheWindow, kBothBuilds, BuildName);

}  // namespace
