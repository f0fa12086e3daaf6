// The message that reports a failed call, at start-up or in the drive
// browser.
#pragma once

#include <windows.h>

#include <string>

// The text of the message box that reports a failed call: what failed, in
// Romanian, then the platform's own message for the status and its code.
std::wstring DescribeFailure(const std::wstring& whatFailed, HRESULT status);
