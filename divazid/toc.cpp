#include "toc.h"

std::optional<std::vector<std::uint32_t>> ParseTocTrackFrames(const std::uint8_t*, std::size_t)
{
    return std::nullopt;
}
