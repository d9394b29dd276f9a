// SPDX-License-Identifier: MIT
// Rectangles and extents that every engine stage takes.
#pragma once

#include <cstdint>

namespace nelvo {

// The host's 32-bit rectangle; bottom and right are exclusive.
struct VRect {
    int32_t top = 0;
    int32_t left = 0;
    int32_t bottom = 0;
    int32_t right = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
};

// Extent of a plane or of the region a stage works on.
struct PlaneSize {
    int32_t width = 0;
    int32_t height = 0;
};

}  // namespace nelvo
