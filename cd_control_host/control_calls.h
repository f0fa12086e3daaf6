// The host's calls into the CD control's automation members, by the dispatch
// identifiers of its contract (divazid.h), with their results as numbers.
#pragma once

#include <oaidl.h>

#include <string>

// The calls behind CdControl, over any IDispatch: results converted to signed
// 16 bits as the platform's variant conversion does (a half to the even
// neighbour; DISP_E_OVERFLOW when out of range). An error that the callee
// reports through EXCEPINFO is returned as its status. On failure the results
// are left as they were.
HRESULT InvokeTrackCount(IDispatch* control, short& count);
// trackNo is passed by reference (VT_I2 | VT_BYREF): a change by the control
// is seen by the caller.
HRESULT InvokeTrackLength(IDispatch* control, short& trackNo, short& seconds);
HRESULT InvokeSetDrive(IDispatch* control, const std::wstring& letter);
