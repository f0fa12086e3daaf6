// Where the programs' DLLs come from: the search limited to System32 at
// start, system DLLs by their full path there, the CD control by its own.

#include "dll_search.h"

namespace {

// Set once, by the program's first step, before any other thread runs.
bool searchLimitedToSystem32 = false;

}  // namespace

SetDefaultDllDirectoriesFunction FindSetDefaultDllDirectories()
{
    return FindFunction<SetDefaultDllDirectoriesFunction>(GetModuleHandleW(L"kernel32.dll"),
                                                          "SetDefaultDllDirectories");
}

void LimitDllSearchToSystem32(SetDefaultDllDirectoriesFunction setDefault)
{
    searchLimitedToSystem32 = setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!searchLimitedToSystem32)
        SetDllDirectoryW(L"");
}

HMODULE LoadSystemDll(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    // The DLL's own folder, System32, is searched first for what it imports.
    return LoadLibraryExW((std::wstring(folder, length) + L"\\" + name).c_str(), nullptr,
                          LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadDllByFullPath(const std::wstring& path)
{
    // LOAD_WITH_ALTERED_SEARCH_PATH searches the DLL's folder (the
    // program's) first for its imports: only the fallback where the search
    // cannot be limited, as it keeps the current directory out.
    return LoadLibraryExW(path.c_str(), nullptr, searchLimitedToSystem32 ? 0 : LOAD_WITH_ALTERED_SEARCH_PATH);
}
