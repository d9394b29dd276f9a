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
    for (const VRect& t :
         tilesToRepair(compareDefectMaps(before.data(), after.data(), kWidth, kHeight), 30)) {
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

TEST(RepairTiles, BlocksHoldingDefectsInEitherMapMergeAlongTheirRow) {
    constexpr int kWidth = 200, kHeight = 70;  // the last block row and column are clipped
    std::vector<std::uint8_t> before(kWidth * kHeight, 0), after = before;
    before[5 * kWidth + 40] = 255;   // block (0, 1)
    after[10 * kWidth + 70] = 255;   // block (0, 2): joins the run
    after[10 * kWidth + 199] = 255;  // block (0, 6), clipped at 200
    before[69 * kWidth + 0] = 255;   // block (2, 0), clipped at 70
    const std::vector<VRect> blocks =
        blocksHoldingDefects(compareDefectMaps(before.data(), after.data(), kWidth, kHeight));
    ASSERT_EQ(blocks.size(), 3u);
    const auto same = [](const VRect& a, const VRect& b) {
        return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
    };
    EXPECT_TRUE(same(blocks[0], VRect{0, 32, 32, 96}));
    EXPECT_TRUE(same(blocks[1], VRect{0, 192, 32, 200}));
    EXPECT_TRUE(same(blocks[2], VRect{64, 0, 70, 32}));
}

}  // namespace
}  // namespace nelvo
