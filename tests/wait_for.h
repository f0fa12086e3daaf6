// Waiting in the tests for what another thread or program does: a condition
// polled until it holds or the time is up.
#pragma once

#include <windows.h>

#include <functional>

inline bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 5000)
{
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; GetTickCount64() < end; Sleep(15))
        if (condition())
            return true;
    return condition();
}
