#pragma once

#include "cd_control.h"

#include <oaidl.h>
#include <unknwn.h>
#include <wrl/client.h>

// Loads the control's DLL by its full path (never through the DLL search
// path) and finds the class "VAdaveve" in the registration (type library)
// with the given identifier. A relative path is refused (E_INVALIDARG). The
// DLL stays loaded for the rest of the process.
HRESULT LoadCdControlClass(const std::wstring& dllPath, const GUID& libId,
                           Microsoft::WRL::ComPtr<IClassFactory>& factory);

// Creates one control as a child of parent at rect (client pixels), hands it
// the saved state and activates it in place. The thread must have called
// OleInitialize. Destroying the returned object closes the control and
// destroys its window.
HRESULT CreateHostedCdControl(IClassFactory* factory, HWND parent, const RECT& rect,
                              std::unique_ptr<CdControl>& control);

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
