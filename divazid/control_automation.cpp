// The control's automation members as IDispatch calls them: TrackCount reads
// the disc, TrackLength answers from that reading, Drive chooses the drive.
#include "cd_info_control.h"

#include "disc_reader.h"

#include <memory>
#include <new>
#include <string>

namespace {

// Reading a disc includes spinning it up.
constexpr DWORD kDiscReadTimeoutMs = 20000;

DISPID MemberId(const wchar_t* name)
{
    if (lstrcmpiW(name, L"TrackCount") == 0)
        return kDispidTrackCount;
    if (lstrcmpiW(name, L"TrackLength") == 0)
        return kDispidTrackLength;
    if (lstrcmpiW(name, L"Drive") == 0)
        return kDispidDrive;
    return DISPID_UNKNOWN;
}

bool IsGet(WORD flags)
{
    return (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0;
}

// The track number argument: normally VT_I2 | VT_BYREF pointing at the
// caller's counter, which is only read; any value convertible to a number
// is accepted as well.
HRESULT TrackNumber(const DISPPARAMS& params, long& trackNo, UINT* argumentError)
{
    const VARIANT& argument = params.rgvarg[0];
    if (V_VT(&argument) == (VT_I2 | VT_BYREF) && !V_I2REF(&argument))
        return DISP_E_TYPEMISMATCH;
    Variant number;
    const HRESULT hr = InvokeArgumentAs(params, 0, VT_I4, number, argumentError);
    if (SUCCEEDED(hr))
        trackNo = V_I4(number.get());
    return hr;
}

void SetLong(VARIANT* result, long value)
{
    if (result) {
        VariantInit(result);
        V_VT(result) = VT_I4;
        V_I4(result) = value;
    }
}

// The drive letter as a text of one letter, empty for none.
HRESULT SetLetter(VARIANT* result, wchar_t letter)
{
    if (!result)
        return S_OK;
    VariantInit(result);
    V_BSTR(result) = SysAllocStringLen(&letter, letter != 0 ? 1 : 0);
    if (!V_BSTR(result))
        return E_OUTOFMEMORY;
    V_VT(result) = VT_BSTR;
    return S_OK;
}

}  // namespace

STDMETHODIMP CdInfoControl::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    return IdsOfNames(iid, names, count, ids, MemberId);
}

STDMETHODIMP CdInfoControl::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT* argumentError)
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

HRESULT CdInfoControl::InvokeTrackCount(WORD flags, const DISPPARAMS& params, VARIANT* result)
{
    if (!IsGet(flags))
        return DISP_E_MEMBERNOTFOUND;
    const HRESULT hr = CheckInvokeArguments(params, DISPATCH_PROPERTYGET, 0);
    if (FAILED(hr))
        return hr;
    SetLong(result, listing_.ReadTrackCount());
    Redraw();
    return S_OK;
}

HRESULT CdInfoControl::InvokeTrackLength(WORD flags, const DISPPARAMS& params, VARIANT* result, UINT* argumentError)
{
    if (!IsGet(flags))
        return DISP_E_MEMBERNOTFOUND;
    HRESULT hr = CheckInvokeArguments(params, DISPATCH_PROPERTYGET, 1);
    long trackNo = 0;
    if (SUCCEEDED(hr))
        hr = TrackNumber(params, trackNo, argumentError);
    if (FAILED(hr))
        return hr;
    const auto seconds = listing_.TrackSeconds(trackNo);
    if (!seconds)
        return DISP_E_BADINDEX;
    SetLong(result, *seconds);
    return S_OK;
}

HRESULT CdInfoControl::InvokeDrive(WORD flags, const DISPPARAMS& params, VARIANT* result, UINT* argumentError)
{
    if (flags & DISPATCH_PROPERTYPUT)
        return PutDrive(params, argumentError);
    if (!IsGet(flags))
        return DISP_E_MEMBERNOTFOUND;
    const HRESULT hr = CheckInvokeArguments(params, DISPATCH_PROPERTYGET, 0);
    if (FAILED(hr))
        return hr;
    return SetLetter(result, listing_.Drive());
}

HRESULT CdInfoControl::PutDrive(const DISPPARAMS& params, UINT* argumentError)
{
    Variant text;
    HRESULT hr = CheckInvokeArguments(params, DISPATCH_PROPERTYPUT, 1);
    if (SUCCEEDED(hr))
        hr = InvokeArgumentAs(params, 0, VT_BSTR, text, argumentError);
    if (FAILED(hr))
        return hr;
    const BSTR letter = V_BSTR(text.get());
    if (!listing_.SetDrive(std::wstring_view(letter ? letter : L"", SysStringLen(letter))))
        return E_INVALIDARG;
    Redraw();
    return S_OK;
}

// A disc that spins up slowly, or a drive that does not answer, does not
// hold the window: after a while, on Esc or when the window is to be
// closed, the control reports no tracks.
std::vector<DiscTrack> CdInfoControl::ReadDiscOnWorker(wchar_t letter)
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
