// SPDX-License-Identifier: MIT
// Defect detection: grey conversion, the sparse median, the contrast rating and
// the thresholding that turns ratings into defect flags.
//
// A defect is a pixel whose grey value differs from the median of the grey
// values one tile size T away and whose neighbourhood varies unlike the
// median's neighbourhood. The rating is 0.25 * d + 0.75 * cd in units of the
// white value, where d = |grey - median| and cd compares the standard
// deviations of grey and median over a window of radius min(T, 20):
// cd = (sdGrey - sdMedian)^2 / (varGrey + varMedian + 1).
#pragma once

#include <cstdint>

#include "engine/ColourModel.h"
#include "engine/Geometry.h"
#include "engine/Interleaved.h"
#include "engine/NelvoBuffer.h"
#include "engine/StageHooks.h"
#include "engine/TileSize.h"
#include "settings/FilterParameters.h"

namespace nelvo {

// Float sources above white are legitimate, but the window statistics square
// grey values and sum up to 41 * 41 of them, which leaves single precision
// near 4e17. Source values are held below this ceiling so that every
// intermediate stays finite.
inline constexpr float kFloatSourceCeiling = 1.0e6f;

// Float source value made safe for the grey conversion: NaN and values below
// zero (the 5/9 power is undefined for them) count as 0, and values above the
// ceiling, infinity included, as the ceiling.
inline float sanitizeSource(float value) {
    if (!(value > 0.0f)) {
        return 0.0f;
    }
    return value < kFloatSourceCeiling ? value : kFloatSourceCeiling;
}

// Contrast window radius cap: the window is at most 41 x 41.
inline constexpr int32_t kMaxContrastRadius = 20;

// Grey value of one interleaved pixel (its `channels` values at `pixel`).
//  CMYK: ink = (c + m + y) * k / 3 over the channels scaled to 0..1, clamped
//    to 0..1 and scaled to the white value. Needs 4 channels; with fewer the
//    pixel is averaged instead, so that nothing past the pixel is read.
//  Lab: the lightness channel.
//  Others: the mean of all channels; the float engine averages value^(5/9)
//    so that sources in 0..1 give greys in 0..1.
template <typename T>
T greyValue(const T* pixel, int32_t channels, int16_t colourModel);

// Grey values of every pixel of `grey`'s extent. Polls before the row loop and
// at the start of each row.
template <typename T>
void loadGrey(const ConstInterleaved<T>& image, int32_t channels, int16_t colourModel,
              NelvoBuffer<T>& grey, const StageHooks& hooks);

// Clips a rectangle against a plane of width x height. A rectangle entirely
// above, below, left or right of the plane gives the empty rectangle; the
// edges may touch without making it empty.
VRect clipToPlane(int64_t top, int64_t left, int64_t bottom, int64_t right, int32_t width,
                  int32_t height);

// The two regions detect writes, in plane coordinates: `median` is the rated
// region grown by the tile size, so that the window statistics of every rated
// pixel find their medians computed.
struct DetectRegions {
    VRect median;
    VRect contrast;
};

// In tiled mode the rated rectangle is `clip`, given in the marking map's
// frame, and the plane sits at (mapOffset / mapWidth, mapOffset % mapWidth) in
// that frame; otherwise it is `tile` in plane coordinates.
DetectRegions detectRegions(const VRect& clip, int32_t mapWidth, const VRect& tile,
                            int64_t mapOffset, bool tiled, int32_t tileSize, PlaneSize planes);

// Median of the 9 grey values at rows y - T, y, y + T and columns x - T, x,
// x + T, coordinates clamped into the plane.
template <typename T>
T sparseMedian(const NelvoBuffer<T>& grey, int32_t tileSize, int32_t y, int32_t x);

// Rating of pixel (y, x) in 0..1; the window statistics are taken where the
// difference reaches `differenceThreshold` (by default the pixel type's).
template <typename T>
float contrastRating(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median,
                     const EngineSettings& settings, int32_t y, int32_t x);
template <typename T>
float contrastRating(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median,
                     const EngineSettings& settings, int32_t y, int32_t x,
                     float differenceThreshold);

// How detectOnCpu computes: `plain` calls sparseMedian and contrastRating for
// every pixel; `fast` uses the kernels of DetectionKernels.h, which give the
// same medians and ratings within 1e-5. The engine runs `fast`; tests compare
// the two.
enum class DetectPath { fast, plain };

// What adaptive recognition asks of the rating pass beyond the standard
// rating: its own difference threshold (0: the pixel type's), and from the
// fast integer path, which has the median window's sums at hand, the
// quantised standard deviation of the medians over each rated pixel's window
// (quantisedDeviation of AdaptiveDetection.h) written into `spread`.
struct RateOptions {
    float differenceThreshold = 0.0f;
    NelvoBuffer<uint16_t>* spread = nullptr;
    float levelScale = 1.0f;
    // With a spread: ratings are written only inside `rated` (empty: the
    // whole region), while the spread covers the whole region.
    VRect rated{};
    // With a spread and one polarity: the ratings of the pixels of that
    // polarity are written negated, and the others' are left as they are,
    // so that a second polarity's ratings can join the first's in one plane.
    bool mergeNegated = false;
};

// The two passes of detectOnCpu: medians over `region`, then ratings over
// `region`, which needs the medians of every rated pixel's window.
template <typename T>
void medianOnCpu(const NelvoBuffer<T>& grey, NelvoBuffer<T>& median, const VRect& region,
                 int32_t tileSize, const StageHooks& hooks, DetectPath path);
template <typename T>
void rateOnCpu(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median,
               NelvoBuffer<float>& contrast, const VRect& region, const EngineSettings& settings,
               const StageHooks& hooks, DetectPath path, const RateOptions& options = {});

// Fills `median` over regions.median and then `contrast` over
// regions.contrast, row-parallel: advance(1) at the start of each row of each
// pass, polls at every column that is a multiple of 64.
template <typename T>
void detectOnCpu(const NelvoBuffer<T>& grey, NelvoBuffer<T>& median, NelvoBuffer<float>& contrast,
                 const DetectRegions& regions, const EngineSettings& settings,
                 const StageHooks& hooks, DetectPath path = DetectPath::fast);

// Threshold a rating must exceed to be a defect, for intensity share
// k = detectionIntensity / 20 and marking byte b: 1 - k for about the neutral
// 128, 1 for 0 (never a defect), 0 for 255 (any positive rating).
float markThreshold(float k, uint8_t markByte);

struct MarkInputs {
    const uint8_t* selection = nullptr;  // may be null: every pixel selected
    int32_t selectionRowBytes = 0;
    int64_t mapOffset = 0;
    int32_t detectionIntensity = 1;
    const uint8_t* markingMap = nullptr;  // null: neutral everywhere
    int32_t mapWidth = 0;
};

// Writes `defects` for every pixel of `size` (0 or 1). Polls every 1024
// columns.
void markDefectPlane(const NelvoBuffer<float>& contrast, NelvoBuffer<uint8_t>& defects,
                     PlaneSize size, const MarkInputs& inputs, const StageHooks& hooks);

}  // namespace nelvo
