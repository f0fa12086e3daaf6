// Registering a window class once per module, whoever asks first.

#include "window_class.h"

#include "status.h"

HRESULT RegisterWindowClass(const WNDCLASSEXW& windowClass)
{
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(windowClass.hInstance, windowClass.lpszClassName, &existing))
        return S_OK;
    if (RegisterClassExW(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
        return S_OK;
    return LastError();
}
