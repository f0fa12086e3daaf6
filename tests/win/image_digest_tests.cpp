// The digest by which a program knows the DLL built with it, and the rule on
// the shapes it takes, on small PE images (SmallImage): its value, written
// out, for a 64-bit and a 32-bit image, signed or not; what is no image at
// all; and every other shape, among them the crafted ones that kept the
// built digest under the former rule. Then the seeds of the PE reading's
// fuzzer, replayed.

#include "crafted_control.h"
#include "fuzz/image_fuzz.h"
#include "image_digest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = ImageBytes;

void Put(Bytes& bytes, std::size_t offset, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Where SmallImage's certificate table's directory entry stands.
std::size_t EntryOf(bool is64Bit)
{
    return is64Bit ? 0x128 : 0x118;
}

// The digest of bytes written to a file and read back through a handle, as
// hex digits, or the status when there is none.
std::string DigestOf(const Bytes& bytes)
{
    const auto path = std::filesystem::temp_directory_path() /
                      ("tarvolo-image-digest-" + std::to_string(GetCurrentProcessId()) + ".bin");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    Sha256Digest digest{};
    const HRESULT hr = UnsignedImageDigest(file, digest);
    CloseHandle(file);
    std::filesystem::remove(path);
    std::string hex;
    char two[3];
    for (const std::uint8_t byte : digest) {
        std::snprintf(two, sizeof two, "%02x", byte);
        hex += two;
    }
    return SUCCEEDED(hr) ? hex : hr == kNotAnImage ? "no image" : "failed";
}

// sha256sum of bytes 0x000-0x0D7, 0x0DC-0x127 and 0x130-0x9FF (64-bit), or
// 0x000-0x0D7, 0x0DC-0x117 and 0x120-0x9FF (32-bit), of SmallImage.
const std::string kDigest64 = "52cf1b3248e99f9fca9f0bcb07c2a0e88896cd1d885f604d7bef67701dbfdac2";
const std::string kDigest32 = "fb61c226eabd94e648698f6e66a41e5f3e3e32d0e3e00b4285838148a6b9ff98";

TEST(ImageDigest, IsTheSameSignedOrNotAndChangesWithAnyOtherByte)
{
    EXPECT_EQ(DigestOf(SmallImage(true)), kDigest64);
    EXPECT_EQ(DigestOf(SignedLike(SmallImage(true))), kDigest64);
    EXPECT_EQ(DigestOf(SmallImage(false)), kDigest32);
    EXPECT_EQ(DigestOf(SignedLike(SmallImage(false), 256)), kDigest32);
    // A signature whose table starts right at the entry's end is signing's
    // shape too: its digest covers no byte after the entry.
    Bytes fromEntryEnd = SmallImage(true);
    Put(fromEntryEnd, EntryOf(true), 0x130, 4);
    Put(fromEntryEnd, EntryOf(true) + 4, 0xA00 - 0x130, 4);
    EXPECT_NE(DigestOf(fromEntryEnd), "no image");
    EXPECT_NE(DigestOf(fromEntryEnd), kDigest64);
    for (const std::size_t changed : {0x900, 0x84}) {  // data, and the machine: another architecture
        Bytes image = SmallImage(true);
        image[changed] ^= 1;
        EXPECT_NE(DigestOf(image), kDigest64) << changed;
    }
}

TEST(ImageDigest, NoImageHasNone)
{
    const std::string text = "Divazid.dll\r\n";
    Bytes cutShort = SmallImage(true);
    cutShort.resize(0x12A);  // in the directory entry
    for (const Bytes& bytes : {Bytes{}, Bytes(text.begin(), text.end()), Bytes{0x4D, 0x5A}, cutShort})
        EXPECT_EQ(DigestOf(bytes), "no image") << bytes.size() << " bytes";
}

// Only the shapes of building and signing: no table, or one that runs from
// after the entry to the end of the file.
TEST(ImageDigest, AnyOtherPlaceOfTheCertificateTableHasNone)
{
    for (const bool is64Bit : {true, false}) {
        SCOPED_TRACE(is64Bit ? "64-bit" : "32-bit");
        const Bytes image = SmallImage(is64Bit);
        const std::size_t entry = EntryOf(is64Bit);
        const auto withEntry = [&](Bytes bytes, std::uint32_t offset, std::uint32_t size) {
            Put(bytes, entry, offset, 4);
            Put(bytes, entry + 4, size, 4);
            return bytes;
        };
        Bytes appended = image;
        appended.resize(image.size() + 16);
        EXPECT_EQ(DigestOf(withEntry(image, 0xA00, 0)), "no image") << "size 0, an offset";
        EXPECT_EQ(DigestOf(withEntry(image, 0x200, 0)), "no image") << "size 0, an offset inside";
        EXPECT_EQ(DigestOf(withEntry(appended, 0xA00, 8)), "no image") << "8 of the 16 bytes after the table";
        EXPECT_EQ(DigestOf(withEntry(appended, 0xA00, 17)), "no image") << "one byte past the end";
        EXPECT_EQ(DigestOf(withEntry(appended, 0xA08, 16)), "no image") << "from 8 bytes before the end";
        EXPECT_EQ(DigestOf(withEntry(appended, entry + 7, static_cast<std::uint32_t>(appended.size() - entry - 7))),
                  "no image")
            << "from inside the entry";
        EXPECT_EQ(DigestOf(withEntry(appended, 0, static_cast<std::uint32_t>(appended.size()))), "no image")
            << "the whole file";
        for (const CraftedControl& crafted : CraftedControls(image)) {
            EXPECT_EQ(DigestOf(crafted.bytes), "no image") << crafted.name;
            if (crafted.name != "table-past-end") {
                EXPECT_EQ(FormerRuleDigest(crafted.bytes), FormerRuleDigest(image))
                    << crafted.name << " had the image's digest under the former rule";
            }
        }
    }
}

Bytes Seed(const std::filesystem::path& name)
{
    std::ifstream in(std::filesystem::path(IMAGE_CORPUS_DIR) / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Every seed keeps the fuzzer's properties, and the rule takes exactly the
// accepted-* ones; a signed seed reaches the property of the files hashed
// like a reference. The raw images among them are SmallImage's.
TEST(ImageFuzzSeeds, KeepTheFuzzersPropertiesAndAreTakenOrRefusedByName)
{
    constexpr std::size_t kSeeds = 33;
    std::size_t seeds = 0;
    std::size_t likeReference = 0;
    for (const auto& item : std::filesystem::directory_iterator(IMAGE_CORPUS_DIR)) {
        const std::string name = item.path().filename().string();
        const Bytes input = Seed(name);
        const ImageCheck check = CheckImageInput(input.data(), input.size());
        ++seeds;
        EXPECT_EQ(check.broken, "") << name;
        EXPECT_EQ(check.accepted, name.starts_with("accepted-")) << name;
        likeReference += check.likeReference;
    }
    EXPECT_EQ(seeds, kSeeds);
    EXPECT_GE(likeReference, 4u) << "the seeds of SmallImage, signed or not, hash like it";
    for (const bool is64Bit : {true, false}) {
        const Bytes raw = Seed(is64Bit ? "accepted-raw-small64" : "accepted-raw-small32");
        EXPECT_EQ(Bytes(raw.begin() + 1, raw.end()), SmallImage(is64Bit));
    }
}

}  // namespace
