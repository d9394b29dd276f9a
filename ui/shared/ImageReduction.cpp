// SPDX-License-Identifier: MIT
#include "ui/shared/ImageReduction.h"

#include <algorithm>

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

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

void halvePixelsInParallel(const std::uint8_t* source, int width, int height,
                           std::ptrdiff_t sourceStride, std::uint8_t* target,
                           std::ptrdiff_t targetStride) {
    // Output rows are independent; bands of 64 keep the scheduling cheap.
    tbb::parallel_for(tbb::blocked_range<int>(0, (height + 1) / 2, 64),
                      [&](const tbb::blocked_range<int>& rows) {
                          const int top = 2 * rows.begin();
                          const int count = std::min(height, 2 * rows.end()) - top;
                          halvePixels(source + top * sourceStride, width, count, sourceStride,
                                      target + rows.begin() * targetStride, targetStride);
                      });
}

void halveAreas(const std::uint8_t* source, int width, int height, std::ptrdiff_t sourceStride,
                std::uint8_t* target, std::ptrdiff_t targetStride,
                const std::vector<IntRect>& areas, bool apart) {
    const auto halve = [&](const IntRect& r) {
        halvePixels(source + 2 * r.top * sourceStride + 8 * r.left,
                    std::min(width, 2 * r.right) - 2 * r.left,
                    std::min(height, 2 * r.bottom) - 2 * r.top, sourceStride,
                    target + r.top * targetStride + 4 * r.left, targetStride);
    };
    if (apart) {
        tbb::parallel_for(std::size_t{0}, areas.size(), [&](std::size_t i) { halve(areas[i]); });
    } else {
        for (const IntRect& r : areas) halve(r);
    }
}

std::vector<PictureSize> halvingSizes(int width, int height) {
    std::vector<PictureSize> sizes;
    PictureSize previous{width, height};
    while (previous.width > 0 && previous.height > 0 &&
           std::max(previous.width, previous.height) > kSmallestReduction) {
        previous = {(previous.width + 1) / 2, (previous.height + 1) / 2};
        sizes.push_back(previous);
    }
    return sizes;
}

void buildHalvings(const PixelBuffer& picture, const std::vector<PixelBuffer>& halvings) {
    const PixelBuffer* previous = &picture;
    for (const PixelBuffer& half : halvings) {
        halvePixelsInParallel(previous->bits, previous->width, previous->height, previous->stride,
                              half.bits, half.stride);
        previous = &half;
    }
}

void updateHalvings(const PixelBuffer& picture, const std::vector<PixelBuffer>& halvings,
                    std::vector<IntRect> changed) {
    const PixelBuffer* previous = &picture;
    for (const PixelBuffer& half : halvings) {
        // Areas that meet only at even columns and rows stay apart when halved, so they
        // can be halved side by side; otherwise, one after the other.
        bool apart = true;
        std::int64_t area = 0;
        for (IntRect& r : changed) {
            apart = apart && r.left % 2 == 0 && r.top % 2 == 0 &&
                    (r.right % 2 == 0 || r.right == previous->width) &&
                    (r.bottom % 2 == 0 || r.bottom == previous->height);
            r = IntRect{r.left / 2, r.top / 2, (r.right + 1) / 2, (r.bottom + 1) / 2};
            area += std::int64_t{r.width()} * r.height();
        }
        if (2 * area > std::int64_t{half.width} * half.height)
            halvePixelsInParallel(previous->bits, previous->width, previous->height,
                                  previous->stride, half.bits, half.stride);
        else
            halveAreas(previous->bits, previous->width, previous->height, previous->stride,
                       half.bits, half.stride, changed, apart);
        previous = &half;
    }
}

std::size_t halvingsCovering(const std::vector<PixelBuffer>& halvings, int viewWidth,
                             int viewHeight) {
    std::size_t count = 0;
    while (count < halvings.size() && halvings[count].width >= viewWidth &&
           halvings[count].height >= viewHeight)
        ++count;
    return count;
}

}  // namespace nelvo
