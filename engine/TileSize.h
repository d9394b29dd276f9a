// SPDX-License-Identifier: MIT
// The tile size the stages work with.
#pragma once

#include <algorithm>
#include <cstdint>

namespace nelvo {

// Tile sizes below 1 are taken as 1.
inline int32_t effectiveTileSize(int32_t tileSize) {
    return std::max(tileSize, 1);
}

}  // namespace nelvo
