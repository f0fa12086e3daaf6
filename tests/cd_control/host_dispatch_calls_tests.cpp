#include <gtest/gtest.h>

#include "hosted_cd_control.h"

#include <functional>
#include <vector>

namespace {

// An IDispatch that records each call and answers it with a script.
class ScriptedDispatch final : public IDispatch {
public:
    struct Call {
        DISPID id;
        WORD flags;
        UINT argumentCount;
        std::vector<DISPID> named;
        VARTYPE firstArgumentType;
    };
    using Answer = std::function<HRESULT(DISPPARAMS& params, VARIANT* result, EXCEPINFO* exception)>;

    std::vector<Call> calls;
    Answer answer = [](DISPPARAMS&, VARIANT*, EXCEPINFO*) { return S_OK; };

    // Answers with a result that the script fills in.
    void ReturnVariant(std::function<void(VARIANT&)> fill)
    {
        answer = [fill](DISPPARAMS&, VARIANT* result, EXCEPINFO*) {
            fill(*result);
            return S_OK;
        };
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (iid != IID_IUnknown && iid != IID_IDispatch)
            return E_NOINTERFACE;
        *object = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT*) override
    {
        calls.push_back({id, flags, params->cArgs,
                         std::vector<DISPID>(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs),
                         params->cArgs ? V_VT(&params->rgvarg[0]) : VARTYPE(VT_EMPTY)});
        return answer(*params, result, exception);
    }
};

TEST(CdControlCalls, TrackLengthHandsTheControlTheCallersNumberByReference)
{
    ScriptedDispatch control;
    short trackNo = 3;
    control.answer = [&](DISPPARAMS& params, VARIANT* result, EXCEPINFO*) {
        EXPECT_EQ(V_I2REF(&params.rgvarg[0]), &trackNo);
        EXPECT_EQ(*V_I2REF(&params.rgvarg[0]), 3);
        *V_I2REF(&params.rgvarg[0]) = 7;
        V_VT(result) = VT_I4;
        V_I4(result) = 245;
        return S_OK;
    };
    short seconds = 0;
    ASSERT_EQ(InvokeTrackLength(&control, trackNo, seconds), S_OK);
    EXPECT_EQ(seconds, 245);
    EXPECT_EQ(trackNo, 7);

    ASSERT_EQ(control.calls.size(), 1u);
    EXPECT_EQ(control.calls[0].id, 1);
    EXPECT_EQ(control.calls[0].flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    EXPECT_EQ(control.calls[0].argumentCount, 1u);
    EXPECT_TRUE(control.calls[0].named.empty());
    EXPECT_EQ(control.calls[0].firstArgumentType, VT_I2 | VT_BYREF);
}

TEST(CdControlCalls, MembersAreCalledByTheirDispatchIdentifiers)
{
    ScriptedDispatch control;
    control.ReturnVariant([](VARIANT& v) { V_VT(&v) = VT_I2; V_I2(&v) = 12; });
    short count = 0;
    ASSERT_EQ(InvokeTrackCount(&control, count), S_OK);
    EXPECT_EQ(count, 12);

    control.answer = [](DISPPARAMS& params, VARIANT* result, EXCEPINFO*) {
        EXPECT_EQ(result, nullptr);
        EXPECT_STREQ(V_BSTR(&params.rgvarg[0]), L"E");
        return S_OK;
    };
    ASSERT_EQ(InvokeSetDrive(&control, L"E"), S_OK);

    ScriptedDispatch extended;
    std::vector<VARIANT_BOOL> shown;
    extended.answer = [&](DISPPARAMS& params, VARIANT*, EXCEPINFO*) {
        shown.push_back(V_BOOL(&params.rgvarg[0]));
        return S_OK;
    };
    ASSERT_EQ(PutExtendedVisible(&extended, false), S_OK);
    ASSERT_EQ(PutExtendedVisible(&extended, true), S_OK);
    EXPECT_EQ(shown, (std::vector<VARIANT_BOOL>{0, -1}));

    ASSERT_EQ(control.calls.size(), 2u);
    EXPECT_EQ(control.calls[0].id, 0x60020005);
    EXPECT_EQ(control.calls[0].argumentCount, 0u);
    EXPECT_EQ(control.calls[1].id, 2);
    EXPECT_EQ(control.calls[1].flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(control.calls[1].named, std::vector<DISPID>{DISPID_PROPERTYPUT});
    EXPECT_EQ(control.calls[1].firstArgumentType, VT_BSTR);
    for (const auto& call : extended.calls) {
        EXPECT_EQ(call.id, static_cast<DISPID>(0x80010007));
        EXPECT_EQ(call.flags, DISPATCH_PROPERTYPUT);
        EXPECT_EQ(call.named, std::vector<DISPID>{DISPID_PROPERTYPUT});
        EXPECT_EQ(call.firstArgumentType, VT_BOOL);
    }
}

struct Conversion {
    const char* what;
    std::function<void(VARIANT&)> result;
    HRESULT status;
    short value;  // when status is S_OK
};

TEST(CdControlCalls, ResultsAreConvertedToSigned16BitsOrFail)
{
    const auto real = [](double d) { return [d](VARIANT& v) { V_VT(&v) = VT_R8; V_R8(&v) = d; }; };
    const auto whole = [](long n) { return [n](VARIANT& v) { V_VT(&v) = VT_I4; V_I4(&v) = n; }; };
    const auto text = [](const wchar_t* s) {
        return [s](VARIANT& v) { V_VT(&v) = VT_BSTR; V_BSTR(&v) = SysAllocString(s); };
    };
    const Conversion conversions[] = {
        {"2.5", real(2.5), S_OK, 2},
        {"3.5", real(3.5), S_OK, 4},
        {"-2.5", real(-2.5), S_OK, -2},
        {"-32768", whole(-32768), S_OK, -32768},
        {"32767", whole(32767), S_OK, 32767},
        {"\"12\"", text(L"12"), S_OK, 12},
        {"32767.5", real(32767.5), DISP_E_OVERFLOW, 0},
        {"40000", whole(40000), DISP_E_OVERFLOW, 0},
        {"-32769", whole(-32769), DISP_E_OVERFLOW, 0},
        {"\"abc\"", text(L"abc"), DISP_E_TYPEMISMATCH, 0},
    };
    for (const Conversion& c : conversions) {
        SCOPED_TRACE(c.what);
        ScriptedDispatch control;
        control.ReturnVariant(c.result);
        short count = 99;
        EXPECT_EQ(InvokeTrackCount(&control, count), c.status);
        EXPECT_EQ(count, c.status == S_OK ? c.value : 99);

        short trackNo = 1;
        short seconds = 99;
        EXPECT_EQ(InvokeTrackLength(&control, trackNo, seconds), c.status);
        EXPECT_EQ(seconds, c.status == S_OK ? c.value : 99);
    }
}

TEST(CdControlCalls, TheControlsErrorsAreReturned)
{
    ScriptedDispatch control;
    control.answer = [](DISPPARAMS&, VARIANT*, EXCEPINFO*) { return DISP_E_BADINDEX; };
    short trackNo = 40;
    short seconds = 5;
    EXPECT_EQ(InvokeTrackLength(&control, trackNo, seconds), DISP_E_BADINDEX);
    EXPECT_EQ(seconds, 5);

    // An error described through EXCEPINFO, filled in at once or deferred.
    control.answer = [](DISPPARAMS&, VARIANT*, EXCEPINFO* exception) {
        exception->scode = E_ACCESSDENIED;
        exception->bstrDescription = SysAllocString(L"drive locked");
        return DISP_E_EXCEPTION;
    };
    short count = 3;
    EXPECT_EQ(InvokeTrackCount(&control, count), E_ACCESSDENIED);
    EXPECT_EQ(count, 3);

    control.answer = [](DISPPARAMS&, VARIANT*, EXCEPINFO* exception) {
        exception->pfnDeferredFillIn = [](EXCEPINFO* e) -> HRESULT {
            e->scode = STG_E_READFAULT;
            e->bstrSource = SysAllocString(L"Divazid");
            return S_OK;
        };
        return DISP_E_EXCEPTION;
    };
    EXPECT_EQ(InvokeSetDrive(&control, L"D"), STG_E_READFAULT);

    ScriptedDispatch extended;
    extended.answer = [](DISPPARAMS&, VARIANT*, EXCEPINFO*) { return E_FAIL; };
    EXPECT_EQ(PutExtendedVisible(&extended, true), E_FAIL);
}

}  // namespace
