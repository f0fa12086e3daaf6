// The drive information service through the platform's real FileSystemObject,
// in the test prefix whose drives test_drives.h describes. What the drive
// browser shows for them is checked through the window in tests/main_window.

#include "fso_drive_service.h"
#include "test_drives.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <tuple>
#include <vector>

namespace {

class FileSystemObjectTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        ASSERT_HRESULT_SUCCEEDED(CreateFileSystemObject(fso_));
    }
    void TearDown() override
    {
        fso_.reset();
        CoUninitialize();
    }

    std::shared_ptr<DriveService> fso_;
};

TEST_F(FileSystemObjectTest, CollectionHoldsEveryDriveOfThePrefixInLetterOrder)
{
    using Listing = std::vector<std::tuple<std::wstring, long, bool>>;  // letter, type code, ready
    Listing expected;
    for (const TestDrive& d : kTestDrives)
        expected.emplace_back(std::wstring(1, d.letter), d.type, d.letter != kNotReadyDrive);
    // Twice: each collection starts again from the first drive.
    for (int pass = 0; pass < 2; ++pass) {
        std::shared_ptr<DriveCollection> drives;
        ASSERT_HRESULT_SUCCEEDED(fso_->Drives(drives));
        Listing found;
        std::shared_ptr<Drive> drive;
        while (drives->Next(drive) == S_OK) {
            auto& [letter, type, ready] = found.emplace_back(L"", -1, false);
            ASSERT_HRESULT_SUCCEEDED(drive->DriveLetter(letter));
            ASSERT_HRESULT_SUCCEEDED(drive->DriveType(type));
            ASSERT_HRESULT_SUCCEEDED(drive->IsReady(ready));
        }
        EXPECT_EQ(drives->Next(drive), S_FALSE);  // and stays at its end
        EXPECT_EQ(found, expected);
    }
}

TEST_F(FileSystemObjectTest, DriveWithoutMediumIsNotReadyAndItsSizesFail)
{
    std::shared_ptr<Drive> drive;
    ASSERT_HRESULT_SUCCEEDED(fso_->GetDrive(std::wstring(1, kNotReadyDrive), drive));
    ASSERT_TRUE(drive);
    bool ready = true;
    ASSERT_HRESULT_SUCCEEDED(drive->IsReady(ready));
    EXPECT_FALSE(ready);
    double freeSpace = -1, totalSize = -1;
    EXPECT_HRESULT_FAILED(drive->FreeSpace(freeSpace));
    EXPECT_HRESULT_FAILED(drive->TotalSize(totalSize));
    EXPECT_EQ(freeSpace, -1);
    EXPECT_EQ(totalSize, -1);
}

TEST_F(FileSystemObjectTest, GetDriveRejectsNamesOfNoDrive)
{
    std::shared_ptr<Drive> drive;
    // No drive Q: in the prefix: the service's own error ("Device
    // unavailable") comes back, not the dispatch call's generic one.
    EXPECT_EQ(fso_->GetDrive(L"Q", drive), static_cast<HRESULT>(0x800A0044));
    EXPECT_FALSE(drive);
    for (const wchar_t* name : {L"", L"1", L"?", L"CC"}) {
        SCOPED_TRACE(testing::Message() << "name \"" << name << "\"");
        EXPECT_HRESULT_FAILED(fso_->GetDrive(name, drive));
        EXPECT_FALSE(drive);
    }
}

}  // namespace
