// The control in place on its host's window: its client site, the verbs that
// activate, show and hide it, and the window it makes there and keeps placed.
#include "cd_info_control.h"

#include "control_window.h"
#include "status.h"

#include <utility>

using Microsoft::WRL::ComPtr;

namespace {

// Always in place, never UI active: the control takes no keys.
constexpr DWORD kMiscStatus = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT |
                              OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE | OLEMISC_NOUIACTIVATE;

}  // namespace

STDMETHODIMP CdInfoControl::SetClientSite(IOleClientSite* site)
{
    clientSite_ = site;
    return S_OK;
}

STDMETHODIMP CdInfoControl::GetClientSite(IOleClientSite** site)
{
    if (!site)
        return E_POINTER;
    return clientSite_.CopyTo(site);
}

STDMETHODIMP CdInfoControl::Close(DWORD)
{
    Deactivate();
    return S_OK;
}

STDMETHODIMP CdInfoControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT)
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

STDMETHODIMP CdInfoControl::GetMiscStatus(DWORD, DWORD* status)
{
    if (!status)
        return E_POINTER;
    *status = kMiscStatus;
    return S_OK;
}

STDMETHODIMP CdInfoControl::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
}

STDMETHODIMP CdInfoControl::InPlaceDeactivate()
{
    Deactivate();
    return S_OK;
}

STDMETHODIMP CdInfoControl::SetObjectRects(LPCRECT position, LPCRECT)
{
    if (!position)
        return E_POINTER;
    if (window_)
        MoveWindow(window_, position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    return S_OK;
}

HRESULT CdInfoControl::Activate(IOleClientSite* site)
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
    hr = CreateWindowInPlace(*inPlaceSite.Get());
    if (FAILED(hr)) {
        Deactivate();
        return hr;
    }
    Redraw();
    return S_OK;
}

// The window, a child of the site's window at the place the site gives.
HRESULT CdInfoControl::CreateWindowInPlace(IOleInPlaceSite& site)
{
    HWND parent = nullptr;
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> document;
    RECT position{};
    RECT clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    HRESULT hr = site.GetWindow(&parent);
    if (SUCCEEDED(hr))
        hr = site.GetWindowContext(&frame, &document, &position, &clip, &frameInfo);
    if (FAILED(hr))
        return hr;
    window_ = CreateControlWindow(parent, position);
    return window_ ? S_OK : LastError();
}

void CdInfoControl::Deactivate()
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

void CdInfoControl::Redraw() const
{
    if (window_)
        ShowSummary(window_, DiscSummaryText(listing_.TrackCount(), listing_.TotalSeconds()));
}
