#include "fso_drive_service.h"

HRESULT CreateFileSystemObject(std::shared_ptr<DriveService>&)
{
    return E_NOTIMPL;
}
