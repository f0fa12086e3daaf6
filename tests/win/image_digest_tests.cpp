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

// A 1024-byte image: every byte i is i * 7 % 251, then the headers. The PE
// header at 0x80, the optional header at 0x98 with its checksum at 0xD8; the
// certificate table's directory entry at 0x128 (64-bit) or 0x118 (32-bit).
Bytes Image(bool is64Bit)
{
    Bytes bytes(1024);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 % 251);
    Put(bytes, 0x00, 0x5A4D, 2);                     // MZ
    Put(bytes, 0x3C, 0x80, 4);                       // where the PE header stands
    Put(bytes, 0x80, 0x00004550, 4);                 // PE\0\0
    Put(bytes, 0x84, is64Bit ? 0x8664 : 0x014C, 2);  // machine
    Put(bytes, 0x94, is64Bit ? 0xF0 : 0xE0, 2);      // size of the optional header
    Put(bytes, 0x98, is64Bit ? 0x20B : 0x10B, 2);    // PE32+ or PE32
    Put(bytes, 0xD8, 0x11223344, 4);                 // checksum
    Put(bytes, is64Bit ? 0x104 : 0xF4, 16, 4);       // 16 directories
    Put(bytes, is64Bit ? 0x128 : 0x118, 0, 4);       // no certificate table
    Put(bytes, is64Bit ? 0x12C : 0x11C, 0, 4);
    return bytes;
}

// The same image as signing leaves it: another checksum, and a certificate
// table of 16 bytes appended and named in the directory entry.
Bytes Signed(Bytes bytes, bool is64Bit)
{
    Put(bytes, 0xD8, 0xDEADBEEF, 4);
    Put(bytes, is64Bit ? 0x128 : 0x118, 1024, 4);
    Put(bytes, is64Bit ? 0x12C : 0x11C, 16, 4);
    bytes.insert(bytes.end(), 16, 0xAA);
    return bytes;
}

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

// The digest of bytes written to a file and read back through a handle, or
// the status.
class ImageDigest : public testing::Test {
protected:
    ~ImageDigest() override { std::filesystem::remove(path_); }

    HRESULT Of(const Bytes& bytes, std::string& hex)
    {
        std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        const HANDLE file = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                        nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        Sha256Digest digest{};
        const HRESULT hr = UnsignedImageDigest(file, digest);
        CloseHandle(file);
        hex = Hex(digest);
        return hr;
    }

    std::string Of(const Bytes& bytes)
    {
        std::string hex;
        EXPECT_EQ(Of(bytes, hex), S_OK);
        return hex;
    }

private:
    std::filesystem::path path_ = std::filesystem::temp_directory_path() / "tarvolo-image-digest.bin";
};

TEST_F(ImageDigest, IsTheSameSignedOrNotAndChangesWithAnyOtherByte)
{
    // sha256sum of bytes 0x000-0x0D7, 0x0DC-0x127 and 0x130-0x3FF (64-bit),
    // or 0x000-0x0D7, 0x0DC-0x117 and 0x120-0x3FF (32-bit), of Image().
    const std::string digest64 = "f30b6ac6c72fa581c199e5b56180bbfa7f1e03e16950a421ffe828693fc829e2";
    const std::string digest32 = "0b164022c06779f229183d0d00012067a9bca0dde960d9ccc497e3d52662ed85";
    EXPECT_EQ(Of(Image(true)), digest64);
    EXPECT_EQ(Of(Signed(Image(true), true)), digest64);
    EXPECT_EQ(Of(Image(false)), digest32);
    EXPECT_EQ(Of(Signed(Image(false), false)), digest32);

    Bytes changed = Image(true);
    changed[0x200] ^= 1;
    EXPECT_NE(Of(changed), digest64);
    Bytes changedHeader = Image(true);
    changedHeader[0x84] ^= 1;  // the machine: another architecture
    EXPECT_NE(Of(changedHeader), digest64);
}

TEST_F(ImageDigest, NoImageHasNone)
{
    const std::string text = "Divazid.dll\r\n";
    Bytes cutShort = Image(true);
    cutShort.resize(0x12A);
    Bytes outsideFile = Signed(Image(true), true);
    Put(outsideFile, 0x12C, 17, 4);  // a certificate table one byte longer than the file
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"empty", {}},
        {"text", Bytes(text.begin(), text.end())},
        {"MZ alone", {0x4D, 0x5A}},
        {"cut in the directory entry", cutShort},
        {"certificate table beyond the end", outsideFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string hex;
        EXPECT_EQ(Of(c.bytes, hex), kNotAnImage);
    }
}

}  // namespace
