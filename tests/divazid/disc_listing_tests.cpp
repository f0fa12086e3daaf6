// What the control reports of a disc (disc_listing.h): each track's length
// in seconds, and under its emblem the number of tracks and playing time.
#include <gtest/gtest.h>

#include "disc_listing.h"

namespace {

// Three audio tracks of 15.76, 7.19 and 5.19 s (valid-three-tracks).
const std::vector<DiscTrack> kThreeTracks = {{1182, false}, {539, false}, {389, false}};

// The listing of a disc with these tracks in drive D.
DiscListing ListingOf(const std::vector<DiscTrack>& tracks)
{
    DiscListing listing([tracks](wchar_t) { return tracks; }, [] { return L'D'; });
    listing.ReadTrackCount();
    return listing;
}

TEST(DiscListing, TrackLengthsAreWholeSecondsTheFractionDropped)
{
    DiscListing listing = ListingOf(kThreeTracks);
    EXPECT_EQ(listing.TrackCount(), 3);
    EXPECT_EQ(listing.TrackSeconds(1), 15);
    EXPECT_EQ(listing.TrackSeconds(2), 7);
    EXPECT_EQ(listing.TrackSeconds(3), 5);
}

// 75 frames a second: a frame short of a whole second drops it.
TEST(DiscListing, TrackLengthsAtTheEdgesOfASecondAndAMinute)
{
    DiscListing listing = ListingOf({{0, false}, {74, false}, {75, false}, {4499, false}, {4500, false}});
    const long seconds[] = {0, 0, 1, 59, 60};
    for (long trackNo = 1; trackNo <= 5; ++trackNo)
        EXPECT_EQ(listing.TrackSeconds(trackNo), seconds[trackNo - 1]) << "track " << trackNo;
}

// 28.1 s for the three tracks, though their whole seconds add up to 27.
TEST(DiscListing, PlayingTimeCountsTheFramesOfTheAudioTracksOnly)
{
    EXPECT_EQ(ListingOf(kThreeTracks).TotalSeconds(), 28);
    EXPECT_EQ(ListingOf({{20000, true}, {20000, false}}).TotalSeconds(), 266);
}

TEST(DiscSummary, ShowsTheTrackCountAndThePlayingTimeWithHoursOnlyWhenThereAreAny)
{
    EXPECT_EQ(DiscSummaryText(1, 4), L"Track-uri: 1\nDurata: 0:04");
    EXPECT_EQ(DiscSummaryText(2, 1 * 3600 + 19 * 60 + 57), L"Track-uri: 2\nDurata: 1:19:57");
    const std::pair<long, const wchar_t*> times[] = {
        {0, L"0:00"},       {9, L"0:09"},        {10, L"0:10"},        {59, L"0:59"},          {60, L"1:00"},
        {599, L"9:59"},     {600, L"10:00"},     {3599, L"59:59"},     {3600, L"1:00:00"},     {3609, L"1:00:09"},
        {4210, L"1:10:10"}, {35999, L"9:59:59"}, {36000, L"10:00:00"}, {360000, L"100:00:00"},
    };
    for (const auto& [seconds, time] : times)
        EXPECT_EQ(DiscSummaryText(99, seconds), L"Track-uri: 99\nDurata: " + std::wstring(time)) << seconds;
    EXPECT_EQ(DiscSummaryText(0, 60), L"") << "a disc without tracks";
}

}  // namespace
