// Runs the C translation unit that includes Dither.h: 0 status, index 0 (black is nearer
// to the dark pixel than white), pitch and size 4 each.
#include <gtest/gtest.h>

extern "C" int DitherHeaderCompilesAsC(void);

TEST(DitherHeader, IsUsableFromC) {
    EXPECT_EQ(DitherHeaderCompilesAsC(), 0);
}
