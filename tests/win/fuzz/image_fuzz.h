// The checks of the PE reading (win/signed_image.h) that the fuzzer makes on
// every input, and the suite on each of its seeds. Plain C++: built natively
// with libFuzzer and the sanitizers, and for the test programs.

#pragma once

#include "crafted_control.h"

#include <cstddef>
#include <cstdint>
#include <string>

// What an input is. Its first byte says: 0 (and every multiple of 3) for a
// file, the rest of the input; 1 or 2 for an edit script applied to
// SmallImage, 64-bit or 32-bit, which makes the shapes that keep most of a
// control within the fuzzer's reach. The script is a list of edits, each a
// byte (taken modulo 8) and its arguments, little-endian; offsets past the
// end of the file stand for its end:
//   0 insert  AT:2 COUNT:2 FILL:1     COUNT bytes of FILL inserted at AT
//   1 write   AT:2 LENGTH:1 BYTES     bytes overwritten, as far as the file goes
//   2 entry   OFFSET:4 SIZE:4         the certificate table's directory entry
//   3 append  COUNT:2 FILL:1
//   4 cut     AT:2 COUNT:2
//   5 craft   SHAPE:1                 CraftedControls' shape SHAPE % 6, the
//                                     sixth SignedLike; none where it throws
//   6 copy    FROM:2 COUNT:2 AT:2     a copy of bytes inserted at AT
//   7 sign    SIZE:2                  a table of SIZE bytes appended, named in
//                                     the entry
// A script stops where its bytes run out; a file grows to 64 KiB at most.
ImageBytes FileOfInput(const std::uint8_t* data, std::size_t size);

struct ImageCheck {
    std::string broken;  // the property the input broke; empty when none
    bool accepted;       // the rule took the file
    bool likeReference;  // and hashed like one of the references
};

// Reads the file of an input with UnsignedParts and UnsignedDigest, and
// checks, whatever the bytes:
// - the parts of a file the rule takes are in order, do not overlap, lie
//   inside the file, and cover exactly the file up to its certificate table
//   but the checksum and the directory entry, found here on their own; the
//   table is absent (0, 0), or starts at or after the entry's end and runs to
//   the file's end; and the digest is SHA-256 of those parts;
// - a file the rule takes whose hashed bytes are those of a reference
//   (SmallImage, either kind) is that reference up to its certificate table,
//   but for the checksum and the entry.
ImageCheck CheckImageInput(const std::uint8_t* data, std::size_t size);
