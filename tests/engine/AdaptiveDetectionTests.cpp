// SPDX-License-Identifier: MIT
// Adaptive recognition against a literal per-pixel statement of the mode:
// tone-mapped planes by the formula, every median, window deviation and
// 61 x 61 texture mean summed afresh for every pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/AdaptiveDetection.h"
#include "engine/Detection.h"
#include "engine/Dissolve.h"
#include "engine/PixelTraits.h"
#include "engine/ThreadLimit.h"
#include "engine/TileSize.h"
#include "engine/reference/Synthetic.h"
#include "tests/engine/TestAllocators.h"

namespace nelvo {
namespace {

using testing::CountingAllocator;
using testing::Rng;

int32_t clampTo(int64_t v, int32_t size) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, size - 1));
}

std::size_t indexOf(int32_t y, int32_t x, int32_t width) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x);
}

// The adaptive rating of every pixel, written straight from the definition.
template <typename T>
std::vector<float> literalAdaptive(const NelvoBuffer<T>& grey, const EngineSettings& settings) {
    const int32_t w = grey.width();
    const int32_t h = grey.height();
    CountingAllocator allocator;
    const int32_t r = std::min(effectiveTileSize(settings.tileSize), kMaxContrastRadius);
    const int32_t t = effectiveTileSize(settings.tileSize);
    const int64_t n = int64_t{2 * r + 1} * (2 * r + 1);
    std::vector<float> best(indexOf(h, 0, w), 0.0f);
    // Neither polarity asked for: both are rated.
    const bool neither = !settings.darkDefects && !settings.brightDefects;
    for (const Polarity p : {Polarity::dark, Polarity::bright}) {
        if (!neither && (p == Polarity::dark ? !settings.darkDefects : !settings.brightDefects))
            continue;
        NelvoBuffer<T> toned({w, h}, allocator);
        NelvoBuffer<T> median({w, h}, allocator);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) toned.at(y, x) = toneMapped(grey.at(y, x), p);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) median.at(y, x) = sparseMedian(toned, t, y, x);
        EngineSettings one = settings;
        one.darkDefects = p == Polarity::dark;
        one.brightDefects = p == Polarity::bright;
        std::vector<int32_t> s(best.size());
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                int64_t sum = 0, squares = 0;
                for (int32_t wy = y - r; wy <= y + r; ++wy) {
                    for (int32_t wx = x - r; wx <= x + r; ++wx) {
                        const int64_t v = textureLevel(median.at(clampTo(wy, h), clampTo(wx, w)));
                        sum += v;
                        squares += v * v;
                    }
                }
                s[indexOf(y, x, w)] =
                    quantisedDeviation(deviationInLevels(sum, squares, n, textureLevelScale<T>()));
            }
        }
        const int32_t box = kAdaptiveTextureRadius;
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                int64_t sum = 0;
                for (int32_t wy = y - box; wy <= y + box; ++wy)
                    for (int32_t wx = x - box; wx <= x + box; ++wx)
                        sum += s[indexOf(clampTo(wy, h), clampTo(wx, w), w)];
                const float rating =
                    contrastRating(toned, median, one, y, x, adaptiveDifferenceThreshold<T>());
                float& out = best[indexOf(y, x, w)];
                out = std::max(out, rating - textureRise(sum, p));
            }
        }
    }
    return best;
}

template <typename T>
void fillTextured(NelvoBuffer<T>& grey, Rng& rng) {
    // Left half smooth with specks, right half strong texture: the rise
    // differs across the picture, and both polarities have defects.
    for (int32_t y = 0; y < grey.height(); ++y) {
        for (int32_t x = 0; x < grey.width(); ++x) {
            float share = 0.45f + 0.1f * std::sin(0.03f * static_cast<float>(x + y));
            if (x > grey.width() / 2) share += 0.3f * (rng.unit() - 0.5f);
            if (rng.chance(0.01f)) share = rng.chance(0.5f) ? 0.05f : 0.97f;
            grey.at(y, x) = testing::fromShare<T>(share);
        }
    }
}

struct AdaptiveCase {
    int32_t width, height, tileSize;
    bool dark, bright;
    VRect rated;  // empty: the whole plane
};

// Returns how many rated pixels the literal definition finds positive.
template <typename T>
int compareWithLiteral(const AdaptiveCase& c, uint64_t seed) {
    SCOPED_TRACE(::testing::Message()
                 << sizeof(T) << " bytes " << c.width << "x" << c.height << " T " << c.tileSize
                 << " dark " << c.dark << " bright " << c.bright);
    Rng rng(seed);
    CountingAllocator allocator;
    NelvoBuffer<T> grey({c.width, c.height}, allocator);
    fillTextured(grey, rng);
    EngineSettings settings{};
    settings.tileSize = c.tileSize;
    settings.darkDefects = c.dark;
    settings.brightDefects = c.bright;
    settings.adaptiveRecognition = true;
    DetectRegions regions;
    regions.median = {0, 0, c.height, c.width};
    regions.contrast = c.rated.width() > 0 ? c.rated : regions.median;
    const std::vector<float> expected = literalAdaptive(grey, settings);
    int positives = 0;
    for (const DetectPath path : {DetectPath::plain, DetectPath::fast}) {
        for (const int threads : {1, 2}) {
            const ThreadLimit limit(threads);
            NelvoBuffer<T> median({c.width, c.height}, allocator);
            NelvoBuffer<float> contrast({c.width, c.height}, allocator);
            AdaptiveScratch<T> scratch;
            detectAdaptiveOnCpu(grey, median, contrast, regions, settings, scratch, allocator,
                                StageHooks{}, path);
            const VRect& b = regions.contrast;
            for (int32_t y = b.top; y < b.bottom; ++y) {
                for (int32_t x = b.left; x < b.right; ++x) {
                    const float want = std::max(expected[indexOf(y, x, c.width)], 0.0f);
                    positives += want > 0.0f ? 1 : 0;
                    // The plain pass's Welford sums round differently from
                    // the running integer sums: the standard rating's own
                    // tolerance. The texture part is exact.
                    const float tolerance = path == DetectPath::plain ? 0.0f : 1e-5f;
                    EXPECT_LE(std::fabs(contrast.at(y, x) - want), tolerance)
                        << "rating at " << y << "," << x << " path " << static_cast<int>(path)
                        << " threads " << threads;
                    if (::testing::Test::HasFailure()) return positives;
                }
            }
        }
    }
    return positives;
}

TEST(AdaptiveDetectionTest, FastAndPlainPassesMatchTheLiteralDefinition) {
    const AdaptiveCase cases[] = {
        {91, 70, 3, true, true, {}},    // texture box wider; odd width
        {140, 40, 8, true, false, {}},  // dark only
        {140, 40, 8, false, true, {}},  // bright only
        {70, 50, 5, false, false, {}},  // neither: both; a 16-bit difference at the threshold
        {100, 80, 20, true, true, {10, 5, 60, 90}},  // tiled region inside the plane
        {1, 90, 3, true, true, {}},
        {90, 1, 50, true, true, {}},
    };
    uint64_t seed = 7;
    int positives[3] = {0, 0, 0};
    for (const AdaptiveCase& c : cases) {
        positives[0] += compareWithLiteral<uint8_t>(c, ++seed);
        positives[1] += compareWithLiteral<uint16_t>(c, ++seed);
        positives[2] += compareWithLiteral<float>(c, ++seed);
        if (::testing::Test::HasFailure()) return;
    }
    // The pictures must give defects, or the comparison proves little.
    for (const int count : positives) EXPECT_GT(count, 1000);
}

TEST(AdaptiveDetectionTest, ToneMapsKeepTheEndsAndStretchTowardsTheirOwnEnd) {
    EXPECT_EQ(toneMapped<uint8_t>(0, Polarity::dark), 0);
    EXPECT_EQ(toneMapped<uint8_t>(255, Polarity::dark), 255);
    EXPECT_EQ(toneMapped<uint8_t>(0, Polarity::bright), 0);
    EXPECT_EQ(toneMapped<uint8_t>(255, Polarity::bright), 255);
    EXPECT_EQ(toneMapped<uint16_t>(32768, Polarity::bright), 32768);
    // Above the host's white value the 16-bit planes stay at white.
    EXPECT_EQ(toneMapped<uint16_t>(65535, Polarity::dark), 32768);
    // 255 * (10 / 255)^0.7 = 26.4: dark steps are stretched near black, and
    // 255 - 255 * (10 / 255)^0.85 = 238.7 for bright ones near white.
    EXPECT_EQ(toneMapped<uint8_t>(10, Polarity::dark), 26);
    EXPECT_EQ(toneMapped<uint8_t>(245, Polarity::bright), 239);
    EXPECT_EQ(toneMapped<float>(2.0f, Polarity::bright), 1.0f);
}

// The integer engines take the medians of the grey plane once and tone-map
// them, which gives the medians of the tone-mapped plane only if both maps
// never decrease.
template <typename T>
void expectNonDecreasing(Polarity polarity) {
    T previous = toneMapped<T>(0, polarity);
    for (uint32_t v = 1; v <= 65535u; ++v) {
        if (v > PixelTraits<T>::max && sizeof(T) == 1) break;
        const T toned = toneMapped<T>(static_cast<T>(v), polarity);
        ASSERT_LE(previous, toned) << "grey " << v;
        previous = toned;
    }
}

TEST(AdaptiveDetectionTest, ToneMapsNeverDecrease) {
    for (const Polarity p : {Polarity::dark, Polarity::bright}) {
        expectNonDecreasing<uint8_t>(p);
        expectNonDecreasing<uint16_t>(p);
    }
}

// After an adaptive detection the engine's marking reads the intensity two steps
// higher, up to 20; after a standard one it reads it as given. The contrast plane
// is the same either way, so an intensity change needs no new detection.
TEST(AdaptiveDetectionTest, MarkingReadsTheIntensityTwoStepsHigherAfterAnAdaptiveDetection) {
    constexpr int32_t kWidth = 80, kHeight = 50;
    CountingAllocator allocator;
    Rng rng(21);
    NelvoBuffer<uint8_t> picture({kWidth, kHeight}, allocator);
    fillTextured(picture, rng);
    testing::Image<uint8_t> image(kWidth, kHeight, 1);
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) image.setPixel(y, x, picture.at(y, x));
    const VRect rect{0, 0, kHeight, kWidth};
    const PlaneSize size{kWidth, kHeight};
    Dissolve<uint8_t> engine(kModelGrey, 1, allocator);
    engine.setSource(image.data(), image.rowBytes(), image.columnBytes(), rect);
    EngineSettings settings{};
    settings.tileSize = 3;
    settings.darkDefects = settings.brightDefects = true;
    for (const bool adaptive : {true, false}) {
        settings.adaptiveRecognition = adaptive;
        engine.detect(settings, {}, 0, rect, 0);
        int flagged = 0;
        for (const int32_t intensity : {1, 10, 18, 19, 20}) {
            SCOPED_TRACE(::testing::Message()
                         << "adaptive " << adaptive << " intensity " << intensity);
            engine.markDefects(nullptr, 0, size, 0, intensity, nullptr, 0);
            MarkInputs inputs;
            inputs.detectionIntensity = adaptive ? std::min(intensity + 2, 20) : intensity;
            NelvoBuffer<uint8_t> expected(size, allocator);
            markDefectPlane(*engine.contrast(), expected, size, inputs, StageHooks{});
            for (int32_t y = 0; y < kHeight; ++y) {
                for (int32_t x = 0; x < kWidth; ++x) {
                    ASSERT_EQ(engine.defects()->at(y, x), expected.at(y, x)) << y << "," << x;
                    flagged += expected.at(y, x);
                }
            }
        }
        EXPECT_GT(flagged, 0);
    }
}

TEST(AdaptiveDetectionTest, TextureRiseSaturatesAndBrightPlaneIsStricter) {
    const int64_t box = 61 * 61;
    EXPECT_FLOAT_EQ(textureRise(0, Polarity::dark), 0.0f);
    EXPECT_FLOAT_EQ(textureRise(0, Polarity::bright), 0.16f);
    EXPECT_FLOAT_EQ(textureRise(box * 8 * 256, Polarity::dark), 0.175f);
    EXPECT_FLOAT_EQ(textureRise(box * 40 * 256, Polarity::dark), 0.35f);
}

}  // namespace
}  // namespace nelvo
