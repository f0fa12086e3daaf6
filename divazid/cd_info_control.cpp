// The CD information control as COM sees it: its making and lifetime, the
// interfaces it answers for, and its description in the type library.
#include "cd_info_control.h"

#include "control.h"
#include "disc_reader.h"
#include "module_path.h"
#include "status.h"

#include <new>
#include <string>

using Microsoft::WRL::ComPtr;

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// The control's automation interface (the dispinterface of both type libraries).
const IID kDiidControl = {0x0E912095, 0x48D1, 0x43D8, {0x85, 0x9F, 0xBC, 0x41, 0x82, 0xF2, 0x9F, 0x2D}};

}  // namespace

CdInfoControl::CdInfoControl(const CLSID& clsid, int typeLibIndex)
    : clsid_(clsid),
      typeLibIndex_(typeLibIndex),
      listing_([this](wchar_t letter) { return ReadDiscOnWorker(letter); }, FirstCdromDrive)
{
    ModuleAddRef();
}

CdInfoControl::~CdInfoControl()
{
    Deactivate();
    ModuleRelease();
}

STDMETHODIMP CdInfoControl::QueryInterface(REFIID iid, void** object)
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

STDMETHODIMP CdInfoControl::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP CdInfoControl::GetTypeInfo(UINT index, LCID, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    return TypeInfoOf(kDiidControl, info);
}

STDMETHODIMP CdInfoControl::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

STDMETHODIMP CdInfoControl::GetClassInfo(ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    return TypeInfoOf(clsid_, info);
}

HRESULT CdInfoControl::TypeInfoOf(const GUID& guid, ITypeInfo** info) const
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
