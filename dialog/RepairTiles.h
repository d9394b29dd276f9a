// SPDX-License-Identifier: MIT
// Which parts of the preview's repaired image a new computation has to redo. A repaired
// pixel depends only on the flags and pixels within the repair's reach, so where no flag
// changed within that distance the previous result still holds.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Geometry.h"

namespace nelvo {

inline constexpr std::int32_t kRepairTileSide = 256;

// The tiles (kRepairTileSide square, clipped to the image) with a pixel whose byte
// differs between the two maps within `reach` of them (Chebyshev distance), in row
// order. Both maps hold one byte per pixel, `width` bytes a row.
std::vector<VRect> tilesToRepair(const std::uint8_t* before, const std::uint8_t* after,
                                 std::int32_t width, std::int32_t height, std::int32_t reach);

// Where two repairs of the same source can differ: the runs of 32-pixel square blocks
// (clipped to the image, merged along each block row) in which either map holds a
// non-zero byte. Outside its defects a repaired image is its source.
std::vector<VRect> blocksHoldingDefects(const std::uint8_t* before, const std::uint8_t* after,
                                        std::int32_t width, std::int32_t height);

}  // namespace nelvo
