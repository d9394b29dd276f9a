// SPDX-License-Identifier: MIT
// Tab strip layout, dialog units, the large-screen rule and image halving.
#include <gtest/gtest.h>

#include <vector>

#include "ui/shared/DialogUnits.h"
#include "ui/shared/ImageReduction.h"
#include "ui/shared/ScreenMetrics.h"
#include "ui/shared/TabStripGeometry.h"

using namespace nelvo;

namespace {

TEST(TabStrip, HitTestingCountsAllTabs) {
    const IntRect client{0, 0, 255, 60};  // room for one 40-pixel tab only
    EXPECT_EQ(visibleTabs(client, 40, 2), 1);
    EXPECT_EQ(tabAt(client, 40, 2, {5, 5}), 0);
    EXPECT_EQ(tabAt(client, 40, 2, {39, 45}), 1);  // hidden, still hit
    EXPECT_EQ(tabAt(client, 40, 2, {40, 5}), -1);  // right of the strip
    EXPECT_EQ(tabAt(client, 40, 2, {5, 80}), -1);  // below the last tab
    EXPECT_EQ(tabAt(client, 40, 0, {5, 5}), -1);
}

TEST(TabStrip, OutlineJoinsTheSelectedTabToThePanel) {
    const IntRect client{0, 0, 255, 143};
    const std::vector<IntPoint> selected1 = tabOutline(client, 40, 2, 1);
    const std::vector<IntPoint> expected{{40, 0}, {254, 0}, {254, 142}, {40, 142}, {40, 80},
                                         {0, 80}, {0, 40},  {40, 40},   {40, 0}};
    EXPECT_EQ(selected1, expected);
    // A selected tab that is not drawn: the line at x = T runs straight up.
    const std::vector<IntPoint> hidden = tabOutline({0, 0, 255, 60}, 40, 2, 1);
    EXPECT_EQ(hidden, (std::vector<IntPoint>{{40, 0}, {254, 0}, {254, 59}, {40, 59}, {40, 0}}));
    EXPECT_EQ(stripRect(client, 40), (IntRect{0, 0, 41, 143}));
    EXPECT_EQ(tabRect(client, 40, 1), (IntRect{0, 40, 41, 80}));
}

TEST(DialogUnits, TemplateFontBaseUnits) {
    EXPECT_EQ(dialogRectToPixels(15, 90, 163, 21), (PixelRect{23, 146, 245, 34}));
    EXPECT_EQ(dialogUnitsToPixelsX(-5), -8);  // halves away from zero
    EXPECT_EQ(dialogUnitsToPixelsX(195), 293);
    EXPECT_EQ(dialogUnitsToPixelsY(296), 481);
    EXPECT_EQ(dialogUnitsToPixelsX(4, 144.0), 9);
    EXPECT_EQ(dialogUnitsToPixelsY(8, 192.0), 26);
}

TEST(ScreenMetrics, LargeOnlyWhenBothSidesExceed) {
    EXPECT_FALSE(isLargeScreen(1920, 1080));
    EXPECT_TRUE(isLargeScreen(1921, 1081));
    EXPECT_FALSE(isLargeScreen(1921, 1080));
    EXPECT_FALSE(isLargeScreen(3840, 1080));
    EXPECT_EQ(metricsFor(true).splashWidth, 953);
    EXPECT_EQ(metricsFor(false).tabSize, 40);
}

TEST(ImageReduction, AveragesBlocksAndRepeatsOddEdges) {
    // 3 x 3 pixels of four equal bytes each: values 0, 10, 20 / 30, 40, 50 / 60, 70, 80.
    std::vector<std::uint8_t> in;
    for (int v = 0; v <= 80; v += 10)
        for (int k = 0; k < 4; ++k) in.push_back(static_cast<std::uint8_t>(v));
    std::vector<std::uint8_t> out(2 * 2 * 4);
    halvePixels(in.data(), 3, 3, 12, out.data(), 8);
    EXPECT_EQ(out[0], 20);  // (0 + 10 + 30 + 40 + 2) / 4
    EXPECT_EQ(out[4], 35);  // (20 + 20 + 50 + 50 + 2) / 4
    EXPECT_EQ(out[8], 65);  // (60 + 70 + 60 + 70 + 2) / 4
    EXPECT_EQ(out[12], 80);
}

}  // namespace
