// The host's calls into the CD control (control_calls.h): each builds its
// arguments, invokes the member and converts the result.
#include "control_calls.h"

#include "com.h"
#include "divazid.h"

#include <oleauto.h>

namespace {

HRESULT ToShort(Variant& value, short& number)
{
    const HRESULT hr = value.ChangeType(VT_I2);
    if (SUCCEEDED(hr))
        number = V_I2(value.get());
    return hr;
}

}  // namespace

HRESULT InvokeTrackCount(IDispatch* control, short& count)
{
    Variant result;
    HRESULT hr = InvokeMember(control, kDispidTrackCount, DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, 0,
                              result.get());
    if (SUCCEEDED(hr))
        hr = ToShort(result, count);
    return hr;
}

HRESULT InvokeTrackLength(IDispatch* control, short& trackNo, short& seconds)
{
    Variant argument;
    V_VT(argument.get()) = VT_I2 | VT_BYREF;
    V_I2REF(argument.get()) = &trackNo;
    Variant result;
    HRESULT hr = InvokeMember(control, kDispidTrackLength, DISPATCH_METHOD | DISPATCH_PROPERTYGET, argument.get(), 1,
                              result.get());
    if (SUCCEEDED(hr))
        hr = ToShort(result, seconds);
    return hr;
}

HRESULT InvokeSetDrive(IDispatch* control, const std::wstring& letter)
{
    Variant argument;
    V_VT(argument.get()) = VT_BSTR;
    V_BSTR(argument.get()) = SysAllocStringLen(letter.data(), static_cast<UINT>(letter.size()));
    if (!V_BSTR(argument.get()))
        return E_OUTOFMEMORY;
    return InvokeMember(control, kDispidDrive, DISPATCH_PROPERTYPUT, argument.get(), 1, nullptr);
}
