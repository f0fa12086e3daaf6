// What Divazid.dll's entry points and the controls they serve share: the
// making of a control, and the count of live objects that keeps the DLL.
#pragma once

#include <windows.h>

// Creates one control of the registration whose coclass has this class
// identifier; typeLibIndex is that registration's TYPELIB resource.
HRESULT CreateCdInfoControl(const CLSID& clsid, int typeLibIndex, REFIID iid, void** object);

// Live objects and server locks, for DllCanUnloadNow.
void ModuleAddRef();
void ModuleRelease();
