// Registering a window class once per module.

#pragma once

#include <windows.h>

// Registers a window class of windowClass.hInstance, unless the module has
// one of that name already (a window made again, a second window).
HRESULT RegisterWindowClass(const WNDCLASSEXW& windowClass);
