// Divazid.dll's COM entry points: the class factory of each of the control's
// two registrations, and whether the DLL may be unloaded.
#include "com.h"
#include "control.h"
#include "control_window.h"

#include <unknwn.h>

#include <atomic>
#include <new>

namespace {

// The control's two registrations (coclass VAdaveve of each type library),
// served by one implementation.
struct Registration {
    CLSID clsid;
    int typeLibIndex;
};

constexpr Registration kRegistrations[] = {
    {{0x6F112864, 0x2A32, 0x4B98, {0xB6, 0xC7, 0x0D, 0x41, 0xEF, 0x77, 0x3B, 0x59}}, 1},
    {{0x08F7A9C1, 0x9C2D, 0x4C04, {0x83, 0x66, 0x44, 0x13, 0x47, 0xAC, 0x8E, 0x2C}}, 2},
};

std::atomic<long> moduleReferences{0};

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(const Registration& registration) : registration_(registration) { ModuleAddRef(); }
    ~ClassFactory() { ModuleRelease(); }
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        return QueryInterfaceFrom(iid, object, {{IID_IUnknown, this}, {IID_IClassFactory, this}});
    }
    STDMETHODIMP_(ULONG) AddRef() override { return references_.Add(); }
    STDMETHODIMP_(ULONG) Release() override { return references_.Release(this); }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return CreateCdInfoControl(registration_.clsid, registration_.typeLibIndex, iid, object);
    }

    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            ModuleAddRef();
        else
            ModuleRelease();
        return S_OK;
    }

private:
    ReferenceCount references_;
    const Registration registration_;
};

}  // namespace

void ModuleAddRef()
{
    ++moduleReferences;
}

void ModuleRelease()
{
    --moduleReferences;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    // At process exit (reserved set) windows and classes go with the process.
    if (reason == DLL_PROCESS_DETACH && !reserved)
        UnregisterControlWindowClass();
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (const Registration& registration : kRegistrations) {
        if (registration.clsid != clsid)
            continue;
        auto* factory = new (std::nothrow) ClassFactory(registration);
        if (!factory)
            return E_OUTOFMEMORY;
        const HRESULT hr = factory->QueryInterface(iid, object);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow()
{
    return moduleReferences == 0 ? S_OK : S_FALSE;
}
