#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "disc_listing.h"
#include "toc.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Frames = std::vector<std::uint32_t>;

// A well-formed table: tracks numbered from `first`, starting at `starts`
// (frames), the last start being the lead-out's. ADR 1 sits in the high
// nibble beside the control bits, as drives report it.
Bytes Disc(std::uint8_t first, const Frames& starts, const std::vector<bool>& data = {})
{
    using B = std::uint8_t;
    const std::size_t tracks = starts.size() - 1;
    const std::size_t length = 2 + 8 * starts.size();
    Bytes toc{B(length >> 8), B(length), first, B(first + tracks - 1)};
    for (std::size_t i = 0; i <= tracks; ++i) {
        const bool isData = i == tracks || (i < data.size() && data[i]);
        const std::uint32_t at = starts[i];
        toc.insert(toc.end(), {0, B(isData ? 0x14 : 0x10), B(i == tracks ? 0xAA : first + i), 0, 0, B(at / 4500),
                               B(at / 75 % 60), B(at % 75)});
    }
    return toc;
}

std::optional<std::vector<DiscTrack>> Parse(const Bytes& toc)
{
    return ParseToc(toc.data(), toc.size());
}

Bytes With(Bytes toc, std::size_t offset, std::uint8_t value)
{
    toc[offset] = value;
    return toc;
}

// Three tracks of 1182, 539 and 389 frames.
const Bytes kThree = Disc(1, {150, 1332, 1871, 2260});

// Each track's length, and what the control shows under its emblem: the
// disc's audio playing time, counted in frames.
TEST(TocParser, TrackLengthsAndTheDiscsPlayingTime)
{
    // The driver's padded buffer and a 99-track disc come from the corpus.
    const struct {
        const char* what;
        Bytes toc;
        Frames frames;
        std::vector<long> seconds;
        const wchar_t* summary;
    } discs[] = {
        {"one track", Disc(1, {150, 452}), {302}, {4}, L"Track-uri: 1\nDurata: 0:04"},
        // 28.1 s in all, though the whole seconds of the tracks add up to 27.
        {"three tracks", kThree, {1182, 539, 389}, {15, 7, 5}, L"Track-uri: 3\nDurata: 0:28"},
        {"ending at 79:59:74",
         Disc(1, {150, 284645, 359999}),
         {284495, 75354},
         {3793, 1004},
         L"Track-uri: 2\nDurata: 1:19:57"},
        // Enhanced CD: the data track starts 11,400 frames after the audio
        // ends, here longer than the audio itself, and its time is no playing time.
        {"enhanced, gap longer than the audio",
         Disc(1, {150, 11550, 20000}, {false, true}),
         {11400, 8450},
         {152, 112},
         L"Track-uri: 2\nDurata: 2:32"},
        {"mixed mode: data first, no gap",
         Disc(1, {150, 20150, 40150}, {true, false}),
         {20000, 20000},
         {266, 266},
         L"Track-uri: 2\nDurata: 4:26"},
    };
    for (const auto& d : discs) {
        SCOPED_TRACE(d.what);
        const auto tracks = Parse(d.toc);
        ASSERT_TRUE(tracks);
        Frames frames;
        for (const DiscTrack& t : *tracks)
            frames.push_back(t.frames);
        EXPECT_EQ(frames, d.frames);

        DiscListing listing([&](wchar_t) { return *tracks; }, [] { return L'D'; });
        EXPECT_EQ(listing.ReadTrackCount(), static_cast<long>(d.seconds.size()));
        std::vector<long> seconds;
        for (long n = 1; n <= listing.TrackCount(); ++n)
            seconds.push_back(listing.TrackSeconds(n).value_or(-1));
        EXPECT_EQ(seconds, d.seconds);
        EXPECT_EQ(DiscSummaryText(listing.TrackCount(), listing.TotalSeconds()), d.summary);
    }
}

TEST(TocParser, RejectsMalformedTables)
{
    Frames hundred;
    for (std::uint32_t i = 0; i <= 100; ++i)
        hundred.push_back(150 + 75 * i);
    // Entry n (from 0) starts at byte 4 + 8n: its number at +2, its minute,
    // second and frame at +5, +6 and +7.
    const struct {
        const char* what;
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
        {"track numbers out of sequence", With(kThree, 4 + 8 + 2, 3)},
        {"lead-out entry missing", With(kThree, 4 + 24 + 2, 4)},
        {"seconds of 60", With(kThree, 4 + 24 + 6, 60)},
        {"frames of 75", With(kThree, 4 + 24 + 7, 75)},
        {"zero-length track", Disc(1, {150, 1332, 1332, 2260})},
        {"start addresses going back", Disc(1, {150, 1332, 1200, 2260})},
        {"lead-out before the last track", Disc(1, {150, 1332, 1871, 1800})},
        {"first track inside the pre-gap", Disc(1, {149, 1332})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(Parse(c.toc));
    }
    EXPECT_FALSE(ParseToc(nullptr, 804));
}

// The fuzzer's seed tables: valid-* parse, malformed-* do not, and whatever
// parses describes a disc.
TEST(TocParser, FuzzCorpusReplay)
{
    std::size_t files = 0;
    for (const auto& item : std::filesystem::directory_iterator(TOC_CORPUS_DIR)) {
        const std::string name = item.path().filename().string();
        SCOPED_TRACE(name);
        std::ifstream in(item.path(), std::ios::binary);
        const auto tracks = Parse(Bytes(std::istreambuf_iterator<char>(in), {}));
        ++files;
        EXPECT_EQ(tracks.has_value(), name.starts_with("valid-"));  // the others are malformed-*
        if (tracks) {
            EXPECT_GE(tracks->size(), 1u);
            EXPECT_LE(tracks->size(), 99u);
            for (const DiscTrack& t : *tracks)
                EXPECT_GT(t.frames, 0u);
        }
    }
    EXPECT_GE(files, 10u);
}

}  // namespace
