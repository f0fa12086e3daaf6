#include <gtest/gtest.h>

#include "build_differences.h"
#include "host_test_support.h"
#include "hosted_cd_control.h"

using Microsoft::WRL::ComPtr;

namespace {

CLSID ClassOfCreatedControl(IClassFactory* factory)
{
    ComPtr<IPersist> control;
    CLSID clsid{};
    if (SUCCEEDED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&control))))
        control->GetClassID(&clsid);
    return clsid;
}

TEST(CdControlClass, EachBuildFindsItsRegistrationInTheDll)
{
    CLSID classes[2]{};
    int i = 0;
    for (const BuildDifferences* build : {&kTarvolo, &kTarvolo9x}) {
        SCOPED_TRACE(testing::Message() << build->cdControlDll);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(LoadCdControlClass(ProgramFolder() + build->cdControlDll, build->cdControlLibId, factory), S_OK);
        ASSERT_TRUE(factory);
        classes[i++] = ClassOfCreatedControl(factory.Get());
    }
    EXPECT_NE(classes[0], GUID_NULL);
    EXPECT_NE(classes[1], GUID_NULL);
    EXPECT_NE(classes[0], classes[1]);
}

TEST(CdControlClass, FailsCleanlyWithoutTheControlsRegistration)
{
    const std::wstring dll = ProgramFolder() + L"Divazid.dll";
    ComPtr<IClassFactory> factory;
    const GUID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(LoadCdControlClass(dll, unknown, factory), TYPE_E_LIBNOTREGISTERED);
    EXPECT_FALSE(factory);

    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(LoadCdControlClass(std::wstring(system) + L"\\kernel32.dll", kTarvolo.cdControlLibId, factory),
              TYPE_E_LIBNOTREGISTERED);
    EXPECT_FALSE(factory);

    EXPECT_EQ(LoadCdControlClass(ProgramFolder() + L"Missing.dll", kTarvolo.cdControlLibId, factory),
              HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(factory);
}

TEST(CdControlClass, RefusesAPathThatTheDllSearchWouldResolve)
{
    // Even where the current directory holds the DLL: a relative name is
    // what a planted copy would answer to.
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(ProgramFolder().c_str());
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(LoadCdControlClass(L"Divazid.dll", kTarvolo.cdControlLibId, factory), E_INVALIDARG);
    EXPECT_EQ(LoadCdControlClass(L".\\Divazid.dll", kTarvolo.cdControlLibId, factory), E_INVALIDARG);
    EXPECT_FALSE(factory);
    SetCurrentDirectoryW(previous);
}

RECT WindowRectInParent(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool operator==(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

class HostedCdControlTest : public testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"CdControlTestParent";
        RegisterClassW(&windowClass);
        parent_ = CreateWindowExW(0, windowClass.lpszClassName, L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  0, 0, 400, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_TRUE(parent_);
        ASSERT_EQ(LoadCdControlClass(ProgramFolder() + L"Divazid.dll", kTarvolo.cdControlLibId, factory_), S_OK);
        ASSERT_EQ(CreateHostedCdControl(factory_.Get(), parent_, rect_, control_), S_OK);
        ASSERT_TRUE(control_);
        window_ = FindWindowExW(parent_, nullptr, L"VAdaveve", nullptr);
        ASSERT_TRUE(window_);
    }

    void TearDown() override
    {
        control_.reset();
        DestroyWindow(parent_);
    }

    HWND parent_ = nullptr;
    HWND window_ = nullptr;
    const RECT rect_{264, 200, 353, 281};
    ComPtr<IClassFactory> factory_;
    std::unique_ptr<CdControl> control_;
};

TEST_F(HostedCdControlTest, TheControlIsAVisibleChildAtItsPlaceOutOfTheTabOrder)
{
    EXPECT_EQ(GetParent(window_), parent_);
    EXPECT_TRUE(WindowRectInParent(window_) == rect_);
    const LONG style = GetWindowLongW(window_, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(style & WS_TABSTOP);
    EXPECT_TRUE(UpdateWindow(window_));
}

TEST_F(HostedCdControlTest, VisibleOfTheSiteHidesAndShowsTheControl)
{
    // The control's own visibility: the test's parent window is never shown.
    const auto visible = [this] { return (GetWindowLongW(window_, GWL_STYLE) & WS_VISIBLE) != 0; };
    ASSERT_EQ(control_->SetVisible(false), S_OK);
    EXPECT_FALSE(visible());
    ASSERT_EQ(control_->SetVisible(true), S_OK);
    EXPECT_TRUE(visible());
}

TEST_F(HostedCdControlTest, ADriveWithoutDiscHasNoTracks)
{
    // The test machine's CD-ROM drives hold no disc.
    ASSERT_EQ(control_->SetDrive(L"D"), S_OK);
    short count = -1;
    ASSERT_EQ(control_->TrackCount(count), S_OK);
    EXPECT_EQ(count, 0);

    short trackNo = 1;
    short seconds = 77;
    EXPECT_EQ(control_->TrackLength(trackNo, seconds), DISP_E_BADINDEX);
    EXPECT_EQ(trackNo, 1);
    EXPECT_EQ(seconds, 77);

    EXPECT_EQ(control_->SetDrive(L"12"), E_INVALIDARG);
}

TEST_F(HostedCdControlTest, MoveRepositionsTheControl)
{
    const RECT moved{10, 20, 150, 140};
    ASSERT_EQ(control_->Move(moved), S_OK);
    EXPECT_TRUE(WindowRectInParent(window_) == moved);
}

TEST_F(HostedCdControlTest, DestroyingTheControlLeavesNoWindow)
{
    control_.reset();
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(FindWindowExW(parent_, nullptr, L"VAdaveve", nullptr), nullptr);
}

}  // namespace
