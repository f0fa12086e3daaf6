// SHA-256 (FIPS 180-4) in plain C++: no platform headers, nothing loaded, the
// same code on the build machine and in the programs.

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

using Sha256Digest = std::array<std::uint8_t, 32>;

// The hash of a message given in pieces, one after another.
class Sha256 {
public:
    Sha256();
    void Add(const std::uint8_t* bytes, std::size_t size);
    // The digest of everything added; the object is spent afterwards.
    Sha256Digest Finish();

private:
    void Compress(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> block_{};
    std::size_t blockSize_ = 0;
    std::uint64_t totalSize_ = 0;
};
