// SPDX-License-Identifier: MIT
// Remembered window rectangles fitted onto a desk of two screens: the main one and a
// smaller one to its left, whose coordinates are negative.
#include <gtest/gtest.h>

#include <vector>

#include "ui/shared/ScreenFit.h"

namespace nelvo {
namespace {

const std::vector<PixelRect> kDesk = {{0, 0, 1920, 1040}, {-1280, 0, 1280, 1024}};

TEST(ScreenFit, StoredRectanglesLandOnAScreen) {
    struct Case {
        StoredRect stored;
        std::optional<PixelRect> fitted;
    };
    const Case cases[] = {
        // Where it fits, nothing moves, also on the screen with negative coordinates.
        {{100, 50, 1100, 800}, PixelRect{100, 50, 1100, 800}},
        {{-1200, 10, 1000, 800}, PixelRect{-1200, 10, 1000, 800}},
        // Larger than any screen: the work area of the screen it overlaps most.
        {{0, 0, 100000, 100000}, PixelRect{0, 0, 1920, 1040}},
        {{-1300, -20, 1400, 2000}, PixelRect{-1280, 0, 1280, 1024}},
        // Partly off: moved in until all of it is on the screen.
        {{1500, 900, 1100, 800}, PixelRect{820, 240, 1100, 800}},
        // Off every screen: onto the nearest one.
        {{5000, 5000, 1100, 800}, PixelRect{820, 240, 1100, 800}},
        {{-9000, -5000, 1100, 800}, PixelRect{-1280, 0, 1100, 800}},
        {{7000, 7000, 300, 200}, PixelRect{1620, 840, 300, 200}},
        // Far beyond what int32 coordinates could hold once added up.
        {{2147483000, -2147483000, 2000000000, 600}, PixelRect{0, 0, 1920, 600}},
        // Without area: ignored.
        {{100, 100, 0, 500}, std::nullopt},
        {{100, 100, 500, -7}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fitOntoScreens(c.stored, kDesk), c.fitted)
            << c.stored.left << ", " << c.stored.top << ", " << c.stored.width << " x "
            << c.stored.height;
    }
    EXPECT_EQ(fitOntoScreens({0, 0, 100, 100}, {}), std::nullopt);
}

}  // namespace
}  // namespace nelvo
