// SPDX-License-Identifier: MIT
// A small picture with something for the filter to repair.
#pragma once

#include <cmath>
#include <cstddef>

#include "imageio/ImageFiles.h"

// A smooth RGB picture with dark 3 × 3 specks every 16 pixels.
inline filterhost::ImageFile dustyPicture(int32_t width, int32_t height) {
    filterhost::ImageFile image;  // no file behind it: written with default details
    filterhost::Document& d = image.document;
    d.allocate(width, height, 3, 3, 8);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = &d.pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                    static_cast<std::size_t>(x)) *
                                   3];
            const bool speck = (y % 16 >= 7 && y % 16 <= 9) && (x % 16 >= 7 && x % 16 <= 9);
            p[0] = speck ? 0 : static_cast<uint8_t>(150 + 20 * std::sin(x * 0.05));
            p[1] = speck ? 0 : static_cast<uint8_t>(140 + 15 * std::cos(y * 0.04));
            p[2] = speck ? 0 : 120;
        }
    }
    return image;
}
