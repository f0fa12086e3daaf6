#include "main_window_test.h"

#include <algorithm>

namespace {

class Details : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        drives = {
            {L"C", 2, true, 1572864000.0, L"NTFS", -913, 20003880960.0, L"SISTEM"},
            {L"D", 4, true, 0, L"CDFS", 7, 0, L"AUDIO"},
            {L"E", 4, true, 0, L"CDFS", 8, 0, L"ALT"},
            {L"F", 1, true, 524288.0, L"FAT", 1, 3670016.0, L""},
            {L"H", 2, false},
        };
        Press(kSearchButton);
        script.calls.clear();
    }

    // The scripted control's tracks 1 to 3: each lasts as many seconds as its number.
    const Lines kThreeTracks = {L"Track 1\t\t 0:01", L"Track 2\t\t 0:02", L"Track 3\t\t 0:03"};
};

TEST_P(Details, ReadyDriveShowsItsDetailsAndANotReadyOneChangesNothing)
{
    SelectDrive(L"C");
    EXPECT_EQ(Text(kDetailCaptions), L"Specificatii Drive \nSpatiul Liber: \nSistem de Fisiere: \nNumar Serial: \n"
                                     L"Spatiul Total: \nNume Volum: \n");
    EXPECT_EQ(Text(kDetailValues), L"C\n1500 MB\nNTFS\n-913\n19077 MB\nSISTEM");
    EXPECT_EQ(script.calls,
              (Lines{L"GetDrive C", L"IsReady", L"DriveType", L"Hide CD", L"DriveType", L"Hide CD", L"DriveLetter",
                     L"FreeSpace", L"FileSystem", L"SerialNumber", L"TotalSize", L"VolumeName"}));
    EXPECT_TRUE(service->lastDrive.expired()) << "the clicked drive is let go of after the click";

    // The captions label sizes itself: with word wrap it keeps its width and
    // grows downward; without, it takes its longest line's width.
    RECT r;
    GetClientRect(Item(kDetailCaptions), &r);
    const HDC dc = GetDC(Item(kDetailCaptions));
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(Item(kDetailCaptions), WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    LONG widest = 0;
    for (const wchar_t* caption : {L"Specificatii Drive ", L"Spatiul Liber: ", L"Sistem de Fisiere: ",
                                   L"Numar Serial: ", L"Spatiul Total: ", L"Nume Volum: "}) {
        SIZE size;
        GetTextExtentPoint32W(dc, caption, static_cast<int>(wcslen(caption)), &size);
        widest = std::max(widest, size.cx);
    }
    ReleaseDC(Item(kDetailCaptions), dc);
    EXPECT_EQ(r.right, NineX() ? widest : MulDiv(1452, static_cast<int>(WindowDpi(hwnd)), 1440));
    EXPECT_GE(r.bottom, 6 * metrics.tmHeight);

    SelectDrive(L"F");
    EXPECT_EQ(Text(kDetailValues), L"F\n0 MB\nFAT\n1\n4 MB\n");

    cd->trackCount = 3;
    SelectDrive(L"D");
    script.calls.clear();
    SelectDrive(L"H");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"Drive-ul nu este accesibil");
    EXPECT_EQ(messages[0].title, L"Tarvolo");
    EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(script.calls, (Lines{L"GetDrive H", L"IsReady"}));
    EXPECT_EQ(Text(kDetailValues), L"D\n0 MB\nCDFS\n7\n0 MB\nAUDIO");
    EXPECT_EQ(ListLines(kTrackList), kThreeTracks);
    EXPECT_TRUE(CdShown());
    EXPECT_TRUE(service->lastDrive.expired());

    script.calls.clear();
    SelectDrive(L"H");  // the line already selected
    SelectDrive(L"");   // no line selected
    EXPECT_TRUE(script.calls.empty());
}

TEST_P(Details, FailingCallIsReportedAndLaterClicksWork)
{
    cd->trackCount = 3;
    for (const wchar_t* call : {L"GetDrive D", L"IsReady", L"DriveType", L"FreeSpace", L"VolumeName", L"SetDrive D",
                                L"TrackCount", L"TrackLength 2", L"Show CD"}) {
        SCOPED_TRACE(call);
        messages.clear();
        SelectDrive(L"C");
        script.failOn = call;
        SelectDrive(L"D");
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_TRUE(service->lastDrive.expired());
        script.failOn.clear();
    }
    SelectDrive(L"C");
    SelectDrive(L"D");
    EXPECT_EQ(ListLines(kTrackList), kThreeTracks);
    EXPECT_EQ(Text(kDetailValues), L"D\n0 MB\nCDFS\n7\n0 MB\nAUDIO");
}

TEST_P(Details, TrackNumberIsTheControlsToChangeAndNeverOverflows)
{
    cd->trackCount = 7;
    cd->changeTrackNo = [](short& trackNo) {
        if (trackNo == 2)
            trackNo = 5;
    };
    SelectDrive(L"D");
    EXPECT_EQ(ListLines(kTrackList),
              (Lines{L"Track 1\t\t 0:01", L"Track 2\t\t 0:02", L"Track 6\t\t 0:06", L"Track 7\t\t 0:07"}));

    cd->changeTrackNo = nullptr;
    cd->trackCount = 32767;
    SelectDrive(L"E");
    EXPECT_TRUE(messages.empty());
    const Lines lines = ListLines(kTrackList);
    ASSERT_EQ(lines.size(), 32767u);
    EXPECT_EQ(lines.back(), L"Track 32767\t\t 6:07");
}

INSTANTIATE_TEST_SUITE_P(Builds, Details, kBothBuilds, BuildName);

}  // namespace
