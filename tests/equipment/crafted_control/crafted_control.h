// Test equipment that plays an attacker with only the shipped files: copies
// of the CD control's DLL, as built, reshaped so that the digest of the rule
// the programs had before (the certificate table left out wherever its
// directory entry says it lies, the rest hashed) stays the built one. Plain
// C++, never shipped: used by the test programs, by craft_control.exe and by
// the fuzzer of the PE reading (tests/win/fuzz).

#pragma once

#include "sha256.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using ImageBytes = std::vector<std::uint8_t>;

// A crafted file: its name (the file name craft_control.exe gives it, without
// ".dll"), what it is, and its bytes.
struct CraftedControl {
    std::string name;
    std::string what;
    ImageBytes bytes;
};

// The shapes, each from a control as built (no certificate table), in this
// order:
//   after-entry: bytes inserted right after the certificate table's directory
//     entry, named by it, in place of the rest of the headers: the section
//     table rewritten to point the code section at inserted bytes, all of
//     them int3 (0xCC), and the other sections at their own bytes, moved on
//     by a multiple of the file alignment;
//   at-last-section: a copy of the last section's bytes inserted at its raw
//     offset, named by the entry, where the loader takes that section from,
//     so that the file would load and work;
//   in-code-section: a table of int3 inside the code section's bytes;
//   data-after-table: a table that the built file's last 8 bytes follow;
//   table-past-end: an appended table whose entry runs 8 bytes past the end.
// The first four have the built file's digest under the former rule (each is
// checked; a control they cannot be made from, or for which one would not
// keep that digest, throws std::runtime_error). The last is refused by both.
std::vector<CraftedControl> CraftedControls(const ImageBytes& control);

// The control as signing leaves it: a certificate table of tableSize bytes
// (a multiple of 8, at least 8) appended and named in the entry.
ImageBytes SignedLike(const ImageBytes& control, std::size_t tableSize = 16);

// The digest under the former rule, nullopt for a file it refused.
std::optional<Sha256Digest> FormerRuleDigest(const ImageBytes& file);

// A small image shaped as the linker makes a DLL, 64-bit or 32-bit, for the
// tests of the rule: 0xA00 bytes, every byte i being i * 7 % 251 but for the
// headers. The PE header at 0x80, the optional header at 0x98, its checksum
// at 0xD8, the certificate table's directory entry at 0x128 (64-bit) or
// 0x118 (32-bit); file alignment 0x200, headers 0x400 long; three sections:
// code at 0x400, data at 0x600, relocations at 0x800, 0x200 bytes each. No
// code in it runs.
ImageBytes SmallImage(bool is64Bit);
