// libFuzzer entry for the PE reading of the CD control's check: whatever the
// bytes, the properties of image_fuzz.h hold, or the run stops.

#include "image_fuzz.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ImageCheck check = CheckImageInput(data, size);
    if (!check.broken.empty()) {
        std::fprintf(stderr, "broken property: %s\n", check.broken.c_str());
        std::abort();
    }
    return 0;
}
