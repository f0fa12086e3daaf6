#include "control_site.h"

#include "control_calls.h"

#include <new>

namespace {

// The host's extended object for the control's site: Visible shows and
// hides the control's window.
class ExtendedControl final : public IDispatch {
public:
    explicit ExtendedControl(HWND window) : window_(window) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        return QueryInterfaceFrom(iid, object, {{IID_IUnknown, this}, {IID_IDispatch, this}});
    }
    STDMETHODIMP_(ULONG) AddRef() override { return references_.Add(); }
    STDMETHODIMP_(ULONG) Release() override { return references_.Release(this); }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        return IdsOfNames(iid, names, count, ids, [](const wchar_t* name) {
            return lstrcmpiW(name, L"Visible") == 0 ? kDispidExtendedVisible : DISPID_UNKNOWN;
        });
    }

    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT* argumentError) override
    {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        if (id != kDispidExtendedVisible)
            return DISP_E_MEMBERNOTFOUND;
        if (!params)
            return E_INVALIDARG;
        if (flags & DISPATCH_PROPERTYPUT) {
            if (params->cNamedArgs > 1 ||
                (params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
                return DISP_E_NONAMEDARGS;
            if (params->cArgs != 1)
                return DISP_E_BADPARAMCOUNT;
            Variant visible;
            const HRESULT hr = VariantChangeType(visible.get(), &params->rgvarg[0], 0, VT_BOOL);
            if (FAILED(hr)) {
                if (argumentError)
                    *argumentError = 0;
                return hr;
            }
            ShowWindow(window_, V_BOOL(visible.get()) ? SW_SHOWNA : SW_HIDE);
            return S_OK;
        }
        if (!(flags & DISPATCH_PROPERTYGET))
            return DISP_E_MEMBERNOTFOUND;
        if (params->cNamedArgs != 0)
            return DISP_E_NONAMEDARGS;
        if (params->cArgs != 0)
            return DISP_E_BADPARAMCOUNT;
        if (result) {
            VariantInit(result);
            V_VT(result) = VT_BOOL;
            V_BOOL(result) = (GetWindowLongW(window_, GWL_STYLE) & WS_VISIBLE) ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return S_OK;
    }

private:
    ReferenceCount references_;
    const HWND window_;
};

}  // namespace

HRESULT ControlSite::AttachControlWindow(HWND window)
{
    auto* extended = new (std::nothrow) ExtendedControl(window);
    if (!extended)
        return E_OUTOFMEMORY;
    extended_.Attach(extended);
    return S_OK;
}

STDMETHODIMP ControlSite::QueryInterface(REFIID iid, void** object)
{
    return QueryInterfaceFrom(iid, object,
                              {
                                  {IID_IUnknown, static_cast<IOleClientSite*>(this)},
                                  {IID_IOleClientSite, static_cast<IOleClientSite*>(this)},
                                  {IID_IOleInPlaceSite, static_cast<IOleInPlaceSite*>(this)},
                                  {IID_IOleWindow, static_cast<IOleInPlaceSite*>(this)},
                                  {IID_IOleInPlaceFrame, static_cast<IOleInPlaceFrame*>(this)},
                                  {IID_IOleInPlaceUIWindow, static_cast<IOleInPlaceFrame*>(this)},
                                  {IID_IOleControlSite, static_cast<IOleControlSite*>(this)},
                              });
}

STDMETHODIMP ControlSite::GetContainer(IOleContainer** container)
{
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ControlSite::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = parent_;
    return S_OK;
}

STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                           LPRECT clip, LPOLEINPLACEFRAMEINFO info)
{
    if (!frame || !document || !position || !clip || !info)
        return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;  // the frame is the document window
    *position = rect_;
    *clip = rect_;
    info->fMDIApp = FALSE;
    info->hwndFrame = parent_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP ControlSite::GetExtendedControl(IDispatch** extended)
{
    if (!extended)
        return E_POINTER;
    *extended = nullptr;
    return extended_ ? extended_.CopyTo(extended) : E_UNEXPECTED;
}
