// The texts the drive browser window shows, built from the values the drive
// service and the CD control report. No window is needed for any of them.
#pragma once

#include <string>
#include <vector>

// "Drive " + letter + ": " + the Romanian text of the drive type code; a code
// the window does not know reads "Tip necunoscut".
std::wstring DriveLine(const std::wstring& letter, long typeCode);

struct DriveDetails {
    std::wstring letter;
    double freeBytes = 0;
    std::wstring fileSystem;
    long serialNumber = 0;
    double totalBytes = 0;
    std::wstring volumeName;
};

// The captions column: six captions, each followed by a line feed.
std::wstring DetailsCaptions();
// The values column: six values joined by line feeds, ending with the volume name.
std::wstring DetailsValues(const DriveDetails& details);

// Bytes as whole megabytes (2^20 bytes), ties to the even neighbour, in plain digits.
std::wstring WholeMegabytes(double bytes);

// The digits of n after a blank when n is zero or positive, after "-" when negative.
std::wstring SignedDecimal(int n);

// Seconds as minutes and seconds: " 4:05", " 546:07", " 0:-05", "-1:-05".
std::wstring FormatDuration(short seconds);

// "Track 3\t\t 4:05": the number's text is taken before the length is asked
// for, so it is passed in as text.
std::wstring TrackLine(const std::wstring& trackNumberText, short seconds);

// What is copied from the drive list: the drive's line, then, when the
// drive's details are on show, "caption\tvalue" for each row of the details
// columns, the caption without its trailing blanks. Every line ends in CRLF.
std::wstring DriveListCopy(const std::wstring& driveLine, const DriveDetails* details);

// What is copied from the track list: every track line, then the CD
// control's summary lines. Every line ends in CRLF; nothing to copy is "".
std::wstring TrackListCopy(const std::vector<std::wstring>& trackLines, const std::wstring& summary);
