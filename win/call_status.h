// How a call made on another thread ended when its caller stopped waiting
// for it: the statuses the worker gives, which the drive service hands on and
// the window reads, each under one name. The call's own thread finishes it.

#pragma once

#include <windows.h>

constexpr HRESULT kCallTimedOut = HRESULT_FROM_WIN32(ERROR_TIMEOUT);
constexpr HRESULT kCallCancelled = HRESULT_FROM_WIN32(ERROR_CANCELLED);  // Esc
// The drive's last call was given up on and has not answered yet: no new
// call is started on it.
constexpr HRESULT kDriveStillNotAnswering = HRESULT_FROM_WIN32(ERROR_BUSY);
// A window of the thread is to be closed: the caller ends without a word.
constexpr HRESULT kCallAbandonedForClose = HRESULT_FROM_WIN32(ERROR_OPERATION_ABORTED);

// The call did not answer in time, the user gave up on it with Esc, or its
// drive still holds an earlier call that did not answer.
constexpr bool IsGivenUp(HRESULT status)
{
    return status == kCallTimedOut || status == kCallCancelled || status == kDriveStillNotAnswering;
}
