// SPDX-License-Identifier: MIT
#include "dialog/RepairTiles.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

namespace nelvo {

namespace {

static_assert(kRepairTileSide % kDefectBlockSide == 0);

std::int32_t blocksOver(std::int32_t pixels) {
    return (pixels + kDefectBlockSide - 1) / kDefectBlockSide;
}

// Whether any of the `n` bytes at `bytes` is not 0, a word at a time.
bool anySet(const std::uint8_t* bytes, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, sizeof word);
        if (word != 0) return true;
    }
    for (; i < n; ++i)
        if (bytes[i] != 0) return true;
    return false;
}

}  // namespace

DefectBlocks compareDefectMaps(const std::uint8_t* before, const std::uint8_t* after,
                               std::int32_t width, std::int32_t height) {
    DefectBlocks blocks;
    if (width <= 0 || height <= 0) return blocks;
    blocks.width = width;
    blocks.height = height;
    blocks.columns = blocksOver(width);
    blocks.rows = blocksOver(height);
    const std::size_t count =
        static_cast<std::size_t>(blocks.columns) * static_cast<std::size_t>(blocks.rows);
    blocks.changed.assign(count, 0);
    blocks.held.assign(count, 0);
    tbb::parallel_for(tbb::blocked_range<std::int32_t>(0, blocks.rows), [&](const auto& rows) {
        for (std::int32_t by = rows.begin(); by < rows.end(); ++by) {
            const std::ptrdiff_t first = static_cast<std::ptrdiff_t>(by) * blocks.columns;
            std::uint8_t* changed = blocks.changed.data() + first;
            std::uint8_t* held = blocks.held.data() + first;
            const std::int32_t bottom = std::min(height, (by + 1) * kDefectBlockSide);
            for (std::int32_t y = by * kDefectBlockSide; y < bottom; ++y) {
                const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(y) * width;
                for (std::int32_t b = 0; b < blocks.columns; ++b) {
                    if (changed[b] != 0 && held[b] != 0) continue;
                    const std::int32_t x = b * kDefectBlockSide;
                    const auto n = static_cast<std::size_t>(std::min(kDefectBlockSide, width - x));
                    const std::uint8_t* was = before + row + x;
                    const std::uint8_t* is = after + row + x;
                    if (changed[b] == 0 && std::memcmp(was, is, n) != 0) changed[b] = 1;
                    if (held[b] == 0 && (anySet(was, n) || anySet(is, n))) held[b] = 1;
                }
            }
        }
    });
    return blocks;
}

std::vector<VRect> tilesToRepair(const DefectBlocks& blocks, std::int32_t reach) {
    // A change in a block counts for every tile whose pixels lie within the reach of
    // any of the block's pixels.
    const std::int32_t grow = blocksOver(std::max(reach, 0));
    constexpr std::int32_t tileBlocks = kRepairTileSide / kDefectBlockSide;
    std::vector<VRect> tiles;
    for (std::int32_t top = 0; top < blocks.height; top += kRepairTileSide) {
        for (std::int32_t left = 0; left < blocks.width; left += kRepairTileSide) {
            const std::int32_t bx0 = std::max(left / kDefectBlockSide - grow, 0);
            const std::int32_t by0 = std::max(top / kDefectBlockSide - grow, 0);
            const std::int32_t bx1 =
                std::min(left / kDefectBlockSide + tileBlocks + grow, blocks.columns);
            const std::int32_t by1 =
                std::min(top / kDefectBlockSide + tileBlocks + grow, blocks.rows);
            bool dirty = false;
            for (std::int32_t by = by0; by < by1 && !dirty; ++by) {
                const std::uint8_t* changed =
                    blocks.changed.data() + static_cast<std::ptrdiff_t>(by) * blocks.columns;
                dirty = std::any_of(changed + bx0, changed + bx1,
                                    [](std::uint8_t c) { return c != 0; });
            }
            if (dirty)
                tiles.push_back(VRect{top, left, std::min(top + kRepairTileSide, blocks.height),
                                      std::min(left + kRepairTileSide, blocks.width)});
        }
    }
    return tiles;
}

std::vector<VRect> mergeTiles(const std::vector<VRect>& a, const std::vector<VRect>& b) {
    const auto rowOrder = [](const VRect& x, const VRect& y) {
        return x.top != y.top ? x.top < y.top : x.left < y.left;
    };
    std::vector<VRect> merged;
    merged.reserve(a.size() + b.size());
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(merged), rowOrder);
    return merged;
}

std::vector<VRect> blocksHoldingDefects(const DefectBlocks& blocks) {
    std::vector<VRect> runs;
    for (std::int32_t by = 0; by < blocks.rows; ++by) {
        const std::int32_t top = by * kDefectBlockSide;
        const std::int32_t bottom = std::min(blocks.height, top + kDefectBlockSide);
        const std::uint8_t* held =
            blocks.held.data() + static_cast<std::ptrdiff_t>(by) * blocks.columns;
        for (std::int32_t b = 0; b < blocks.columns; ++b) {
            if (held[b] == 0) continue;
            const std::int32_t left = b * kDefectBlockSide;
            const std::int32_t right = std::min(blocks.width, left + kDefectBlockSide);
            if (!runs.empty() && runs.back().top == top && runs.back().right == left)
                runs.back().right = right;
            else
                runs.push_back(VRect{top, left, bottom, right});
        }
    }
    return runs;
}

}  // namespace nelvo
