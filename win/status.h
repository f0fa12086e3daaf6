// Statuses of failed platform calls, the system's message for a status, and
// running code that reports statuses without letting an exception out.

#pragma once

#include <windows.h>

#include <new>
#include <string>

// The status of the last failed platform call of this thread.
inline HRESULT LastError()
{
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

// The platform's own message for a status, without its line end; empty
// where the platform has none.
std::wstring SystemMessage(HRESULT status);

// Runs body, which returns a status. Running out of memory becomes a status
// too, so that no exception leaves a call that only reports statuses.
template <class Body>
HRESULT Guarded(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
