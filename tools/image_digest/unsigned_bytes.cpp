// Writes to standard output the bytes of a PE file that Authenticode signing
// leaves as they are, for the build to hash into the digest a program checks
// its CD control against. Built for and run on the build machine.
//   unsigned_bytes FILE

#include "signed_image.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: unsigned_bytes FILE\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    const auto parts = UnsignedParts(bytes.data(), bytes.size());
    if (!file.good() && !file.eof()) {
        std::fprintf(stderr, "unsigned_bytes: %s cannot be read\n", argv[1]);
        return 1;
    }
    if (!parts) {
        std::fprintf(stderr, "unsigned_bytes: %s is no PE image\n", argv[1]);
        return 1;
    }
    for (const ByteRange& part : *parts)
        std::fwrite(bytes.data() + part.offset, 1, part.size, stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
