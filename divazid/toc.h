// A disc's table of contents read into its tracks: plain C++, shared by the
// control, its tests and the fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// One track of a disc: its length in frames (75 a second) and whether it
// holds data rather than audio.
struct DiscTrack {
    std::uint32_t frames;
    bool isData;

    bool operator==(const DiscTrack&) const = default;
};

// A disc's table of contents as IOCTL_CDROM_READ_TOC returns it (MSF
// addresses), reduced to its tracks in disc order, data tracks included.
// nullopt for a malformed table.
std::optional<std::vector<DiscTrack>> ParseToc(const std::uint8_t* data, std::size_t size);

// A length in frames as whole seconds, the fraction dropped (as players show it).
constexpr long WholeSeconds(std::uint32_t frames)
{
    return static_cast<long>(frames / 75);
}
