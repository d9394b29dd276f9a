// SPDX-License-Identifier: MIT
// Defect plane clean-up: dropping defect specks too small to repair, and the
// 0/255 export of the plane for an overlay.
#pragma once

#include <cstdint>

#include "engine/Geometry.h"
#include "engine/NelvoBuffer.h"
#include "engine/PlaneAllocator.h"
#include "engine/StageHooks.h"

namespace nelvo {

// Largest defect component, in pixels, that is removed for a tile size:
// with side = 2 * tileSize + 1, side minus 80 % of side (the product taken in
// single precision and truncated). Tile size 8 gives 4, 50 gives 21.
int64_t minimumSpeckSize(int32_t tileSize);

// Clears the flags of every 8-connected component of flagged pixels within
// `size` that has at most minimumSpeckSize(tileSize) pixels. The label plane
// (4 bytes a pixel) comes from `allocator`; std::bad_alloc is thrown before
// any flag changes when it cannot be had.
void removeSpecks(NelvoBuffer<uint8_t>& defects, PlaneSize size, int32_t tileSize,
                  PlaneAllocator& allocator);

// out[y * outStride + x] = 255 for a flagged pixel, 0 otherwise, for the
// pixels of `size`. advance(1) at the start of each row; polls every 1024
// columns.
void exportDefectPlane(const NelvoBuffer<uint8_t>& defects, uint8_t* out, int32_t outStride,
                       PlaneSize size, const StageHooks& hooks);

}  // namespace nelvo
