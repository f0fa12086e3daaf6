// The table-of-contents parser (toc.h) on the fuzzer's seed tables, which
// fuzz/make_corpus.py writes from each disc's start addresses in frames.
#include <gtest/gtest.h>

#include "toc.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Seed(const std::filesystem::path& name)
{
    std::ifstream in(std::filesystem::path(TOC_CORPUS_DIR) / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The tracks a table parses to: each one's frames, "(data)" after a data
// track's; "malformed" for a table refused.
std::string TracksOf(const Bytes& toc)
{
    const auto tracks = ParseToc(toc.data(), toc.size());
    if (!tracks)
        return "malformed";
    std::string text;
    for (const DiscTrack& track : *tracks)
        text += (text.empty() ? "" : ", ") + std::to_string(track.frames) + (track.isData ? " (data)" : "");
    return text;
}

// Each track runs from its start to the next one's, the last to the lead-out.
TEST(TocParser, EachTrackRunsFromItsStartToTheNextOne)
{
    EXPECT_EQ(TracksOf(Seed("valid-one-track")), "302");                // starts 150, 452
    EXPECT_EQ(TracksOf(Seed("valid-three-tracks")), "1182, 539, 389");  // starts 150, 1332, 1871, 2260
    EXPECT_EQ(TracksOf(Seed("valid-full-buffer")), "1182, 539, 389");   // the same in the driver's padded buffer
    EXPECT_EQ(TracksOf(Seed("valid-tracks-4-and-5")), "150, 152");      // 150, 300, 452
    EXPECT_EQ(TracksOf(Seed("valid-long-disc")), "284495, 75354");      // 150, 284645, 359999 (79:59:74)
}

// A mixed-mode disc's data track comes first, with no gap after it.
TEST(TocParser, MarksADataTrack)
{
    EXPECT_EQ(TracksOf(Seed("valid-mixed-mode")), "20000 (data), 20000");  // 150, 20150, 40150
}

// An Enhanced CD's data track, in its second session, starts 11,400 frames
// after the last audio track ends: the first session's lead-out, the second
// one's lead-in and the data track's pre-gap. That gap is no audio, unless
// it would leave nothing of the audio track.
TEST(TocParser, TheSessionGapBeforeAnEnhancedCdsDataTrackIsNoAudio)
{
    EXPECT_EQ(TracksOf(Seed("valid-enhanced-cd")), "20000, 30000, 50000 (data)");           // 150, 20150, 61550, 111550
    EXPECT_EQ(TracksOf(Seed("valid-enhanced-cd-audio-within-gap")), "11400, 8450 (data)");  // 150, 11550, 20000
}

// Every valid-* seed describes a disc of 1 to 99 tracks, none empty; every
// malformed-* one is refused, as is no table at all.
TEST(TocParser, AcceptsTheValidSeedsAndRefusesTheMalformedOnes)
{
    constexpr std::size_t kSeedTables = 25;
    std::size_t seeds = 0;
    for (const auto& item : std::filesystem::directory_iterator(TOC_CORPUS_DIR)) {
        const std::string name = item.path().filename().string();
        const Bytes toc = Seed(name);
        const auto tracks = ParseToc(toc.data(), toc.size());
        ++seeds;
        EXPECT_EQ(tracks.has_value(), name.starts_with("valid-")) << name;
        if (tracks) {
            EXPECT_TRUE(!tracks->empty() && tracks->size() <= 99) << name;
            for (const DiscTrack& track : *tracks)
                EXPECT_GT(track.frames, 0u) << name;
        }
    }
    EXPECT_EQ(seeds, kSeedTables);
    EXPECT_FALSE(ParseToc(nullptr, 804)) << "no table, with the size of the driver's buffer";
}

}  // namespace
