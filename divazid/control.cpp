#include "control.h"

#include "com.h"
#include "control_window.h"
#include "disc_listing.h"
#include "disc_reader.h"
#include "divazid.h"
#include "module_path.h"
#include "status.h"
#include "worker.h"

#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <cstdint>
#include <new>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// The control's automation interface (the dispinterface of both type libraries).
const IID kDiidControl = {0x0E912095, 0x48D1, 0x43D8, {0x85, 0x9F, 0xBC, 0x41, 0x82, 0xF2, 0x9F, 0x2D}};

// The extent when no saved state is loaded: the one the program stores.
constexpr SIZEL kDefaultExtent = {2350, 2138};
// Reading a disc includes spinning it up.
constexpr DWORD kDiscReadTimeoutMs = 20000;
// Larger saved extents (ten metres) can only come from damaged data.
constexpr LONG kMaxExtent = 1000000;

constexpr DWORD kMiscStatus = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT |
                              OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE | OLEMISC_NOUIACTIVATE;

// The one argument of a member call, or the DISP_E_* code for its absence.
HRESULT SingleArgument(const DISPPARAMS& params, bool propertyPut, VARIANT*& argument)
{
    const UINT named = params.cNamedArgs;
    if (propertyPut) {
        if (named > 1 || (named == 1 && params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
            return DISP_E_NONAMEDARGS;
    } else if (named != 0) {
        return DISP_E_NONAMEDARGS;
    }
    if (params.cArgs != 1)
        return DISP_E_BADPARAMCOUNT;
    argument = &params.rgvarg[0];
    return S_OK;
}

HRESULT NoArguments(const DISPPARAMS& params)
{
    if (params.cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    return params.cArgs == 0 ? S_OK : DISP_E_BADPARAMCOUNT;
}

// The track number argument: normally VT_I2 | VT_BYREF pointing at the
// caller's counter, which is only read; any value convertible to a number
// is accepted as well.
HRESULT TrackNumber(VARIANT& argument, long& trackNo)
{
    if (V_VT(&argument) == (VT_I2 | VT_BYREF)) {
        if (!V_I2REF(&argument))
            return DISP_E_TYPEMISMATCH;
        trackNo = *V_I2REF(&argument);
        return S_OK;
    }
    Variant number;
    const HRESULT hr = VariantChangeType(number.get(), &argument, 0, VT_I4);
    if (FAILED(hr))
        return hr;
    trackNo = V_I4(number.get());
    return S_OK;
}

void SetLong(VARIANT* result, long value)
{
    if (result) {
        VariantInit(result);
        V_VT(result) = VT_I4;
        V_I4(result) = value;
    }
}

class CdInfoControl final : public IDispatch,
                            public IOleObject,
                            public IOleInPlaceObject,
                            public IPersistStreamInit,
                            public IProvideClassInfo {
public:
    CdInfoControl(const CLSID& clsid, int typeLibIndex)
        : clsid_(clsid),
          typeLibIndex_(typeLibIndex),
          listing_([this](wchar_t letter) { return ReadDiscOnWorker(letter); }, FirstCdromDrive)
    {
        ModuleAddRef();
    }

    ~CdInfoControl()
    {
        Deactivate();
        ModuleRelease();
    }

    CdInfoControl(const CdInfoControl&) = delete;
    CdInfoControl& operator=(const CdInfoControl&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        return QueryInterfaceFrom(iid, object,
                                  {
                                      {IID_IUnknown, static_cast<IDispatch*>(this)},
                                      {IID_IDispatch, static_cast<IDispatch*>(this)},
                                      {kDiidControl, static_cast<IDispatch*>(this)},
                                      {IID_IOleObject, static_cast<IOleObject*>(this)},
                                      {IID_IOleInPlaceObject, static_cast<IOleInPlaceObject*>(this)},
                                      {IID_IOleWindow, static_cast<IOleInPlaceObject*>(this)},
                                      {IID_IPersistStreamInit, static_cast<IPersistStreamInit*>(this)},
                                      {IID_IPersist, static_cast<IPersistStreamInit*>(this)},
                                      {IID_IProvideClassInfo, static_cast<IProvideClassInfo*>(this)},
                                  });
    }

    STDMETHODIMP_(ULONG) AddRef() override { return references_.Add(); }
    STDMETHODIMP_(ULONG) Release() override { return references_.Release(this); }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }

    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override
    {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        return TypeInfoOf(kDiidControl, info);
    }

    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        return IdsOfNames(iid, names, count, ids, MemberId);
    }

    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT* argumentError) override
    {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        if (!params)
            return E_INVALIDARG;
        try {
            switch (id) {
            case kDispidTrackCount:
                return InvokeTrackCount(flags, *params, result);
            case kDispidTrackLength:
                return InvokeTrackLength(flags, *params, result, argumentError);
            case kDispidDrive:
                return InvokeDrive(flags, *params, result, argumentError);
            default:
                return DISP_E_MEMBERNOTFOUND;
            }
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override
    {
        clientSite_ = site;
        return S_OK;
    }

    STDMETHODIMP GetClientSite(IOleClientSite** site) override
    {
        if (!site)
            return E_POINTER;
        return clientSite_.CopyTo(site);
    }

    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }

    STDMETHODIMP Close(DWORD) override
    {
        Deactivate();
        return S_OK;
    }

    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }

    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) override
    {
        switch (verb) {
        case OLEIVERB_SHOW: {
            const HRESULT hr = Activate(site);
            if (SUCCEEDED(hr))
                ShowWindow(window_, SW_SHOWNA);
            return hr;
        }
        case OLEIVERB_PRIMARY:
        case OLEIVERB_INPLACEACTIVATE:
        case OLEIVERB_UIACTIVATE:  // nothing to do with keys: in-place active is all
            return Activate(site);
        case OLEIVERB_HIDE:
            if (window_)
                ShowWindow(window_, SW_HIDE);
            return S_OK;
        default:
            return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
        }
    }

    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }

    STDMETHODIMP GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }

    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }

    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override
    {
        if (aspect != DVASPECT_CONTENT)
            return DV_E_DVASPECT;
        if (!size || !ValidExtent(*size))
            return E_INVALIDARG;
        extent_ = *size;
        return S_OK;
    }

    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override
    {
        if (aspect != DVASPECT_CONTENT)
            return DV_E_DVASPECT;
        if (!size)
            return E_POINTER;
        *size = extent_;
        return S_OK;
    }

    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP Unadvise(DWORD) override { return OLE_E_NOCONNECTION; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override
    {
        if (!status)
            return E_POINTER;
        *status = kMiscStatus;
        return S_OK;
    }

    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = window_;
        return window_ ? S_OK : E_FAIL;
    }

    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    STDMETHODIMP InPlaceDeactivate() override
    {
        Deactivate();
        return S_OK;
    }

    STDMETHODIMP UIDeactivate() override { return S_OK; }

    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override
    {
        if (!position)
            return E_POINTER;
        if (window_)
            MoveWindow(window_, position->left, position->top, position->right - position->left,
                       position->bottom - position->top, TRUE);
        return S_OK;
    }

    STDMETHODIMP ReactivateAndUndo() override { return INPLACE_E_NOTUNDOABLE; }

    // IPersist, IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID* clsid) override
    {
        if (!clsid)
            return E_POINTER;
        *clsid = clsid_;
        return S_OK;
    }

    STDMETHODIMP IsDirty() override { return S_FALSE; }

    // The saved state: format version, width, height (HIMETRIC), 32 bits
    // each, little-endian.
    STDMETHODIMP Load(IStream* stream) override
    {
        if (!stream)
            return E_POINTER;
        if (initialised_)
            return E_UNEXPECTED;
        std::uint8_t bytes[kSavedStateSize]{};
        ULONG read = 0;
        const HRESULT hr = stream->Read(bytes, sizeof bytes, &read);
        if (FAILED(hr))
            return hr;
        if (read != sizeof bytes)
            return STG_E_READFAULT;
        const auto value = [&](int i) {
            return static_cast<std::uint32_t>(bytes[4 * i]) | static_cast<std::uint32_t>(bytes[4 * i + 1]) << 8 |
                   static_cast<std::uint32_t>(bytes[4 * i + 2]) << 16 |
                   static_cast<std::uint32_t>(bytes[4 * i + 3]) << 24;
        };
        if (value(0) != kSavedStateVersion || value(1) > kMaxExtent || value(2) > kMaxExtent)
            return CTL_E_INVALIDFILEFORMAT;
        const SIZEL extent{static_cast<LONG>(value(1)), static_cast<LONG>(value(2))};
        if (!ValidExtent(extent))
            return CTL_E_INVALIDFILEFORMAT;
        extent_ = extent;
        initialised_ = true;
        return S_OK;
    }

    STDMETHODIMP Save(IStream* stream, BOOL) override
    {
        if (!stream)
            return E_POINTER;
        std::uint8_t bytes[kSavedStateSize]{};
        const std::uint32_t values[] = {kSavedStateVersion, static_cast<std::uint32_t>(extent_.cx),
                                        static_cast<std::uint32_t>(extent_.cy)};
        for (int i = 0; i < 3; ++i)
            for (int b = 0; b < 4; ++b)
                bytes[4 * i + b] = static_cast<std::uint8_t>(values[i] >> (8 * b));
        return stream->Write(bytes, sizeof bytes, nullptr);
    }

    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override
    {
        if (!size)
            return E_POINTER;
        size->QuadPart = kSavedStateSize;
        return S_OK;
    }

    STDMETHODIMP InitNew() override
    {
        if (initialised_)
            return E_UNEXPECTED;
        extent_ = kDefaultExtent;
        initialised_ = true;
        return S_OK;
    }

    // IProvideClassInfo
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override
    {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        return TypeInfoOf(clsid_, info);
    }

private:
    static bool ValidExtent(const SIZEL& size)
    {
        return size.cx > 0 && size.cy > 0 && size.cx <= kMaxExtent && size.cy <= kMaxExtent;
    }

    static DISPID MemberId(const wchar_t* name)
    {
        if (lstrcmpiW(name, L"TrackCount") == 0)
            return kDispidTrackCount;
        if (lstrcmpiW(name, L"TrackLength") == 0)
            return kDispidTrackLength;
        if (lstrcmpiW(name, L"Drive") == 0)
            return kDispidDrive;
        return DISPID_UNKNOWN;
    }

    // The description of guid in this registration's type library.
    HRESULT TypeInfoOf(const GUID& guid, ITypeInfo** info) const
    {
        const std::wstring path = ModulePath(reinterpret_cast<HMODULE>(&__ImageBase));
        if (path.empty())
            return LastError();
        const std::wstring resource = path + L"\\" + std::to_wstring(typeLibIndex_);
        ComPtr<ITypeLib> library;
        const HRESULT hr = LoadTypeLibEx(resource.c_str(), REGKIND_NONE, &library);
        if (FAILED(hr))
            return hr;
        return library->GetTypeInfoOfGuid(guid, info);
    }

    HRESULT InvokeTrackCount(WORD flags, const DISPPARAMS& params, VARIANT* result)
    {
        if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)))
            return DISP_E_MEMBERNOTFOUND;
        const HRESULT hr = NoArguments(params);
        if (FAILED(hr))
            return hr;
        SetLong(result, listing_.ReadTrackCount());
        Redraw();
        return S_OK;
    }

    HRESULT InvokeTrackLength(WORD flags, const DISPPARAMS& params, VARIANT* result, UINT* argumentError)
    {
        if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)))
            return DISP_E_MEMBERNOTFOUND;
        VARIANT* argument = nullptr;
        HRESULT hr = SingleArgument(params, false, argument);
        if (FAILED(hr))
            return hr;
        long trackNo = 0;
        hr = TrackNumber(*argument, trackNo);
        if (FAILED(hr)) {
            if (argumentError)
                *argumentError = 0;
            return hr;
        }
        const auto seconds = listing_.TrackSeconds(trackNo);
        if (!seconds)
            return DISP_E_BADINDEX;
        SetLong(result, *seconds);
        return S_OK;
    }

    HRESULT InvokeDrive(WORD flags, const DISPPARAMS& params, VARIANT* result, UINT* argumentError)
    {
        if (flags & DISPATCH_PROPERTYPUT) {
            VARIANT* argument = nullptr;
            HRESULT hr = SingleArgument(params, true, argument);
            if (FAILED(hr))
                return hr;
            Variant text;
            hr = VariantChangeType(text.get(), argument, 0, VT_BSTR);
            if (FAILED(hr)) {
                if (argumentError)
                    *argumentError = 0;
                return hr;
            }
            const BSTR letter = V_BSTR(text.get());
            if (!listing_.SetDrive(std::wstring_view(letter ? letter : L"", SysStringLen(letter))))
                return E_INVALIDARG;
            Redraw();
            return S_OK;
        }
        if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)))
            return DISP_E_MEMBERNOTFOUND;
        const HRESULT hr = NoArguments(params);
        if (FAILED(hr))
            return hr;
        if (result) {
            const wchar_t letter = listing_.Drive();
            VariantInit(result);
            V_VT(result) = VT_BSTR;
            V_BSTR(result) = SysAllocStringLen(&letter, letter != 0 ? 1 : 0);
            if (!V_BSTR(result)) {
                V_VT(result) = VT_EMPTY;
                return E_OUTOFMEMORY;
            }
        }
        return S_OK;
    }

    HRESULT Activate(IOleClientSite* site)
    {
        if (window_)
            return S_OK;
        if (site && site != clientSite_.Get())
            clientSite_ = site;
        if (!clientSite_)
            return E_UNEXPECTED;
        ComPtr<IOleInPlaceSite> inPlaceSite;
        HRESULT hr = clientSite_.As(&inPlaceSite);
        if (FAILED(hr))
            return hr;
        hr = inPlaceSite->CanInPlaceActivate();
        if (hr != S_OK)
            return FAILED(hr) ? hr : OLEOBJ_E_INVALIDVERB;
        hr = inPlaceSite->OnInPlaceActivate();
        if (FAILED(hr))
            return hr;
        inPlaceSite_ = inPlaceSite;

        HWND parent = nullptr;
        ComPtr<IOleInPlaceFrame> frame;
        ComPtr<IOleInPlaceUIWindow> document;
        RECT position{};
        RECT clip{};
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof frameInfo;
        hr = inPlaceSite->GetWindow(&parent);
        if (SUCCEEDED(hr))
            hr = inPlaceSite->GetWindowContext(&frame, &document, &position, &clip, &frameInfo);
        if (SUCCEEDED(hr)) {
            window_ = CreateControlWindow(parent, position);
            if (!window_)
                hr = LastError();
        }
        if (FAILED(hr)) {
            Deactivate();
            return hr;
        }
        Redraw();
        return S_OK;
    }

    void Deactivate()
    {
        if (window_) {
            DestroyWindow(window_);
            window_ = nullptr;
        }
        if (inPlaceSite_) {
            const ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
            site->OnInPlaceDeactivate();
        }
    }

    // A disc that spins up slowly, or a drive that does not answer, does not
    // hold the window: after a while, on Esc or when the window is to be
    // closed, the control reports no tracks.
    std::vector<DiscTrack> ReadDiscOnWorker(wchar_t letter)
    {
        try {
            auto tracks = std::make_shared<std::vector<DiscTrack>>();
            const HRESULT hr = discReader_.Call(
                letter,
                [tracks, letter] {
                    *tracks = ReadDiscTracks(letter);
                    return S_OK;
                },
                kDiscReadTimeoutMs);
            return SUCCEEDED(hr) ? std::move(*tracks) : std::vector<DiscTrack>{};
        } catch (const std::bad_alloc&) {
            return {};
        }
    }

    void Redraw() const
    {
        if (window_)
            ShowSummary(window_, DiscSummaryText(listing_.TrackCount(), listing_.TotalSeconds()));
    }

    ReferenceCount references_;
    const CLSID clsid_;
    const int typeLibIndex_;
    Worker discReader_{false};
    DiscListing listing_;
    SIZEL extent_ = kDefaultExtent;
    bool initialised_ = false;
    ComPtr<IOleClientSite> clientSite_;
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    HWND window_ = nullptr;
};

}  // namespace

HRESULT CreateCdInfoControl(const CLSID& clsid, int typeLibIndex, REFIID iid, void** object)
{
    CdInfoControl* control = nullptr;
    try {
        control = new CdInfoControl(clsid, typeLibIndex);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = control->QueryInterface(iid, object);
    control->Release();
    return hr;
}
