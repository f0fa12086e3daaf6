// The drive browser's texts at the edges of their conversions: the drive
// lines, the details columns and the track lines as a whole are checked
// through the window and the programs.

#include "drive_text.h"

#include <gtest/gtest.h>

#include <climits>

// A type code outside the six the window knows, however far outside, reads
// "Tip necunoscut": none is taken as an index into the texts.
TEST(DriveLine, CodesOutsideTheKnownSixReadUnknownType)
{
    EXPECT_EQ(DriveLine(L"C", 5), L"Drive C: Disc RAM");
    for (const long code : {-1L, 6L, LONG_MIN, LONG_MAX})
        EXPECT_EQ(DriveLine(L"Q", code), L"Drive Q: Tip necunoscut") << code;
}

TEST(DriveDetails, WholeMegabytesRoundHalvesToEven)
{
    EXPECT_EQ(WholeMegabytes(2621440.0), L"2");  // 2.5
    EXPECT_EQ(WholeMegabytes(3670016.0), L"4");  // 3.5
    EXPECT_EQ(WholeMegabytes(524288.0), L"0");   // 0.5
    EXPECT_EQ(WholeMegabytes(1572864.0), L"2");  // 1.5
    EXPECT_EQ(WholeMegabytes(524289.0), L"1");   // just over a half
    EXPECT_EQ(WholeMegabytes(524287.0), L"0");   // just under a half
    EXPECT_EQ(WholeMegabytes(1048575.0), L"1");  // a byte short of one
    EXPECT_EQ(WholeMegabytes(0.0), L"0");
    EXPECT_EQ(WholeMegabytes(-1.0), L"0") << "no minus before a size that rounds to nothing";
    // Terabytes and more are written in full, without separators or exponent.
    EXPECT_EQ(WholeMegabytes(1048576000.0), L"1000");
    EXPECT_EQ(WholeMegabytes(5497558138880.0), L"5242880");
    EXPECT_EQ(WholeMegabytes(1152921504606846976.0), L"1099511627776");
    EXPECT_EQ(WholeMegabytes(1267650600228229401496703205376.0), L"1208925819614629174706176");  // 2^100
}

// The serial number is a signed 32-bit number, written in full: no blank
// before it, "-" before a negative one, nothing cut to 16 bits.
TEST(DriveDetails, SerialNumbersFromOneEndOfTheirRangeToTheOther)
{
    const std::pair<long, const wchar_t*> cases[] = {
        {0, L"0"},
        {1, L"1"},
        {32768, L"32768"},
        {65536, L"65536"},
        {-32769, L"-32769"},
        {INT_MAX, L"2147483647"},
        {INT_MIN, L"-2147483648"},
    };
    for (const auto& [serial, text] : cases) {
        const DriveDetails details{L"C", 0, L"NTFS", serial, 0, L"SISTEM"};
        EXPECT_EQ(DetailsValues(details), L"C\n0 MB\nNTFS\n" + std::wstring(text) + L"\n0 MB\nSISTEM") << serial;
    }
}

// Seconds below ten get a zero before them, ten and more none; the minutes
// take as many digits as they need.
TEST(TrackLine, DurationsAsMinutesAndSeconds)
{
    const std::pair<short, const wchar_t*> cases[] = {
        {0, L" 0:00"},       {5, L" 0:05"},    {9, L" 0:09"},         {10, L" 0:10"},    {59, L" 0:59"},
        {60, L" 1:00"},      {65, L" 1:05"},   {69, L" 1:09"},        {70, L" 1:10"},    {245, L" 4:05"},
        {599, L" 9:59"},     {600, L" 10:00"}, {3599, L" 59:59"},     {5999, L" 99:59"}, {6000, L" 100:00"},
        {32767, L" 546:07"}, {-5, L" 0:-05"},  {-9, L" 0:-09"},       {-10, L" 0:-10"},  {-59, L" 0:-59"},
        {-60, L"-1:00"},     {-65, L"-1:-05"}, {-32768, L"-546:-08"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(FormatDuration(seconds), text) << seconds;
    EXPECT_EQ(TrackLine(SignedDecimal(12), 70), L"Track 12\t\t 1:10");
}
