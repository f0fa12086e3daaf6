#include "drive_text.h"
#include "main_window_test.h"

#include <algorithm>

namespace {

using Lines_t = std::vector<std::wstring>;

const wchar_t kCaptions[] = L"Specificatii Drive \nSpatiul Liber: \nSistem de Fisiere: \nNumar Serial: \n"
                            L"Spatiul Total: \nNume Volum: \n";

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
        Press(kCommand1);
        script.calls.clear();
    }

    Lines_t ExpectedTracks(int count) const
    {
        Lines_t lines;
        for (int n = 1; n <= count; ++n)
            lines.push_back(TrackLine(SignedDecimal(n), static_cast<short>(n % 3600)));
        return lines;
    }
};

TEST_P(Details, ReadyDriveShowsItsSpecificationsInOneReadEach)
{
    SelectDrive(L"C");
    EXPECT_EQ(Text(kLabel1), kCaptions);
    EXPECT_EQ(Text(kLabel5), L"C\n1500 MB\nNTFS\n-913\n19077 MB\nSISTEM");
    EXPECT_EQ(script.calls, (Lines_t{L"GetDrive C", L"IsReady", L"DriveType", L"Hide CD", L"DriveType",
                                     L"Hide CD", L"DriveLetter", L"FreeSpace", L"FileSystem", L"SerialNumber",
                                     L"TotalSize", L"VolumeName"}));
    EXPECT_TRUE(messages.empty());
    // Neither the clicked drive nor the working reference outlives the click.
    EXPECT_TRUE(service->lastDrive.expired());

    SelectDrive(L"F");
    EXPECT_EQ(Text(kLabel5), L"F\n0 MB\nFAT\n1\n4 MB\n");
}

TEST_P(Details, CaptionsLabelSizesItselfToItsText)
{
    SelectDrive(L"C");
    RECT r;
    GetClientRect(Item(kLabel1), &r);
    const HWND label = Item(kLabel1);
    const HDC dc = GetDC(label);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    LONG widest = 0;
    for (const wchar_t* caption : {L"Specificatii Drive ", L"Spatiul Liber: ", L"Sistem de Fisiere: ",
                                   L"Numar Serial: ", L"Spatiul Total: ", L"Nume Volum: "}) {
        SIZE size;
        GetTextExtentPoint32W(dc, caption, static_cast<int>(wcslen(caption)), &size);
        widest = std::max(widest, size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    const UINT dpi = GetDpiForWindow(hwnd);
    if (&Build() == &kTarvolo) {
        // Keeps its width and grows downward to at least its six lines.
        EXPECT_EQ(r.right, MulDiv(1452, dpi, 1440));
        EXPECT_GE(r.bottom, 6 * metrics.tmHeight);
    } else {
        // Grows to its longest line, one row per line.
        EXPECT_EQ(r.right, widest);
        EXPECT_GE(r.bottom, 6 * metrics.tmHeight);
        EXPECT_LE(r.bottom, 7 * metrics.tmHeight);
    }
}

TEST_P(Details, DriveNotReadyShowsTheMessageAndChangesNothingElse)
{
    cd->trackCount = 3;
    SelectDrive(L"D");
    const std::wstring values = Text(kLabel5);
    script.calls.clear();

    SelectDrive(L"H");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"Drive-ul nu este accesibil");
    EXPECT_EQ(messages[0].title, L"Tarvolo");
    EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(script.calls, (Lines_t{L"GetDrive H", L"IsReady"}));
    EXPECT_EQ(Text(kLabel5), values);
    EXPECT_EQ(Lines(kList2), ExpectedTracks(3));
    EXPECT_TRUE(CdShown());
    EXPECT_TRUE(service->lastDrive.expired());
}

TEST_P(Details, FailingCallIsReportedAndLaterClicksWork)
{
    for (const wchar_t* call : {L"GetDrive C", L"IsReady", L"DriveType", L"FreeSpace", L"SerialNumber",
                                L"VolumeName", L"Hide CD"}) {
        SCOPED_TRACE(call);
        messages.clear();
        SelectDrive(L"F");
        script.failOn = call;
        SelectDrive(L"C");
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_TRUE(service->lastDrive.expired());

        script.failOn.clear();
        SelectDrive(L"F");
        SelectDrive(L"C");
        EXPECT_EQ(messages.size(), 1u);
        EXPECT_EQ(Text(kLabel5), L"C\n1500 MB\nNTFS\n-913\n19077 MB\nSISTEM");
    }
}

TEST_P(Details, OnlyANewlySelectedLineRunsTheClick)
{
    Select(-1);
    SelectDrive(L"C");
    const size_t callsOfOneClick = script.calls.size();
    SelectDrive(L"C");
    EXPECT_EQ(script.calls.size(), callsOfOneClick);
    EXPECT_EQ(script.calls.front(), L"GetDrive C");
}

TEST_P(Details, TrackListFollowsTheReportedCount)
{
    for (short count : {0, 1, 2, 12, 99}) {
        SCOPED_TRACE(count);
        cd->trackCount = count;
        SelectDrive(L"C");
        SelectDrive(L"D");
        EXPECT_EQ(Lines(kList2), count >= 2 ? ExpectedTracks(count) : Lines_t{});
        EXPECT_EQ(CdShown(), count >= 2);
        EXPECT_EQ(Text(kLabel5), L"D\n0 MB\nCDFS\n7\n0 MB\nAUDIO");
    }
    EXPECT_TRUE(messages.empty());

    // A fixed disc after a disc of 12 tracks empties the list and hides the control.
    cd->trackCount = 12;
    SelectDrive(L"D");
    SelectDrive(L"C");
    EXPECT_TRUE(Lines(kList2).empty());
    EXPECT_FALSE(CdShown());
}

TEST_P(Details, EachCdDriveListsItsOwnDiscOnce)
{
    cd->trackCount = 4;
    SelectDrive(L"D");
    SelectDrive(L"E");
    EXPECT_EQ(Lines(kList2), ExpectedTracks(4));
    const Lines_t told = [&] {
        Lines_t drivesTold;
        for (const auto& call : script.calls)
            if (call.starts_with(L"SetDrive") || call == L"TrackCount")
                drivesTold.push_back(call);
        return drivesTold;
    }();
    EXPECT_EQ(told, (Lines_t{L"SetDrive D", L"TrackCount", L"SetDrive E", L"TrackCount"}));
}

TEST_P(Details, TrackListingGoesOnFromTheNumberTheControlLeaves)
{
    cd->trackCount = 7;
    cd->changeTrackNo = [](short& trackNo) {
        if (trackNo == 2)
            trackNo = 5;
    };
    SelectDrive(L"D");
    EXPECT_EQ(Lines(kList2), (Lines_t{TrackLine(L" 1", 1), TrackLine(L" 2", 2), TrackLine(L" 6", 6),
                                      TrackLine(L" 7", 7)}));
}

TEST_P(Details, LargestTrackCountEndsWithoutOverflow)
{
    cd->trackCount = 32767;
    SelectDrive(L"D");
    EXPECT_TRUE(messages.empty());
    const Lines_t lines = Lines(kList2);
    ASSERT_EQ(lines.size(), 32767u);
    EXPECT_EQ(lines.back(), TrackLine(L" 32767", 32767 % 3600));
}

TEST_P(Details, ControlFailuresAreReportedAndTheProgramGoesOn)
{
    cd->trackCount = 3;
    for (const wchar_t* call : {L"SetDrive D", L"TrackCount", L"TrackLength 2", L"Show CD"}) {
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
    EXPECT_EQ(Lines(kList2), ExpectedTracks(3));
}

INSTANTIATE_TEST_SUITE_P(Builds, Details, testing::Values(&kTarvolo, &kTarvolo9x),
                         [](const auto& info) { return info.param == &kTarvolo ? "Tarvolo" : "Tarvolo9x"; });

}  // namespace
