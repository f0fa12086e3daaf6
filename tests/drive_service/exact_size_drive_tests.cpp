// Sizes and free space through the platform's real FileSystemObject, on the
// drives of exact sizes of the test prefix. Where the machine could not mount
// them, every test here skips, with the reason.

#include "file_system_object_test.h"
#include "test_drives.h"

#include <fstream>
#include <vector>

namespace {

class ExactSizeDriveTest : public FileSystemObjectTest {
protected:
    void SetUp() override
    {
        if (const std::string reason = ExactSizesMissingReason(); !reason.empty())
            GTEST_SKIP() << "no drives of exact sizes on this machine: " << reason;
        FileSystemObjectTest::SetUp();
    }
    void TearDown() override
    {
        if (fso_)
            FileSystemObjectTest::TearDown();
    }
};

TEST_F(ExactSizeDriveTest, DrivesReportTheirExactSizeAndFreeSpace)
{
    // The labelled drive's two label files take two pages of it.
    std::vector<std::pair<ExactSizeDrive, double>> drives{
        {{kLabelledDrive, kLabelledTotalSize}, kLabelledTotalSize - 8192}};
    for (const ExactSizeDrive& d : kHalfMegabyteDrives)
        drives.emplace_back(d, d.bytes);
    for (const auto& [d, free] : drives) {
        SCOPED_TRACE(char(d.letter));
        const auto drive = GetDrive(d.letter);
        ASSERT_TRUE(drive);
        double freeSpace = -1, totalSize = -1;
        ASSERT_HRESULT_SUCCEEDED(drive->FreeSpace(freeSpace));
        ASSERT_HRESULT_SUCCEEDED(drive->TotalSize(totalSize));
        EXPECT_EQ(totalSize, d.bytes);
        EXPECT_EQ(freeSpace, free);
    }
}

TEST_F(ExactSizeDriveTest, EachReadAsksTheDriveAfresh)
{
    const auto drive = GetDrive(kLabelledDrive);
    ASSERT_TRUE(drive);
    double before = 0, after = 0;
    ASSERT_HRESULT_SUCCEEDED(drive->FreeSpace(before));
    const std::wstring path = Letter(kLabelledDrive) + L":\\fill.bin";
    std::ofstream(std::filesystem::path(path), std::ios::binary) << std::string(65536, 'x');
    const HRESULT hr = drive->FreeSpace(after);
    DeleteFileW(path.c_str());
    ASSERT_HRESULT_SUCCEEDED(hr);
    EXPECT_EQ(after, before - 65536);
}

}  // namespace
