// Which bytes of the CD control's file a program checks, and the rule on the
// shapes it accepts: the file as building makes it, or as signing leaves it,
// a certificate table appended. Plain C++: no platform headers, and built for
// the build machine too, where it makes the digest the program checks.

#pragma once

#include "sha256.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct ByteRange {
    std::size_t offset;
    std::size_t size;
};

// The bytes that the digest covers, in file order: the whole file up to its
// certificate table, but for the two fields that signing writes there, the
// optional header's checksum and the certificate table's directory entry.
// nullopt for a file the rule refuses: anything that is not a PE image
// (empty, cut short, another format) and any PE image whose certificate
// table is neither absent (the entry 0, 0) nor the end of the file, starting
// after the entry.
std::optional<std::vector<ByteRange>> UnsignedParts(const std::uint8_t* file, std::size_t size);

// SHA-256 of UnsignedParts, one after another; nullopt where the rule
// refuses the file.
std::optional<Sha256Digest> UnsignedDigest(const std::uint8_t* file, std::size_t size);
