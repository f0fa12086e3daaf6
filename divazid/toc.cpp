// The table-of-contents parser of toc.h: checks every field a drive reports
// and turns the tracks' start addresses into lengths.
#include "toc.h"

namespace {

// The table: a 2-byte big-endian length of what follows it, the first and
// last track numbers, then one 8-byte entry per track and one for the
// lead-out: reserved, ADR (high nibble) and control (low nibble), track
// number, reserved, and the start address as 0, minutes, seconds, frames.
constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kLengthFieldSize = 2;
constexpr std::size_t kEntrySize = 8;
constexpr unsigned kMaxTrackNumber = 99;
constexpr std::uint8_t kLeadOutNumber = 0xAA;
constexpr std::uint8_t kControlDataTrack = 0x04;
constexpr std::uint32_t kFramesPerSecond = 75;
// Every disc's first track starts after the 2-second pre-gap.
constexpr std::uint32_t kFirstTrackMinStart = 2 * kFramesPerSecond;
// Between the sessions of an Enhanced CD: the first session's lead-out
// (90 s), the second session's lead-in (60 s) and the data track's pre-gap.
constexpr std::uint32_t kSessionGapFrames = 11400;

struct Entry {
    bool isData;
    std::uint32_t start;
};

std::optional<Entry> ReadEntry(const std::uint8_t* entry, std::uint8_t expectedNumber)
{
    if (entry[2] != expectedNumber)
        return std::nullopt;
    const std::uint32_t minutes = entry[5];
    const std::uint32_t seconds = entry[6];
    const std::uint32_t frames = entry[7];
    if (seconds >= 60 || frames >= kFramesPerSecond)
        return std::nullopt;
    return Entry{(entry[1] & kControlDataTrack) != 0, (minutes * 60 + seconds) * kFramesPerSecond + frames};
}

}  // namespace

std::optional<std::vector<DiscTrack>> ParseToc(const std::uint8_t* data, std::size_t size)
{
    if (data == nullptr || size < kHeaderSize)
        return std::nullopt;

    const std::size_t length = (std::size_t{data[0]} << 8) | data[1];
    const unsigned first = data[2];
    const unsigned last = data[3];
    if (first < 1 || last > kMaxTrackNumber || first > last)
        return std::nullopt;

    const std::size_t trackCount = last - first + 1;
    const std::size_t needed = kHeaderSize + (trackCount + 1) * kEntrySize;
    if (kLengthFieldSize + length > size || kLengthFieldSize + length < needed)
        return std::nullopt;

    std::vector<Entry> entries;
    entries.reserve(trackCount + 1);
    for (std::size_t i = 0; i <= trackCount; ++i) {
        const auto number = static_cast<std::uint8_t>(i < trackCount ? first + i : kLeadOutNumber);
        const auto entry = ReadEntry(data + kHeaderSize + i * kEntrySize, number);
        if (!entry || (!entries.empty() && entry->start <= entries.back().start))
            return std::nullopt;
        entries.push_back(*entry);
    }
    if (entries.front().start < kFirstTrackMinStart)
        return std::nullopt;

    std::vector<DiscTrack> tracks;
    tracks.reserve(trackCount);
    for (std::size_t i = 0; i < trackCount; ++i)
        tracks.push_back({entries[i + 1].start - entries[i].start, entries[i].isData});

    // An Enhanced CD: audio tracks, then a data track in a later session. The
    // data track's start lies past the gap between the sessions, which does
    // not belong to the last audio track.
    if (trackCount >= 2) {
        const Entry& audio = entries[trackCount - 2];
        const Entry& dataTrack = entries[trackCount - 1];
        if (dataTrack.isData && !audio.isData && dataTrack.start - audio.start > kSessionGapFrames)
            tracks[trackCount - 2].frames = dataTrack.start - kSessionGapFrames - audio.start;
    }
    return tracks;
}
