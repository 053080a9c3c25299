#include "common/twips.h"

#include <gtest/gtest.h>

namespace common {

TEST(TwipsToPixels, RoundsToTheNearestPixel) {
    EXPECT_EQ(TwipsToPixels(3735, 96), 249);
    EXPECT_EQ(TwipsToPixels(1485, 96), 99);
    EXPECT_EQ(TwipsToPixels(15, 96), 1);
    EXPECT_EQ(TwipsToPixels(7, 96), 0);        // 0.47
    EXPECT_EQ(TwipsToPixels(8, 96), 1);        // 0.53
    EXPECT_EQ(TwipsToPixels(3735, 144), 374);  // 373.5, half away from zero
    EXPECT_EQ(TwipsToPixels(-3735, 144), -374);
    EXPECT_EQ(TwipsToPixels(-8, 96), -1);
    EXPECT_EQ(TwipsToPixels(0, 96), 0);
    EXPECT_EQ(TwipsToPixels(1440, 120), 120);
}

}  // namespace common
