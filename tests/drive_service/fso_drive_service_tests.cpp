// The drive information service through the platform's real FileSystemObject,
// in the test prefix whose drives test_drives.h describes.

#include "file_system_object_test.h"
#include "test_drives.h"

#include <cwchar>
#include <vector>

namespace {

TEST_F(FileSystemObjectTest, CollectionHoldsEveryDriveOfThePrefixInLetterOrder)
{
    std::vector<std::pair<std::wstring, long>> expected, found;
    for (const TestDrive& d : kTestDrives)
        expected.emplace_back(Letter(d.letter), d.type);
    // Twice: each collection starts again from the first drive.
    for (int pass = 0; pass < 2; ++pass) {
        std::shared_ptr<DriveCollection> drives;
        ASSERT_HRESULT_SUCCEEDED(fso_->Drives(drives));
        found.clear();
        std::shared_ptr<Drive> drive;
        while (drives->Next(drive) == S_OK) {
            std::wstring letter;
            long type = -1;
            ASSERT_HRESULT_SUCCEEDED(drive->DriveLetter(letter));
            ASSERT_HRESULT_SUCCEEDED(drive->DriveType(type));
            found.emplace_back(letter, type);
        }
        EXPECT_FALSE(drive);
        EXPECT_EQ(drives->Next(drive), S_FALSE);  // and stays at its end
        EXPECT_EQ(found, expected);
    }
}

TEST_F(FileSystemObjectTest, EveryReadyDriveAnswersEveryProperty)
{
    for (const TestDrive& d : kTestDrives) {
        if (d.letter == kNotReadyDrive)
            continue;
        SCOPED_TRACE(char(d.letter));
        const auto drive = GetDrive(d.letter);
        ASSERT_TRUE(drive);
        std::wstring letter, fileSystem, volumeName = L"?";
        long type = -1, serial = 0;
        bool ready = false;
        double freeSpace = -1, totalSize = -1;
        EXPECT_HRESULT_SUCCEEDED(drive->DriveLetter(letter));
        EXPECT_HRESULT_SUCCEEDED(drive->DriveType(type));
        EXPECT_HRESULT_SUCCEEDED(drive->IsReady(ready));
        EXPECT_HRESULT_SUCCEEDED(drive->FreeSpace(freeSpace));
        EXPECT_HRESULT_SUCCEEDED(drive->FileSystem(fileSystem));
        EXPECT_HRESULT_SUCCEEDED(drive->SerialNumber(serial));
        EXPECT_HRESULT_SUCCEEDED(drive->TotalSize(totalSize));
        EXPECT_HRESULT_SUCCEEDED(drive->VolumeName(volumeName));

        EXPECT_EQ(letter, Letter(d.letter));
        EXPECT_EQ(type, d.type);
        EXPECT_TRUE(ready);
        EXPECT_EQ(fileSystem, d.type == 4 ? kCdromFileSystem : kDiskFileSystem);
        EXPECT_GT(totalSize, 0);
        EXPECT_GE(freeSpace, 0);
        EXPECT_LE(freeSpace, totalSize);
        const bool labelled = d.letter == kLabelledDrive;
        EXPECT_EQ(volumeName, labelled ? kLabelledVolumeName : L"");
        EXPECT_EQ(serial, labelled ? kLabelledSerialNumber : WineDefaultSerialNumber(d.letter));
    }
}

TEST_F(FileSystemObjectTest, DriveWithoutMediumIsNotReadyAndItsSizesFail)
{
    const auto drive = GetDrive(kNotReadyDrive);
    ASSERT_TRUE(drive);
    bool ready = true;
    long type = -1;
    ASSERT_HRESULT_SUCCEEDED(drive->IsReady(ready));
    EXPECT_FALSE(ready);
    ASSERT_HRESULT_SUCCEEDED(drive->DriveType(type));
    EXPECT_EQ(type, 4);

    double freeSpace = -1, totalSize = -1;
    EXPECT_HRESULT_FAILED(drive->FreeSpace(freeSpace));
    EXPECT_HRESULT_FAILED(drive->TotalSize(totalSize));
    EXPECT_EQ(freeSpace, -1);
    EXPECT_EQ(totalSize, -1);
    // Whatever the platform answers for the rest, it answers without harm.
    std::wstring text;
    (void)drive->FileSystem(text);
    (void)drive->VolumeName(text);
}

TEST_F(FileSystemObjectTest, GetDriveRejectsNamesOfNoDrive)
{
    std::shared_ptr<Drive> drive;
    // No drive Q: in the prefix: the service's own error ("Device
    // unavailable") comes back, not the dispatch call's generic one.
    EXPECT_EQ(fso_->GetDrive(L"Q", drive), static_cast<HRESULT>(0x800A0044));
    EXPECT_FALSE(drive);
    for (const wchar_t* name : {L"", L"1", L"?", L"CC"}) {
        SCOPED_TRACE(testing::Message() << "name of " << wcslen(name) << " characters");
        EXPECT_HRESULT_FAILED(fso_->GetDrive(name, drive));
        EXPECT_FALSE(drive);
    }
}

}  // namespace
