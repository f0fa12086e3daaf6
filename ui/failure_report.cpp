#include "failure_report.h"

#include <cwchar>

std::wstring DescribeFailure(const std::wstring& whatFailed, HRESULT status)
{
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring platformText = length != 0 ? std::wstring(message, length) : std::wstring();
    LocalFree(message);
    while (!platformText.empty() && (platformText.back() == L'\n' || platformText.back() == L'\r' ||
                                     platformText.back() == L' '))
        platformText.pop_back();

    wchar_t code[32];
    std::swprintf(code, 32, L"0x%08lX", static_cast<unsigned long>(status));
    std::wstring text = whatFailed + L"\n\n";
    if (!platformText.empty())
        text += platformText + L"\n";
    return text + L"Cod de eroare: " + code;
}
