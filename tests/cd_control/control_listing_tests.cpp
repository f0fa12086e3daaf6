#include <gtest/gtest.h>

#include "disc_listing.h"

#include <map>
#include <string>
#include <vector>

namespace {

// Discs by drive letter; counts the readings of each drive.
struct FakeMachine {
    std::map<wchar_t, std::vector<long>> discs;
    wchar_t firstCdrom = 0;
    std::vector<wchar_t> readings;

    DiscListing Listing()
    {
        return DiscListing(
            [this](wchar_t letter) {
                readings.push_back(letter);
                return discs[letter];
            },
            [this] { return firstCdrom; });
    }
};

TEST(DiscListing, OneReadingPerListingAnswersEveryTrack)
{
    FakeMachine machine{{{L'E', {245, 60, 3599}}}, L'E', {}};
    DiscListing listing = machine.Listing();
    ASSERT_EQ(listing.ReadTrackCount(), 3);
    EXPECT_EQ(listing.TrackSeconds(1), 245);
    EXPECT_EQ(listing.TrackSeconds(3), 3599);
    EXPECT_EQ(listing.TrackSeconds(0), std::nullopt);
    EXPECT_EQ(listing.TrackSeconds(4), std::nullopt);
    EXPECT_EQ(listing.TrackSeconds(-1), std::nullopt);
    EXPECT_EQ(listing.TotalSeconds(), 245 + 60 + 3599);
    EXPECT_EQ(machine.readings.size(), 1u);

    // The next listing reads the disc again: it may have changed.
    machine.discs[L'E'] = {30};
    EXPECT_EQ(listing.ReadTrackCount(), 1);
    EXPECT_EQ(listing.TrackSeconds(2), std::nullopt);
    EXPECT_EQ(machine.readings.size(), 2u);
}

TEST(DiscListing, ReadsTheDriveSetElseTheFirstCdromDrive)
{
    FakeMachine machine{{{L'D', {100}}, {L'F', {1, 2}}}, L'D', {}};
    DiscListing listing = machine.Listing();
    EXPECT_EQ(listing.Drive(), L'D');
    EXPECT_EQ(listing.ReadTrackCount(), 1);

    ASSERT_TRUE(listing.SetDrive(L"f"));
    EXPECT_EQ(listing.Drive(), L'F');
    // A length asked before any count reads the drive now set.
    EXPECT_EQ(listing.TrackSeconds(2), 2);
    EXPECT_EQ(machine.readings, (std::vector<wchar_t>{L'D', L'F'}));

    for (const wchar_t* refused : {L"FF", L"1", L"F:", L"\u00c4"})
        EXPECT_FALSE(listing.SetDrive(refused)) << static_cast<int>(refused[0]);
    EXPECT_EQ(listing.Drive(), L'F');

    ASSERT_TRUE(listing.SetDrive(L""));
    EXPECT_EQ(listing.Drive(), L'D');
}

TEST(DiscListing, AMachineWithoutCdromDriveHasNoTracks)
{
    FakeMachine machine;
    DiscListing listing = machine.Listing();
    EXPECT_EQ(listing.ReadTrackCount(), 0);
    EXPECT_EQ(listing.TrackSeconds(1), std::nullopt);
    EXPECT_TRUE(machine.readings.empty());
}

TEST(DiscSummaryText, CountAndTotalTimeOnTwoLines)
{
    EXPECT_EQ(DiscSummaryText(0, 0), L"");
    EXPECT_EQ(DiscSummaryText(1, 5), L"Track-uri: 1\nDurata: 0:05");
    EXPECT_EQ(DiscSummaryText(20, 4813), L"Track-uri: 20\nDurata: 1:20:13");
}

}  // namespace
