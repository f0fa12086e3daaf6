// The control's saved state (saved_state.h), as IPersistStreamInit::Save
// writes it and Load reads it: the format version, then the extent.
#include <gtest/gtest.h>

#include "saved_state.h"

namespace {

// Version 0x300, then 2350 x 2138 hundredths of a millimetre (0x92E, 0x85A),
// each a 32-bit little-endian value.
constexpr SavedState kSaved = {0x00, 0x03, 0, 0, 0x2E, 0x09, 0, 0, 0x5A, 0x08, 0, 0};

TEST(SavedState, HoldsTheVersionThenTheWidthAndHeight)
{
    EXPECT_EQ(WriteSavedState({2350, 2138}), kSaved);
    EXPECT_EQ(ReadSavedState(kSaved), (Extent{2350, 2138}));
}

// Another version, or an extent that is empty, negative or over ten metres
// (1,000,000: 0x0F4240) either way.
TEST(SavedState, RefusesWhatNoControlSaves)
{
    EXPECT_EQ(ReadSavedState({0x01, 0x03, 0, 0, 0x2E, 0x09, 0, 0, 0x5A, 0x08, 0, 0}), std::nullopt);        // 0x301
    EXPECT_EQ(ReadSavedState({0x00, 0x03, 0, 0, 0x00, 0x00, 0, 0, 0x5A, 0x08, 0, 0}), std::nullopt);        // width 0
    EXPECT_EQ(ReadSavedState({0x00, 0x03, 0, 0, 0x2E, 0x09, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), std::nullopt);  // height -1
    EXPECT_EQ(ReadSavedState({0x00, 0x03, 0, 0, 0x41, 0x42, 0x0F, 0, 0x5A, 0x08, 0, 0}), std::nullopt);     // 1,000,001
    EXPECT_EQ(ReadSavedState({0x00, 0x03, 0, 0, 0x40, 0x42, 0x0F, 0, 0x5A, 0x08, 0, 0}), (Extent{1000000, 2138}));
}

}  // namespace
