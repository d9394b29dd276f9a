// SPDX-License-Identifier: MIT
// Halving 32-bit pixels (four bytes each, averaged byte by byte over 2 x 2 blocks), and
// the chain of halvings a preview keeps of its picture: each window layer holds the
// pictures in its own kind of memory and scales the view from the smallest that still
// covers it.
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

// A picture of 32-bit pixels in memory; the stride is in bytes.
struct PixelBuffer {
    std::uint8_t* bits = nullptr;
    int width = 0, height = 0;
    std::ptrdiff_t stride = 0;
};

struct PictureSize {
    int width = 0, height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// Halving stops once a picture is this small on its longer side: below it, sampling the
// picture directly suffices.
inline constexpr int kSmallestReduction = 64;

// The sizes of a picture's halvings, largest first: each halves the one before, for as
// long as that one is larger than kSmallestReduction on its longer side.
std::vector<PictureSize> halvingSizes(int width, int height);

// Halves `picture` into the first of `halvings`, that into the second, and so on. The
// halvings have the sizes halvingSizes gives (a prefix of them).
void buildHalvings(const PixelBuffer& picture, const std::vector<PixelBuffer>& halvings);

// After the areas `changed` (in the picture's pixels) of `picture` changed, updates each
// halving in turn: only those areas halved, or all of it once they cover more than half.
void updateHalvings(const PixelBuffer& picture, const std::vector<PixelBuffer>& halvings,
                    std::vector<IntRect> changed);

// How many of the halvings still cover a view of viewWidth x viewHeight (0: none does,
// the picture itself serves).
std::size_t halvingsCovering(const std::vector<PixelBuffer>& halvings, int viewWidth,
                             int viewHeight);

}  // namespace nelvo
