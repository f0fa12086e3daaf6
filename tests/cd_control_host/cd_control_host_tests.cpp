// The CD control's host side: its calls against a scripted control, then its
// loader and the hosted control with the control built beside the test.
#include <gtest/gtest.h>

#include "both_builds.h"
#include "built_cd_control_digest.h"
#include "control_calls.h"
#include "control_loader.h"
#include "divazid.h"
#include "factory_spy/keeping_factory.h"
#include "hosted_cd_control.h"
#include "import_spy/import_spy.h"
#include "plant/planted_dlls.h"
#include "scripted_parts/scripted_automation.h"

#include <ocidl.h>

#include <filesystem>
#include <fstream>

using Microsoft::WRL::ComPtr;

namespace {

// What the results hold where a call left them.
constexpr short kUntouched = 99;

using Reads = std::vector<std::pair<HRESULT, short>>;

// The track count and a track's length, each as its status and result, read
// from a control that answers both alike.
Reads BothRead(const Answer& answer)
{
    ScriptedControl control(answer);
    short count = kUntouched;
    short trackNo = 3;
    short seconds = kUntouched;
    const HRESULT countStatus = InvokeTrackCount(&control, count);
    const HRESULT lengthStatus = InvokeTrackLength(&control, trackNo, seconds);
    EXPECT_EQ(trackNo, kTrackNoSetByControl) << "the control's change to the track number is not seen";
    return {{countStatus, count}, {lengthStatus, seconds}};
}

TEST(ControlCalls, ResultsBecomeSigned16BitsAsThePlatformConvertsThem)
{
    EXPECT_EQ(BothRead({S_OK, 2.5}), (Reads{{S_OK, 2}, {S_OK, 2}}));  // a half to the even neighbour
    EXPECT_EQ(BothRead({S_OK, -32768}), (Reads{{S_OK, -32768}, {S_OK, -32768}}));
    const Reads overflow = {{DISP_E_OVERFLOW, kUntouched}, {DISP_E_OVERFLOW, kUntouched}};
    EXPECT_EQ(BothRead({S_OK, 32767.5}), overflow);
    EXPECT_EQ(BothRead({S_OK, -32769}), overflow);
}

HRESULT WINAPI FillInReadFault(EXCEPINFO* info)
{
    info->scode = STG_E_READFAULT;
    return S_OK;
}

TEST(ControlCalls, AnErrorIsTheCallsStatusAndLeavesTheResult)
{
    const auto failed = [](HRESULT status) { return Reads{{status, kUntouched}, {status, kUntouched}}; };
    EXPECT_EQ(BothRead({DISP_E_BADINDEX}), failed(DISP_E_BADINDEX));
    // Raised through EXCEPINFO: its scode, filled in at once or when asked,
    // else a control's own error number, as the Scripting Runtime raises 68,
    // "device unavailable".
    EXPECT_EQ(BothRead({DISP_E_EXCEPTION, 0, {.scode = E_ACCESSDENIED}}), failed(E_ACCESSDENIED));
    EXPECT_EQ(BothRead({DISP_E_EXCEPTION, 0, {.pfnDeferredFillIn = FillInReadFault}}), failed(STG_E_READFAULT));
    EXPECT_EQ(BothRead({DISP_E_EXCEPTION, 0, {.wCode = 68}}),
              failed(MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 68)));
}

HRESULT LoadBuilt(const std::filesystem::path& dll, const GUID& libId, ComPtr<IClassFactory>& factory)
{
    return LoadCdControlClass(dll.wstring(), kBuiltCdControlDigest, libId, factory);
}

// The class of the control made by what the loader finds for a build.
CLSID ClassFoundBy(const BuildDifferences& build)
{
    ComPtr<IClassFactory> factory;
    ComPtr<IPersist> control;
    CLSID clsid{};
    EXPECT_EQ(LoadBuilt(ThisProgramsFolder() / build.cdControlDll, build.cdControlLibId, factory), S_OK);
    if (factory && SUCCEEDED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&control)))) {
        EXPECT_EQ(control->GetClassID(&clsid), S_OK);
    }
    return clsid;
}

TEST(ControlLoader, EachBuildFindsTheClassOfItsOwnRegistration)
{
    EXPECT_NE(ClassFoundBy(kTarvolo), ClassFoundBy(kTarvolo9x));
}

TEST(ControlLoader, AnUnknownRegistrationOrAMissingFileGivesNoClass)
{
    ComPtr<IClassFactory> factory;
    const GUID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(LoadBuilt(ThisProgramsFolder() / L"Divazid.dll", unknown, factory), TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(LoadBuilt(ThisProgramsFolder() / L"Missing.dll", kTarvolo.cdControlLibId, factory),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(factory);
}

// A copy of the built control in a folder of its own, and another program at
// work on it at the moment the loader is asked for it. The loader keeps a
// control it loaded: the test lets go of it, then removes the folder.
class ControlCopy : public testing::Test {
protected:
    void SetUp() override
    {
        static int copies = 0;
        folder = std::filesystem::temp_directory_path() /
                 ("tarvolo-control-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++copies));
        path = folder / L"Divazid.dll";
        std::filesystem::create_directories(folder);
        // Wine gives out process identifiers again: a folder may be left from
        // a run that broke down.
        std::filesystem::copy_file(ThisProgramsFolder() / L"Divazid.dll", path,
                                   std::filesystem::copy_options::overwrite_existing);
        TamperingAtLoad::Install(path);
    }
    void TearDown() override
    {
        TamperingAtLoad::Remove();
        factory.Reset();
        if (const HMODULE loaded = GetModuleHandleW(path.c_str()))
            FreeLibrary(loaded);
        std::error_code error;
        std::filesystem::remove_all(folder, error);
        EXPECT_FALSE(error) << "the copy's folder stays: " << error.message();
    }

    std::filesystem::path folder;
    std::filesystem::path path;
    ComPtr<IClassFactory> factory;
};

TEST_F(ControlCopy, CannotBeChangedFromItsCheckUntilItIsLoaded)
{
    EXPECT_EQ(LoadBuilt(path, kTarvolo.cdControlLibId, factory), S_OK);
    EXPECT_EQ(TamperingAtLoad::tried,
              (std::vector<std::string>{"not opened to write", "not opened to rename or delete"}));
}

TEST_F(ControlCopy, WithOneByteChangedIsRefusedBeforeTheLoaderIsAsked)
{
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    const auto middle = static_cast<std::streamoff>(std::filesystem::file_size(path) / 2);
    file.seekg(middle);
    const int byte = file.get();
    file.seekp(middle);
    file.put(static_cast<char>(~byte));
    file.close();
    EXPECT_EQ(LoadBuilt(path, kTarvolo.cdControlLibId, factory), kNotTheBuiltControl);
    EXPECT_TRUE(TamperingAtLoad::tried.empty()) << "the loader was asked for the file";
}

// Windows opens a symbolic link itself when asked to (Wine cannot show one,
// ReparsePointAt plays Windows): one at the control's path is refused, even
// one that points at the built control, before the loader is asked.
TEST_F(ControlCopy, ASymbolicLinkIsRefusedItselfNotFollowed)
{
    ReparsePointAt::Install(path, IO_REPARSE_TAG_SYMLINK);
    const HRESULT hr = LoadBuilt(path, kTarvolo.cdControlLibId, factory);
    ReparsePointAt::Remove();
    EXPECT_EQ(hr, kNotTheBuiltControl);
    EXPECT_TRUE(TamperingAtLoad::tried.empty()) << "the loader was asked for the file";
}

// A reparse point that names no other file, as the files of a synced cloud
// folder are, is the file itself: the built control there loads.
TEST_F(ControlCopy, AFileOfACloudFolderIsTheFileItself)
{
    ReparsePointAt::Install(path, IO_REPARSE_TAG_CLOUD_6);
    const HRESULT hr = LoadBuilt(path, kTarvolo.cdControlLibId, factory);
    ReparsePointAt::Remove();
    EXPECT_EQ(hr, S_OK);
}

// Another file put at the path after the check, through the folder renamed
// away and made anew, is refused before the loader is asked: none of its
// code runs (a plant, which would leave its record).
TEST(ControlLoader, AnotherFileAtThePathByTheLoadIsRefused)
{
    const auto folder = std::filesystem::temp_directory_path() /
                        ("tarvolo-swapped-" + std::to_string(GetCurrentProcessId())) / L"control";
    const auto path = folder / L"Divazid.dll";
    std::filesystem::remove_all(folder.parent_path());
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(ThisProgramsFolder() / L"Divazid.dll", path);
    ComPtr<IClassFactory> factory;
    FolderSwapped::Install(path, ThePlant());
    const HRESULT hr = LoadBuilt(path, kTarvolo.cdControlLibId, factory);
    FolderSwapped::Remove();
    const bool swapped = FolderSwapped::done == FolderSwapped::Done::swapped;
    const bool ran = std::filesystem::exists(RecordOf(path));
    std::filesystem::remove_all(folder.parent_path());
    if (FolderSwapped::done == FolderSwapped::Done::refused)
        GTEST_SKIP() << "the platform renames no folder with a file open inside";
    ASSERT_TRUE(swapped) << "the path was opened once only, and the loader never asked for";
    EXPECT_EQ(hr, kNotTheBuiltControl);
    EXPECT_FALSE(ran) << "the other file's code ran";
}

// The built control hosted on a window as the program hosts it.
class HostedControl : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
        ASSERT_EQ(LoadBuilt(ThisProgramsFolder() / L"Divazid.dll", kTarvolo.cdControlLibId, factory.built), S_OK);
        ASSERT_EQ(CreateHostedCdControl(&factory, parent, {10, 10, 110, 110}, hosted), S_OK);
    }
    void TearDown() override
    {
        hosted.reset();
        factory.made.Reset();
        DestroyWindow(parent);
        OleUninitialize();
    }

    const HWND parent = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr,
                                        nullptr, nullptr);
    KeepingFactory factory;
    std::unique_ptr<CdControl> hosted;
};

TEST_F(HostedControl, HandsTheControlTheExtentTheWindowStores)
{
    SIZEL extent{};
    EXPECT_EQ(factory.made->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    EXPECT_EQ(extent.cx, 2350);  // hundredths of a millimetre
    EXPECT_EQ(extent.cy, 2138);
}

TEST_F(HostedControl, ShowsAndHidesTheControlsWindow)
{
    const HWND window = FindWindowExW(parent, nullptr, DIVAZID_WINDOW_CLASS, nullptr);
    EXPECT_EQ(hosted->SetVisible(false), S_OK);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(hosted->SetVisible(true), S_OK);
    EXPECT_TRUE(IsWindowVisible(window));
}

}  // namespace
