// Where the DLLs a program loads come from. A program unpacked into a
// Downloads folder must not load a DLL that someone left beside it.

#pragma once

#include <windows.h>

#include <string>

// The system's SetDefaultDllDirectories, found at run time: null on Windows
// 7 without KB2533623.
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD flags);
SetDefaultDllDirectoriesFunction FindSetDefaultDllDirectories();

// The first step of a program: from then on DLLs loaded by name come from
// System32 only, where the system can say so (setDefault, Windows 8 and
// later, Windows 7 with KB2533623). Elsewhere only the current directory is
// left out: the program's own folder is still searched. A test may pass
// null to play the older system.
void LimitDllSearchToSystem32(SetDefaultDllDirectoriesFunction setDefault = FindSetDefaultDllDirectories());

// A DLL of the system, by its full path in System32.
HMODULE LoadSystemDll(const wchar_t* name);

// A DLL by its full path. What it imports comes from System32 once the
// search is limited to it; without that, from the DLL's own folder first.
HMODULE LoadDllByFullPath(const std::wstring& path);

// A function of a loaded module, or null where the module lacks it.
template <class Function>
Function FindFunction(HMODULE module, const char* name)
{
    if (!module)
        return nullptr;
    // Through void (*)(), which converts to any function pointer type.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
