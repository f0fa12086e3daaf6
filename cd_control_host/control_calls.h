#pragma once

#include <oaidl.h>

#include <string>

// The dispatch identifier of Visible on the extended object of a control's site.
constexpr DISPID kDispidExtendedVisible = static_cast<DISPID>(0x80010007);

// The calls behind CdControl, over any IDispatch: the control's members by
// dispatch identifier, results converted to signed 16 bits as the platform's
// variant conversion does (a half to the even neighbour; DISP_E_OVERFLOW when
// out of range), and Visible on the site's extended object. An error that
// the callee reports through EXCEPINFO is returned as its status. On failure
// the results are left as they were.
HRESULT InvokeTrackCount(IDispatch* control, short& count);
// trackNo is passed by reference (VT_I2 | VT_BYREF): a change by the control
// is seen by the caller.
HRESULT InvokeTrackLength(IDispatch* control, short& trackNo, short& seconds);
HRESULT InvokeSetDrive(IDispatch* control, const std::wstring& letter);
HRESULT PutExtendedVisible(IDispatch* extended, bool visible);
