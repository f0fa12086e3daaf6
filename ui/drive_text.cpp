// The drive browser's texts from the drive service's and the CD control's
// values (drive_text.h): drive and track lines, details columns, copies.

#include "drive_text.h"

#include "texts.h"

#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <iterator>

namespace {

// The lines of a text whose lines are separated by LF: n separators, n + 1 lines.
std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines(1);
    for (const wchar_t c : text) {
        if (c == L'\n')
            lines.emplace_back();
        else
            lines.back() += c;
    }
    return lines;
}

}  // namespace

std::wstring DriveLine(const std::wstring& letter, long typeCode)
{
    const bool known = typeCode >= 0 && typeCode < static_cast<long>(std::size(texts::kDriveTypes));
    return texts::kDriveLineBefore + letter + L": " + texts::kDriveTypes[known ? typeCode : 0];
}

std::wstring DetailsCaptions()
{
    std::wstring captions;
    for (const wchar_t* caption : texts::kDetailsCaptions)
        captions += caption + std::wstring(L"\n");
    return captions;
}

std::wstring DetailsValues(const DriveDetails& d)
{
    return d.letter + L"\n" + WholeMegabytes(d.freeBytes) + texts::kMegabytes + L"\n" + d.fileSystem + L"\n" +
           std::to_wstring(d.serialNumber) + L"\n" + WholeMegabytes(d.totalBytes) + texts::kMegabytes + L"\n" +
           d.volumeName;
}

std::wstring WholeMegabytes(double bytes)
{
    // nearbyint rounds in the default mode, to nearest with ties to even;
    // adding 0.0 turns a negative zero into a plain one.
    const double megabytes = std::nearbyint(bytes / 1048576.0) + 0.0;
    wchar_t text[400];
    std::swprintf(text, std::size(text), L"%.0f", megabytes);
    return text;
}

std::wstring SignedDecimal(int n)
{
    return n < 0 ? std::to_wstring(n) : L" " + std::to_wstring(n);
}

std::wstring FormatDuration(short seconds)
{
    const int minutes = seconds / 60;
    const int rest = seconds - 60 * minutes;
    const int restDigits = std::abs(rest);
    return SignedDecimal(minutes) + L":" + (rest < 0 ? L"-" : L"") + (restDigits < 10 ? L"0" : L"") +
           std::to_wstring(restDigits);
}

std::wstring TrackLine(const std::wstring& trackNumberText, short seconds)
{
    return texts::kTrackLineBefore + trackNumberText + L"\t\t" + FormatDuration(seconds);
}

// A value holding a line feed takes as many rows as it has lines, the rows
// after its first without a caption, as the columns show it.
std::wstring DriveListCopy(const std::wstring& driveLine, const DriveDetails* details)
{
    std::wstring text = driveLine + L"\r\n";
    if (!details)
        return text;
    const std::vector<std::wstring> valueLines = Lines(DetailsValues(*details));
    for (size_t row = 0; row < valueLines.size(); ++row) {
        std::wstring caption = row < std::size(texts::kDetailsCaptions) ? texts::kDetailsCaptions[row] : L"";
        caption.erase(caption.find_last_not_of(L' ') + 1);
        text += caption + L"\t" + valueLines[row] + L"\r\n";
    }
    return text;
}

std::wstring TrackListCopy(const std::vector<std::wstring>& trackLines, const std::wstring& summary)
{
    std::wstring text;
    for (const std::wstring& line : trackLines)
        text += line + L"\r\n";
    if (!summary.empty()) {
        for (const std::wstring& line : Lines(summary))
            text += line + L"\r\n";
    }
    return text;
}
