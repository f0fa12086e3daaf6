#include "drive_text.h"

#include "texts.h"

#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <iterator>

std::wstring DriveLine(const std::wstring& letter, long typeCode)
{
    const bool known = typeCode >= 0 && typeCode < static_cast<long>(std::size(texts::kDriveTypes));
    return L"Drive " + letter + L": " + texts::kDriveTypes[known ? typeCode : 0];
}

std::wstring LetterOfDriveLine(const std::wstring& line)
{
    return line.size() >= 7 ? line.substr(6, 1) : std::wstring();
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
    return d.letter + L"\n" + WholeMegabytes(d.freeBytes) + L" MB\n" + d.fileSystem + L"\n" +
           std::to_wstring(d.serialNumber) + L"\n" + WholeMegabytes(d.totalBytes) + L" MB\n" + d.volumeName;
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
    return L"Track" + trackNumberText + L"\t\t" + FormatDuration(seconds);
}
