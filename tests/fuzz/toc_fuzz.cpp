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
    const auto frames = ParseTocTrackFrames(input.data(), input.size());
    if (!frames)
        return 0;
    if (frames->empty() || frames->size() > 99)
        std::abort();
    for (const std::uint32_t length : *frames) {
        if (length == 0)
            std::abort();
    }
    return 0;
}
