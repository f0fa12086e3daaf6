// Which bytes of a PE file Authenticode signing leaves as they are, so that a
// file can be recognised whether it was signed after it was built or not.
// Plain C++: no platform headers, and built for the build machine too.

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct ByteRange {
    std::size_t offset;
    std::size_t size;
};

// The whole file but the three places signing writes: the optional header's
// checksum, the certificate table's directory entry, and the certificate
// table itself. nullopt for anything that is not a PE image: empty, cut
// short, another format, or a certificate table outside the file.
std::optional<std::vector<ByteRange>> UnsignedParts(const std::uint8_t* file, std::size_t size);
