#include "gesture/absolute_input.h"

#include <gtest/gtest.h>

namespace cc {
namespace {

TEST(AbsoluteInput, EveryPixelOfWideDesktopsIsHitExactly) {
    for (int extent : {1920, 7680}) {
        for (int x = 0; x < extent; ++x) {
            const int n = AbsoluteInputCoordinate(x, extent);
            ASSERT_LE(n, 65535) << extent << " " << x;
            ASSERT_EQ(PixelOfAbsoluteInput(n, extent), x) << "desktop " << extent << " pixel " << x;
        }
    }
}

TEST(AbsoluteInput, PointsOutsideTheDesktopGoToItsEdges) {
    EXPECT_EQ(AbsoluteInputCoordinate(-5, 1920), 0);
    EXPECT_EQ(PixelOfAbsoluteInput(AbsoluteInputCoordinate(1920, 1920), 1920), 1919);
    EXPECT_EQ(AbsoluteInputCoordinate(0, 1), 0) << "a one-pixel desktop";
}

}  // namespace
}  // namespace cc
