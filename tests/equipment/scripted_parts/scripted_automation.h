// Test equipment that stands in for the CD control's automation members: an
// IDispatch that answers every call alike, as a test scripts it, and checks
// that it is called as the control's contract says.

#pragma once

#include <gtest/gtest.h>
#include <oaidl.h>

// What a scripted control answers: Invoke's status, and a result or an error
// raised through EXCEPINFO.
struct Answer {
    HRESULT status;
    double result;
    EXCEPINFO exception;
};

// The number a scripted control writes through the track number it gets.
constexpr short kTrackNoSetByControl = 7;

// Called as the contract says: TrackCount (0x60020005) with no argument,
// TrackLength (1) with the caller's track number by reference.
struct ScriptedControl final : IDispatch {
    explicit ScriptedControl(const Answer& answer) : answer(answer) {}
    const Answer answer;

    STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                        UINT*) override
    {
        EXPECT_EQ(flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
        EXPECT_EQ(id, params->cArgs == 1 ? 1 : 0x60020005);
        if (params->cArgs == 1 && V_VT(&params->rgvarg[0]) == (VT_I2 | VT_BYREF))
            *V_I2REF(&params->rgvarg[0]) = kTrackNoSetByControl;
        V_VT(result) = VT_R8;
        V_R8(result) = answer.result;
        *exception = answer.exception;
        return answer.status;
    }
};
