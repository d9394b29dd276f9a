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

TEST(ImageReduction, HalvingsGoOnWhileTheLongerSideExceedsTheSmallestSize) {
    const auto sizes = [](int w, int h) { return halvingSizes(w, h); };
    EXPECT_EQ(sizes(300, 129), (std::vector<PictureSize>{{150, 65}, {75, 33}, {38, 17}}));
    EXPECT_EQ(sizes(65, 1), (std::vector<PictureSize>{{33, 1}}));
    EXPECT_TRUE(sizes(64, 64).empty());
    EXPECT_TRUE(sizes(0, 500).empty());
}

TEST(ImageReduction, TheCoveringHalvingIsTheSmallestAtLeastAsLargeAsTheView) {
    const std::vector<PixelBuffer> halvings{
        {nullptr, 150, 65, 600}, {nullptr, 75, 33, 300}, {nullptr, 38, 17, 152}};
    struct Case {
        int viewWidth, viewHeight;
        std::size_t covering;
    };
    for (const Case c : {Case{300, 129, 0}, Case{151, 10, 0}, Case{150, 65, 1}, Case{76, 33, 1},
                         Case{75, 33, 2}, Case{38, 17, 3}, Case{1, 1, 3}})
        EXPECT_EQ(halvingsCovering(halvings, c.viewWidth, c.viewHeight), c.covering)
            << c.viewWidth << " x " << c.viewHeight;
}

// Updating only the changed areas gives the halvings that halving everything anew gives,
// whether the areas stay apart, straddle odd edges or cover most of the picture.
TEST(ImageReduction, UpdatedHalvingsEqualFreshOnes) {
    constexpr int kWidth = 203, kHeight = 141;
    const std::vector<std::vector<IntRect>> changes{{{10, 12, 30, 40}, {100, 50, 140, 60}},
                                                    {{11, 13, 31, 41}, {30, 40, 203, 141}},
                                                    {{0, 0, 200, 140}}};
    for (const auto& changed : changes) {
        std::vector<std::uint8_t> picture(std::size_t{4} * kWidth * kHeight);
        for (std::size_t i = 0; i < picture.size(); ++i)
            picture[i] = static_cast<std::uint8_t>(i * 37 % 251);
        const PixelBuffer whole{picture.data(), kWidth, kHeight, 4 * kWidth};
        const auto halvingsOf = [](std::vector<std::vector<std::uint8_t>>& store) {
            std::vector<PixelBuffer> buffers;
            for (const PictureSize& s : halvingSizes(kWidth, kHeight)) {
                store.emplace_back(static_cast<std::size_t>(4 * s.width * s.height), 0);
                buffers.push_back({store.back().data(), s.width, s.height, 4 * s.width});
            }
            return buffers;
        };
        std::vector<std::vector<std::uint8_t>> updated, fresh;
        updated.reserve(8);
        fresh.reserve(8);
        const std::vector<PixelBuffer> updatedBuffers = halvingsOf(updated);
        const std::vector<PixelBuffer> freshBuffers = halvingsOf(fresh);
        ASSERT_EQ(updatedBuffers.size(), 2u);
        buildHalvings(whole, updatedBuffers);
        for (const IntRect& r : changed)
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = 4 * r.left; x < 4 * r.right; ++x)
                    picture[static_cast<std::size_t>(y * 4 * kWidth + x)] ^= 0x5A;
        updateHalvings(whole, updatedBuffers, changed);
        buildHalvings(whole, freshBuffers);
        EXPECT_EQ(updated, fresh) << changed.front().left;
    }
}

}  // namespace
