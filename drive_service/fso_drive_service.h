// The drive information service over the platform's Scripting Runtime
// FileSystemObject.

#pragma once

#include "drive_service.h"

// Creates the platform's Scripting Runtime FileSystemObject and wraps it.
// COM must already be initialised on the calling thread, and the service and
// everything it hands out are used on that thread only.
HRESULT CreateFileSystemObject(std::shared_ptr<DriveService>& fso);
