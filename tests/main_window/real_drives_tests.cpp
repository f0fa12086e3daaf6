// The drive browser on the platform's own drive service, in the test prefix
// whose drives tests/drive_service/test_drives.h describes.

#include "drive_service/test_drives.h"
#include "fso_drive_service.h"
#include "main_window_test.h"

#include <objbase.h>

namespace {

using Lines_t = std::vector<std::wstring>;

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

    // The values column split at its line feeds.
    Lines_t ValueLines() const
    {
        Lines_t lines(1);
        for (wchar_t c : Text(kLabel5)) {
            if (c == L'\n')
                lines.emplace_back();
            else
                lines.back() += c;
        }
        return lines;
    }
};

TEST_P(RealDrives, SearchListsEveryDriveOfTheMachine)
{
    EXPECT_EQ(Lines(kList1),
              (Lines_t{L"Drive A: Drive removabil", L"Drive C: Disc Fix", L"Drive D: CDROM", L"Drive E: Disc Fix",
                       L"Drive N: Disc Remote", L"Drive R: Disc RAM", L"Drive T: Disc Fix", L"Drive U: Disc Fix",
                       L"Drive V: Disc Fix", L"Drive X: CDROM", L"Drive Z: Disc Fix"}));
    EXPECT_TRUE(messages.empty());
}

TEST_P(RealDrives, DetailsOfALabelledDrive)
{
    SelectDrive(L"E");
    ASSERT_TRUE(messages.empty());
    const Lines_t values = ValueLines();
    ASSERT_EQ(values.size(), 6u);
    EXPECT_EQ(values[0], L"E");
    EXPECT_EQ(values[2], L"NTFS");
    EXPECT_EQ(values[3], L"-913");
    EXPECT_EQ(values[5], L"SISTEM");
    if (const std::string missing = ExactSizesMissingReason(); !missing.empty())
        GTEST_SKIP() << "sizes not checked: " << missing;
    EXPECT_EQ(values[1], L"19077 MB");
    EXPECT_EQ(values[4], L"19077 MB");
}

TEST_P(RealDrives, HalfMegabytesRoundToEvenAndNoVolumeName)
{
    const std::string missing = ExactSizesMissingReason();
    for (const auto& [letter, shown] : {std::pair{L"T", L"2 MB"}, std::pair{L"U", L"4 MB"}, std::pair{L"V", L"0 MB"}}) {
        SCOPED_TRACE(letter);
        SelectDrive(letter);
        const Lines_t values = ValueLines();
        ASSERT_EQ(values.size(), 6u);
        EXPECT_EQ(values[0], letter);
        EXPECT_EQ(values[5], L"");  // the text ends with the line feed after the total
        if (missing.empty()) {
            EXPECT_EQ(values[1], shown);
            EXPECT_EQ(values[4], shown);
        }
    }
    if (!missing.empty())
        GTEST_SKIP() << "sizes not checked: " << missing;
}

TEST_P(RealDrives, DriveNotReadyLeavesTheDriveShownBefore)
{
    cd->trackCount = 2;
    SelectDrive(L"D");
    EXPECT_EQ(Lines(kList2).size(), 2u);
    const std::wstring values = Text(kLabel5);
    EXPECT_TRUE(values.starts_with(L"D\n")) << values;

    SelectDrive(L"X");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"Drive-ul nu este accesibil");
    EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(Text(kLabel5), values);
    EXPECT_EQ(Lines(kList2).size(), 2u);
    EXPECT_TRUE(CdShown());
}

INSTANTIATE_TEST_SUITE_P(Builds, RealDrives, testing::Values(&kTarvolo, &kTarvolo9x),
                         [](const auto& info) { return info.param == &kTarvolo ? "Tarvolo" : "Tarvolo9x"; });

}  // namespace
