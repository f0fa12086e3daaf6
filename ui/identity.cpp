// The program's title, version numbers and icon (identity.h), read from its
// own resources.

#include "identity.h"

#include "dll_search.h"
#include "module_path.h"
#include "resource.h"
#include "status.h"

#include <vector>

namespace {

// version.dll is no KnownDLL: imported, it would be looked for in the
// program's folder before the program's first step. It is loaded from
// System32 instead, when the identity is first read.
struct VersionFunctions {
    decltype(&GetFileVersionInfoSizeW) size = nullptr;
    decltype(&GetFileVersionInfoW) info = nullptr;
    decltype(&VerQueryValueW) query = nullptr;
};

const VersionFunctions& Version()
{
    static const VersionFunctions functions = [] {
        const HMODULE module = LoadSystemDll(L"version.dll");
        VersionFunctions found;
        found.size = FindFunction<decltype(found.size)>(module, "GetFileVersionInfoSizeW");
        found.info = FindFunction<decltype(found.info)>(module, "GetFileVersionInfoW");
        found.query = FindFunction<decltype(found.query)>(module, "VerQueryValueW");
        return found;
    }();
    return functions;
}

HRESULT ReadVersionResource(std::vector<BYTE>& data)
{
    const VersionFunctions& version = Version();
    if (!version.size || !version.info || !version.query)
        return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    const std::wstring path = ModulePath(nullptr);
    if (path.empty())
        return LastError();
    DWORD ignored = 0;
    const DWORD size = version.size(path.c_str(), &ignored);
    if (size == 0)
        return LastError();
    data.resize(size);
    if (!version.info(path.c_str(), 0, size, data.data()))
        return LastError();
    return S_OK;
}

}  // namespace

HRESULT ReadApplicationTitle(std::wstring& title)
{
    std::vector<BYTE> data;
    if (const HRESULT hr = ReadVersionResource(data); FAILED(hr))
        return hr;
    void* value = nullptr;
    UINT length = 0;
    if (!Version().query(data.data(), L"\\StringFileInfo\\040904B0\\ProductName", &value, &length) || length == 0)
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_TYPE_NOT_FOUND);
    title.assign(static_cast<const wchar_t*>(value));
    return S_OK;
}

HRESULT ReadVersionNumbers(short& major, short& minor)
{
    std::vector<BYTE> data;
    if (const HRESULT hr = ReadVersionResource(data); FAILED(hr))
        return hr;
    void* value = nullptr;
    UINT length = 0;
    if (!Version().query(data.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO))
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_TYPE_NOT_FOUND);
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    major = static_cast<short>(HIWORD(info->dwFileVersionMS));
    minor = static_cast<short>(LOWORD(info->dwFileVersionMS));
    return S_OK;
}

HICON LoadProgramIcon(int size)
{
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}
