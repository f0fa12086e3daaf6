// The CD information control, private to Divazid.dll: one object behind all
// its interfaces, its members defined by job in cd_info_control.cpp (identity)
// and control_automation, control_in_place and control_state.cpp.
#pragma once

#include "com.h"
#include "disc_listing.h"
#include "saved_state.h"
#include "worker.h"

#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <vector>

class CdInfoControl final : public IDispatch,
                            public IOleObject,
                            public IOleInPlaceObject,
                            public IPersistStreamInit,
                            public IProvideClassInfo {
public:
    CdInfoControl(const CLSID& clsid, int typeLibIndex);
    ~CdInfoControl();
    CdInfoControl(const CdInfoControl&) = delete;
    CdInfoControl& operator=(const CdInfoControl&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return references_.Add(); }
    STDMETHODIMP_(ULONG) Release() override { return references_.Release(this); }

    // IDispatch: the type information in cd_info_control.cpp, the members
    // TrackCount, TrackLength and Drive in control_automation.cpp
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT* argumentError) override;

    // IOleObject: the site and the verbs (control_in_place.cpp)
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) override;
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override;
    // IOleObject: the extent (control_state.cpp)
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    // IOleObject: the class, and what a control without links, data
    // transfer or notifications does not do
    STDMETHODIMP GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP Unadvise(DWORD) override { return OLE_E_NOCONNECTION; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceObject (control_in_place.cpp)
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override;
    STDMETHODIMP ReactivateAndUndo() override { return INPLACE_E_NOTUNDOABLE; }

    // IPersist, IPersistStreamInit (the class in cd_info_control.cpp, the
    // state in control_state.cpp)
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(IStream* stream) override;
    STDMETHODIMP Save(IStream* stream, BOOL) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;

    // IProvideClassInfo (cd_info_control.cpp)
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;

private:
    // The description of guid in this registration's type library.
    HRESULT TypeInfoOf(const GUID& guid, ITypeInfo** info) const;

    HRESULT InvokeTrackCount(WORD flags, const DISPPARAMS& params, VARIANT* result);
    HRESULT InvokeTrackLength(WORD flags, const DISPPARAMS& params, VARIANT* result, UINT* argumentError);
    HRESULT InvokeDrive(WORD flags, const DISPPARAMS& params, VARIANT* result, UINT* argumentError);
    HRESULT PutDrive(const DISPPARAMS& params, UINT* argumentError);
    std::vector<DiscTrack> ReadDiscOnWorker(wchar_t letter);

    HRESULT Activate(IOleClientSite* site);
    HRESULT CreateWindowInPlace(IOleInPlaceSite& site);
    void Deactivate();
    // Shows the last reading's summary in the window, if there is one.
    void Redraw() const;

    // A new control's extent until its host gives it one: an inch square.
    static constexpr Extent kNewControlExtent = {2540, 2540};

    ReferenceCount references_;
    const CLSID clsid_;
    const int typeLibIndex_;
    Worker discReader_{false};
    DiscListing listing_;
    Extent extent_ = kNewControlExtent;
    bool initialised_ = false;
    Microsoft::WRL::ComPtr<IOleClientSite> clientSite_;
    Microsoft::WRL::ComPtr<IOleInPlaceSite> inPlaceSite_;
    HWND window_ = nullptr;
};
