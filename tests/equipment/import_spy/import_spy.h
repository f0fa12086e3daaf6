// Test equipment that stands in for platform functions: a function that a
// test program imports by name is replaced in its own import table, so that a
// test sees what the product's code asked of the loader, where Wine shows no
// effect, or plays another program at the moment the loader is asked.

#pragma once

#include <windows.h>

#include <cstring>
#include <filesystem>
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

// Every folder that the code gives SetDllDirectoryW, "(null)" for none, from
// when Install is called.
struct DllDirectoriesSet {
    static std::vector<std::wstring>& Seen()
    {
        static std::vector<std::wstring> seen;
        return seen;
    }

    // False when the test program does not call SetDllDirectoryW.
    static bool Install()
    {
        if (!setDllDirectory)
            setDllDirectory = ReplaceImport("kernel32.dll", "SetDllDirectoryW", &SetDllDirectorySeen);
        return setDllDirectory != nullptr;
    }

private:
    static BOOL WINAPI SetDllDirectorySeen(LPCWSTR folder)
    {
        Seen().push_back(folder ? folder : L"(null)");
        return setDllDirectory(folder);
    }

    static inline decltype(&SetDllDirectoryW) setDllDirectory = nullptr;
};

// Another program at the moment the code asks LoadLibraryExW for one file:
// it tries to open the file to write, and to rename or delete, and notes
// whether it could, from Install until Remove.
struct TamperingAtLoad {
    static inline std::vector<std::string> tried;

    static void Install(const std::filesystem::path& file)
    {
        target = file;
        tried.clear();
        loadLibraryEx = ReplaceImport("kernel32.dll", "LoadLibraryExW", &LoadLibraryExTampering);
    }
    static void Remove() { ReplaceImport("kernel32.dll", "LoadLibraryExW", loadLibraryEx); }

private:
    static HMODULE WINAPI LoadLibraryExTampering(LPCWSTR name, HANDLE file, DWORD flags)
    {
        const auto opens = [name](DWORD access) {
            const HANDLE opened = CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              nullptr, OPEN_EXISTING, 0, nullptr);
            return opened != INVALID_HANDLE_VALUE && CloseHandle(opened);
        };
        if (target == name)
            tried = {opens(GENERIC_WRITE) ? "opened to write" : "not opened to write",
                     opens(DELETE) ? "opened to rename or delete" : "not opened to rename or delete"};
        return loadLibraryEx(name, file, flags);
    }

    static inline std::filesystem::path target;
    static inline decltype(&LoadLibraryExW) loadLibraryEx = nullptr;
};
