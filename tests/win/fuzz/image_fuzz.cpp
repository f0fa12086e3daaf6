// The fuzzer's inputs made into files, and the properties checked on each
// (image_fuzz.h).

#include "image_fuzz.h"

#include "signed_image.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t kLargestFile = 1 << 16;

// The input's bytes from a cursor on; zeros once they run out.
class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Done() const { return at_ >= size_; }
    std::uint32_t Take(int bytes)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= std::uint32_t{at_ < size_ ? data_[at_++] : std::uint8_t{0}} << (8 * i);
        return value;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

std::size_t Within(const ImageBytes& file, std::size_t offset)
{
    return std::min(offset, file.size());
}

void Insert(ImageBytes& file, std::size_t at, const ImageBytes& bytes)
{
    if (file.size() + bytes.size() <= kLargestFile)
        file.insert(file.begin() + static_cast<std::ptrdiff_t>(Within(file, at)), bytes.begin(), bytes.end());
}

void PutEntry(ImageBytes& file, std::size_t entry, std::uint32_t offset, std::uint32_t size)
{
    for (int i = 0; i < 8 && entry + i < file.size(); ++i)
        file[entry + i] = static_cast<std::uint8_t>((i < 4 ? offset : size) >> (8 * (i % 4)));
}

void Edit(ImageBytes& file, std::size_t entry, Script& script)
{
    switch (script.Take(1) % 8) {
    case 0: {
        const std::size_t at = script.Take(2);
        const std::size_t count = script.Take(2);
        Insert(file, at, ImageBytes(count, static_cast<std::uint8_t>(script.Take(1))));
        break;
    }
    case 1: {
        const std::size_t at = script.Take(2);
        for (std::size_t i = 0, length = script.Take(1); i < length; ++i) {
            const auto byte = static_cast<std::uint8_t>(script.Take(1));
            if (at + i < file.size())
                file[at + i] = byte;
        }
        break;
    }
    case 2: {
        const std::uint32_t offset = script.Take(4);
        PutEntry(file, entry, offset, script.Take(4));
        break;
    }
    case 3: {
        const std::size_t count = script.Take(2);
        Insert(file, file.size(), ImageBytes(count, static_cast<std::uint8_t>(script.Take(1))));
        break;
    }
    case 4: {
        const std::size_t at = Within(file, script.Take(2));
        const std::size_t count = std::min<std::size_t>(script.Take(2), file.size() - at);
        file.erase(file.begin() + static_cast<std::ptrdiff_t>(at), file.begin() + static_cast<std::ptrdiff_t>(at + count));
        break;
    }
    case 5: {
        const std::size_t shape = script.Take(1) % 6;
        try {
            file = shape < 5 ? CraftedControls(file)[shape].bytes : SignedLike(file);
        } catch (const std::exception&) {
            // Not shaped as a control as built: left as it is.
        }
        break;
    }
    case 6: {
        const std::size_t from = Within(file, script.Take(2));
        const std::size_t count = std::min<std::size_t>(script.Take(2), file.size() - from);
        const std::size_t at = script.Take(2);
        Insert(file, at, ImageBytes(file.begin() + static_cast<std::ptrdiff_t>(from),
                                    file.begin() + static_cast<std::ptrdiff_t>(from + count)));
        break;
    }
    case 7: {
        const std::size_t count = script.Take(2);
        const auto at = static_cast<std::uint32_t>(file.size());
        Insert(file, file.size(), ImageBytes(count, 0));
        PutEntry(file, entry, at, static_cast<std::uint32_t>(count));
        break;
    }
    }
}

std::uint32_t Get(const ImageBytes& file, std::size_t offset, int size)
{
    std::uint32_t value = 0;
    for (int i = size; i-- > 0;)
        value = value << 8 | file[offset + i];
    return value;
}

// The bytes the rule must hash, found here apart from signed_image.cpp from
// a file it took: where the checksum and the entry stand, and where the
// table starts. Gives the property broken, or nothing.
std::string CheckParts(const ImageBytes& file, const std::vector<ByteRange>& parts)
{
    std::size_t from = 0;
    for (const ByteRange& part : parts) {
        if (part.offset < from)
            return "parts out of order or overlapping";
        if (part.offset > file.size() || part.size > file.size() - part.offset)
            return "a part beyond the end of the file";
        from = part.offset + part.size;
    }
    if (file.size() < 0x40)
        return "a file of fewer than 0x40 bytes taken";
    const std::size_t pe = Get(file, 0x3C, 4);
    if (pe > file.size() || file.size() - pe < 24 + 2)
        return "a file without its optional header taken";
    const std::size_t optional = pe + 24;
    const std::uint32_t magic = Get(file, optional, 2);
    if (magic != 0x10B && magic != 0x20B)
        return "a file of another kind of optional header taken";
    const std::size_t checksum = optional + 64;
    const std::size_t entry = optional + (magic == 0x20B ? 112 : 96) + 4 * 8;
    if (entry + 8 > file.size())
        return "a file without its certificate entry taken";
    const std::size_t tableOffset = Get(file, entry, 4);
    const std::size_t tableSize = Get(file, entry + 4, 4);
    std::size_t tableStart = file.size();
    if (tableOffset != 0 || tableSize != 0) {
        if (tableSize == 0 || tableOffset < entry + 8 || tableOffset > file.size() ||
            tableSize != file.size() - tableOffset)
            return "a certificate table taken that is not the end of the file";
        tableStart = tableOffset;
    }
    // The bytes covered, as ranges with no empty one and none adjoining the
    // next, from the parts and as they should be.
    const auto merged = [](const std::vector<ByteRange>& ranges) {
        std::vector<ByteRange> result;
        for (const ByteRange& range : ranges) {
            if (range.size == 0)
                continue;
            if (!result.empty() && result.back().offset + result.back().size == range.offset)
                result.back().size += range.size;
            else
                result.push_back(range);
        }
        return result;
    };
    const std::vector<ByteRange> expected = merged({{0, checksum},
                                                    {checksum + 4, entry - checksum - 4},
                                                    {entry + 8, tableStart - entry - 8}});
    const std::vector<ByteRange> found = merged(parts);
    const auto same = [](const ByteRange& a, const ByteRange& b) { return a.offset == b.offset && a.size == b.size; };
    if (!std::ranges::equal(found, expected, same))
        return "the parts are not the file up to its table but the checksum and the entry";
    return {};
}

ImageBytes Hashed(const ImageBytes& file, const std::vector<ByteRange>& parts)
{
    ImageBytes bytes;
    for (const ByteRange& part : parts)
        bytes.insert(bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(part.offset),
                     file.begin() + static_cast<std::ptrdiff_t>(part.offset + part.size));
    return bytes;
}

struct Reference {
    ImageBytes file;
    std::vector<ByteRange> parts;
    ImageBytes hashed;
};

const std::vector<Reference>& References()
{
    static const std::vector<Reference> references = [] {
        std::vector<Reference> made;
        for (const bool is64Bit : {true, false}) {
            Reference reference{SmallImage(is64Bit), {}, {}};
            reference.parts = *UnsignedParts(reference.file.data(), reference.file.size());
            reference.hashed = Hashed(reference.file, reference.parts);
            made.push_back(reference);
        }
        return made;
    }();
    return references;
}

// A file taken whose hashed bytes are a reference's: the same up to the
// reference's end but for the checksum and the entry, where the table starts.
std::string CheckAgainst(const ImageBytes& file, const std::vector<ByteRange>& parts, const Reference& reference)
{
    const std::size_t checksum = reference.parts[0].offset + reference.parts[0].size;
    const std::size_t entry = reference.parts[1].offset + reference.parts[1].size;
    if (file.size() < reference.file.size())
        return "a file shorter than a reference hashed like it";
    if (parts.back().offset + parts.back().size != reference.file.size())
        return "a file hashed like a reference whose table does not start at the reference's end";
    for (std::size_t i = 0; i < reference.file.size(); ++i) {
        const bool signedField = (i >= checksum && i < checksum + 4) || (i >= entry && i < entry + 8);
        if (!signedField && file[i] != reference.file[i])
            return "a file hashed like a reference that differs from it before its table";
    }
    return {};
}

}  // namespace

ImageBytes FileOfInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || data[0] % 3 == 0)
        return size == 0 ? ImageBytes{} : ImageBytes(data + 1, data + size);
    const bool is64Bit = data[0] % 3 == 1;
    static const ImageBytes small64 = SmallImage(true);
    static const ImageBytes small32 = SmallImage(false);
    ImageBytes file = is64Bit ? small64 : small32;
    const std::size_t entry = is64Bit ? 0x128 : 0x118;
    for (Script script(data + 1, size - 1); !script.Done();)
        Edit(file, entry, script);
    return file;
}

ImageCheck CheckImageInput(const std::uint8_t* data, std::size_t size)
{
    // A copy sized exactly to the file, so that any read past it is caught.
    const ImageBytes made = FileOfInput(data, size);
    const std::vector<std::uint8_t> file(made.begin(), made.end());
    const auto parts = UnsignedParts(file.data(), file.size());
    const auto digest = UnsignedDigest(file.data(), file.size());
    ImageCheck check{{}, parts.has_value(), false};
    if (parts.has_value() != digest.has_value())
        check.broken = "a digest for a file the rule refuses, or none for one it takes";
    if (!parts || !check.broken.empty())
        return check;
    check.broken = CheckParts(file, *parts);
    if (!check.broken.empty())
        return check;
    const ImageBytes hashed = Hashed(file, *parts);
    Sha256 hash;
    hash.Add(hashed.data(), hashed.size());
    if (hash.Finish() != *digest)
        check.broken = "the digest is not SHA-256 of the parts";
    for (const Reference& reference : References()) {
        if (check.broken.empty() && hashed == reference.hashed) {
            check.likeReference = true;
            check.broken = CheckAgainst(file, *parts, reference);
        }
    }
    return check;
}
