// The digest by which a program knows a DLL built with it: SHA-256 (CryptoAPI)
// of the bytes Authenticode signing leaves as they are, so that a signed DLL
// has the digest of the unsigned one.

#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

using Sha256Digest = std::array<std::uint8_t, 32>;

// The status for a file that is no PE image at all: empty, cut short, text.
constexpr HRESULT kNotAnImage = HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT);

// Reads the whole file through an open handle, from its start, and gives its
// digest; kNotAnImage for a file that is not a PE image.
HRESULT UnsignedImageDigest(HANDLE file, Sha256Digest& digest);
