// Finds, in a PE file's headers, the two fields that Authenticode signing
// writes, checks where the certificate table lies, and hashes the rest of the
// file up to that table.

#include "signed_image.h"

namespace {

constexpr std::uint16_t kMz = 0x5A4D;
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32 = 0x10B;
constexpr std::uint16_t kPe32Plus = 0x20B;
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::size_t kChecksumOffset = 64;  // in the optional header, for both kinds
constexpr std::size_t kChecksumSize = 4;
constexpr std::size_t kCertificateDirectory = 4;
constexpr std::size_t kDirectoryEntrySize = 8;

// Little-endian values at an offset, or nullopt beyond the end.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::optional<std::uint32_t> At(std::size_t offset, std::size_t bytes) const
    {
        if (offset > size_ || bytes > size_ - offset)
            return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = bytes; i-- > 0;)
            value = value << 8 | data_[offset + i];
        return value;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// Where the optional header's checksum and the certificate table's
// directory entry stand. Both follow from two values alone: where the PE
// header stands (bytes 0x3C to 0x40) and the optional header's kind.
struct SignedFields {
    std::size_t checksum;
    std::size_t certificateEntry;
};

std::optional<SignedFields> FindSignedFields(const Reader& file)
{
    if (file.At(0, 2) != kMz)
        return std::nullopt;
    const std::optional<std::uint32_t> pe = file.At(0x3C, 4);
    if (!pe || file.At(*pe, 4) != kPeSignature)
        return std::nullopt;
    const std::size_t coff = std::size_t{*pe} + 4;
    const std::optional<std::uint32_t> optionalSize = file.At(coff + 16, 2);
    const std::size_t optional = coff + kCoffHeaderSize;
    const std::optional<std::uint32_t> magic = file.At(optional, 2);
    if (!optionalSize || (magic != kPe32 && magic != kPe32Plus))
        return std::nullopt;
    const bool plus = magic == kPe32Plus;
    const std::optional<std::uint32_t> directoryCount = file.At(optional + (plus ? 108 : 92), 4);
    const std::size_t entry = optional + (plus ? 112 : 96) + kCertificateDirectory * kDirectoryEntrySize;
    if (!directoryCount || *directoryCount <= kCertificateDirectory ||
        entry + kDirectoryEntrySize > optional + *optionalSize || !file.At(entry, kDirectoryEntrySize))
        return std::nullopt;
    return SignedFields{optional + kChecksumOffset, entry};
}

}  // namespace

// The rule. A file is taken in two shapes only: no certificate table (the
// entry 0, 0), as building makes it; or a table that starts at or after the
// end of its directory entry and runs exactly to the end of the file, as
// signing appends it. The digest covers the file up to the table but for the
// checksum and the entry.
//
// Why an equal digest then means that the loader maps exactly the built
// bytes: the checksum stands 88 bytes after the PE header, which starts
// after the "MZ", so bytes 0 to 0x40 are in the first hashed part of both
// files, and with them where the PE header stands; the optional header's
// kind, before the checksum, is in that part too. So the checksum and the
// entry stand where they stand in the built file, the parts start and end
// at the same places, and the hashed bytes, equal, are the built file's:
// the file up to its table is the built file but for those two fields, and
// as long. The table lies beyond the built file's end, so beyond every byte
// that its headers and sections name (the build checks that they name none
// outside the file), and the loader maps nothing else. It reads neither
// field: the certificate table is not mapped, and a DLL's checksum is not
// checked.
std::optional<std::vector<ByteRange>> UnsignedParts(const std::uint8_t* file, std::size_t size)
{
    const Reader reader(file, size);
    const std::optional<SignedFields> fields = FindSignedFields(reader);
    if (!fields)
        return std::nullopt;
    const std::size_t tableOffset = *reader.At(fields->certificateEntry, 4);
    const std::size_t tableSize = *reader.At(fields->certificateEntry + 4, 4);
    const std::size_t entryEnd = fields->certificateEntry + kDirectoryEntrySize;
    std::size_t hashedEnd = size;
    if (tableOffset != 0 || tableSize != 0) {
        if (tableSize == 0 || tableOffset < entryEnd || tableOffset > size || tableSize != size - tableOffset)
            return std::nullopt;
        hashedEnd = tableOffset;
    }
    // In file order: the start up to the checksum, the checksum up to the
    // entry, the entry up to the table or the end.
    return std::vector<ByteRange>{
        {0, fields->checksum},
        {fields->checksum + kChecksumSize, fields->certificateEntry - fields->checksum - kChecksumSize},
        {entryEnd, hashedEnd - entryEnd},
    };
}

std::optional<Sha256Digest> UnsignedDigest(const std::uint8_t* file, std::size_t size)
{
    const auto parts = UnsignedParts(file, size);
    if (!parts)
        return std::nullopt;
    Sha256 hash;
    for (const ByteRange& part : *parts)
        hash.Add(file + part.offset, part.size);
    return hash.Finish();
}
