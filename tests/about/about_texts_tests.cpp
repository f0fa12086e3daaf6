#include "about_texts.h"

#include <gtest/gtest.h>

TEST(AboutTexts, ComposeCaptionAndTitleLine)
{
    EXPECT_EQ(AboutCaption(L"Tarvolo"), L"Despre Tarvolo");
    EXPECT_EQ(AboutTitleLine(L"Tarvolo", 1, 0), L"Tarvolo versiunea 1.0");
}

TEST(AboutTexts, VersionNumbersInPlainDecimal)
{
    EXPECT_EQ(AboutTitleLine(L"T", 10, 5), L"T versiunea 10.5");
    EXPECT_EQ(AboutTitleLine(L"T", 2, 10), L"T versiunea 2.10");
    EXPECT_EQ(AboutTitleLine(L"T", -1, 0), L"T versiunea -1.0");
    EXPECT_EQ(AboutTitleLine(L"T", 32767, -32768), L"T versiunea 32767.-32768");
}
