// The project's own SHA-256 (win/sha256.h) against the examples of FIPS 180-4
// (NIST's "SHA256.pdf" and the long message of its test vectors), written
// out, given whole and in uneven pieces.

#include "sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

std::string Hex(const Sha256Digest& digest)
{
    std::string hex;
    char two[3];
    for (const std::uint8_t byte : digest) {
        std::snprintf(two, sizeof two, "%02x", byte);
        hex += two;
    }
    return hex;
}

std::string HashOf(const std::string& message, std::size_t piece = 0)
{
    Sha256 hash;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(message.data());
    if (piece == 0) {
        hash.Add(bytes, message.size());
    } else {
        for (std::size_t at = 0; at < message.size(); at += piece)
            hash.Add(bytes + at, std::min(piece, message.size() - at));
    }
    return Hex(hash.Finish());
}

TEST(Sha256, GivesTheDigestsOfTheStandardsExamples)
{
    const struct {
        std::string message;
        const char* digest;
    } examples[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 448 bits: the padding takes a second block.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        // 896 bits.
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrst"
         "nopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& example : examples) {
        SCOPED_TRACE(testing::Message() << example.message.size() << " bytes");
        EXPECT_EQ(HashOf(example.message), example.digest);
        for (const std::size_t piece : {1, 3, 55, 63, 64, 65})
            EXPECT_EQ(HashOf(example.message, piece), example.digest) << "in pieces of " << piece;
    }
}

}  // namespace
