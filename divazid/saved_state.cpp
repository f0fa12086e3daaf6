// The control's saved-state format: reads and writes the three little-endian
// values of saved_state.h.
#include "saved_state.h"

namespace {

constexpr std::int32_t kMaxExtent = 1000000;  // ten metres in HIMETRIC
constexpr std::size_t kValueSize = 4;

std::uint32_t ValueAt(const SavedState& bytes, std::size_t index)
{
    std::uint32_t value = 0;
    for (std::size_t b = kValueSize; b-- > 0;)
        value = value << 8 | bytes[index * kValueSize + b];
    return value;
}

void PutValue(SavedState& bytes, std::size_t index, std::uint32_t value)
{
    for (std::size_t b = 0; b < kValueSize; ++b)
        bytes[index * kValueSize + b] = static_cast<std::uint8_t>(value >> (8 * b));
}

}  // namespace

bool IsValidExtent(const Extent& extent)
{
    return extent.width > 0 && extent.height > 0 && extent.width <= kMaxExtent && extent.height <= kMaxExtent;
}

std::optional<Extent> ReadSavedState(const SavedState& bytes)
{
    const std::uint32_t width = ValueAt(bytes, 1);
    const std::uint32_t height = ValueAt(bytes, 2);
    if (ValueAt(bytes, 0) != kSavedStateVersion || width > kMaxExtent || height > kMaxExtent)
        return std::nullopt;
    const Extent extent{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
    return IsValidExtent(extent) ? std::optional(extent) : std::nullopt;
}

SavedState WriteSavedState(const Extent& extent)
{
    SavedState bytes{};
    PutValue(bytes, 0, kSavedStateVersion);
    PutValue(bytes, 1, static_cast<std::uint32_t>(extent.width));
    PutValue(bytes, 2, static_cast<std::uint32_t>(extent.height));
    return bytes;
}
