// SPDX-License-Identifier: MIT
// Which parts of the preview's repaired image a new computation has to redo, and which
// parts of the picture can have changed. A repaired pixel depends only on the flags and
// pixels within the repair's reach, so where no flag changed within that distance the
// previous result still holds; outside its defects a repaired image is its source.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Geometry.h"

namespace nelvo {

inline constexpr std::int32_t kRepairTileSide = 256;
inline constexpr std::int32_t kDefectBlockSide = 32;

// Two defect maps (one byte per pixel, `width` bytes a row) compared in square blocks
// of kDefectBlockSide, row by row of blocks: where they differ, and where either holds
// a non-zero byte.
struct DefectBlocks {
    std::int32_t width = 0, height = 0;  // of the maps, in pixels
    std::int32_t columns = 0, rows = 0;  // of blocks
    std::vector<std::uint8_t> changed, held;
};
DefectBlocks compareDefectMaps(const std::uint8_t* before, const std::uint8_t* after,
                               std::int32_t width, std::int32_t height);

// The tiles (kRepairTileSide square, clipped to the image) with a changed pixel within
// `reach` of them (Chebyshev distance), in row order.
std::vector<VRect> tilesToRepair(const DefectBlocks& blocks, std::int32_t reach);

// The tiles of either list once, in row order; both lists are tiles of tilesToRepair
// for one image size.
std::vector<VRect> mergeTiles(const std::vector<VRect>& a, const std::vector<VRect>& b);

// The blocks that hold a defect in either map, clipped to the image and merged along
// each row of blocks: where two repairs of the same source can differ.
std::vector<VRect> blocksHoldingDefects(const DefectBlocks& blocks);

}  // namespace nelvo
