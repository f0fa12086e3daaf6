// The control's saved state, the bytes of its IPersistStreamInit::Load and
// Save, and the extent they carry: plain C++, without the platform.
#pragma once

#include "divazid.h"

#include <array>
#include <cstdint>
#include <optional>

// The control's width and height in hundredths of a millimetre (HIMETRIC).
struct Extent {
    std::int32_t width;
    std::int32_t height;

    bool operator==(const Extent&) const = default;
};

// Positive, and at most ten metres each way: a larger extent can only come
// from damaged data.
bool IsValidExtent(const Extent& extent);

// Three 32-bit little-endian values: the format version kSavedStateVersion,
// then the width and the height.
using SavedState = std::array<std::uint8_t, kSavedStateSize>;

// The extent saved in bytes; nullopt for another format version or an
// extent that is not valid.
std::optional<Extent> ReadSavedState(const SavedState& bytes);
SavedState WriteSavedState(const Extent& extent);
