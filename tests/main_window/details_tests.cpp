// A click on a line of the drive list, on a scripted drive service and CD
// control: the drive's details in two columns, its CD's tracks, and what
// happens when the drive is not ready or a call fails.

#include "main_window_test.h"

#include <algorithm>

namespace {

// The captions column, each caption with its trailing blank.
const wchar_t* const kCaptions[] = {L"Specificatii Drive ", L"Spatiul Liber: ", L"Sistem de Fisiere: ",
                                    L"Numar Serial: ",      L"Spatiul Total: ", L"Nume Volum: "};
// The captions column's stored width in the NT build, where it wraps words.
constexpr int kCaptionsWidthTwips = 1452;

class Details : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // In the service's own order, which the sorted list does not keep.
        drives = {
            {L"H", 2, false},
            {L"E", 4, true, 0, L"CDFS", 8, 0, L"ALT"},
            {L"C", 2, true, 1572864000.0, L"NTFS", -913, 20003880960.0, L"SISTEM"},
            {L"F", 1, true, 524288.0, L"FAT", 1, 3670016.0, L""},
            {L"D", 4, true, 0, L"CDFS", 7, 0, L"AUDIO"},
        };
        Press(kSearchButton);
        script.calls.clear();
    }

    // The scripted control's tracks 1 to 3: each lasts as many seconds as its number.
    const Lines kThreeTracks = {L"Track 1\t\t 0:01", L"Track 2\t\t 0:02", L"Track 3\t\t 0:03"};
    const std::wstring kDetailsOfD = L"D\n0 MB\nCDFS\n7\n0 MB\nAUDIO";
};

TEST_P(Details, OfAReadyDriveAreReadInTurnAndShownInTwoColumns)
{
    SelectDrive(L"C");
    EXPECT_EQ(
        Text(kDetailCaptions),
        L"Specificatii Drive \nSpatiul Liber: \nSistem de Fisiere: \nNumar Serial: \nSpatiul Total: \nNume Volum: \n");
    EXPECT_EQ(Text(kDetailValues), L"C\n1500 MB\nNTFS\n-913\n19077 MB\nSISTEM");
    EXPECT_EQ(script.calls,
              (Lines{L"GetDrive C", L"IsReady", L"DriveType", L"Hide CD", L"DriveType", L"Hide CD", L"DriveLetter",
                     L"FreeSpace", L"FileSystem", L"SerialNumber", L"TotalSize", L"VolumeName"}));
    EXPECT_TRUE(service->lastDrive.expired()) << "the clicked drive is let go of after the click";
}

// With word wrap (NT) the captions column keeps its stored width and grows
// downward; without (9x) it takes its longest caption's width.
TEST_P(Details, CaptionsColumnSizesItselfToItsText)
{
    SelectDrive(L"C");
    const HWND column = Item(kDetailCaptions);
    LONG widest = 0;
    for (const wchar_t* caption : kCaptions)
        widest = std::max(widest, TextSize(column, caption).cx);
    RECT r;
    GetClientRect(column, &r);
    EXPECT_EQ(r.right, NineX() ? widest : Px(kCaptionsWidthTwips, WindowDpi(hwnd)));
    EXPECT_GE(r.bottom, static_cast<LONG>(std::size(kCaptions)) * TextSize(column, kCaptions[0]).cy);
}

TEST_P(Details, OfANotReadyDriveAreAMessageAndWhatWasShownStays)
{
    cd->trackCount = 3;
    SelectDrive(L"D");
    script.calls.clear();
    SelectDrive(L"H");
    const ShownMessage shown = OnlyMessage();
    EXPECT_EQ(shown.text, L"Drive-ul nu este accesibil");
    EXPECT_EQ(shown.title, L"Tarvolo");
    EXPECT_EQ(shown.type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(script.calls, (Lines{L"GetDrive H", L"IsReady"}));
    EXPECT_EQ(Text(kDetailValues), kDetailsOfD);
    EXPECT_EQ(ListLines(kTrackList), kThreeTracks);
    EXPECT_TRUE(CdShown());
    EXPECT_TRUE(service->lastDrive.expired());
}

TEST_P(Details, ClickOnTheSelectedLineOrOnNoLineRunsNothing)
{
    SelectDrive(L"C");
    script.calls.clear();
    SelectDrive(L"C");
    SelectDrive(L"");
    EXPECT_TRUE(script.calls.empty());
}

// Ctrl+C on the drive list copies the selected drive's line, and its details
// only while they are on show: not after a search emptied them and a new
// click on the drive failed.
TEST_P(Details, CopyHasTheDetailsOnlyWhileTheyAreOnShow)
{
    const auto copy = [&] {
        SetFocus(Item(kDriveList));
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(kCopy, 1), 0);
        return ClipboardText();
    };
    SelectDrive(L"F");
    EXPECT_EQ(copy(), L"Drive F: Drive removabil\r\nSpecificatii Drive\tF\r\nSpatiul Liber:\t0 MB\r\n"
                      L"Sistem de Fisiere:\tFAT\r\nNumar Serial:\t1\r\nSpatiul Total:\t4 MB\r\nNume Volum:\t\r\n");
    Press(kSearchButton);
    script.failOn = L"IsReady";
    SelectDrive(L"F");
    EXPECT_EQ(copy(), L"Drive F: Drive removabil\r\n");
}

// The "Copiaza" item of a list's menu, read while the menu is open: a timer
// that the menu's own loop runs finds the menu window of this thread, reads
// the item's state and ends the menu.
UINT copyItemState = 0;

void CALLBACK ReadCopyItem(HWND, UINT, UINT_PTR, DWORD)
{
    HWND menu = nullptr;
    while ((menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) != nullptr &&
           (GetWindowThreadProcessId(menu, nullptr) != GetCurrentThreadId() || !IsWindowVisible(menu))) {
    }
    if (!menu)
        return;
    const auto items = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
    copyItemState = GetMenuState(items, kCopy, MF_BYCOMMAND);
    EndMenu();
}

UINT CopyItemOfMenu(HWND window, HWND list)
{
    copyItemState = ~0u;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, ReadCopyItem);
    SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
    KillTimer(nullptr, timer);
    EXPECT_NE(copyItemState, ~0u) << "no menu with the item opened";
    return copyItemState & (MF_GRAYED | MF_DISABLED);
}

// Grayed in an empty list's menu, and in the drive list's while no drive is
// selected; a list that has something to copy has the item enabled.
TEST_P(Details, CopyItemIsGrayedWhileItsListHasNothingToCopy)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ(CopyItemOfMenu(hwnd, Item(kDriveList)), static_cast<UINT>(MF_GRAYED)) << "the empty drive list";
    EXPECT_EQ(CopyItemOfMenu(hwnd, Item(kTrackList)), static_cast<UINT>(MF_GRAYED)) << "the empty track list";
    Press(kSearchButton);
    EXPECT_EQ(CopyItemOfMenu(hwnd, Item(kDriveList)), static_cast<UINT>(MF_GRAYED)) << "no drive selected";
    SelectDrive(L"C");
    EXPECT_EQ(CopyItemOfMenu(hwnd, Item(kDriveList)), 0u) << "drive C selected";
    EXPECT_EQ(CopyItemOfMenu(hwnd, Item(kTrackList)), static_cast<UINT>(MF_GRAYED))
        << "a fixed disc's empty track list";
    cd->trackCount = 3;
    SelectDrive(L"D");
    EXPECT_EQ(CopyItemOfMenu(hwnd, Item(kTrackList)), 0u) << "drive D's tracks";
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
        EXPECT_EQ(OnlyMessage().type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_TRUE(service->lastDrive.expired());
        script.failOn.clear();
    }
    SelectDrive(L"C");
    SelectDrive(L"D");
    EXPECT_EQ(ListLines(kTrackList), kThreeTracks);
    EXPECT_EQ(Text(kDetailValues), kDetailsOfD);
}

// The control may change the track number it is given: the listing goes on
// from the number it leaves.
TEST_P(Details, TrackNumberIsTheControlsToChange)
{
    cd->trackCount = 7;
    cd->changeTrackNo = [](short& trackNo) {
        if (trackNo == 2)
            trackNo = 5;
    };
    SelectDrive(L"D");
    EXPECT_EQ(ListLines(kTrackList),
              (Lines{L"Track 1\t\t 0:01", L"Track 2\t\t 0:02", L"Track 6\t\t 0:06", L"Track 7\t\t 0:07"}));
}

// Track 32767 lasts 32767 % 3600 = 367 seconds.
TEST_P(Details, TrackNumberStopsAtItsLargestValueInsteadOfWrapping)
{
    cd->trackCount = SHRT_MAX;
    SelectDrive(L"E");
    EXPECT_TRUE(messages.empty());
    const Lines lines = ListLines(kTrackList);
    ASSERT_EQ(lines.size(), 32767u);
    EXPECT_EQ(lines.back(), L"Track 32767\t\t 6:07");
}

INSTANTIATE_TEST_SUITE_P(Builds, Details, kBothBuilds, BuildName);

}  // namespace
