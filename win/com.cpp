#include "com.h"

#include <oleauto.h>

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
