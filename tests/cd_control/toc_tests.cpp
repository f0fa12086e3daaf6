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

// The fuzzer's seed tables (tests/fuzz/make_corpus.py): valid-* parse,
// malformed-* do not, whatever parses describes a disc; and no table at all.
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
    EXPECT_FALSE(ParseToc(nullptr, 804));
}

}  // namespace
