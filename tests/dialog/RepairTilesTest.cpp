// SPDX-License-Identifier: MIT
// Which tiles a change of the defect map sends back to the repair.
#include <gtest/gtest.h>

#include <vector>

#include "dialog/RepairTiles.h"

namespace nelvo {
namespace {

struct Corner {
    int top, left;
    friend bool operator==(const Corner&, const Corner&) = default;
};

std::vector<Corner> tilesForChangeAt(int y, int x) {
    constexpr int kWidth = 600, kHeight = 520;
    const std::vector<std::uint8_t> before(kWidth * kHeight, 0);
    std::vector<std::uint8_t> after = before;
    if (y >= 0) after[static_cast<std::size_t>(y * kWidth + x)] = 255;
    std::vector<Corner> corners;
    for (const VRect& t : tilesToRepair(before.data(), after.data(), kWidth, kHeight, 30)) {
        EXPECT_EQ(t.bottom, std::min(t.top + kRepairTileSide, kHeight));
        EXPECT_EQ(t.right, std::min(t.left + kRepairTileSide, kWidth));
        corners.push_back({t.top, t.left});
    }
    return corners;
}

TEST(RepairTiles, AChangeSendsBackTheTilesWithinReach) {
    struct Case {
        int y, x;
        std::vector<Corner> tiles;
    };
    const Case cases[] = {
        {-1, -1, {}},                                          // nothing changed
        {100, 100, {{0, 0}}},                                  // deep inside one tile
        {100, 250, {{0, 0}, {0, 256}}},                        // 6 from the next tile
        {100, 190, {{0, 0}}},                                  // 66 from it
        {250, 260, {{0, 0}, {0, 256}, {256, 0}, {256, 256}}},  // near a corner
        {519, 599, {{256, 512}, {512, 512}}},  // the clipped last tile, 8 from the one above
    };
    for (const Case& c : cases) EXPECT_EQ(tilesForChangeAt(c.y, c.x), c.tiles) << c.y << "," << c.x;
}

}  // namespace
}  // namespace nelvo
