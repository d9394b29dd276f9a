// SPDX-License-Identifier: MIT
// A photo-like RGB picture for the benchmark, the same on every run: soft
// gradients and shapes, film-like grain, and the defects of a dusty film
// scan (specks dark and bright, hairs, long scratches).
#pragma once

#include <cstdint>
#include <vector>

namespace nelvo::bench {

struct Photo {
    int32_t width = 0;
    int32_t height = 0;
    // Interleaved R, G, B shares of white (0..1), rows without padding.
    std::vector<float> values;
};

Photo makePhoto(int32_t width, int32_t height);

// The picture in a pixel type: 8-bit 0..255, 16-bit 0..32768 (the host's
// range), float 0..1.
template <typename T>
std::vector<T> toPixels(const Photo& photo);

}  // namespace nelvo::bench
