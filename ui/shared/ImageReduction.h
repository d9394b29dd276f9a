// SPDX-License-Identifier: MIT
// Halving 32-bit pixels (four bytes each, averaged byte by byte over 2 x 2 blocks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/shared/PreviewGeometry.h"

namespace nelvo {

// Writes the (width + 1) / 2 x (height + 1) / 2 reduction of `source`; an odd last row
// or column is averaged with itself. Strides are in bytes.
void halvePixels(const std::uint8_t* source, int width, int height, std::ptrdiff_t sourceStride,
                 std::uint8_t* target, std::ptrdiff_t targetStride);

// The same, with bands of rows on the thread pool.
void halvePixelsInParallel(const std::uint8_t* source, int width, int height,
                           std::ptrdiff_t sourceStride, std::uint8_t* target,
                           std::ptrdiff_t targetStride);

// Updates the reduction of a `width` x `height` source in `areas`, given in the target's
// pixels. Areas that overlap are halved one after the other, apart ones side by side.
void halveAreas(const std::uint8_t* source, int width, int height, std::ptrdiff_t sourceStride,
                std::uint8_t* target, std::ptrdiff_t targetStride,
                const std::vector<IntRect>& areas, bool apart);

}  // namespace nelvo
