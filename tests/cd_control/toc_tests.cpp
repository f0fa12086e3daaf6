#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "toc.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Frames = std::vector<std::uint32_t>;

// A well-formed table: tracks numbered from `first`, starting at `starts`
// (frames), the last start being the lead-out's. ADR 1 sits in the high
// nibble beside the control bits, as drives report it.
Bytes Disc(std::uint8_t first, const Frames& starts, const std::vector<bool>& data = {})
{
    const auto tracks = static_cast<std::uint8_t>(starts.size() - 1);
    const auto length = static_cast<std::uint16_t>(2 + 8 * starts.size());
    Bytes toc{static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length & 0xFF),
              first, static_cast<std::uint8_t>(first + tracks - 1)};
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const bool isData = i == tracks || (i < data.size() && data[i]);
        const auto number = static_cast<std::uint8_t>(i == tracks ? 0xAA : first + i);
        const std::uint32_t at = starts[i];
        toc.insert(toc.end(), {0, static_cast<std::uint8_t>(isData ? 0x14 : 0x10), number, 0, 0,
                               static_cast<std::uint8_t>(at / 4500),
                               static_cast<std::uint8_t>(at / 75 % 60),
                               static_cast<std::uint8_t>(at % 75)});
    }
    return toc;
}

std::optional<Frames> Parse(const Bytes& toc)
{
    return ParseTocTrackFrames(toc.data(), toc.size());
}

std::vector<long> Seconds(const std::optional<Frames>& frames)
{
    std::vector<long> seconds;
    for (const auto f : frames.value())
        seconds.push_back(WholeSeconds(f));
    return seconds;
}

// Three tracks of 1182, 539 and 389 frames from the 2-second mark.
const Bytes kThree = Disc(1, {150, 1332, 1871, 2260});

TEST(TocParser, TrackLengthsInFramesAndWholeSeconds)
{
    EXPECT_EQ(Parse(Disc(1, {150, 452})), Frames({302}));
    EXPECT_EQ(Seconds(Parse(Disc(1, {150, 452}))), std::vector<long>({4}));

    EXPECT_EQ(Parse(Disc(4, {150, 300, 452})), Frames({150, 152}));
    EXPECT_EQ(Seconds(Parse(Disc(4, {150, 300, 452}))), std::vector<long>({2, 2}));

    EXPECT_EQ(Parse(kThree), Frames({1182, 539, 389}));
    EXPECT_EQ(Seconds(Parse(kThree)), std::vector<long>({15, 7, 5}));

    // Minutes weigh 4500 frames: a full-length disc ending at 79:59:74.
    const Bytes full = Disc(1, {150, (63 * 60 + 15) * 75 + 20, (79 * 60 + 59) * 75 + 74});
    EXPECT_EQ(Parse(full), Frames({284495, 75354}));
    EXPECT_EQ(Seconds(Parse(full)), std::vector<long>({3793, 1004}));
}

TEST(TocParser, AcceptsWhatDriversReturn)
{
    // The whole fixed-size buffer, zero-filled past the table.
    Bytes padded = kThree;
    padded.resize(4 + 100 * 8, 0);
    EXPECT_EQ(Parse(padded), Frames({1182, 539, 389}));

    // The most tracks a disc can hold.
    Frames starts;
    for (std::uint32_t i = 0; i <= 99; ++i)
        starts.push_back(150 + 75 * i);
    const auto full = Parse(Disc(1, starts));
    ASSERT_TRUE(full);
    EXPECT_EQ(full->size(), 99u);
}

TEST(TocParser, EnhancedCdLeavesTheSessionGapOutOfTheLastAudioTrack)
{
    // The data track starts 11,400 frames after the second audio track ends.
    EXPECT_EQ(Parse(Disc(1, {150, 20150, 61550, 111550}, {false, false, true})),
              Frames({20000, 30000, 50000}));
    // The gap would leave the audio track nothing: its plain length stands.
    EXPECT_EQ(Parse(Disc(1, {150, 11550, 20000}, {false, true})), Frames({11400, 8450}));
    // A data track first (mixed mode) shares the audio's session: no gap.
    EXPECT_EQ(Parse(Disc(1, {150, 20150, 40150}, {true, false})), Frames({20000, 20000}));
}

Bytes With(Bytes toc, std::size_t offset, std::uint8_t value)
{
    toc[offset] = value;
    return toc;
}

TEST(TocParser, RejectsMalformedTables)
{
    Frames hundred;
    for (std::uint32_t i = 0; i <= 100; ++i)
        hundred.push_back(150 + 75 * i);
    const std::size_t track2 = 4 + 8;
    const std::size_t leadOut = 4 + 3 * 8;
    const struct
    {
        const char* name;
        Bytes toc;
    } cases[] = {
        {"empty", {}},
        {"header cut short", Bytes(kThree.begin(), kThree.begin() + 3)},
        {"first track above last", With(With(kThree, 2, 3), 3, 1)},
        {"more than 99 tracks", Disc(1, hundred)},
        {"track number 0", Disc(0, {150, 300, 450})},
        {"track number above 99", Disc(99, {150, 300, 450})},
        {"length field misses the lead-out", With(kThree, 1, 2 + 3 * 8)},
        {"length field past what was read", Bytes(kThree.begin(), kThree.end() - 1)},
        {"track numbers out of sequence", With(kThree, track2 + 2, 3)},
        {"lead-out entry missing", With(kThree, leadOut + 2, 4)},
        {"seconds of 60", With(kThree, leadOut + 6, 60)},
        {"frames of 75", With(kThree, leadOut + 7, 75)},
        {"zero-length track", Disc(1, {150, 1332, 1332, 2260})},
        {"start addresses going back", Disc(1, {150, 1332, 1200, 2260})},
        {"lead-out before the last track", Disc(1, {150, 1332, 1871, 1800})},
        {"first track inside the pre-gap", Disc(1, {149, 1332})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(Parse(c.toc));
    }
    EXPECT_FALSE(ParseTocTrackFrames(nullptr, 804));
}

// The fuzzer's seed tables: valid-* must parse, malformed-* must not, and
// whatever parses describes a disc. The folder's path is taken from the root
// of the current drive, which under Wine is the drive that maps the tree.
TEST(TocParser, FuzzCorpusReplay)
{
    std::size_t files = 0;
    for (const auto& item : std::filesystem::directory_iterator(TOC_CORPUS_DIR)) {
        const std::string name = item.path().filename().string();
        SCOPED_TRACE(name);
        std::ifstream in(item.path(), std::ios::binary);
        const auto frames = Parse(Bytes(std::istreambuf_iterator<char>(in), {}));
        ++files;
        if (name.starts_with("valid-")) {
            EXPECT_TRUE(frames);
        }
        if (name.starts_with("malformed-")) {
            EXPECT_FALSE(frames);
        }
        if (frames) {
            EXPECT_GE(frames->size(), 1u);
            EXPECT_LE(frames->size(), 99u);
            for (const auto length : *frames)
                EXPECT_GT(length, 0u);
        }
    }
    EXPECT_GE(files, 10u);
}

}  // namespace
