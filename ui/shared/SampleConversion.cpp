// SPDX-License-Identifier: MIT
#include "ui/shared/SampleConversion.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <cmath>
#include <cstddef>
#include <cstring>

#include "PIFilter.h"

namespace nelvo {

namespace {

// Rows in parallel: on the way to the dialog's first picture, and the destination's
// pages fall due here.
template <typename Sample, typename Convert>
void copyRows(const SourceLayout& s, std::uint8_t* destination, Convert convert) {
    const auto* base = static_cast<const std::uint8_t*>(s.data);
    const std::ptrdiff_t outRowBytes = std::ptrdiff_t{s.width} * s.channels;
    tbb::parallel_for(
        tbb::blocked_range<int>(0, s.height, 16), [&](const tbb::blocked_range<int>& rows) {
            for (int y = rows.begin(); y < rows.end(); ++y) {
                const std::uint8_t* pixel = base + std::ptrdiff_t{y} * s.rowBytes;
                std::uint8_t* out = destination + y * outRowBytes;
                for (int x = 0; x < s.width; ++x, pixel += s.columnBytes) {
                    for (int k = 0; k < s.channels; ++k) {
                        Sample v;
                        std::memcpy(&v, pixel + k * static_cast<std::ptrdiff_t>(sizeof(Sample)),
                                    sizeof v);
                        *out++ = convert(v);
                    }
                }
            }
        });
}

}  // namespace

std::uint8_t sampleFloatTo8(float v) {
    if (!(v > 0.0f)) return 0;  // NaN too
    if (v >= 1.0f) return 255;
    return static_cast<std::uint8_t>(std::lround(v * 255.0f));
}

void loadSource(const SourceLayout& source, std::uint8_t* destination) {
    switch (source.depth) {
        case 8:
            copyRows<std::uint8_t>(source, destination, [](std::uint8_t v) { return v; });
            break;
        case 16:
            copyRows<std::uint16_t>(source, destination, sample16To8);
            break;
        case 32:
            copyRows<float>(source, destination, sampleFloatTo8);
            break;
        default:
            break;
    }
}

int displayModeFor(int imageMode) {
    switch (imageMode) {
        case plugInModeGray16:
        case plugInModeGray32:
            return plugInModeGrayScale;
        case plugInModeRGB48:
        case plugInModeRGB96:
            return plugInModeRGBColor;
        case plugInModeLab48:
            return plugInModeLabColor;
        case plugInModeCMYK64:
            return plugInModeCMYKColor;
        case plugInModeDeepMultichannel:
            return plugInModeMultichannel;
        case plugInModeDuotone16:
            return plugInModeDuotone;
        default:
            return imageMode;
    }
}

void paintDefects(std::uint32_t* pixels, const std::uint8_t* defectMap, std::size_t count,
                  std::uint32_t colour) {
    const std::uint32_t value = markerToSurface(colour);
    for (std::size_t i = 0; i < count; ++i)
        if (defectMap[i] != 0) pixels[i] = value;
}

}  // namespace nelvo
