// SPDX-License-Identifier: MIT
#include "dialog/RepairTiles.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace nelvo {

namespace {

// Changes are first found per block, which the reach then grows by whole blocks.
constexpr std::int32_t kBlockSide = 32;
static_assert(kRepairTileSide % kBlockSide == 0);

std::int32_t blocksOver(std::int32_t pixels) {
    return (pixels + kBlockSide - 1) / kBlockSide;
}

// Marks, in `changed` (one byte per block of the block row), every block in which row
// `y` of the two maps differs.
void markChangedBlocks(const std::uint8_t* before, const std::uint8_t* after, std::int32_t width,
                       std::uint8_t* changed) {
    for (std::int32_t x = 0, block = 0; x < width; x += kBlockSide, ++block) {
        if (changed[block] != 0) continue;
        const auto n = static_cast<std::size_t>(std::min(kBlockSide, width - x));
        if (std::memcmp(before + x, after + x, n) != 0) changed[block] = 1;
    }
}

// Whether any byte of the `n` bytes at `bytes` is not 0, a word at a time.
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

std::vector<VRect> blocksHoldingDefects(const std::uint8_t* before, const std::uint8_t* after,
                                        std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return {};
    const std::int32_t blockColumns = blocksOver(width);
    const std::int32_t blockRows = blocksOver(height);
    std::vector<std::vector<VRect>> runs(static_cast<std::size_t>(blockRows));
    tbb::parallel_for(tbb::blocked_range<std::int32_t>(0, blockRows),
                      [&](const tbb::blocked_range<std::int32_t>& rows) {
                          std::vector<std::uint8_t> held(static_cast<std::size_t>(blockColumns));
                          for (std::int32_t by = rows.begin(); by < rows.end(); ++by) {
                              std::fill(held.begin(), held.end(), std::uint8_t{0});
                              const std::int32_t top = by * kBlockSide;
                              const std::int32_t bottom = std::min(height, top + kBlockSide);
                              for (std::int32_t y = top; y < bottom; ++y) {
                                  const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(y) * width;
                                  for (std::int32_t block = 0; block < blockColumns; ++block) {
                                      if (held[static_cast<std::size_t>(block)] != 0) continue;
                                      const std::int32_t x = block * kBlockSide;
                                      const auto n =
                                          static_cast<std::size_t>(std::min(kBlockSide, width - x));
                                      if (anySet(before + row + x, n) || anySet(after + row + x, n))
                                          held[static_cast<std::size_t>(block)] = 1;
                                  }
                              }
                              std::vector<VRect>& out = runs[static_cast<std::size_t>(by)];
                              for (std::int32_t block = 0; block < blockColumns; ++block) {
                                  if (held[static_cast<std::size_t>(block)] == 0) continue;
                                  const std::int32_t left = block * kBlockSide;
                                  const std::int32_t right = std::min(width, left + kBlockSide);
                                  if (!out.empty() && out.back().right == left)
                                      out.back().right = right;
                                  else
                                      out.push_back(VRect{top, left, bottom, right});
                              }
                          }
                      });
    std::vector<VRect> all;
    for (std::vector<VRect>& row : runs) all.insert(all.end(), row.begin(), row.end());
    return all;
}

std::vector<VRect> tilesToRepair(const std::uint8_t* before, const std::uint8_t* after,
                                 std::int32_t width, std::int32_t height, std::int32_t reach) {
    if (width <= 0 || height <= 0) return {};
    const std::int32_t blockColumns = blocksOver(width);
    const std::int32_t blockRows = blocksOver(height);
    std::vector<std::uint8_t> changed(static_cast<std::size_t>(blockColumns) *
                                      static_cast<std::size_t>(blockRows));
    tbb::parallel_for(tbb::blocked_range<std::int32_t>(0, blockRows),
                      [&](const tbb::blocked_range<std::int32_t>& rows) {
                          for (std::int32_t by = rows.begin(); by < rows.end(); ++by) {
                              std::uint8_t* marks =
                                  changed.data() + static_cast<std::ptrdiff_t>(by) * blockColumns;
                              const std::int32_t last = std::min(height, (by + 1) * kBlockSide);
                              for (std::int32_t y = by * kBlockSide; y < last; ++y) {
                                  const std::ptrdiff_t offset =
                                      static_cast<std::ptrdiff_t>(y) * width;
                                  markChangedBlocks(before + offset, after + offset, width, marks);
                              }
                          }
                      });

    // A change in a block counts for every tile whose pixels lie within the reach of
    // any of the block's pixels.
    const std::int32_t grow = blocksOver(std::max(reach, 0));
    constexpr std::int32_t tileBlocks = kRepairTileSide / kBlockSide;
    std::vector<VRect> tiles;
    for (std::int32_t top = 0; top < height; top += kRepairTileSide) {
        for (std::int32_t left = 0; left < width; left += kRepairTileSide) {
            const std::int32_t bx0 = std::max(left / kBlockSide - grow, 0);
            const std::int32_t by0 = std::max(top / kBlockSide - grow, 0);
            const std::int32_t bx1 = std::min(left / kBlockSide + tileBlocks + grow, blockColumns);
            const std::int32_t by1 = std::min(top / kBlockSide + tileBlocks + grow, blockRows);
            bool dirty = false;
            for (std::int32_t by = by0; by < by1 && !dirty; ++by) {
                const std::uint8_t* marks =
                    changed.data() + static_cast<std::ptrdiff_t>(by) * blockColumns;
                dirty =
                    std::any_of(marks + bx0, marks + bx1, [](std::uint8_t m) { return m != 0; });
            }
            if (dirty)
                tiles.push_back(VRect{top, left, std::min(top + kRepairTileSide, height),
                                      std::min(left + kRepairTileSide, width)});
        }
    }
    return tiles;
}

}  // namespace nelvo
