#include "disc_reader.h"

std::vector<long> ReadDiscTrackSeconds(wchar_t)
{
    return {};
}

wchar_t FirstCdromDrive()
{
    return 0;
}
