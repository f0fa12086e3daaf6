#pragma once

#include <windows.h>

#include <string>

// The status of the last failed platform call of this thread.
inline HRESULT LastError()
{
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

// The text of the message box that reports a failed call: what failed, in
// Romanian, then the platform's own message for the status and its code.
std::wstring DescribeFailure(const std::wstring& whatFailed, HRESULT status);
