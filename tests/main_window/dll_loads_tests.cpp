// What the drive browser asks the loader for, seen from this test program's
// start: every DLL by its full path in System32, none by its name alone, which
// would be looked for in the program's folder first.

#include "import_spy/import_spy.h"
#include "main_window_test.h"

#include <cwctype>

namespace {

// Before any test, so that DLLs loaded once per process are seen too.
const bool kLoadsSeen = (DllLoads::Install(), true);

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

class DllLoadsOfTheWindow : public MainWindowTest {};

TEST_P(DllLoadsOfTheWindow, AreOfSystemDllsByTheirFullPath)
{
    ASSERT_TRUE(kLoadsSeen);
    wchar_t folder[MAX_PATH];
    const std::wstring system = Lower(std::wstring(folder, GetSystemDirectoryW(folder, MAX_PATH)) + L"\\");
    bool versionSeen = false;
    for (const DllLoads::Load& load : DllLoads::Seen()) {
        const std::wstring name = Lower(load.name);
        EXPECT_TRUE(name.starts_with(system)) << testing::PrintToString(load.name) << " is not in System32";
        versionSeen = versionSeen || name == system + L"version.dll";
    }
    EXPECT_TRUE(versionSeen) << "the identity was read without version.dll";
}

INSTANTIATE_TEST_SUITE_P(Builds, DllLoadsOfTheWindow, kBothBuilds, BuildName);

}  // namespace
