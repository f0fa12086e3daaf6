// The CD control hosted on the main window: made from the loaded class, sited
// and activated in place, then driven through the CdControl interface.
#include "hosted_cd_control.h"

#include "control_calls.h"
#include "control_site.h"
#include "status.h"
#include "window_text.h"

#include <wrl/client.h>

#include <new>

using Microsoft::WRL::ComPtr;

namespace {

// The extent the window stores for the control, in hundredths of a millimetre.
constexpr SIZEL kStoredExtent = {2350, 2138};

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
        if (SUCCEEDED(hr))
            hr = Initialise();
        RECT position = rect;
        if (SUCCEEDED(hr))
            hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, parent, &position);
        if (SUCCEEDED(hr))
            hr = object_.As(&inPlace_);
        if (SUCCEEDED(hr))
            hr = inPlace_->GetWindow(&window_);
        if (SUCCEEDED(hr))
            hr = object_.As(&dispatch_);
        return hr;
    }

    HRESULT SetVisible(bool visible) override
    {
        ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
        return S_OK;
    }

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

    HRESULT VisibleSummary(std::wstring& summary) override
    {
        return Guarded([&] {
            summary = IsWindowVisible(window_) ? WindowText(window_) : std::wstring();
            return S_OK;
        });
    }

private:
    // A new control of the stored extent, given its site before or after
    // that as it asks.
    HRESULT Initialise()
    {
        DWORD misc = 0;
        HRESULT hr = object_->GetMiscStatus(DVASPECT_CONTENT, &misc);
        if (FAILED(hr))
            return hr;
        const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
        if (siteFirst && FAILED(hr = object_->SetClientSite(site_.Get())))
            return hr;
        ComPtr<IPersistStreamInit> persist;
        if (FAILED(hr = object_.As(&persist)) || FAILED(hr = persist->InitNew()))
            return hr;
        SIZEL extent = kStoredExtent;
        if (FAILED(hr = object_->SetExtent(DVASPECT_CONTENT, &extent)))
            return hr;
        return siteFirst ? S_OK : object_->SetClientSite(site_.Get());
    }

    ComPtr<ControlSite> site_;
    ComPtr<IOleObject> object_;
    ComPtr<IOleInPlaceObject> inPlace_;
    ComPtr<IDispatch> dispatch_;
    HWND window_ = nullptr;
};

}  // namespace

HRESULT CreateHostedCdControl(IClassFactory* factory, HWND parent, const RECT& rect,
                              std::unique_ptr<CdControl>& control)
{
    control.reset();
    return Guarded([&] {
        auto hosted = std::make_unique<HostedCdControl>();
        const HRESULT hr = hosted->Create(factory, parent, rect);
        if (SUCCEEDED(hr))
            control = std::move(hosted);
        return hr;
    });
}
