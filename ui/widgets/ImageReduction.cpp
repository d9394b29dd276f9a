// SPDX-License-Identifier: MIT
#include "ui/widgets/ImageReduction.h"

namespace nelvo {

void halvePixels(const std::uint8_t* source, int width, int height, std::ptrdiff_t sourceStride,
                 std::uint8_t* target, std::ptrdiff_t targetStride) {
    const int outWidth = (width + 1) / 2;
    const int outHeight = (height + 1) / 2;
    for (int y = 0; y < outHeight; ++y) {
        const std::uint8_t* row0 = source + 2 * y * sourceStride;
        const std::uint8_t* row1 = 2 * y + 1 < height ? row0 + sourceStride : row0;
        std::uint8_t* out = target + y * targetStride;
        for (int x = 0; x < outWidth; ++x) {
            const std::ptrdiff_t a = 8 * std::ptrdiff_t{x};
            const std::ptrdiff_t b = 2 * x + 1 < width ? a + 4 : a;
            for (int k = 0; k < 4; ++k)
                out[4 * x + k] = static_cast<std::uint8_t>(
                    (row0[a + k] + row0[b + k] + row1[a + k] + row1[b + k] + 2) / 4);
        }
    }
}

}  // namespace nelvo
