// What the control reports and shows, apart from any window or device: the
// drive it reads, the tracks of its last reading, the summary text.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toc.h"

// What the control reports on: the drive whose disc it reads, and the table
// of track lengths read for the current listing. A listing starts with the
// track count, which reads the disc; the track lengths are answered from that
// reading, so one listing reads the disc once.
class DiscListing {
public:
    using ReadTracks = std::function<std::vector<DiscTrack>(wchar_t driveLetter)>;
    using FindFirstCdrom = std::function<wchar_t()>;

    DiscListing(ReadTracks read, FindFirstCdrom firstCdrom);

    // One drive letter, or an empty text for the machine's first CD-ROM
    // drive. false (and nothing changed) for anything else.
    bool SetDrive(std::wstring_view text);
    // The drive set, else the machine's first CD-ROM drive; 0 when neither.
    wchar_t Drive() const;

    // Reads the disc afresh and returns its number of tracks.
    long ReadTrackCount();
    // The length in seconds of track trackNo (from 1), nullopt outside 1 to
    // the count. Reads the disc when no reading was made since the drive
    // was set.
    std::optional<long> TrackSeconds(long trackNo);

    // The last reading: its number of tracks, and the playing time of its
    // audio in whole seconds, counted in frames and without data tracks.
    long TrackCount() const;
    long TotalSeconds() const;

private:
    ReadTracks read_;
    FindFirstCdrom firstCdrom_;
    wchar_t drive_ = 0;
    std::optional<std::vector<DiscTrack>> tracks_;
};

// The text the control shows under its emblem: the number of tracks and the
// disc's total time, one per line; empty for a disc without tracks.
std::wstring DiscSummaryText(long trackCount, long totalSeconds);
