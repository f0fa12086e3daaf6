// Finds, in a PE file's headers, the three places that Authenticode signing
// writes, and gives the rest of the file as ranges.

#include "signed_image.h"

#include <algorithm>

namespace {

constexpr std::uint16_t kMz = 0x5A4D;
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32 = 0x10B;
constexpr std::uint16_t kPe32Plus = 0x20B;
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::size_t kChecksumOffset = 64;  // in the optional header, for both kinds
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
// directory entry stand.
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

std::optional<std::vector<ByteRange>> UnsignedParts(const std::uint8_t* file, std::size_t size)
{
    const Reader reader(file, size);
    const std::optional<SignedFields> fields = FindSignedFields(reader);
    if (!fields)
        return std::nullopt;
    const std::size_t tableOffset = *reader.At(fields->certificateEntry, 4);
    const std::size_t tableSize = *reader.At(fields->certificateEntry + 4, 4);
    const std::size_t headersEnd = fields->certificateEntry + kDirectoryEntrySize;
    if (tableSize != 0 && (tableOffset < headersEnd || tableOffset > size || tableSize > size - tableOffset))
        return std::nullopt;

    // In file order: the checksum comes before the directory entry, and the
    // table, when there is one, after both.
    const ByteRange skipped[] = {
        {fields->checksum, 4},
        {fields->certificateEntry, kDirectoryEntrySize},
        {tableSize != 0 ? tableOffset : size, tableSize},
    };
    std::vector<ByteRange> parts;
    std::size_t from = 0;
    for (const ByteRange& skip : skipped) {
        if (skip.offset > from)
            parts.push_back({from, skip.offset - from});
        from = std::max(from, skip.offset + skip.size);
    }
    if (from < size)
        parts.push_back({from, size - from});
    return parts;
}
