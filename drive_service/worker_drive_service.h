// The drive information service with every call made on a worker thread.

#pragma once

#include "drive_service.h"

// The drive service with every call made on a worker thread (worker.h), so
// that a drive that answers slowly, or never, does not freeze the window: a
// call is given up on after 10 s or on Esc, and a drive whose call was given
// up on gets no new call until that one has answered. The inner service,
// which create makes on a worker, and all it hands out live in COM's
// multithreaded apartment and are touched by the workers only.
HRESULT CreateDriveServiceOnWorker(const DriveServiceFactory& create, std::shared_ptr<DriveService>& service);
