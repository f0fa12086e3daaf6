// The drive browser's texts at the edges of their conversions: the drive
// lines, the details columns and the track lines as a whole are checked
// through the window and the programs.

#include "drive_text.h"

#include <gtest/gtest.h>

TEST(DriveDetails, WholeMegabytesRoundHalvesToEven)
{
    EXPECT_EQ(WholeMegabytes(2621440.0), L"2");  // 2.5
    EXPECT_EQ(WholeMegabytes(3670016.0), L"4");  // 3.5
    EXPECT_EQ(WholeMegabytes(524288.0), L"0");   // 0.5
    EXPECT_EQ(WholeMegabytes(1572864.0), L"2");  // 1.5
    EXPECT_EQ(WholeMegabytes(524289.0), L"1");   // just over a half
    EXPECT_EQ(WholeMegabytes(0.0), L"0");
    // Terabytes and more are written in full, without separators or exponent.
    EXPECT_EQ(WholeMegabytes(5497558138880.0), L"5242880");
    EXPECT_EQ(WholeMegabytes(1152921504606846976.0), L"1099511627776");
}

TEST(TrackLine, DurationsAsMinutesAndSeconds)
{
    const std::pair<short, const wchar_t*> cases[] = {
        {0, L" 0:00"},   {5, L" 0:05"},    {59, L" 0:59"},        {60, L" 1:00"},      {65, L" 1:05"},
        {245, L" 4:05"}, {600, L" 10:00"}, {3599, L" 59:59"},     {32767, L" 546:07"}, {-5, L" 0:-05"},
        {-60, L"-1:00"}, {-65, L"-1:-05"}, {-32768, L"-546:-08"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(FormatDuration(seconds), text) << seconds;
}
