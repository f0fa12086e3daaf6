// libFuzzer entry for the table-of-contents parser: whatever the bytes, the
// parser returns, and what it accepts describes a disc of 1 to 99 tracks,
// none of them empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "toc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy sized exactly to the input, so any read past it is caught.
    const std::vector<std::uint8_t> input(data, data + size);
    const auto tracks = ParseToc(input.data(), input.size());
    if (!tracks)
        return 0;
    if (tracks->empty() || tracks->size() > 99)
        std::abort();
    for (const DiscTrack& track : *tracks) {
        if (track.frames == 0)
            std::abort();
    }
    return 0;
}
