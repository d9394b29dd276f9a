// SPDX-License-Identifier: MIT
// The "Mark Defects" drawing: edges that stand out from the marker colour, and tints of
// the hand marks.
#include <gtest/gtest.h>

#include <vector>

#include "ui/shared/MarkOverlay.h"

using namespace nelvo;

namespace {

TEST(MarkOverlay, EdgeIsBlackOnLightMarkersAndWhiteOnDarkOnes) {
    const struct {
        std::uint32_t marker, edge;  // marker 0x00BBGGRR
    } cases[] = {
        {0x000000FF, 0xFFFFFFFF},  // pure red, the default: dark
        {0x0000FFFF, 0xFF000000},  // yellow
        {0x00FFFFFF, 0xFF000000},  // white
        {0x00000000, 0xFFFFFFFF},  // black
        {0x0000FF00, 0xFF000000},  // green
        {0x00FF0000, 0xFFFFFFFF},  // blue
    };
    for (const auto& c : cases) EXPECT_EQ(defectEdgeColour(c.marker), c.edge) << c.marker;
}

// A defect in a corner and one in the middle of a 5 x 4 map, on a surface with one
// padding word per row that must stay untouched.
TEST(MarkOverlay, EdgesRingEveryDefectAndLeaveDefectsAndPaddingAlone) {
    constexpr int w = 5, h = 4;
    constexpr std::size_t stride = 6;  // one word of padding
    const std::uint8_t map[h][w] = {
        {255, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 255, 0}, {0, 0, 0, 0, 0}};
    constexpr std::uint32_t kPixel = 0xFF102030, kDefect = 0xFFFF0000, kEdge = 0xFF000000;
    std::vector<std::uint32_t> surface(stride * h, kPixel);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (map[y][x] != 0) surface[static_cast<std::size_t>(y * 6 + x)] = kDefect;
    paintDefectEdges(surface.data(), stride, &map[0][0], w, h, kEdge);
    const char* expected[h] = {"DE...", "EEEEE", "..EDE", "..EEE"};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const char e = expected[y][x];
            const std::uint32_t want = e == 'D' ? kDefect : e == 'E' ? kEdge : kPixel;
            EXPECT_EQ(surface[static_cast<std::size_t>(y * 6 + x)], want) << x << "," << y;
        }
        EXPECT_EQ(surface[static_cast<std::size_t>(y) * stride + w], kPixel) << "padding " << y;
    }
}

TEST(MarkOverlay, TintFollowsTheDirectionOfTheMarkOnly) {
    const std::uint8_t marks[4] = {128, 255, 129, 0};
    std::vector<std::uint32_t> surface(4, 0xFF808080);
    tintHandMarks(surface.data(), 4, marks, 4, 1);
    EXPECT_EQ(surface[0], 0xFF808080u);  // neutral
    EXPECT_EQ(surface[1], surface[2]);   // raised by any amount: the same tint
    // Raised toward yellow: red up, blue down; lowered toward light blue: the reverse.
    EXPECT_GT(surface[1] >> 16 & 0xFF, 0x80u);
    EXPECT_LT(surface[1] & 0xFF, 0x80u);
    EXPECT_LT(surface[3] >> 16 & 0xFF, 0x80u);
    EXPECT_GT(surface[3] & 0xFF, 0x80u);
    EXPECT_EQ(surface[3] >> 24, 0xFFu);
}

}  // namespace
