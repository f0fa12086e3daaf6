// The crafted copies of a control (crafted_control.h), made field by field
// from its headers.

#include "crafted_control.h"

#include <algorithm>
#include <stdexcept>

namespace {

constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint32_t kCodeSection = 0x20;  // IMAGE_SCN_CNT_CODE
constexpr std::uint8_t kInt3 = 0xCC;

std::uint32_t Get(const ImageBytes& bytes, std::size_t offset, int size)
{
    if (offset > bytes.size() || static_cast<std::size_t>(size) > bytes.size() - offset)
        throw std::runtime_error("a field beyond the end of the file");
    std::uint32_t value = 0;
    for (int i = size; i-- > 0;)
        value = value << 8 | bytes[offset + i];
    return value;
}

void Put(ImageBytes& bytes, std::size_t offset, std::uint32_t value, int size)
{
    if (offset > bytes.size() || static_cast<std::size_t>(size) > bytes.size() - offset)
        throw std::runtime_error("a field beyond the end of the file");
    for (int i = 0; i < size; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::size_t RoundUp(std::size_t value, std::size_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

struct Section {
    std::size_t header;  // where its entry in the section table stands
    std::uint32_t rawSize;
    std::uint32_t rawOffset;
    std::uint32_t characteristics;
};

// The headers' fields that the crafting needs.
struct Layout {
    std::size_t checksum;
    std::size_t entry;
    std::uint32_t fileAlignment;
    std::uint32_t headersSize;
    std::vector<Section> sections;  // those with bytes in the file

    const Section& Code() const
    {
        for (const Section& section : sections)
            if (section.characteristics & kCodeSection)
                return section;
        throw std::runtime_error("no code section");
    }
    const Section& Last() const
    {
        if (sections.empty())
            throw std::runtime_error("no section");
        return *std::ranges::max_element(sections, {}, &Section::rawOffset);
    }
};

Layout Read(const ImageBytes& file)
{
    if (Get(file, 0, 2) != 0x5A4D)
        throw std::runtime_error("no MZ");
    const std::size_t pe = Get(file, 0x3C, 4);
    if (Get(file, pe, 4) != 0x4550)
        throw std::runtime_error("no PE header");
    const std::size_t optional = pe + 24;
    const std::uint32_t magic = Get(file, optional, 2);
    if (magic != 0x10B && magic != 0x20B)
        throw std::runtime_error("no optional header");
    Layout layout{};
    layout.checksum = optional + 64;
    layout.entry = optional + (magic == 0x20B ? 112 : 96) + 4 * kEntrySize;
    layout.fileAlignment = Get(file, optional + 36, 4);
    layout.headersSize = Get(file, optional + 60, 4);
    if (layout.fileAlignment == 0 || layout.fileAlignment > 0x10000 ||
        (layout.fileAlignment & (layout.fileAlignment - 1)) != 0)
        throw std::runtime_error("no file alignment");
    const std::size_t table = optional + Get(file, pe + 20, 2);
    for (std::size_t i = 0, count = Get(file, pe + 6, 2); i < count; ++i) {
        const std::size_t header = table + kSectionHeaderSize * i;
        const Section section{header, Get(file, header + 16, 4), Get(file, header + 20, 4), Get(file, header + 36, 4)};
        if (section.rawSize == 0)
            continue;
        if (section.rawOffset > file.size() || section.rawSize > file.size() - section.rawOffset)
            throw std::runtime_error("a section beyond the end of the file");
        layout.sections.push_back(section);
    }
    if (Get(file, layout.entry, 4) != 0 || Get(file, layout.entry + 4, 4) != 0)
        throw std::runtime_error("a certificate table already: not the control as built");
    if (table + kSectionHeaderSize * Get(file, pe + 6, 2) > layout.headersSize || layout.headersSize > file.size() ||
        layout.entry + kEntrySize > layout.headersSize)
        throw std::runtime_error("headers out of place");
    return layout;
}

// A certificate table's first bytes as signing writes them (WIN_CERTIFICATE:
// its length, revision 2.0, PKCS #7), then zeros.
ImageBytes Table(std::size_t size)
{
    ImageBytes table(size);
    Put(table, 0, static_cast<std::uint32_t>(size), 4);
    Put(table, 4, 0x0200, 2);
    Put(table, 6, 0x0002, 2);
    return table;
}

// The control with bytes inserted at an offset and the entry naming them.
ImageBytes Inserted(const ImageBytes& control, const Layout& layout, std::size_t at, const ImageBytes& bytes)
{
    ImageBytes file = control;
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
    Put(file, layout.entry, static_cast<std::uint32_t>(at), 4);
    Put(file, layout.entry + 4, static_cast<std::uint32_t>(bytes.size()), 4);
    return file;
}

ImageBytes AfterEntry(const ImageBytes& control, const Layout& layout)
{
    const std::size_t at = layout.entry + kEntrySize;
    const Section& code = layout.Code();
    // The inserted bytes: the rest of the headers, then the new code at the
    // first aligned offset after them, up to an aligned length, so that the
    // sections after them keep their alignment.
    const std::size_t codeAt = RoundUp(layout.headersSize, layout.fileAlignment);
    const std::size_t length = RoundUp(codeAt + code.rawSize - at, layout.fileAlignment);
    ImageBytes inserted(length, kInt3);
    std::copy(control.begin() + static_cast<std::ptrdiff_t>(at),
              control.begin() + static_cast<std::ptrdiff_t>(layout.headersSize), inserted.begin());
    for (const Section& section : layout.sections) {
        const std::size_t rawOffset = section.header == code.header ? codeAt : section.rawOffset + length;
        Put(inserted, section.header + 20 - at, static_cast<std::uint32_t>(rawOffset), 4);
    }
    return Inserted(control, layout, at, inserted);
}

ImageBytes AtLastSection(const ImageBytes& control, const Layout& layout)
{
    const Section& last = layout.Last();
    const auto from = control.begin() + last.rawOffset;
    return Inserted(control, layout, last.rawOffset, ImageBytes(from, from + last.rawSize));
}

ImageBytes InCodeSection(const ImageBytes& control, const Layout& layout)
{
    const Section& code = layout.Code();
    if (code.rawSize < 16)
        throw std::runtime_error("a code section too small to cut in two");
    return Inserted(control, layout, code.rawOffset + code.rawSize / 2 / 8 * 8, ImageBytes(layout.fileAlignment, kInt3));
}

ImageBytes DataAfterTable(const ImageBytes& control, const Layout& layout)
{
    if (control.size() < layout.headersSize + 8)
        throw std::runtime_error("no 8 bytes after the headers");
    return Inserted(control, layout, control.size() - 8, Table(16));
}

ImageBytes TablePastEnd(const ImageBytes& control, const Layout& layout)
{
    ImageBytes file = SignedLike(control);
    Put(file, layout.entry, static_cast<std::uint32_t>(control.size() + 8), 4);
    return file;
}

}  // namespace

std::optional<Sha256Digest> FormerRuleDigest(const ImageBytes& file)
{
    // The rule as it was: the file but for the checksum, the entry, and the
    // table wherever the entry puts it after the entry, inside the file.
    Layout layout{};
    try {
        if (Get(file, 0, 2) != 0x5A4D || Get(file, Get(file, 0x3C, 4), 4) != 0x4550)
            return std::nullopt;
        const std::size_t optional = Get(file, 0x3C, 4) + 24;
        const std::uint32_t magic = Get(file, optional, 2);
        if (magic != 0x10B && magic != 0x20B)
            return std::nullopt;
        const bool plus = magic == 0x20B;
        layout.checksum = optional + 64;
        layout.entry = optional + (plus ? 112 : 96) + 4 * kEntrySize;
        if (Get(file, optional + (plus ? 108 : 92), 4) <= 4 ||
            layout.entry + kEntrySize > optional + Get(file, optional - 4, 2))
            return std::nullopt;
        Get(file, layout.entry, 4);
        Get(file, layout.entry + 4, 4);
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
    const std::size_t tableOffset = Get(file, layout.entry, 4);
    const std::size_t tableSize = Get(file, layout.entry + 4, 4);
    if (tableSize != 0 && (tableOffset < layout.entry + kEntrySize || tableOffset > file.size() ||
                           tableSize > file.size() - tableOffset))
        return std::nullopt;
    const std::size_t tableStart = tableSize != 0 ? tableOffset : file.size();
    Sha256 hash;
    hash.Add(file.data(), layout.checksum);
    hash.Add(file.data() + layout.checksum + 4, layout.entry - layout.checksum - 4);
    hash.Add(file.data() + layout.entry + kEntrySize, tableStart - layout.entry - kEntrySize);
    hash.Add(file.data() + tableStart + tableSize, file.size() - tableStart - tableSize);
    return hash.Finish();
}

ImageBytes SignedLike(const ImageBytes& control, std::size_t tableSize)
{
    const Layout layout = Read(control);
    ImageBytes file = control;
    const ImageBytes table = Table(tableSize);
    file.insert(file.end(), table.begin(), table.end());
    Put(file, layout.entry, static_cast<std::uint32_t>(control.size()), 4);
    Put(file, layout.entry + 4, static_cast<std::uint32_t>(tableSize), 4);
    return file;
}

std::vector<CraftedControl> CraftedControls(const ImageBytes& control)
{
    const Layout layout = Read(control);
    std::vector<CraftedControl> crafted = {
        {"after-entry", "bytes inserted after the certificate entry, the code section pointed at them",
         AfterEntry(control, layout)},
        {"at-last-section", "bytes inserted at the last section's raw offset", AtLastSection(control, layout)},
        {"in-code-section", "a certificate table inside the code section", InCodeSection(control, layout)},
        {"data-after-table", "data after the certificate table", DataAfterTable(control, layout)},
        {"table-past-end", "a certificate table running past the end", TablePastEnd(control, layout)},
    };
    const std::optional<Sha256Digest> built = FormerRuleDigest(control);
    if (!built)
        throw std::runtime_error("the control as built has no digest under the former rule");
    for (std::size_t i = 0; i < 4; ++i) {
        if (FormerRuleDigest(crafted[i].bytes) != built)
            throw std::runtime_error(crafted[i].name + " does not keep the built digest under the former rule");
    }
    if (FormerRuleDigest(crafted[4].bytes))
        throw std::runtime_error("table-past-end has a digest under the former rule");
    return crafted;
}

ImageBytes SmallImage(bool is64Bit)
{
    ImageBytes bytes(0xA00);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 % 251);
    const std::size_t optional = 0x98;
    const std::size_t optionalSize = is64Bit ? 0xF0 : 0xE0;
    Put(bytes, 0x00, 0x5A4D, 2);                                // MZ
    Put(bytes, 0x3C, 0x80, 4);                                  // where the PE header stands
    Put(bytes, 0x80, 0x00004550, 4);                            // PE\0\0
    Put(bytes, 0x84, is64Bit ? 0x8664 : 0x014C, 2);             // machine
    Put(bytes, 0x86, 3, 2);                                     // sections
    Put(bytes, 0x94, static_cast<std::uint32_t>(optionalSize), 2);
    Put(bytes, optional, is64Bit ? 0x20B : 0x10B, 2);           // PE32+ or PE32
    Put(bytes, optional + 32, 0x1000, 4);                       // section alignment
    Put(bytes, optional + 36, 0x200, 4);                        // file alignment
    Put(bytes, optional + 60, 0x400, 4);                        // size of the headers
    Put(bytes, optional + 64, 0x11223344, 4);                   // checksum
    Put(bytes, optional + (is64Bit ? 108 : 92), 16, 4);         // 16 directories
    const std::size_t entry = optional + (is64Bit ? 112 : 96) + 4 * kEntrySize;
    Put(bytes, entry, 0, 4);
    Put(bytes, entry + 4, 0, 4);
    const struct {
        const char* name;
        std::uint32_t characteristics;
    } sections[] = {{".text", 0x60000020}, {".data", 0xC0000040}, {".reloc", 0x42000040}};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t header = optional + optionalSize + kSectionHeaderSize * i;
        std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(header), kSectionHeaderSize, 0);
        std::copy_n(sections[i].name, std::char_traits<char>::length(sections[i].name), bytes.begin() + header);
        Put(bytes, header + 8, 0x1F0, 4);                                          // size in memory
        Put(bytes, header + 12, static_cast<std::uint32_t>(0x1000 * (i + 1)), 4);  // address
        Put(bytes, header + 16, 0x200, 4);                                         // size in the file
        Put(bytes, header + 20, static_cast<std::uint32_t>(0x400 + 0x200 * i), 4); // offset in the file
        Put(bytes, header + 36, sections[i].characteristics, 4);
    }
    return bytes;
}
