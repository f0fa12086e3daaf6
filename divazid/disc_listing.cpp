// The control's listing of a disc and its summary text (disc_listing.h).
#include "disc_listing.h"

#include "control_texts.h"
#include "drive_letter.h"

#include <utility>

DiscListing::DiscListing(ReadTracks read, FindFirstCdrom firstCdrom)
    : read_(std::move(read)), firstCdrom_(std::move(firstCdrom))
{
}

bool DiscListing::SetDrive(std::wstring_view text)
{
    wchar_t letter = 0;
    if (text.size() == 1) {
        letter = UpperDriveLetter(text[0]);
        if (letter < L'A' || letter > L'Z')
            return false;
    } else if (!text.empty()) {
        return false;
    }
    drive_ = letter;
    tracks_.reset();
    return true;
}

wchar_t DiscListing::Drive() const
{
    return drive_ != 0 ? drive_ : firstCdrom_();
}

long DiscListing::ReadTrackCount()
{
    const wchar_t letter = Drive();
    tracks_ = letter != 0 ? read_(letter) : std::vector<DiscTrack>{};
    return TrackCount();
}

std::optional<long> DiscListing::TrackSeconds(long trackNo)
{
    if (!tracks_)
        ReadTrackCount();
    if (trackNo < 1 || trackNo > TrackCount())
        return std::nullopt;
    return WholeSeconds((*tracks_)[static_cast<std::size_t>(trackNo - 1)].frames);
}

long DiscListing::TrackCount() const
{
    return tracks_ ? static_cast<long>(tracks_->size()) : 0;
}

long DiscListing::TotalSeconds() const
{
    if (!tracks_)
        return 0;
    std::uint32_t audioFrames = 0;
    for (const DiscTrack& track : *tracks_)
        audioFrames += track.isData ? 0 : track.frames;
    return WholeSeconds(audioFrames);
}

namespace {

std::wstring TwoDigits(long value)
{
    return (value < 10 ? L"0" : L"") + std::to_wstring(value);
}

}  // namespace

std::wstring DiscSummaryText(long trackCount, long totalSeconds)
{
    if (trackCount <= 0)
        return {};
    const long hours = totalSeconds / 3600;
    const long minutes = totalSeconds / 60 % 60;
    const long seconds = totalSeconds % 60;
    std::wstring time = hours > 0 ? std::to_wstring(hours) + L":" + TwoDigits(minutes) : std::to_wstring(minutes);
    time += L":" + TwoDigits(seconds);
    return texts::kTrackCount + std::to_wstring(trackCount) + L"\n" + texts::kDuration + time;
}
