#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// A disc's table of contents as IOCTL_CDROM_READ_TOC returns it (MSF
// addresses), reduced to the length of each track in frames (75 a second).
// nullopt for a malformed table.
std::optional<std::vector<std::uint32_t>> ParseTocTrackFrames(const std::uint8_t* data,
                                                              std::size_t size);
