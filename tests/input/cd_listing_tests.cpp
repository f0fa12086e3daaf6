// Audio CDs through the whole platform path: the real program and its real
// CD control read the test prefix's emulated CD-ROM drives (tests/equipment/cd_emulator)
// through the platform's CD driver, while the test inserts, changes and
// ejects their discs.

#include "cd_emulator/emulated_cd_drive.h"
#include "divazid.h"
#include "program_input.h"
#include "dpi.h"

namespace {

const std::string kThreeTracks = "audio 150\naudio 18525\naudio 36300\nlead-out 54000\n";
const std::string kTwoTracks = "audio 150\naudio 4650\nlead-out 9150\n";

// The track list's lines for tracks of these lengths, numbered from 1.
Lines TrackLines(const std::vector<const wchar_t*>& lengths)
{
    Lines lines;
    for (const wchar_t* length : lengths)
        lines.push_back(L"Track " + std::to_wstring(lines.size() + 1) + L"\t\t " + length);
    return lines;
}

// Every test starts with Enter, which lists the drives.
class CdListing : public InputTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(d.Exists() && x.Exists())
            << "the test prefix has no emulated CD-ROM drives D and X (scripts/make_test_prefix.sh makes them)";
        ASSERT_NO_FATAL_FAILURE(InputTest::SetUp());
        ASSERT_TRUE(Search()) << "Enter listed no drives";
        cd = FindWindowExW(main, nullptr, DIVAZID_WINDOW_CLASS, nullptr);
        ASSERT_TRUE(cd) << "no CD control on the main window";
    }

    bool CdShown() const { return IsWindowVisible(cd) != FALSE; }

    // A click on the drive's line, after one on a fixed disc (a click on the
    // line already selected would run nothing), and the listing it makes.
    void List(wchar_t letter)
    {
        ASSERT_TRUE(Show(kLabelledDrive));
        EXPECT_TRUE(Tracks().empty() && !CdShown()) << "a fixed disc left a track list or the CD control";
        ASSERT_TRUE(Show(letter)) << "a click on drive " << char(letter) << " showed no details";
    }

    std::string ProgramName() const { return GetParam() == &kTarvolo ? "Tarvolo.exe" : "Tarvolo9x.exe"; }

    EmulatedCdDrive d{'d', kThreeTracks};
    EmulatedCdDrive x{'x', ""};
    HWND cd = nullptr;
};

TEST_P(CdListing, ControlStandsAtItsStoredPlace)
{
    const RECT place = PlaceIn(cd, main);
    const RECT stored = TwipsToPixels(GetParam()->cdControl, WindowDpi(main));
    EXPECT_TRUE(EqualRect(&place, &stored));
}

// Each disc in turn in drive D, changed while the program runs. A disc of
// one track or none shows neither its track nor the CD control.
TEST_P(CdListing, EachDiscsTracksAreReadOnceThroughThePlatformsCdDriver)
{
    std::string ninetyNine;
    for (int n = 0; n <= 99; ++n)
        ninetyNine.append(n < 99 ? "audio " : "lead-out ").append(std::to_string(150 + 3000 * n)).append("\n");
    const struct {
        const char* what;
        std::string disc;
        Lines tracks;
        const wchar_t* summary;  // what the control shows under its emblem
        int tableReads;
    } discs[] = {
        {"three audio tracks", kThreeTracks, TrackLines({L"4:05", L"3:57", L"3:56"}), L"Track-uri: 3\nDurata: 11:58",
         1},
        {"one track", "audio 150\nlead-out 18525\n", {}, nullptr, 1},
        {"data only", "data 150\nlead-out 250000\n", {}, nullptr, 1},
        // The last audio track ends 11,400 frames before the data track, whose
        // time is no playing time.
        {"Enhanced CD", "audio 150\naudio 22650\ndata 45000\nlead-out 60000\n", TrackLines({L"5:00", L"2:26", L"3:20"}),
         L"Track-uri: 3\nDurata: 7:26", 1},
        {"tracks numbered 4 and 5", "first 4\naudio 150\naudio 7650\nlead-out 15150\n", TrackLines({L"1:40", L"1:40"}),
         L"Track-uri: 2\nDurata: 3:20", 1},
        // Ready, but the status check finds no disc to read.
        {"tray open", "open\n", {}, nullptr, 0},
        {"99 tracks", ninetyNine, TrackLines(std::vector<const wchar_t*>(99, L"0:40")),
         L"Track-uri: 99\nDurata: 1:06:00", 1},
    };
    for (const auto& disc : discs) {
        SCOPED_TRACE(disc.what);
        d.Insert(disc.disc);
        d.TakeRequests(ProgramName());
        ASSERT_NO_FATAL_FAILURE(List(L'D'));
        // Wine's own device service may read the disc too: only the
        // program's requests count.
        auto requests = d.TakeRequests(ProgramName());
        ASSERT_EQ(requests["CDROM_DRIVE_STATUS"], 1)
            << "not one status check: is the emulator (tests/equipment/cd_emulator) loaded into the program's Wine?";
        EXPECT_EQ(requests["CDROMREADTOCHDR"], disc.tableReads);
        EXPECT_EQ(Tracks(), disc.tracks);
        EXPECT_EQ(CdShown(), !disc.tracks.empty());
        if (disc.summary) {
            EXPECT_EQ(Text(cd), disc.summary);
        }
    }
}

// A disc whose table of contents takes 30 s: given up on after 20 s, with no
// tracks and no error; the window answers meanwhile. The read it held
// answers once the disc is quick again: the disc is listed again until it
// shows its tracks, as a read given up on may still hold the drive a moment.
TEST_P(CdListing, SlowDiscIsGivenUpOnAfter20SecondsAndTheWindowAnswers)
{
    d.Insert("delay 30\n" + kThreeTracks);
    ASSERT_TRUE(Show(kLabelledDrive));
    ClickLine(L'D');
    const ULONGLONG after = AnsweringUntil([&] { return Details().starts_with(L"D\n"); }, 25000);
    EXPECT_GE(after, 19000u);
    EXPECT_LT(after, 21500u);
    EXPECT_TRUE(Tracks().empty() && !CdShown() && !MessageBoxShown());
    d.Insert(kThreeTracks);
    for (const ULONGLONG end = GetTickCount64() + 5000; Tracks().size() != 3 && GetTickCount64() < end;)
        ASSERT_NO_FATAL_FAILURE(List(L'D'));
    EXPECT_EQ(Tracks().size(), 3u) << "the drive never listed its tracks again";
}

// Drive X lists its own disc, not D's. Then D has no disc: the drive is not
// ready, and X's listing and details stay.
TEST_P(CdListing, EjectedDiscMakesTheDriveNotReadyAndWhatWasShownStays)
{
    x.Insert(kTwoTracks);
    ASSERT_NO_FATAL_FAILURE(List(L'X'));
    const std::wstring details = Details();
    d.Eject();
    ClickLine(L'D');
    EXPECT_EQ(AnswerMessageBox(), L"Drive-ul nu este accesibil");
    EXPECT_EQ(Tracks(), TrackLines({L"1:00", L"1:00"}));
    EXPECT_TRUE(CdShown());
    EXPECT_EQ(Details(), details);
}

INSTANTIATE_TEST_SUITE_P(Builds, CdListing, kBothBuilds, BuildName);

}  // namespace
