// COM helpers shared by the CD control and its host: VARIANTs and BSTRs that
// free themselves, calls through IDispatch, and what each COM object here
// would otherwise repeat (QueryInterface, reference count, Invoke's checks).
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <atomic>
#include <initializer_list>

// A VARIANT, cleared when it goes.
class Variant {
public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* get() { return &value_; }
    VARIANT* operator->() { return &value_; }
    const VARIANT& operator*() const { return value_; }

    // Converts the value in place, as the platform converts variants.
    HRESULT ChangeType(VARTYPE type) { return VariantChangeType(&value_, &value_, 0, type); }

private:
    VARIANT value_;
};

// A BSTR, freed when it goes.
class Bstr {
public:
    explicit Bstr(BSTR text = nullptr) : text_(text) {}
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return text_; }

private:
    BSTR text_;
};

// IDispatch::Invoke of a member by its identifier, with one error path: a
// property put names its value DISPID_PROPERTYPUT, and an error raised
// through EXCEPINFO (its scode, else its 16-bit wCode as a control's error,
// else DISP_E_EXCEPTION) comes back as the call's status.
HRESULT InvokeMember(IDispatch* object, DISPID member, WORD flags, VARIANT* arguments, UINT argumentCount,
                     VARIANT* result);

// The arguments an implementation of IDispatch::Invoke accepts for a member
// taking count of them: none named, but for a property put's value, named
// DISPID_PROPERTYPUT. S_OK, or the DISP_E_* status to return.
HRESULT CheckInvokeArguments(const DISPPARAMS& params, WORD flags, UINT count);

// The argument at index (of rgvarg) converted to type as the platform converts
// variants. On failure argumentError, if given, names it as the faulty one.
HRESULT InvokeArgumentAs(const DISPPARAMS& params, UINT index, VARTYPE type, Variant& value, UINT* argumentError);

// IDispatch::GetIDsOfNames for an object whose members take no named
// arguments: the first name's identifier as memberId gives it (DISPID_UNKNOWN
// for none), the others unknown.
template <class MemberId>
HRESULT IdsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids, MemberId memberId)
{
    if (iid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || count == 0)
        return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = i == 0 && names[0] ? memberId(names[0]) : DISPID_UNKNOWN;
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

// One interface an object answers QueryInterface for, and its pointer.
struct InterfaceEntry {
    const IID& iid;
    IUnknown* object;
};

// QueryInterface from a table: the entry for iid, reference added.
HRESULT QueryInterfaceFrom(REFIID iid, void** object, std::initializer_list<InterfaceEntry> table);

// An object's reference count, from 1 at its making; the object goes with
// its last reference.
class ReferenceCount {
public:
    ULONG Add() { return ++count_; }

    template <class Object>
    ULONG Release(Object* object)
    {
        const ULONG left = --count_;
        if (left == 0)
            delete object;
        return left;
    }

private:
    std::atomic<ULONG> count_{1};
};
