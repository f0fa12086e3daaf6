// The CD control's loader (control_loader.h): the file held open and its
// digest checked, the path checked to name it still, then loaded by full
// path and its class found.
#include "control_loader.h"

#include "com.h"
#include "dll_search.h"
#include "handles.h"
#include "status.h"

#include <oleauto.h>

#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

bool IsFullPath(const std::wstring& path)
{
    const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (path.size() >= 3 && path[1] == L':' && separator(path[2]))
        return (path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z');
    return path.size() >= 3 && separator(path[0]) && separator(path[1]);
}

BOOL CALLBACK CollectTypeLibrary(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR indices)
{
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<WORD>*>(indices)->push_back(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

// The class identifier of the coclass VAdaveve of a type library.
HRESULT FindClassOfLibrary(ITypeLib& library, CLSID& clsid)
{
    for (UINT i = 0, count = library.GetTypeInfoCount(); i < count; ++i) {
        TYPEKIND kind{};
        if (FAILED(library.GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS)
            continue;
        BSTR rawName = nullptr;
        if (const HRESULT hr = library.GetDocumentation(static_cast<INT>(i), &rawName, nullptr, nullptr, nullptr);
            FAILED(hr))
            return hr;
        const Bstr name(rawName);
        if (!name.get() || std::wstring(name.get()) != L"VAdaveve")
            continue;
        ComPtr<ITypeInfo> info;
        if (const HRESULT hr = library.GetTypeInfo(i, &info); FAILED(hr))
            return hr;
        TYPEATTR* attributes = nullptr;
        if (const HRESULT hr = info->GetTypeAttr(&attributes); FAILED(hr))
            return hr;
        clsid = attributes->guid;
        info->ReleaseTypeAttr(attributes);
        return S_OK;
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

// The class identifier of coclass VAdaveve in the DLL's type library libId.
HRESULT FindControlClass(HMODULE module, const std::wstring& dllPath, const GUID& libId, CLSID& clsid)
{
    std::vector<WORD> indices;
    EnumResourceNamesW(module, L"TYPELIB", CollectTypeLibrary, reinterpret_cast<LONG_PTR>(&indices));
    for (const WORD index : indices) {
        ComPtr<ITypeLib> library;
        if (FAILED(LoadTypeLibEx((dllPath + L"\\" + std::to_wstring(index)).c_str(), REGKIND_NONE, &library)))
            continue;
        TLIBATTR* attributes = nullptr;
        if (const HRESULT hr = library->GetLibAttr(&attributes); FAILED(hr))
            return hr;
        const bool wanted = attributes->guid == libId;
        library->ReleaseTLibAttr(attributes);
        if (wanted)
            return FindClassOfLibrary(*library.Get(), clsid);
    }
    return TYPE_E_LIBNOTREGISTERED;
}

// Whether a file opened itself is a link to another one: a reparse point
// whose tag names another file, a symbolic link or a junction. Other reparse
// points are the file itself, its bytes kept by a filter (a synced cloud
// folder's, a compressed or deduplicated file's): the digest judges those.
HRESULT IsLink(HANDLE file, const BY_HANDLE_FILE_INFORMATION& information, bool& link)
{
    link = false;
    if (!(information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return S_OK;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag))
        return LastError();
    link = IsReparseTagNameSurrogate(tag.ReparseTag) != 0;
    return S_OK;
}

// Opens the file itself, never what a link there names, so that nobody else
// may write, rename or delete it while it is open, and checks that it is the
// one built with the program: no link (a symbolic link or a junction), and
// the digest of the built file. Gives what names the file: its volume and
// its identifier on it.
HRESULT OpenBuiltFile(const std::wstring& path, const Sha256Digest& builtDigest, UniqueHandle& file,
                      BY_HANDLE_FILE_INFORMATION& identity)
{
    file = FileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file)
        return LastError();
    if (!GetFileInformationByHandle(file.get(), &identity))
        return LastError();
    bool link = false;
    if (const HRESULT hr = IsLink(file.get(), identity, link); FAILED(hr) || link)
        return FAILED(hr) ? hr : kNotTheBuiltControl;
    Sha256Digest digest{};
    const HRESULT hr = UnsignedImageDigest(file.get(), digest);
    if (hr == kNotAnImage || (SUCCEEDED(hr) && digest != builtDigest))
        return kNotTheBuiltControl;
    return hr;
}

// Whether the path names, now, the file held open: not another one put there
// meanwhile through a folder renamed or a link changed above it. A file held
// open cannot be renamed, and on Windows neither can the folders above it,
// so from here to the load only a changed link in the path could swap it.
HRESULT StillNamesTheFile(const std::wstring& path, const BY_HANDLE_FILE_INFORMATION& identity)
{
    const UniqueHandle again = FileHandle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!again)
        return LastError();
    BY_HANDLE_FILE_INFORMATION now{};
    if (!GetFileInformationByHandle(again.get(), &now))
        return LastError();
    const bool same = now.dwVolumeSerialNumber == identity.dwVolumeSerialNumber &&
                      now.nFileIndexHigh == identity.nFileIndexHigh && now.nFileIndexLow == identity.nFileIndexLow;
    return same ? S_OK : kNotTheBuiltControl;
}

}  // namespace

HRESULT LoadCdControlClass(const std::wstring& dllPath, const Sha256Digest& builtDigest, const GUID& libId,
                           ComPtr<IClassFactory>& factory)
{
    factory.Reset();
    if (!IsFullPath(dllPath))
        return E_INVALIDARG;
    return Guarded([&] {
        // Held open, denying writes and deletes, until the load is done.
        UniqueHandle heldOpen;
        BY_HANDLE_FILE_INFORMATION identity{};
        if (const HRESULT hr = OpenBuiltFile(dllPath, builtDigest, heldOpen, identity); FAILED(hr))
            return hr;
        if (const HRESULT hr = StillNamesTheFile(dllPath, identity); FAILED(hr))
            return hr;
        const HMODULE module = LoadDllByFullPath(dllPath);
        if (!module)
            return LastError();
        CLSID clsid{};
        HRESULT hr = FindControlClass(module, dllPath, libId, clsid);
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        const auto getClassObject = FindFunction<GetClassObject>(module, "DllGetClassObject");
        if (SUCCEEDED(hr) && !getClassObject)
            hr = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
        if (SUCCEEDED(hr))
            hr = getClassObject(clsid, IID_PPV_ARGS(&factory));
        // Only a DLL that serves no object is let go: one that does stays
        // loaded, as its code runs for every control it creates.
        if (FAILED(hr))
            FreeLibrary(module);
        return hr;
    });
}
