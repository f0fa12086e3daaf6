// The digest by which a program knows the DLL built with it, on small PE
// images made here field by field: its value, written out, for a 64-bit and
// a 32-bit image, signed or not; and what is no image at all.

#include "image_digest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& bytes, std::size_t offset, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A 1024-byte image whose every byte i is i * 7 % 251 but for its headers:
// the PE header at 0x80, the optional header at 0x98 with its checksum at
// 0xD8, the certificate table's directory entry at 0x128 (64-bit) or 0x118.
// Signed, the checksum changes and a certificate table of 16 bytes is
// appended and named in the directory entry.
Bytes Image(bool is64Bit, bool isSigned = false)
{
    Bytes bytes(1024);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 % 251);
    const std::size_t certificateEntry = is64Bit ? 0x128 : 0x118;
    Put(bytes, 0x00, 0x5A4D, 2);                     // MZ
    Put(bytes, 0x3C, 0x80, 4);                       // where the PE header stands
    Put(bytes, 0x80, 0x00004550, 4);                 // PE\0\0
    Put(bytes, 0x84, is64Bit ? 0x8664 : 0x014C, 2);  // machine
    Put(bytes, 0x94, is64Bit ? 0xF0 : 0xE0, 2);      // size of the optional header
    Put(bytes, 0x98, is64Bit ? 0x20B : 0x10B, 2);    // PE32+ or PE32
    Put(bytes, 0xD8, isSigned ? 0xDEADBEEF : 0x11223344, 4);
    Put(bytes, is64Bit ? 0x104 : 0xF4, 16, 4);  // 16 directories
    Put(bytes, certificateEntry, isSigned ? 1024 : 0, 4);
    Put(bytes, certificateEntry + 4, isSigned ? 16 : 0, 4);
    if (isSigned)
        bytes.insert(bytes.end(), 16, 0xAA);
    return bytes;
}

// The digest of bytes written to a file and read back through a handle, as
// hex digits, or the status when there is none.
std::string DigestOf(const Bytes& bytes)
{
    const auto path = std::filesystem::temp_directory_path() / "tarvolo-image-digest.bin";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
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

TEST(ImageDigest, IsTheSameSignedOrNotAndChangesWithAnyOtherByte)
{
    // sha256sum of bytes 0x000-0x0D7, 0x0DC-0x127 and 0x130-0x3FF (64-bit),
    // or 0x000-0x0D7, 0x0DC-0x117 and 0x120-0x3FF (32-bit), of Image().
    const std::string digest64 = "f30b6ac6c72fa581c199e5b56180bbfa7f1e03e16950a421ffe828693fc829e2";
    const std::string digest32 = "0b164022c06779f229183d0d00012067a9bca0dde960d9ccc497e3d52662ed85";
    EXPECT_EQ(DigestOf(Image(true)), digest64);
    EXPECT_EQ(DigestOf(Image(true, true)), digest64);
    EXPECT_EQ(DigestOf(Image(false)), digest32);
    EXPECT_EQ(DigestOf(Image(false, true)), digest32);
    for (const std::size_t changed : {0x200, 0x84}) {  // data, and the machine: another architecture
        Bytes image = Image(true);
        image[changed] ^= 1;
        EXPECT_NE(DigestOf(image), digest64) << changed;
    }
}

TEST(ImageDigest, NoImageHasNone)
{
    const std::string text = "Divazid.dll\r\n";
    Bytes cutShort = Image(true);
    cutShort.resize(0x12A);  // in the directory entry
    Bytes beyondTheEnd = Image(true, true);
    Put(beyondTheEnd, 0x12C, 17, 4);  // a certificate table one byte longer than the file
    for (const Bytes& bytes : {Bytes{}, Bytes(text.begin(), text.end()), Bytes{0x4D, 0x5A}, cutShort, beyondTheEnd})
        EXPECT_EQ(DigestOf(bytes), "no image") << bytes.size() << " bytes";
}

}  // namespace
