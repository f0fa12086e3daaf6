#pragma once

#include <vector>

// The playing time of each track of the disc in the drive with this letter,
// in whole seconds, read from the disc's table of contents. Empty when the
// drive has no disc, the disc cannot be read or its table is malformed.
std::vector<long> ReadDiscTrackSeconds(wchar_t driveLetter);

// The letter of the machine's first CD-ROM drive, or 0 when it has none.
wchar_t FirstCdromDrive();
