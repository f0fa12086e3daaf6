// Test equipment that watches a component: a class factory in front of a
// real one that keeps the object it makes, so that a test can ask that
// object what its host handed it.

#pragma once

#include <ole2.h>
#include <wrl/client.h>

struct KeepingFactory final : IClassFactory {
    Microsoft::WRL::ComPtr<IClassFactory> built;
    Microsoft::WRL::ComPtr<IOleObject> made;

    STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        const HRESULT hr = built->CreateInstance(outer, iid, object);
        return SUCCEEDED(hr) ? static_cast<IUnknown*>(*object)->QueryInterface(IID_PPV_ARGS(&made)) : hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};
