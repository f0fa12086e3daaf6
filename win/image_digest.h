// The digest by which a program knows a DLL built with it (signed_image.h):
// SHA-256 of the bytes Authenticode signing leaves as they are, up to the
// certificate table that signing appends, so that a signed DLL has the digest
// of the unsigned one.

#pragma once

#include "sha256.h"

#include <windows.h>

// The status for a file that is no PE image at all (empty, cut short, text),
// or whose certificate table is anywhere but appended at its end.
constexpr HRESULT kNotAnImage = HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT);

// Reads the whole file through an open handle, from its start, and gives its
// digest; kNotAnImage for a file the rule of signed_image.h refuses.
HRESULT UnsignedImageDigest(HANDLE file, Sha256Digest& digest);
