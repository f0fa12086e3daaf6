#include "hosted_cd_control.h"

#include "control_calls.h"
#include "control_site.h"
#include "divazid.h"
#include "status.h"
#include "window_text.h"

#include <cstdint>
#include <new>

using Microsoft::WRL::ComPtr;

namespace {

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
        if (FAILED(hr = inPlace_->GetWindow(&window_)))
            return hr;
        if (FAILED(hr = site_->AttachControlWindow(window_)))
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

    HRESULT VisibleSummary(std::wstring& summary) override
    {
        return Guarded([&] {
            summary = IsWindowVisible(window_) ? WindowText(window_) : std::wstring();
            return S_OK;
        });
    }

private:
    ComPtr<ControlSite> site_;
    ComPtr<IOleObject> object_;
    ComPtr<IOleInPlaceObject> inPlace_;
    ComPtr<IDispatch> dispatch_;
    ComPtr<IDispatch> extended_;
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
