// A DLL planted beside the programs under the name of a system DLL, as an
// attacker would leave one in a Downloads folder. Loaded, it writes NAME.loaded
// beside itself, holding the path of the program that loaded it, and fails its
// load, so that the program goes on without it.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t record[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameW(module, record, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return FALSE;
    lstrcpyW(record + length, L".loaded");
    const HANDLE file = CreateFileW(record, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        wchar_t program[MAX_PATH];
        const DWORD programLength = GetModuleFileNameW(nullptr, program, MAX_PATH);
        DWORD written = 0;
        WriteFile(file, program, programLength * sizeof(wchar_t), &written, nullptr);
        CloseHandle(file);
    }
    return FALSE;
}
