// Both programs unpacked from their release zip (tests/package/unpack.sh)
// into a folder whose name has a space and a letter beyond ASCII, as into a
// Downloads folder that also holds DLLs planted by someone else
// (tests/equipment/plant): a whole session loads none of them. The planted
// names are those that this test's WINEDLLOVERRIDES tells Wine to prefer
// from beside the program ("=n,b"), as Windows does for every DLL that is no
// KnownDLL.

#include "program_input.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace {

// The names given "n,b" in WINEDLLOVERRIDES ("a,b=n,b;c=..."), in their order.
std::vector<std::wstring> PlantedNames()
{
    std::vector<std::wstring> names;
    std::wistringstream overrides(_wgetenv(L"WINEDLLOVERRIDES") ? _wgetenv(L"WINEDLLOVERRIDES") : L"");
    for (std::wstring entry; std::getline(overrides, entry, L';');) {
        const size_t equals = entry.find(L'=');
        if (equals == entry.npos || entry.substr(equals + 1) != L"n,b")
            continue;
        std::wistringstream list(entry.substr(0, equals));
        for (std::wstring name; std::getline(list, name, L',');)
            names.push_back(name);
    }
    return names;
}

class DownloadsFolder : public InputTest {
protected:
    void SetUp() override
    {
        const wchar_t* base = _wgetenv(L"TARVOLO_PACKAGE_CHECK");
        ASSERT_TRUE(base) << "no unpacked package: CTest's package_unpacked test makes it";
        folder = std::filesystem::path(L"Z:" + std::wstring(base)) / L"Programe \u0102";
        ASSERT_FALSE(names.empty()) << "WINEDLLOVERRIDES names no DLL to plant";
        for (const std::wstring& name : names)
            Plant(name);

        // A plant loaded by its full path leaves its record and fails to
        // load: the plants work.
        const std::wstring check = L"plant-check";
        Plant(check);
        EXPECT_FALSE(LoadLibraryW(Planted(check).c_str()));
        ASSERT_TRUE(std::filesystem::exists(Record(check))) << "a plant loaded by its full path left no record";
        std::filesystem::remove(Record(check));
        std::filesystem::remove(Planted(check));

        InputTest::SetUp();
    }

    // Also when the program could not start or broke down on the way.
    void TearDown() override
    {
        const std::wstring loaded = Loaded();
        EXPECT_TRUE(loaded.empty()) << "planted DLLs were loaded:" << testing::PrintToString(loaded);
        std::wcout << L"planted " << names.size() << L" DLLs beside " << GetParam()->programName << L".exe"
                   << (loaded.empty() ? L"; none was loaded" : L"") << std::endl;
    }

    std::filesystem::path ProgramsFolder() const override { return folder; }

    std::filesystem::path Planted(const std::wstring& name) const { return folder / (name + L".dll"); }
    std::filesystem::path Record(const std::wstring& name) const { return folder / (name + L".dll.loaded"); }

    void Plant(const std::wstring& name) const
    {
        std::filesystem::remove(Planted(name));
        std::filesystem::remove(Record(name));
        std::filesystem::copy_file(ThisProgramsFolder() / "Plant.dll", Planted(name));
    }

    // The planted DLLs that were loaded, each with the program that loaded it.
    std::wstring Loaded() const
    {
        std::wstring loaded;
        for (const std::wstring& name : names) {
            if (std::ifstream record(Record(name), std::ios::binary); record) {
                const std::string bytes{std::istreambuf_iterator<char>(record), {}};
                loaded += L"\n  " + name + L".dll by " +
                          std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
            }
        }
        return loaded;
    }

    const std::vector<std::wstring> names = PlantedNames();
    std::filesystem::path folder;
};

TEST_P(DownloadsFolder, AWholeSessionLoadsNoDllPlantedBesideThePrograms)
{
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return LineCount() == kTestDrives.size(); })) << "Enter listed no drives";
    for (const TestDrive& drive : kTestDrives) {
        ClickLine(drive.letter);
        if (drive.letter == kNotReadyDrive) {
            EXPECT_EQ(AnswerMessageBox(), L"Drive-ul nu este accesibil");
        } else {
            EXPECT_TRUE(WaitForDetailsOf(drive.letter)) << "drive " << char(drive.letter) << " showed nothing";
        }
        if (drive.letter == L'D') {
            EXPECT_EQ(ListLines(Control(kList2)).size(), 3u) << "drive D listed no tracks";
        }
    }
    ClickAt(Centre(Control(kCommand2)));
    const HWND dialog = program.WaitForOneWindow(L"frmDespre");
    EXPECT_TRUE(dialog) << "no About dialog";
    Key(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); })) << "Esc did not close the About dialog";
    ClickAt(CloseBoxOf(main));
    EXPECT_EQ(program.ExitCode(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Builds, DownloadsFolder, kBothBuilds, BuildName);

}  // namespace
