#include <gtest/gtest.h>

#include "engines/ColourText.h"

namespace {

TEST(ColourText, WritesColourReferencesAsRedGreenBlue) {
    EXPECT_EQ(ColourText(0xff0000), "0000ff"); // pure blue
    EXPECT_EQ(ColourText(0x3300cc), "cc0033");
    EXPECT_EQ(ColourText(0x0000ff), "ff0000"); // pure red
    EXPECT_EQ(ColourText(0), "000000");
    EXPECT_EQ(ColourText(0x008000), "008000");
    EXPECT_EQ(ColourText(0x123456), "563412");
    EXPECT_EQ(ColourText(0xffffff), "ffffff");
}

TEST(ColourText, KeepsOnlyTheColourBits) {
    // The high byte of a colour reference is a flag byte; it must not lengthen or shift the text.
    EXPECT_EQ(ColourText(0x02123456), "563412");
    EXPECT_EQ(ColourText(-1), "ffffff");
}

} // namespace
