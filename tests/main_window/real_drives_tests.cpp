// The drive browser on the platform's own drive service, in the test prefix
// whose drives tests/drive_service/test_drives.h describes.

#include "drive_service/test_drives.h"
#include "fso_drive_service.h"
#include "main_window_test.h"

#include <objbase.h>

#include <regex>

namespace {

class RealDrives : public MainWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        MainWindowTest::SetUp();
        Press(kCommand1);
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        CoUninitialize();
    }
    HRESULT CreateDriveService(std::shared_ptr<DriveService>& fso) override { return CreateFileSystemObject(fso); }
};

TEST_P(RealDrives, ListAndDetailsOfTheMachinesDrives)
{
    EXPECT_EQ(ListLines(kList1),
              (Lines{L"Drive A: Drive removabil", L"Drive C: Disc Fix", L"Drive D: CDROM", L"Drive E: Disc Fix",
                     L"Drive N: Disc Remote", L"Drive R: Disc RAM", L"Drive T: Disc Fix", L"Drive U: Disc Fix",
                     L"Drive V: Disc Fix", L"Drive X: CDROM", L"Drive Z: Disc Fix"}));

    // Exact sizes where the machine let the test prefix mount them (2.5, 3.5
    // and 0.5 MB round to the even neighbour); otherwise the sizes are the
    // host's and are left out. T, U and V have no volume name.
    const std::string missing = ExactSizesMissingReason();
    const auto comparable = [&](const std::wstring& text) {
        return missing.empty() ? text : std::regex_replace(text, std::wregex(L"[0-9]+ MB"), L"? MB");
    };
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"E", L"E\n19077 MB\nNTFS\n-913\n19077 MB\nSISTEM"},
        {L"T", L"T\n2 MB\nNTFS\n1409286144\n2 MB\n"},
        {L"U", L"U\n4 MB\nNTFS\n1426063360\n4 MB\n"},
        {L"V", L"V\n0 MB\nNTFS\n1442840576\n0 MB\n"},
    };
    for (const auto& [letter, text] : expected) {
        SelectDrive(letter);
        EXPECT_EQ(comparable(Text(kLabel5)), comparable(text));
    }
    EXPECT_TRUE(messages.empty());

    // A drive that is not ready leaves the drive shown before on show.
    const std::wstring shownBefore = Text(kLabel5);
    SelectDrive(L"X");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"Drive-ul nu este accesibil");
    EXPECT_EQ(Text(kLabel5), shownBefore);
    if (!missing.empty())
        GTEST_SKIP() << "sizes not checked: " << missing;
}

INSTANTIATE_TEST_SUITE_P(Builds, RealDrives, testing::Values(&kTarvolo, &kTarvolo9x), BuildName);

}  // namespace
