#include <gtest/gtest.h>

#include "both_builds.h"
#include "built_cd_control_digest.h"
#include "control_calls.h"
#include "control_loader.h"
#include "import_spy.h"

#include <ole2.h>

#include <filesystem>
#include <fstream>
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

HRESULT WINAPI FillInReadFault(EXCEPINFO* info)
{
    info->scode = STG_E_READFAULT;
    return S_OK;
}

// What the control answers: Invoke's status, and a result or an error raised
// through EXCEPINFO.
struct Answer {
    HRESULT status;
    VARTYPE type;
    double value;
    EXCEPINFO exception;
};

// Results become signed 16-bit numbers as the platform converts them; an
// error, also one raised through EXCEPINFO, is returned and leaves the
// result. The track length gets the caller's number by reference.
TEST(CdControlCalls, ResultsConvertedToSigned16BitsOrTheErrorReturned)
{
    const struct {
        const char* what;
        Answer answer;
        HRESULT status;
        short value;
    } cases[] = {
        {"2.5", {S_OK, VT_R8, 2.5}, S_OK, 2},
        {"-32768", {S_OK, VT_I4, -32768}, S_OK, -32768},
        {"32767.5", {S_OK, VT_R8, 32767.5}, DISP_E_OVERFLOW, 0},
        {"-32769", {S_OK, VT_I4, -32769}, DISP_E_OVERFLOW, 0},
        {"failed call", {DISP_E_BADINDEX}, DISP_E_BADINDEX, 0},
        {"EXCEPINFO", {DISP_E_EXCEPTION, VT_EMPTY, 0, {.scode = E_ACCESSDENIED}}, E_ACCESSDENIED, 0},
        // A control's own error number, as the Scripting Runtime raises "device unavailable".
        {"EXCEPINFO wCode",
         {DISP_E_EXCEPTION, VT_EMPTY, 0, {.wCode = 68}},
         MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 68),
         0},
        {"deferred EXCEPINFO",
         {DISP_E_EXCEPTION, VT_EMPTY, 0, {.pfnDeferredFillIn = FillInReadFault}},
         STG_E_READFAULT,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        short trackNo = 3;
        ScriptedDispatch control;
        control.answer = [&](DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result, EXCEPINFO* exception) {
            EXPECT_EQ(flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
            if (params.cArgs == 1) {
                EXPECT_EQ(id, 1);  // the track length
                EXPECT_EQ(V_VT(&params.rgvarg[0]), VT_I2 | VT_BYREF);
                EXPECT_EQ(V_I2REF(&params.rgvarg[0]), &trackNo);
                *V_I2REF(&params.rgvarg[0]) = 7;
            } else {
                EXPECT_EQ(id, 0x60020005);  // the track count
            }
            V_VT(result) = c.answer.type;
            if (c.answer.type == VT_R8)
                V_R8(result) = c.answer.value;
            else
                V_I4(result) = static_cast<LONG>(c.answer.value);
            *exception = c.answer.exception;
            return c.answer.status;
        };
        short count = 99;
        EXPECT_EQ(InvokeTrackCount(&control, count), c.status);
        EXPECT_EQ(count, c.status == S_OK ? c.value : 99);
        short seconds = 99;
        EXPECT_EQ(InvokeTrackLength(&control, trackNo, seconds), c.status);
        EXPECT_EQ(seconds, c.status == S_OK ? c.value : 99);
        EXPECT_EQ(trackNo, 7);
    }
}

TEST(CdControlClass, EachBuildFindsItsOwnClassInTheDllAndUnknownOnesFailCleanly)
{
    CLSID classes[2]{};
    for (int i = 0; const BuildDifferences* build : {&kTarvolo, &kTarvolo9x}) {
        SCOPED_TRACE(testing::Message() << build->cdControlDll);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(LoadCdControlClass((ThisProgramsFolder() / build->cdControlDll).wstring(), kBuiltCdControlDigest,
                                     build->cdControlLibId, factory),
                  S_OK);
        ComPtr<IPersist> control;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&control)), S_OK);
        ASSERT_EQ(control->GetClassID(&classes[i++]), S_OK);
    }
    EXPECT_NE(classes[0], classes[1]);

    ComPtr<IClassFactory> factory;
    const GUID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(LoadCdControlClass((ThisProgramsFolder() / L"Divazid.dll").wstring(), kBuiltCdControlDigest, unknown,
                                 factory),
              TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(LoadCdControlClass((ThisProgramsFolder() / L"Missing.dll").wstring(), kBuiltCdControlDigest,
                                 kTarvolo.cdControlLibId, factory),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(factory);
}

// The control's file as the loader finds it: a copy of the built control in
// a folder of its own, and what could be done to it when the loader is asked
// for it.
class ControlCopy : public testing::Test {
protected:
    void SetUp() override
    {
        // Each test its own copy: one that was loaded stays for the process.
        path = std::filesystem::temp_directory_path() / ("tarvolo-control-" + std::to_string(GetCurrentProcessId())) /
               std::to_string(++copies) / L"Divazid.dll";
        std::filesystem::create_directories(path.parent_path());
        std::filesystem::copy_file(ThisProgramsFolder() / L"Divazid.dll", path);
        tried.clear();
        loadLibraryEx = ReplaceImport("kernel32.dll", "LoadLibraryExW", &LoadLibraryExTrying);
    }
    void TearDown() override { ReplaceImport("kernel32.dll", "LoadLibraryExW", loadLibraryEx); }

    HRESULT Load() const
    {
        ComPtr<IClassFactory> factory;
        return LoadCdControlClass(path.wstring(), kBuiltCdControlDigest, kTarvolo.cdControlLibId, factory);
    }

    // What was tried on the file when the loader was asked for it; nothing
    // when it was not asked.
    static inline std::vector<std::string> tried;
    static inline std::filesystem::path path;

private:
    // Tries to open the file for writing, to rename it and to delete it.
    static HMODULE WINAPI LoadLibraryExTrying(LPCWSTR name, HANDLE file, DWORD flags)
    {
        if (path == name) {
            const HANDLE writer = CreateFileW(name, GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, 0, nullptr);
            tried.push_back(writer != INVALID_HANDLE_VALUE ? "written" : "not written");
            if (writer != INVALID_HANDLE_VALUE)
                CloseHandle(writer);
            const std::wstring moved = std::wstring(name) + L".moved";
            const bool renamed = MoveFileW(name, moved.c_str());
            tried.push_back(renamed ? "renamed" : "not renamed");
            if (renamed)
                MoveFileW(moved.c_str(), name);
            tried.push_back(DeleteFileW(name) ? "deleted" : "not deleted");
        }
        return loadLibraryEx(name, file, flags);
    }

    static inline int copies = 0;
    static inline decltype(&LoadLibraryExW) loadLibraryEx = nullptr;
};

// From the check of its digest until it is loaded, nobody can change the
// file the loader is then asked for.
TEST_F(ControlCopy, IsHeldAgainstChangesUntilLoaded)
{
    EXPECT_EQ(Load(), S_OK);
    EXPECT_EQ(tried, (std::vector<std::string>{"not written", "not renamed", "not deleted"}));
}

// A file with one byte changed is refused before the loader is asked for it.
TEST_F(ControlCopy, WithAByteChangedIsNotLoaded)
{
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(std::filesystem::file_size(path) / 2));
    file.put('\x5A');
    file.close();
    EXPECT_EQ(Load(), kNotTheBuiltControl);
    EXPECT_TRUE(tried.empty()) << "the loader was asked for the file";
}

}  // namespace
