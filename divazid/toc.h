#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// A disc's table of contents as IOCTL_CDROM_READ_TOC returns it (MSF
// addresses), reduced to the length of each track in frames (75 a second),
// one entry per track in disc order, data tracks included. nullopt for a
// malformed table.
std::optional<std::vector<std::uint32_t>> ParseTocTrackFrames(const std::uint8_t* data,
                                                              std::size_t size);

// A length in frames as whole seconds, the fraction dropped (as players show it).
constexpr long WholeSeconds(std::uint32_t frames)
{
    return static_cast<long>(frames / 75);
}
