#include <gtest/gtest.h>

#include "build_differences.h"
#include "divazid.h"
#include "host_test_support.h"
#include "hosted_cd_control.h"

#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

struct Variant {
    VARIANT value;
    Variant() { VariantInit(&value); }
    ~Variant() { VariantClear(&value); }
};

// The control as created from its DLL, called directly.
class ControlTest : public testing::Test {
protected:
    void SetUp() override
    {
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(LoadCdControlClass(ProgramFolder() + L"Divazid.dll", kTarvolo.cdControlLibId, factory), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&control_)), S_OK);
    }

    HRESULT Call(DISPID id, WORD flags, std::vector<VARIANT> arguments, VARIANT* result = nullptr,
                 std::vector<DISPID> named = {})
    {
        DISPPARAMS params{arguments.data(), named.data(), static_cast<UINT>(arguments.size()),
                          static_cast<UINT>(named.size())};
        argumentError_ = 99;
        return control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr,
                                &argumentError_);
    }

    void TearDown() override
    {
        for (BSTR text : texts_)
            SysFreeString(text);
    }

    // A string argument, freed after the test.
    VARIANT Text(const wchar_t* text)
    {
        VARIANT v;
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = SysAllocString(text);
        texts_.push_back(V_BSTR(&v));
        return v;
    }

    static VARIANT ShortRef(short* number)
    {
        VARIANT v;
        V_VT(&v) = VT_I2 | VT_BYREF;
        V_I2REF(&v) = number;
        return v;
    }

    HRESULT PutDrive(const wchar_t* letter)
    {
        return Call(kDispidDrive, DISPATCH_PROPERTYPUT, {Text(letter)}, nullptr, {DISPID_PROPERTYPUT});
    }

    std::wstring Drive()
    {
        Variant result;
        EXPECT_EQ(Call(kDispidDrive, DISPATCH_PROPERTYGET, {}, &result.value), S_OK);
        return V_VT(&result.value) == VT_BSTR ? V_BSTR(&result.value) : L"?";
    }

    ComPtr<IDispatch> control_;
    UINT argumentError_ = 0;
    std::vector<BSTR> texts_;
};

TEST_F(ControlTest, CallsWithWrongArgumentsAreRefused)
{
    const WORD read = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    short one = 1;
    EXPECT_EQ(Call(kDispidTrackCount, read, {ShortRef(&one)}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(kDispidTrackLength, read, {}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(kDispidTrackLength, read, {ShortRef(&one), ShortRef(&one)}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(kDispidTrackLength, read, {ShortRef(&one)}, nullptr, {0}), DISP_E_NONAMEDARGS);
    EXPECT_EQ(Call(kDispidTrackLength, read, {Text(L"first")}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argumentError_, 0u);
    EXPECT_EQ(Call(kDispidTrackLength, read, {ShortRef(nullptr)}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Call(kDispidTrackCount, DISPATCH_PROPERTYPUT, {ShortRef(&one)}, nullptr, {DISPID_PROPERTYPUT}),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(3, read, {}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(kDispidDrive, DISPATCH_PROPERTYPUT, {}, nullptr, {DISPID_PROPERTYPUT}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(kDispidDrive, DISPATCH_PROPERTYPUT, {Text(L"E")}, nullptr, {5}), DISP_E_NONAMEDARGS);

    // A track number by value is understood; no disc here, so no such track.
    VARIANT byValue;
    V_VT(&byValue) = VT_R8;
    V_R8(&byValue) = 1.0;
    EXPECT_EQ(Call(kDispidTrackLength, read, {byValue}), DISP_E_BADINDEX);

    DISPPARAMS none{};
    EXPECT_EQ(control_->Invoke(kDispidTrackCount, IID_IUnknown, 0, read, &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
}

TEST_F(ControlTest, TheDriveLetterPropertyKeepsOneLetter)
{
    const std::wstring initial = Drive();  // the machine's first CD-ROM drive, or none
    EXPECT_LE(initial.size(), 1u);

    ASSERT_EQ(PutDrive(L"e"), S_OK);
    EXPECT_EQ(Drive(), L"E");
    EXPECT_EQ(PutDrive(L"E:\\"), E_INVALIDARG);
    EXPECT_EQ(PutDrive(L"7"), E_INVALIDARG);
    EXPECT_EQ(Drive(), L"E");
    ASSERT_EQ(PutDrive(L""), S_OK);
    EXPECT_EQ(Drive(), initial);

    // Hosts that leave out the property-put name are understood too.
    ASSERT_EQ(Call(kDispidDrive, DISPATCH_PROPERTYPUT, {Text(L"Q")}), S_OK);
    EXPECT_EQ(Drive(), L"Q");
}

ComPtr<IStream> StreamOf(const std::vector<std::uint8_t>& bytes)
{
    ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    return stream;
}

TEST_F(ControlTest, TheSavedStateIsCheckedAndKept)
{
    const std::vector<std::uint8_t> stored = {0x00, 0x03, 0, 0, 0x2E, 0x09, 0, 0, 0x5A, 0x08, 0, 0};
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(control_.As(&persist), S_OK);
    ASSERT_EQ(persist->Load(StreamOf(stored).Get()), S_OK);

    ComPtr<IOleObject> object;
    ASSERT_EQ(control_.As(&object), S_OK);
    SIZEL extent{};
    ASSERT_EQ(object->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    EXPECT_EQ(extent.cx, 2350);
    EXPECT_EQ(extent.cy, 2138);

    EXPECT_EQ(persist->Load(StreamOf(stored).Get()), E_UNEXPECTED);

    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        HRESULT status;
    } damaged[] = {
        {"version", {0x00, 0x02, 0, 0, 0x2E, 0x09, 0, 0, 0x5A, 0x08, 0, 0}, CTL_E_INVALIDFILEFORMAT},
        {"zero width", {0x00, 0x03, 0, 0, 0, 0, 0, 0, 0x5A, 0x08, 0, 0}, CTL_E_INVALIDFILEFORMAT},
        {"negative height", {0x00, 0x03, 0, 0, 0x2E, 0x09, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, CTL_E_INVALIDFILEFORMAT},
        {"short", {0x00, 0x03, 0, 0, 0x2E, 0x09, 0, 0}, STG_E_READFAULT},
    };
    for (const auto& d : damaged) {
        SCOPED_TRACE(d.what);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(LoadCdControlClass(ProgramFolder() + L"Divazid.dll", kTarvolo.cdControlLibId, factory), S_OK);
        ComPtr<IPersistStreamInit> fresh;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&fresh)), S_OK);
        EXPECT_EQ(fresh->Load(StreamOf(d.bytes).Get()), d.status);
    }
}

TEST(ControlRegistrations, EachDescribesTheClassItCreates)
{
    for (const BuildDifferences* build : {&kTarvolo, &kTarvolo9x}) {
        SCOPED_TRACE(testing::Message() << build->cdControlDll);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(LoadCdControlClass(ProgramFolder() + build->cdControlDll, build->cdControlLibId, factory), S_OK);
        ComPtr<IProvideClassInfo> control;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&control)), S_OK);

        ComPtr<ITypeInfo> coclass;
        ASSERT_EQ(control->GetClassInfo(&coclass), S_OK);
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(coclass->GetTypeAttr(&attributes), S_OK);
        const CLSID described = attributes->guid;
        coclass->ReleaseTypeAttr(attributes);
        CLSID created{};
        ComPtr<IPersist> persist;
        ASSERT_EQ(control.As(&persist), S_OK);
        ASSERT_EQ(persist->GetClassID(&created), S_OK);
        EXPECT_EQ(described, created);

        // The automation interface's description names the members.
        ComPtr<IDispatch> dispatch;
        ASSERT_EQ(control.As(&dispatch), S_OK);
        ComPtr<ITypeInfo> members;
        ASSERT_EQ(dispatch->GetTypeInfo(0, 0, &members), S_OK);
        LPOLESTR name = const_cast<LPOLESTR>(L"TrackCount");
        MEMBERID id = 0;
        ASSERT_EQ(members->GetIDsOfNames(&name, 1, &id), S_OK);
        EXPECT_EQ(id, kDispidTrackCount);
    }
}

}  // namespace
