// SPDX-License-Identifier: MIT
// Adaptive recognition: an optional detection mode that rates dark and bright
// defects apart, on grey planes tone-mapped towards their own end, and raises
// the threshold where the picture is textured.
//
//  - Dark plane  g_d = M * (g / M)^0.7, rated only where g_d is below its
//    median (and only with dark defects on); bright plane
//    g_b = M - M * ((M - g) / M)^0.85, rated only where g_b is above its
//    median (only with bright defects on). Each is rated as the standard
//    detection rates the grey plane, except that the window statistics are
//    taken only where the difference from the median reaches 8 levels
//    (8-bit scale) instead of 2: grain in flat sky and skin then rates by
//    its small difference alone instead of by its window's unrest.
//  - Texture: s = standard deviation of the plane's medians over the rating's
//    own window, in 8-bit levels; tex = mean of s over a 61 x 61 box. The
//    threshold of a plane rises by 0.35 * min(1, tex / 16), plus 0.16 on the
//    bright plane, where grain and highlights read as bright specks.
//  - The stored rating is the larger over the planes of (rating - rise),
//    never below 0, so the marking stage compares it with the unchanged
//    threshold of intensity and marking byte: marks, eraser and selection act
//    as before, and a change of intensity or marks needs no new detection.
//  - The marking stage reads the intensity two steps higher (at most 20), so
//    that the slider's middle, 10, gives the setting tuned below.
//
// Tuned on the development set (synthetic dust, hairs and scratches on seven
// photographs), dark and bright defects, tile size 3, intensity 10: against
// the standard rating at its best single setting (intensity 8), 8-bit F1
// within 1 pixel 0.33 -> 0.41, collateral 0.25 % -> 0.08 %, and no picture
// loses more detail than there; 16-bit alike.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>

#include "engine/Detection.h"
#include "engine/NelvoBuffer.h"
#include "engine/PlaneAllocator.h"
#include "engine/StageHooks.h"
#include "settings/FilterParameters.h"

namespace nelvo {

inline constexpr float kAdaptiveDarkGamma = 0.7f;
inline constexpr float kAdaptiveBrightGamma = 0.85f;
inline constexpr float kAdaptiveTextureRise = 0.35f;
inline constexpr float kAdaptiveBrightRise = 0.16f;
inline constexpr float kAdaptiveDifferenceLevels = 8.0f;  // 8-bit levels
inline constexpr int32_t kAdaptiveIntensityShift = 2;
inline constexpr int32_t kAdaptiveTextureRadius = 30;  // 61 x 61 box

enum class Polarity { dark, bright };

// Difference from the median, in the pixel type's units, from which a pixel
// of a tone-mapped plane gets the window statistics.
template <typename T>
float adaptiveDifferenceThreshold();

// The detection intensity the marking stage uses in this mode.
inline int32_t adaptiveIntensity(int32_t detectionIntensity) {
    return std::min(detectionIntensity + kAdaptiveIntensityShift, 20);
}

// The tone-mapped grey value of one polarity.
template <typename T>
T toneMapped(T grey, Polarity polarity);

// Median value as a whole number for the texture's exact integer sums: the
// value itself for 8 and 16 bit; for float, min(value, 16) in 1/65536 steps.
template <typename T>
int64_t textureLevel(T median);

// 8-bit levels per texture level.
template <typename T>
float textureLevelScale();

// Standard deviation, in 8-bit levels, of n texture levels from their exact
// sum and sum of squares: (n * squares - sum^2) exactly, times 1 / n^2 in
// double precision, then the root in single precision.
float deviationInLevels(int64_t sum, int64_t squares, int64_t n, float levelScale);

// Deviations are held in 1/256 level (truncated) and at most 255 levels (a
// texture mean of 16 levels already gives the whole rise), so that they fit
// 16 bits and a 61 x 61 box of them sums exactly in 32 bits.
inline constexpr int32_t kDeviationSteps = 256;
inline constexpr float kAdaptiveTextureScale = 16.0f;  // 8-bit levels
inline constexpr float kDeviationCap = 255.0f;

inline uint16_t quantisedDeviation(float deviation) {
    const float capped = deviation < kDeviationCap ? deviation : kDeviationCap;
    return static_cast<uint16_t>(capped * static_cast<float>(kDeviationSteps));
}

// Threshold rise for the sum `boxSum` of the 61 x 61 quantised deviations
// around a pixel: with tex their mean in levels, 0.35 * min(1, tex / 16), plus
// 0.05 on the bright plane. The minimum is taken on the whole-number sum (the
// sum at which tex reaches 16), then tex / 16 is the sum times one constant.
inline constexpr int32_t kTextureFullSum = (2 * kAdaptiveTextureRadius + 1) *
                                           (2 * kAdaptiveTextureRadius + 1) * kDeviationSteps *
                                           static_cast<int32_t>(kAdaptiveTextureScale);
inline constexpr float kTextureShareScale = 1.0f / static_cast<float>(kTextureFullSum);

inline float textureRiseOfSum(int32_t boxSum, float brightRise) {
    const int32_t capped = boxSum < kTextureFullSum ? boxSum : kTextureFullSum;
    return kAdaptiveTextureRise * (static_cast<float>(capped) * kTextureShareScale) + brightRise;
}

inline float textureRise(int64_t boxSum, Polarity polarity) {
    const auto sum = static_cast<int32_t>(std::min<int64_t>(boxSum, kTextureFullSum));
    return textureRiseOfSum(sum, polarity == Polarity::bright ? kAdaptiveBrightRise : 0.0f);
}

// Planes adaptive recognition works in besides the engine's, kept from one
// detection to the next so that a repeated detection (the preview's, a
// tiled run's) allocates and touches no new memory.
template <typename T>
struct AdaptiveScratch {
    std::unique_ptr<NelvoBuffer<T>> toned;       // one polarity's grey plane
    std::unique_ptr<NelvoBuffer<float>> rating;  // its rating, when not rated in place
    std::unique_ptr<NelvoBuffer<uint16_t>> spread;
    // The bright plane's deviations beside the dark one's, when both
    // polarities are rated in place.
    std::unique_ptr<NelvoBuffer<uint16_t>> brightSpread;

    // Makes the planes `extent` large unless they are; the rating and the
    // bright deviations only when asked for (and kept once made).
    void fit(const PlaneSize& extent, PlaneAllocator& allocator, bool withRating,
             bool withBrightSpread);
    void release();
};

// Fills `contrast` over regions.contrast with the adaptive rating. `median`
// takes the medians of each tone-mapped plane in turn (on return the last
// one's). `path` chooses the plain
// per-pixel loops or the running sums, as for detectOnCpu.
template <typename T>
void detectAdaptiveOnCpu(const NelvoBuffer<T>& grey, NelvoBuffer<T>& median,
                         NelvoBuffer<float>& contrast, const DetectRegions& regions,
                         const EngineSettings& settings, AdaptiveScratch<T>& scratch,
                         PlaneAllocator& allocator, const StageHooks& hooks,
                         DetectPath path = DetectPath::fast);

}  // namespace nelvo
