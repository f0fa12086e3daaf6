// Loads the CD control's DLL, only the one built with the program, and finds
// the control's class in the registration the program refers to.
#pragma once

#include "image_digest.h"

#include <unknwn.h>
#include <wrl/client.h>

#include <string>

// The status for a file that is not the control the program was built with:
// another build or architecture, a damaged copy, no DLL at all, a file of
// another shape with the built bytes in it, a symbolic link.
constexpr HRESULT kNotTheBuiltControl = TRUST_E_BAD_DIGEST;

// Loads the control's DLL by its full path (never through the DLL search
// path), only when the file there is no link (a reparse point that names
// another file: a symbolic link or a junction) and its digest without
// signature (image_digest.h) is
// builtDigest: none of another file's code runs. The file is held open,
// denying writes and deletes, from the check until it is loaded, and right
// before the load the path must still name that file (the same volume and
// file identifier). Each refusal gives kNotTheBuiltControl. Then finds the
// class "VAdaveve" in the registration (type library) with the given
// identifier. A relative path is refused (E_INVALIDARG). The DLL stays
// loaded for the rest of the process.
HRESULT LoadCdControlClass(const std::wstring& dllPath, const Sha256Digest& builtDigest, const GUID& libId,
                           Microsoft::WRL::ComPtr<IClassFactory>& factory);
