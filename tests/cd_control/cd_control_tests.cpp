#include <gtest/gtest.h>

#include "both_builds.h"
#include "control_calls.h"
#include "control_loader.h"
#include "hosted_cd_control.h"

#include <ole2.h>

#include <functional>

using Microsoft::WRL::ComPtr;

namespace {

// An IDispatch whose every call is answered by a script.
struct ScriptedDispatch final : IDispatch {
    std::function<HRESULT(DISPID, WORD, DISPPARAMS&, VARIANT*, EXCEPINFO*)> answer;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        *object = iid == IID_IUnknown || iid == IID_IDispatch ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                        UINT*) override
    {
        return answer(id, flags, *params, result, exception);
    }
};

TEST(CdControlCalls, TrackLengthHandsTheControlTheCallersNumberByReference)
{
    ScriptedDispatch control;
    short trackNo = 3;
    control.answer = [&](DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result, EXCEPINFO*) {
        EXPECT_EQ(id, 1);
        EXPECT_EQ(flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
        EXPECT_EQ(params.cArgs, 1u);
        EXPECT_EQ(params.cNamedArgs, 0u);
        EXPECT_EQ(V_VT(&params.rgvarg[0]), VT_I2 | VT_BYREF);
        EXPECT_EQ(V_I2REF(&params.rgvarg[0]), &trackNo);
        *V_I2REF(&params.rgvarg[0]) = 7;
        V_VT(result) = VT_I4;
        V_I4(result) = 245;
        return S_OK;
    };
    short seconds = 0;
    ASSERT_EQ(InvokeTrackLength(&control, trackNo, seconds), S_OK);
    EXPECT_EQ(seconds, 245);
    EXPECT_EQ(trackNo, 7);
}

HRESULT WINAPI FillInReadFault(EXCEPINFO* info)
{
    info->scode = STG_E_READFAULT;
    return S_OK;
}

// Results become signed 16-bit numbers as the platform converts them; an
// error, also one told through EXCEPINFO, is returned and leaves the result.
TEST(CdControlCalls, ResultsConvertedToSigned16BitsOrTheErrorReturned)
{
    using Answer = std::function<HRESULT(VARIANT*, EXCEPINFO*)>;
    const auto real = [](double d) -> Answer {
        return [d](VARIANT* v, EXCEPINFO*) {
            V_VT(v) = VT_R8;
            V_R8(v) = d;
            return S_OK;
        };
    };
    const auto whole = [](long n) -> Answer {
        return [n](VARIANT* v, EXCEPINFO*) {
            V_VT(v) = VT_I4;
            V_I4(v) = n;
            return S_OK;
        };
    };
    const struct {
        const char* what;
        Answer answer;
        HRESULT status;
        short value;
    } cases[] = {
        {"2.5", real(2.5), S_OK, 2},
        {"-32768", whole(-32768), S_OK, -32768},
        {"32767.5", real(32767.5), DISP_E_OVERFLOW, 0},
        {"-32769", whole(-32769), DISP_E_OVERFLOW, 0},
        {"failed call", [](VARIANT*, EXCEPINFO*) { return DISP_E_BADINDEX; }, DISP_E_BADINDEX, 0},
        {"EXCEPINFO",
         [](VARIANT*, EXCEPINFO* e) {
             e->scode = E_ACCESSDENIED;
             return DISP_E_EXCEPTION;
         },
         E_ACCESSDENIED, 0},
        // A control's own error number, as the Scripting Runtime raises "device unavailable".
        {"EXCEPINFO wCode",
         [](VARIANT*, EXCEPINFO* e) {
             e->wCode = 68;
             return DISP_E_EXCEPTION;
         },
         MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 68), 0},
        {"deferred EXCEPINFO",
         [](VARIANT*, EXCEPINFO* e) {
             e->pfnDeferredFillIn = FillInReadFault;
             return DISP_E_EXCEPTION;
         },
         STG_E_READFAULT, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedDispatch control;
        control.answer = [&](DISPID id, WORD, DISPPARAMS& params, VARIANT* result, EXCEPINFO* e) {
            EXPECT_EQ(id, params.cArgs ? 1 : 0x60020005);  // the track length or the track count
            return c.answer(result, e);
        };
        short count = 99;
        EXPECT_EQ(InvokeTrackCount(&control, count), c.status);
        EXPECT_EQ(count, c.status == S_OK ? c.value : 99);
        short trackNo = 1;
        short seconds = 99;
        EXPECT_EQ(InvokeTrackLength(&control, trackNo, seconds), c.status);
        EXPECT_EQ(seconds, c.status == S_OK ? c.value : 99);
    }
}

TEST(CdControlClass, EachBuildFindsItsOwnClassInTheDllAndUnknownOnesFailCleanly)
{
    CLSID classes[2]{};
    for (int i = 0; const BuildDifferences* build : {&kTarvolo, &kTarvolo9x}) {
        SCOPED_TRACE(testing::Message() << build->cdControlDll);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(LoadCdControlClass((ThisProgramsFolder() / build->cdControlDll).wstring(), build->cdControlLibId,
                                     factory),
                  S_OK);
        ComPtr<IPersist> control;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&control)), S_OK);
        ASSERT_EQ(control->GetClassID(&classes[i++]), S_OK);
    }
    EXPECT_NE(classes[0], classes[1]);

    ComPtr<IClassFactory> factory;
    const GUID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(LoadCdControlClass((ThisProgramsFolder() / L"Divazid.dll").wstring(), unknown, factory),
              TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(LoadCdControlClass((ThisProgramsFolder() / L"Missing.dll").wstring(), kTarvolo.cdControlLibId, factory),
              HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(factory);
}

// The control hosted on a window, as the program hosts it: moved with the
// window's layout, and gone with the host's reference. The program's own
// tests show it, shown and hidden, listing real discs.
TEST(HostedCdControl, MovesWithTheLayoutAndGoesWithItsHost)
{
    ASSERT_EQ(OleInitialize(nullptr), S_OK);
    const HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 400, 300,
                                        nullptr, nullptr, nullptr, nullptr);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(LoadCdControlClass((ThisProgramsFolder() / L"Divazid.dll").wstring(), kTarvolo.cdControlLibId, factory),
              S_OK);
    std::unique_ptr<CdControl> control;
    ASSERT_EQ(CreateHostedCdControl(factory.Get(), parent, RECT{264, 200, 353, 281}, control), S_OK);
    const HWND window = FindWindowExW(parent, nullptr, L"VAdaveve", nullptr);
    ASSERT_TRUE(window);

    const RECT moved{10, 20, 150, 140};
    ASSERT_EQ(control->Move(moved), S_OK);
    RECT actual{};
    GetWindowRect(window, &actual);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_TRUE(EqualRect(&actual, &moved));

    control.reset();
    EXPECT_FALSE(IsWindow(window));
    DestroyWindow(parent);
    OleUninitialize();
}

}  // namespace
