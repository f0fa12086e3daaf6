#pragma once

#include "cd_control.h"

#include <unknwn.h>
#include <wrl/client.h>

// Loads the control's DLL by its full path (never through the DLL search
// path) and finds the class "VAdaveve" in the registration (type library)
// with the given identifier.
HRESULT LoadCdControlClass(const std::wstring& dllPath, const GUID& libId,
                           Microsoft::WRL::ComPtr<IClassFactory>& factory);

// Creates one control as a child of parent at rect (client pixels), hands it
// the saved state and activates it in place.
HRESULT CreateHostedCdControl(IClassFactory* factory, HWND parent, const RECT& rect,
                              std::unique_ptr<CdControl>& control);
