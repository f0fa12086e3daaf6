// The control's extent and its saved state: the extent of IOleObject, and
// IPersistStreamInit, which starts the control new or from saved bytes.
#include "cd_info_control.h"

STDMETHODIMP CdInfoControl::SetExtent(DWORD aspect, SIZEL* size)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size || !IsValidExtent({size->cx, size->cy}))
        return E_INVALIDARG;
    extent_ = {size->cx, size->cy};
    return S_OK;
}

STDMETHODIMP CdInfoControl::GetExtent(DWORD aspect, SIZEL* size)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    *size = {extent_.width, extent_.height};
    return S_OK;
}

STDMETHODIMP CdInfoControl::InitNew()
{
    if (initialised_)
        return E_UNEXPECTED;
    extent_ = kNewControlExtent;
    initialised_ = true;
    return S_OK;
}

STDMETHODIMP CdInfoControl::Load(IStream* stream)
{
    if (!stream)
        return E_POINTER;
    if (initialised_)
        return E_UNEXPECTED;
    SavedState bytes{};
    ULONG read = 0;
    const HRESULT hr = stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    if (FAILED(hr))
        return hr;
    if (read != bytes.size())
        return STG_E_READFAULT;
    const auto extent = ReadSavedState(bytes);
    if (!extent)
        return CTL_E_INVALIDFILEFORMAT;
    extent_ = *extent;
    initialised_ = true;
    return S_OK;
}

STDMETHODIMP CdInfoControl::Save(IStream* stream, BOOL)
{
    if (!stream)
        return E_POINTER;
    const SavedState bytes = WriteSavedState(extent_);
    return stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
}

STDMETHODIMP CdInfoControl::GetSizeMax(ULARGE_INTEGER* size)
{
    if (!size)
        return E_POINTER;
    size->QuadPart = kSavedStateSize;
    return S_OK;
}
