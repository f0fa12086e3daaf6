#pragma once

#include <unknwn.h>
#include <wrl/client.h>

#include <string>

// Loads the control's DLL by its full path (never through the DLL search
// path) and finds the class "VAdaveve" in the registration (type library)
// with the given identifier. A relative path is refused (E_INVALIDARG). The
// DLL stays loaded for the rest of the process.
HRESULT LoadCdControlClass(const std::wstring& dllPath, const GUID& libId,
                           Microsoft::WRL::ComPtr<IClassFactory>& factory);
