// The message that reports a failed call (failure_report.h).

#include "failure_report.h"

#include "status.h"
#include "texts.h"

#include <cwchar>

std::wstring DescribeFailure(const std::wstring& whatFailed, HRESULT status)
{
    const std::wstring platformText = SystemMessage(status);
    wchar_t code[32];
    std::swprintf(code, 32, L"0x%08lX", static_cast<unsigned long>(status));
    std::wstring text = whatFailed + L"\n\n";
    if (!platformText.empty())
        text += platformText + L"\n";
    return text + texts::kErrorCode + code;
}
