// The control's reading of a CD-ROM drive: the disc's tracks from the
// driver's table of contents, and the machine's first CD-ROM drive.
#pragma once

#include <vector>

#include "toc.h"

// The tracks of the disc in the drive with this letter, read from the disc's
// table of contents. Empty when the drive has no disc, the disc cannot be
// read or its table is malformed.
std::vector<DiscTrack> ReadDiscTracks(wchar_t driveLetter);

// The letter of the machine's first CD-ROM drive, or 0 when it has none.
wchar_t FirstCdromDrive();
