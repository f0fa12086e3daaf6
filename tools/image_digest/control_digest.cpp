// Prints the digest of a DLL as built, in hex: the digest that a program
// checks its CD control against, made by the very code that checks it
// (signed_image.h). Refuses a DLL for which that digest would not pin what
// the loader maps: one that has a certificate table already, or whose
// headers or sections name bytes beyond its end. Built for and run on the
// build machine.
//   control_digest FILE

#include "signed_image.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::uint32_t At(const std::vector<std::uint8_t>& bytes, std::size_t offset, int size)
{
    std::uint32_t value = 0;
    for (int i = size; i-- > 0;)
        value = value << 8 | bytes.at(offset + i);
    return value;
}

// What stops the digest from pinning every byte the loader maps: nothing for
// a file as building makes it. Called on a file UnsignedParts took, so its
// headers are there up to the certificate table's directory entry.
const char* Problem(const std::vector<std::uint8_t>& bytes)
{
    const std::size_t pe = At(bytes, 0x3C, 4);
    const std::size_t optional = pe + 24;
    const bool plus = At(bytes, optional, 2) == 0x20B;
    const std::size_t certificateEntry = optional + (plus ? 112 : 96) + 4 * 8;
    if (At(bytes, certificateEntry, 4) != 0 || At(bytes, certificateEntry + 4, 4) != 0)
        return "has a certificate table: it is signed already";
    if (At(bytes, optional + 60, 4) > bytes.size())
        return "has headers longer than the file";
    const std::size_t sections = At(bytes, pe + 6, 2);
    const std::size_t table = optional + At(bytes, pe + 20, 2);
    if (table + 40 * sections > bytes.size())
        return "has a section table beyond its end";
    for (std::size_t i = 0; i < sections; ++i) {
        const std::size_t rawSize = At(bytes, table + 40 * i + 16, 4);
        const std::size_t rawOffset = At(bytes, table + 40 * i + 20, 4);
        if (rawOffset > bytes.size() || rawSize > bytes.size() - rawOffset)
            return "has a section beyond its end";
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: control_digest FILE\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    if (!file.good() && !file.eof()) {
        std::fprintf(stderr, "control_digest: %s cannot be read\n", argv[1]);
        return 1;
    }
    const std::optional<Sha256Digest> digest = UnsignedDigest(bytes.data(), bytes.size());
    if (!digest) {
        std::fprintf(stderr, "control_digest: %s is no PE image as building makes it\n", argv[1]);
        return 1;
    }
    if (const char* problem = Problem(bytes)) {
        std::fprintf(stderr, "control_digest: %s %s\n", argv[1], problem);
        return 1;
    }
    for (const std::uint8_t byte : *digest)
        std::printf("%02x", byte);
    std::printf("\n");
    return std::fflush(stdout) == 0 ? 0 : 1;
}
