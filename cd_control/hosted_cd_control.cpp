#include "hosted_cd_control.h"

#include "dll_search.h"
#include "divazid.h"

#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

struct Variant {
    VARIANT value;
    Variant() { VariantInit(&value); }
    ~Variant() { VariantClear(&value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

struct Bstr {
    BSTR value;
    explicit Bstr(BSTR text) : value(text) {}
    ~Bstr() { SysFreeString(value); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
};

HRESULT Invoke(IDispatch* target, DISPID id, WORD flags, VARIANT* arguments, UINT argumentCount,
               VARIANT* result)
{
    if (!target)
        return E_POINTER;
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{arguments, nullptr, argumentCount, 0};
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    EXCEPINFO exception{};
    UINT argumentError = 0;
    HRESULT hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                &exception, &argumentError);
    if (hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn)
            exception.pfnDeferredFillIn(&exception);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        if (FAILED(exception.scode))
            hr = exception.scode;
    }
    return hr;
}

HRESULT ToShort(VARIANT& value, short& number)
{
    Variant converted;
    const HRESULT hr = VariantChangeType(&converted.value, &value, 0, VT_I2);
    if (SUCCEEDED(hr))
        number = V_I2(&converted.value);
    return hr;
}

bool IsFullPath(const std::wstring& path)
{
    const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (path.size() >= 3 && path[1] == L':' && separator(path[2]))
        return (path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z');
    return path.size() >= 3 && separator(path[0]) && separator(path[1]);
}

BOOL CALLBACK CollectTypeLibrary(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR indices)
{
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<WORD>*>(indices)->push_back(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

// The class identifier of coclass VAdaveve in the DLL's type library libId.
HRESULT FindControlClass(HMODULE module, const std::wstring& dllPath, const GUID& libId, CLSID& clsid)
{
    std::vector<WORD> indices;
    EnumResourceNamesW(module, L"TYPELIB", CollectTypeLibrary, reinterpret_cast<LONG_PTR>(&indices));
    for (const WORD index : indices) {
        ComPtr<ITypeLib> library;
        if (FAILED(LoadTypeLibEx((dllPath + L"\\" + std::to_wstring(index)).c_str(), REGKIND_NONE, &library)))
            continue;
        TLIBATTR* attributes = nullptr;
        HRESULT hr = library->GetLibAttr(&attributes);
        if (FAILED(hr))
            return hr;
        const bool wanted = attributes->guid == libId;
        library->ReleaseTLibAttr(attributes);
        if (!wanted)
            continue;
        for (UINT i = 0, count = library->GetTypeInfoCount(); i < count; ++i) {
            TYPEKIND kind{};
            if (FAILED(library->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS)
                continue;
            BSTR rawName = nullptr;
            hr = library->GetDocumentation(static_cast<INT>(i), &rawName, nullptr, nullptr, nullptr);
            if (FAILED(hr))
                return hr;
            const Bstr name(rawName);
            if (!name.value || std::wstring(name.value) != L"VAdaveve")
                continue;
            ComPtr<ITypeInfo> info;
            hr = library->GetTypeInfo(i, &info);
            if (FAILED(hr))
                return hr;
            TYPEATTR* typeAttributes = nullptr;
            hr = info->GetTypeAttr(&typeAttributes);
            if (FAILED(hr))
                return hr;
            clsid = typeAttributes->guid;
            info->ReleaseTypeAttr(typeAttributes);
            return S_OK;
        }
        return TYPE_E_ELEMENTNOTFOUND;
    }
    return TYPE_E_LIBNOTREGISTERED;
}

// The host's extended object for the control's site: Visible shows and
// hides the control's window.
class ExtendedControl final : public IDispatch {
public:
    explicit ExtendedControl(HWND window) : window_(window) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid != IID_IUnknown && iid != IID_IDispatch) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

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
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids || count == 0)
            return E_INVALIDARG;
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = i == 0 && names[0] && lstrcmpiW(names[0], L"Visible") == 0 ? kDispidExtendedVisible
                                                                                  : DISPID_UNKNOWN;
            if (ids[i] == DISPID_UNKNOWN)
                hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }

    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO*, UINT* argumentError) override
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
            const HRESULT hr = VariantChangeType(&visible.value, &params->rgvarg[0], 0, VT_BOOL);
            if (FAILED(hr)) {
                if (argumentError)
                    *argumentError = 0;
                return hr;
            }
            ShowWindow(window_, V_BOOL(&visible.value) ? SW_SHOWNA : SW_HIDE);
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
    std::atomic<ULONG> references_{1};
    const HWND window_;
};

// A minimal in-place site on the parent window: the control is always
// in-place active, never UI active, and has no menus or toolbars to share.
class ControlSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IOleControlSite {
public:
    ControlSite(HWND parent, const RECT& rect) : parent_(parent), rect_(rect) {}

    void SetRect(const RECT& rect) { rect_ = rect; }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *object = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleInPlaceSite || iid == IID_IOleWindow)
            *object = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow)
            *object = static_cast<IOleInPlaceFrame*>(this);
        else if (iid == IID_IOleControlSite)
            *object = static_cast<IOleControlSite*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return S_OK; }  // nothing is ever saved
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** container) override
    {
        if (container)
            *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (of the site and of the frame)
    STDMETHODIMP GetWindow(HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = parent_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                  LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override
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
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    // The window's layout is fixed: the control keeps the place it was given.
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow, IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return OLE_E_INVALIDRECT; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
    STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
    STDMETHODIMP GetExtendedControl(IDispatch** extended) override
    {
        if (!extended)
            return E_POINTER;
        *extended = nullptr;
        return extended_ ? extended_.CopyTo(extended) : E_UNEXPECTED;
    }
    STDMETHODIMP TransformCoords(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(LPMSG, DWORD) override { return S_FALSE; }
    STDMETHODIMP OnFocus(BOOL) override { return S_OK; }
    STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

    // Once the control has its window, the site's extended object can show
    // and hide it.
    HRESULT AttachControlWindow(HWND window)
    {
        auto* extended = new (std::nothrow) ExtendedControl(window);
        if (!extended)
            return E_OUTOFMEMORY;
        extended_.Attach(extended);
        return S_OK;
    }

    void DetachControlWindow() { extended_.Reset(); }

private:
    std::atomic<ULONG> references_{1};
    const HWND parent_;
    RECT rect_;
    ComPtr<IDispatch> extended_;
};

// The state the window hands the control: format 0x300, then its width and
// height in hundredths of a millimetre (32-bit little-endian values).
constexpr std::uint8_t kSavedState[kSavedStateSize] = {
    0x00, 0x03, 0x00, 0x00,  // 0x300
    0x2E, 0x09, 0x00, 0x00,  // 2350
    0x5A, 0x08, 0x00, 0x00,  // 2138
};

HRESULT LoadSavedState(IOleObject* object)
{
    ComPtr<IPersistStreamInit> persist;
    HRESULT hr = object->QueryInterface(IID_PPV_ARGS(&persist));
    if (FAILED(hr))
        return hr;
    ComPtr<IStream> stream;
    hr = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    if (SUCCEEDED(hr))
        hr = stream->Write(kSavedState, sizeof kSavedState, nullptr);
    if (SUCCEEDED(hr))
        hr = stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    if (SUCCEEDED(hr))
        hr = persist->Load(stream.Get());
    return hr;
}

class HostedCdControl final : public CdControl {
public:
    HostedCdControl() = default;
    HostedCdControl(const HostedCdControl&) = delete;
    HostedCdControl& operator=(const HostedCdControl&) = delete;

    // Closing cannot be refused and has nobody to report to: the statuses
    // of these calls are of no use.
    ~HostedCdControl() override
    {
        if (inPlace_)
            inPlace_->InPlaceDeactivate();
        if (object_) {
            object_->Close(OLECLOSE_NOSAVE);
            object_->SetClientSite(nullptr);
        }
        if (site_)
            site_->DetachControlWindow();
    }

    HRESULT Create(IClassFactory* factory, HWND parent, const RECT& rect)
    {
        if (!factory)
            return E_POINTER;
        auto* site = new (std::nothrow) ControlSite(parent, rect);
        if (!site)
            return E_OUTOFMEMORY;
        site_.Attach(site);

        HRESULT hr = factory->CreateInstance(nullptr, IID_PPV_ARGS(&object_));
        if (FAILED(hr))
            return hr;
        DWORD misc = 0;
        hr = object_->GetMiscStatus(DVASPECT_CONTENT, &misc);
        if (FAILED(hr))
            return hr;
        const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
        if (siteFirst && FAILED(hr = object_->SetClientSite(site_.Get())))
            return hr;
        if (FAILED(hr = LoadSavedState(object_.Get())))
            return hr;
        if (!siteFirst && FAILED(hr = object_->SetClientSite(site_.Get())))
            return hr;
        RECT position = rect;
        hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, parent, &position);
        if (FAILED(hr))
            return hr;
        if (FAILED(hr = object_.As(&inPlace_)))
            return hr;
        HWND window = nullptr;
        if (FAILED(hr = inPlace_->GetWindow(&window)))
            return hr;
        if (FAILED(hr = site_->AttachControlWindow(window)))
            return hr;
        if (FAILED(hr = site_->GetExtendedControl(&extended_)))
            return hr;
        return object_.As(&dispatch_);
    }

    HRESULT SetVisible(bool visible) override { return PutExtendedVisible(extended_.Get(), visible); }
    HRESULT SetDrive(const std::wstring& letter) override { return InvokeSetDrive(dispatch_.Get(), letter); }
    HRESULT TrackCount(short& count) override { return InvokeTrackCount(dispatch_.Get(), count); }
    HRESULT TrackLength(short& trackNo, short& seconds) override
    {
        return InvokeTrackLength(dispatch_.Get(), trackNo, seconds);
    }

    HRESULT Move(const RECT& rect) override
    {
        site_->SetRect(rect);
        return inPlace_->SetObjectRects(&rect, &rect);
    }

private:
    ComPtr<ControlSite> site_;
    ComPtr<IOleObject> object_;
    ComPtr<IOleInPlaceObject> inPlace_;
    ComPtr<IDispatch> dispatch_;
    ComPtr<IDispatch> extended_;
};

}  // namespace

HRESULT LoadCdControlClass(const std::wstring& dllPath, const GUID& libId,
                           ComPtr<IClassFactory>& factory)
{
    factory.Reset();
    if (!IsFullPath(dllPath))
        return E_INVALIDARG;
    try {
        const HMODULE module = LoadDllByFullPath(dllPath);
        if (!module)
            return HRESULT_FROM_WIN32(GetLastError());
        CLSID clsid{};
        HRESULT hr = FindControlClass(module, dllPath, libId, clsid);
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        const auto getClassObject = reinterpret_cast<GetClassObject>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
        if (SUCCEEDED(hr) && !getClassObject)
            hr = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
        if (SUCCEEDED(hr))
            hr = getClassObject(clsid, IID_PPV_ARGS(&factory));
        // Only a DLL that serves no object is let go: one that does stays
        // loaded, as its code runs for every control it creates.
        if (FAILED(hr))
            FreeLibrary(module);
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CreateHostedCdControl(IClassFactory* factory, HWND parent, const RECT& rect,
                              std::unique_ptr<CdControl>& control)
{
    control.reset();
    try {
        auto hosted = std::make_unique<HostedCdControl>();
        const HRESULT hr = hosted->Create(factory, parent, rect);
        if (SUCCEEDED(hr))
            control = std::move(hosted);
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT InvokeTrackCount(IDispatch* control, short& count)
{
    Variant result;
    HRESULT hr = Invoke(control, kDispidTrackCount, DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, 0,
                        &result.value);
    if (SUCCEEDED(hr))
        hr = ToShort(result.value, count);
    return hr;
}

HRESULT InvokeTrackLength(IDispatch* control, short& trackNo, short& seconds)
{
    Variant argument;
    V_VT(&argument.value) = VT_I2 | VT_BYREF;
    V_I2REF(&argument.value) = &trackNo;
    Variant result;
    HRESULT hr = Invoke(control, kDispidTrackLength, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                        &argument.value, 1, &result.value);
    if (SUCCEEDED(hr))
        hr = ToShort(result.value, seconds);
    return hr;
}

HRESULT InvokeSetDrive(IDispatch* control, const std::wstring& letter)
{
    Variant argument;
    V_VT(&argument.value) = VT_BSTR;
    V_BSTR(&argument.value) = SysAllocStringLen(letter.data(), static_cast<UINT>(letter.size()));
    if (!V_BSTR(&argument.value))
        return E_OUTOFMEMORY;
    return Invoke(control, kDispidDrive, DISPATCH_PROPERTYPUT, &argument.value, 1, nullptr);
}

HRESULT PutExtendedVisible(IDispatch* extended, bool visible)
{
    Variant argument;
    V_VT(&argument.value) = VT_BOOL;
    V_BOOL(&argument.value) = visible ? VARIANT_TRUE : VARIANT_FALSE;
    return Invoke(extended, kDispidExtendedVisible, DISPATCH_PROPERTYPUT, &argument.value, 1, nullptr);
}
