// The COM helpers of com.h: IDispatch calls with their errors in one status,
// Invoke's argument checks, and QueryInterface from a table.
#include "com.h"

#include <oleauto.h>

namespace {

// The status of an error that an object raised through EXCEPINFO. Frees the
// texts the object filled in.
HRESULT ExceptionStatus(EXCEPINFO& info)
{
    if (info.pfnDeferredFillIn)
        info.pfnDeferredFillIn(&info);
    HRESULT status = DISP_E_EXCEPTION;
    if (FAILED(info.scode))
        status = info.scode;
    else if (info.wCode != 0)
        status = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, info.wCode);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return status;
}

}  // namespace

HRESULT InvokeMember(IDispatch* object, DISPID member, WORD flags, VARIANT* arguments, UINT argumentCount,
                     VARIANT* result)
{
    if (!object)
        return E_POINTER;
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{arguments, nullptr, argumentCount, 0};
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    EXCEPINFO exception{};
    const HRESULT status = object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception,
                                          nullptr);
    return status == DISP_E_EXCEPTION ? ExceptionStatus(exception) : status;
}

HRESULT CheckInvokeArguments(const DISPPARAMS& params, WORD flags, UINT count)
{
    const bool putValueNamed = (flags & DISPATCH_PROPERTYPUT) && params.cNamedArgs == 1 && params.rgdispidNamedArgs &&
                               params.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
    if (params.cNamedArgs != 0 && !putValueNamed)
        return DISP_E_NONAMEDARGS;
    return params.cArgs == count ? S_OK : DISP_E_BADPARAMCOUNT;
}

HRESULT InvokeArgumentAs(const DISPPARAMS& params, UINT index, VARTYPE type, Variant& value, UINT* argumentError)
{
    if (index >= params.cArgs || !params.rgvarg)
        return DISP_E_BADPARAMCOUNT;
    const HRESULT hr = VariantChangeType(value.get(), &params.rgvarg[index], 0, type);
    if (FAILED(hr) && argumentError)
        *argumentError = index;
    return hr;
}

HRESULT QueryInterfaceFrom(REFIID iid, void** object, std::initializer_list<InterfaceEntry> table)
{
    if (!object)
        return E_POINTER;
    for (const InterfaceEntry& entry : table) {
        if (entry.iid == iid) {
            entry.object->AddRef();
            *object = entry.object;
            return S_OK;
        }
    }
    *object = nullptr;
    return E_NOINTERFACE;
}
