#pragma once

// A fixture holding the platform's real FileSystemObject, on a COM apartment
// of the test's own.

#include "fso_drive_service.h"

#include <gtest/gtest.h>
#include <objbase.h>

inline std::wstring Letter(wchar_t letter)
{
    return std::wstring(1, letter);
}

class FileSystemObjectTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        ASSERT_HRESULT_SUCCEEDED(CreateFileSystemObject(fso_));
        ASSERT_TRUE(fso_);
    }
    void TearDown() override
    {
        fso_.reset();
        CoUninitialize();
    }

    std::shared_ptr<Drive> GetDrive(wchar_t letter)
    {
        std::shared_ptr<Drive> drive;
        EXPECT_HRESULT_SUCCEEDED(fso_->GetDrive(Letter(letter), drive)) << char(letter);
        return drive;
    }

    std::shared_ptr<DriveService> fso_;
};
