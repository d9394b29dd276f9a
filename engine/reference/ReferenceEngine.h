// SPDX-License-Identifier: MIT
// A plain, single-threaded transcription of the engine's algorithms, written
// for clarity rather than speed and sharing no code with the engine. The
// engine tests use it as the oracle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/Geometry.h"
#include "settings/FilterParameters.h"

namespace nelvo::reference {

template <typename T>
struct Plane {
    Plane() = default;
    Plane(int32_t w, int32_t h, T fill = T{})
        : width(w),
          height(h),
          values(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}

    T& at(int32_t y, int32_t x) {
        return values[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    const T& at(int32_t y, int32_t x) const {
        return values[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }

    int32_t width = 0;
    int32_t height = 0;
    std::vector<T> values;
};

// Grey value of every pixel of a width x height interleaved image.
template <typename T>
Plane<T> greyPlane(const void* data, int32_t rowBytes, int32_t columnBytes, int32_t width,
                   int32_t height, int32_t channels, int32_t colourModel);

// The regions detect wrote, in plane coordinates.
struct DetectRegions {
    VRect median;
    VRect contrast;
};

// Median and contrast passes on the CPU. `median` and `contrast` must have the
// grey plane's extent; only the returned regions are written.
template <typename T>
DetectRegions detect(const Plane<T>& grey, Plane<T>& median, Plane<float>& contrast,
                     const EngineSettings& settings, const VRect& clip, int32_t mapWidth,
                     const VRect& tile, int64_t mapOffset, bool tiled);

// Threshold of the rating for a marking byte, 1 - v.
float markThreshold(int32_t detectionIntensity, uint8_t markByte);

// Defect flags for every pixel of `contrast`. A null map is neutral (128).
Plane<uint8_t> markDefects(const Plane<float>& contrast, const uint8_t* selection,
                           int32_t selectionRowBytes, int64_t mapOffset, int32_t detectionIntensity,
                           const uint8_t* markingMap, int32_t mapWidth);

int64_t minimumSpeckSize(int32_t tileSize);

// Work done by the labelling scan, for measuring.
struct LabellingStats {
    std::size_t nodes = 0;
    uint64_t parentSteps = 0;  // parent pointers followed in unions and the root table
};

// Clears small components as the literal labelling scan finds them.
void removeSpecks(Plane<uint8_t>& defects, int32_t tileSize, LabellingStats* stats = nullptr);

// Repairs the flagged pixels of an interleaved image in place.
template <typename T>
void dissolveDefects(const Plane<uint8_t>& defects, void* data, int32_t rowBytes,
                     int32_t columnBytes, int32_t channels);

}  // namespace nelvo::reference
