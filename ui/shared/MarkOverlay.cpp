// SPDX-License-Identifier: MIT
#include "ui/shared/MarkOverlay.h"

#include <algorithm>

namespace nelvo {

namespace {

constexpr std::uint8_t kNeutral = 128;
constexpr std::uint32_t kBlack = 0xFF000000;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;

std::uint32_t channel(std::uint32_t word, int shift) {
    return (word >> shift) & 0xFFu;
}

std::uint32_t blend(std::uint32_t pixel, std::uint32_t tint) {
    std::uint32_t out = 0xFF000000;
    for (const int shift : {0, 8, 16}) {
        const std::uint32_t p = channel(pixel, shift);
        const std::uint32_t t = channel(tint, shift);
        out |= ((p * (256 - kMarkTintWeight) + t * kMarkTintWeight) >> 8) << shift;
    }
    return out;
}

}  // namespace

std::uint32_t defectEdgeColour(std::uint32_t markerColour) {
    // Rec. 601 luma in thousandths: the edge is whichever of black and white lies farther.
    const std::uint32_t luma = 299 * channel(markerColour, 0) + 587 * channel(markerColour, 8) +
                               114 * channel(markerColour, 16);
    return luma > 128 * 1000 ? kBlack : kWhite;
}

void tintHandMarks(std::uint32_t* surface, std::size_t stride, const std::uint8_t* marks, int width,
                   int height) {
    for (int y = 0; y < height; ++y) {
        std::uint32_t* row = surface + static_cast<std::size_t>(y) * stride;
        const std::uint8_t* m =
            marks + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            if (m[x] > kNeutral) row[x] = blend(row[x], kRaisedMarkTint);
            if (m[x] < kNeutral) row[x] = blend(row[x], kLoweredMarkTint);
        }
    }
}

void paintDefectEdges(std::uint32_t* surface, std::size_t stride, const std::uint8_t* defectMap,
                      int width, int height, std::uint32_t edge) {
    const auto w = static_cast<std::size_t>(width);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = defectMap + static_cast<std::size_t>(y) * w;
        const std::uint8_t* above = y > 0 ? row - w : nullptr;
        const std::uint8_t* below = y + 1 < height ? row + w : nullptr;
        std::uint32_t* out = surface + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            if (row[x] != 0) continue;
            const int x0 = std::max(0, x - 1);
            const int x1 = std::min(width - 1, x + 1);
            bool touches = false;
            for (int i = x0; i <= x1 && !touches; ++i)
                touches = row[i] != 0 || (above != nullptr && above[i] != 0) ||
                          (below != nullptr && below[i] != 0);
            if (touches) out[x] = edge;
        }
    }
}

}  // namespace nelvo
