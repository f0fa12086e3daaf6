// Test equipment that stands in for platform functions: a function that a
// test program imports by name is replaced in its own import table, so that a
// test sees what the product's code asked of the loader, where Wine shows no
// effect, plays another program at the moment the loader is asked, or plays
// Windows where Wine cannot (a symbolic link).

#pragma once

#include <windows.h>

#include <algorithm>
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

// Windows' answers for a reparse point at one path, which Wine 8 cannot
// make (its CreateSymbolicLinkW makes nothing, and it follows a Unix link
// whatever the flags, reporting the target's attributes): the path opened
// with FILE_FLAG_OPEN_REPARSE_POINT is the reparse point itself, with
// FILE_ATTRIBUTE_REPARSE_POINT and its tag: for a symbolic link
// (IO_REPARSE_TAG_SYMLINK) a file of its own, with an identifier of its own;
// for a file of a synced cloud folder (IO_REPARSE_TAG_CLOUD_6) the file.
// Opened without it, the file at the path. From Install to Remove.
struct ReparsePointAt {
    static void Install(const std::filesystem::path& file, DWORD reparseTag)
    {
        path = file;
        tag = reparseTag;
        opened.clear();
        createFile = ReplaceImport("kernel32.dll", "CreateFileW", &CreateFileAsWindows);
        getInformation = ReplaceImport("kernel32.dll", "GetFileInformationByHandle", &GetInformationAsWindows);
        getInformationEx = ReplaceImport("kernel32.dll", "GetFileInformationByHandleEx", &GetInformationExAsWindows);
    }
    static void Remove()
    {
        ReplaceImport("kernel32.dll", "CreateFileW", createFile);
        ReplaceImport("kernel32.dll", "GetFileInformationByHandle", getInformation);
        ReplaceImport("kernel32.dll", "GetFileInformationByHandleEx", getInformationEx);
        opened.clear();
    }

private:
    static bool IsReparsePoint(HANDLE file) { return std::find(opened.begin(), opened.end(), file) != opened.end(); }
    static HANDLE WINAPI CreateFileAsWindows(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                             DWORD disposition, DWORD flags, HANDLE pattern)
    {
        const HANDLE handle = createFile(name, access, share, security, disposition, flags, pattern);
        if (handle != INVALID_HANDLE_VALUE && path == name && (flags & FILE_FLAG_OPEN_REPARSE_POINT))
            opened.push_back(handle);
        return handle;
    }
    static BOOL WINAPI GetInformationAsWindows(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information)
    {
        const BOOL got = getInformation(file, information);
        if (got && IsReparsePoint(file)) {
            information->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
            if (IsReparseTagNameSurrogate(tag))
                information->nFileIndexLow ^= 0x5A5A5A5A;
        }
        return got;
    }
    static BOOL WINAPI GetInformationExAsWindows(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID information,
                                                 DWORD size)
    {
        if (kind != FileAttributeTagInfo || !IsReparsePoint(file) || size < sizeof(FILE_ATTRIBUTE_TAG_INFO))
            return getInformationEx(file, kind, information, size);
        BY_HANDLE_FILE_INFORMATION whole{};
        if (!GetInformationAsWindows(file, &whole))
            return FALSE;
        *static_cast<FILE_ATTRIBUTE_TAG_INFO*>(information) = {whole.dwFileAttributes, tag};
        return TRUE;
    }

    static inline std::filesystem::path path;
    static inline DWORD tag = 0;
    static inline std::vector<HANDLE> opened;
    static inline decltype(&CreateFileW) createFile = nullptr;
    static inline decltype(&GetFileInformationByHandle) getInformation = nullptr;
    static inline decltype(&GetFileInformationByHandleEx) getInformationEx = nullptr;
};

// Another program that puts another file at a path while the code holds the
// one there open, which it cannot rename or delete: it renames the folder
// that holds it away and makes the folder anew, with the other file. It does
// so once, after the code first opened the path: at the next opening of the
// path or when the loader is asked for it, whichever comes first. Windows
// renames no folder with a file open inside; Wine does. From Install to
// Remove.
struct FolderSwapped {
    enum class Done { not_yet, swapped, refused };
    static inline Done done = Done::not_yet;

    static void Install(const std::filesystem::path& file, const std::filesystem::path& replacement)
    {
        target = file;
        other = replacement;
        opens = 0;
        done = Done::not_yet;
        createFile = ReplaceImport("kernel32.dll", "CreateFileW", &CreateFileSwapping);
        loadLibraryEx = ReplaceImport("kernel32.dll", "LoadLibraryExW", &LoadLibraryExSwapping);
    }
    static void Remove()
    {
        ReplaceImport("kernel32.dll", "CreateFileW", createFile);
        ReplaceImport("kernel32.dll", "LoadLibraryExW", loadLibraryEx);
    }
    // Where the folder went.
    static std::filesystem::path MovedFolder() { return target.parent_path().wstring() + L"-moved"; }

private:
    static void Swap()
    {
        if (done != Done::not_yet)
            return;
        const std::filesystem::path folder = target.parent_path();
        if (!MoveFileW(folder.c_str(), MovedFolder().c_str())) {
            done = Done::refused;
            return;
        }
        CreateDirectoryW(folder.c_str(), nullptr);
        CopyFileW(other.c_str(), target.c_str(), TRUE);
        done = Done::swapped;
    }
    static HANDLE WINAPI CreateFileSwapping(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                            DWORD disposition, DWORD flags, HANDLE pattern)
    {
        if (target == name && ++opens > 1)
            Swap();
        return createFile(name, access, share, security, disposition, flags, pattern);
    }
    static HMODULE WINAPI LoadLibraryExSwapping(LPCWSTR name, HANDLE file, DWORD flags)
    {
        if (target == name)
            Swap();
        return loadLibraryEx(name, file, flags);
    }

    static inline std::filesystem::path target;
    static inline std::filesystem::path other;
    static inline int opens = 0;
    static inline decltype(&CreateFileW) createFile = nullptr;
    static inline decltype(&LoadLibraryExW) loadLibraryEx = nullptr;
};
