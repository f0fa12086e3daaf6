#include "main_window_test.h"

#include <algorithm>

namespace {

using Lines_t = std::vector<std::wstring>;

class Search : public MainWindowTest {
protected:
    bool NineX() const { return &Build() == &kTarvolo9x; }

    // A CD-ROM drive's details and tracks on show.
    void ShowCdDrive()
    {
        cd->trackCount = 3;
        Press(kCommand1);
        SelectDrive(L"D");
        ASSERT_TRUE(CdShown());
        ASSERT_EQ(Lines(kList2).size(), 3u);
        ASSERT_FALSE(Text(kLabel5).empty());
    }
};

TEST_P(Search, ListsEveryDriveOnceInLetterOrder)
{
    drives = {{L"Z"}, {L"A", 1}, {L"D", 4}, {L"C", 2}, {L"F", 3}, {L"R", 5}, {L"X", 0}, {L"Q", 9}};
    ShowCdDrive();
    Press(kCommand1);
    const Lines_t expected = {L"Drive A: Drive removabil", L"Drive C: Disc Fix",     L"Drive D: CDROM",
                              L"Drive F: Disc Remote",     L"Drive Q: Tip necunoscut", L"Drive R: Disc RAM",
                              L"Drive X: Tip necunoscut",  L"Drive Z: Disc Fix"};
    EXPECT_EQ(Lines(kList1), expected);
    EXPECT_EQ(ListBox_GetCurSel(Item(kList1)), -1);
    EXPECT_TRUE(IsWindowEnabled(Item(kList1)));
    EXPECT_TRUE(Lines(kList2).empty());
    EXPECT_EQ(Text(kLabel1), L"");
    EXPECT_EQ(Text(kLabel5), L"");
    EXPECT_FALSE(CdShown());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(std::count(script.calls.begin(), script.calls.end(), L"Create"), 1);
    EXPECT_TRUE(service->lastCollection.expired());
}

TEST_P(Search, CdControlIsHiddenBeforeOrAfterTheServiceIsAsked)
{
    drives = {{L"C"}};
    Press(kCommand1);
    const Lines_t nt = {L"Create", L"Drives", L"Hide CD", L"Next", L"DriveLetter", L"DriveType", L"Next"};
    const Lines_t nine = {L"Hide CD", L"Create", L"Drives", L"Next", L"DriveLetter", L"DriveType", L"Next"};
    EXPECT_EQ(script.calls, NineX() ? nine : nt);
}

TEST_P(Search, NoDrivesLeavesAnEmptyEnabledList)
{
    drives = {{L"D", 4}};
    ShowCdDrive();
    drives.clear();
    Press(kCommand1);
    EXPECT_TRUE(Lines(kList1).empty());
    EXPECT_TRUE(IsWindowEnabled(Item(kList1)));
    EXPECT_TRUE(Lines(kList2).empty());
    EXPECT_EQ(Text(kLabel5), L"");
    EXPECT_FALSE(CdShown());
}

TEST_P(Search, FailureOfTheDriveListLeavesWhatTheBuildHadNotYetCleared)
{
    drives = {{L"C"}, {L"D", 4}};
    ShowCdDrive();
    script.failOn = L"Drives";
    Press(kCommand1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(messages[0].title, L"Tarvolo");
    EXPECT_NE(messages[0].text.find(L"Lista drive-urilor nu a putut fi citita."), std::wstring::npos);
    EXPECT_NE(messages[0].text.find(L"0x8007001F"), std::wstring::npos) << messages[0].text;
    // The 9x build had already hidden the control and emptied the details.
    EXPECT_EQ(CdShown(), !NineX());
    EXPECT_EQ(Text(kLabel5).empty(), NineX());
    EXPECT_EQ(Lines(kList1).size(), 2u);
    EXPECT_EQ(Lines(kList2).size(), 3u);
}

TEST_P(Search, EveryFailingCallIsReportedAndLaterSearchesWork)
{
    drives = {{L"C"}, {L"E", 1}};
    for (const wchar_t* call : {L"Create", L"Drives", L"Next", L"DriveLetter", L"DriveType", L"Hide CD"}) {
        SCOPED_TRACE(call);
        messages.clear();
        script.failOn = call;
        Press(kCommand1);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        if (service) {
            EXPECT_TRUE(service->lastCollection.expired());
        }

        script.failOn.clear();
        Press(kCommand1);
        EXPECT_EQ(messages.size(), 1u);
        EXPECT_EQ(Lines(kList1), (Lines_t{L"Drive C: Disc Fix", L"Drive E: Drive removabil"}));
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, Search, testing::Values(&kTarvolo, &kTarvolo9x),
                         [](const auto& info) { return info.param == &kTarvolo ? "Tarvolo" : "Tarvolo9x"; });

}  // namespace
