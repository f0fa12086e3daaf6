// Test equipment that stands in for platform functions: a function that a
// test program imports by name is replaced in its own import table, so that a
// test sees what the product's code asked of the loader, where Wine shows no effect.

#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

// The import table slot of a function imported by name from dll, or null.
inline void** ImportSlot(const char* dll, const char* function)
{
    auto* const base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base +
                                                               reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
        if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

// Puts replacement in the slot of an imported function; gives the function
// that was there, null when the test program does not import it.
template <class Function>
Function ReplaceImport(const char* dll, const char* function, Function replacement)
{
    void** slot = ImportSlot(dll, function);
    if (!slot)
        return nullptr;
    DWORD protection = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    void* const original = *slot;
    *slot = reinterpret_cast<void*>(replacement);
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    return reinterpret_cast<Function>(original);
}

// Every DLL that the code asks the loader for by LoadLibraryW or
// LoadLibraryExW, from when Install is called, with the flags it gave.
struct DllLoads {
    struct Load {
        std::wstring name;
        DWORD flags;
    };

    static std::vector<Load>& Seen()
    {
        static std::vector<Load> seen;
        return seen;
    }

    static void Install()
    {
        if (!loadLibraryEx)
            loadLibraryEx = ReplaceImport("kernel32.dll", "LoadLibraryExW", &LoadLibraryExSeen);
        if (!loadLibrary)
            loadLibrary = ReplaceImport("kernel32.dll", "LoadLibraryW", &LoadLibrarySeen);
    }

private:
    static HMODULE WINAPI LoadLibraryExSeen(LPCWSTR name, HANDLE file, DWORD flags)
    {
        Seen().push_back({name ? name : L"", flags});
        return loadLibraryEx(name, file, flags);
    }
    static HMODULE WINAPI LoadLibrarySeen(LPCWSTR name)
    {
        Seen().push_back({name ? name : L"", 0});
        return loadLibrary(name);
    }

    static inline decltype(&LoadLibraryExW) loadLibraryEx = nullptr;
    static inline decltype(&LoadLibraryW) loadLibrary = nullptr;
};
