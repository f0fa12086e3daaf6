#pragma once

#include "drive_service.h"

// Creates the platform's Scripting Runtime FileSystemObject and wraps it.
HRESULT CreateFileSystemObject(std::shared_ptr<DriveService>& fso);
