// SPDX-License-Identifier: MIT
// The engine's fast kernels against its plain per-pixel ones: the median
// network, the running window sums of the contrast, packed grey rows, runs of
// one marking byte and the repair's pending lists, on pictures made to be
// hard for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/Detection.h"
#include "engine/DetectionKernels.h"
#include "engine/Repair.h"
#include "engine/ThreadLimit.h"
#include "engine/reference/PlaneUtils.h"
#include "engine/reference/ReferenceEngine.h"
#include "engine/reference/Synthetic.h"
#include "tests/engine/TestAllocators.h"

namespace nelvo {
namespace {

using testing::BytePlane;
using testing::CountingAllocator;
using testing::DefectShape;
using testing::Image;
using testing::Rng;

TEST(MedianNetworkTest, AgreesWithSelectionOnEveryZeroOnePatternAndOnTies) {
    // A comparator network that sorts every 0/1 input sorts every input (the
    // 0-1 principle), so the 512 patterns prove the network.
    for (int bits = 0; bits < 512; ++bits) {
        uint8_t v[9];
        int ones = 0;
        for (int i = 0; i < 9; ++i) {
            v[i] = static_cast<uint8_t>((bits >> i) & 1);
            ones += v[i];
        }
        const uint8_t expected = ones >= 5 ? 1 : 0;
        ASSERT_EQ(medianOfNine(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]), expected)
            << bits;
    }
    Rng rng(3);
    for (int i = 0; i < 20000; ++i) {
        float v[9];
        for (float& f : v) f = static_cast<float>(rng.between(0, 4)) * 0.25f;
        float sorted[9];
        std::copy(v, v + 9, sorted);
        std::sort(sorted, sorted + 9);
        ASSERT_TRUE(testing::sameBits(
            medianOfNine(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]), sorted[4]));
    }
}

TEST(MedianNetworkTest, SixteenBitRowsOverTheWholeRange) {
    // The 16-bit row flips the top bit to use signed vector compares; values
    // on both sides of 32768 must keep their order.
    CountingAllocator allocator;
    NelvoBuffer<uint16_t> grey({70, 9}, allocator);
    Rng rng(5);
    const uint16_t edges[] = {0, 1, 32767, 32768, 32769, 65534, 65535};
    for (int32_t y = 0; y < 9; ++y) {
        for (int32_t x = 0; x < 70; ++x) {
            grey.at(y, x) = rng.chance(0.5f) ? edges[rng.between(0, 6)]
                                             : static_cast<uint16_t>(rng.between(0, 65535));
        }
    }
    std::vector<uint16_t> row(70);
    for (const int32_t tileSize : {1, 3, 40}) {
        for (int32_t y = 0; y < 9; ++y) {
            medianRow(grey, tileSize, y, 0, 70, row.data());
            for (int32_t x = 0; x < 70; ++x) {
                ASSERT_EQ(row[static_cast<std::size_t>(x)], sparseMedian(grey, tileSize, y, x))
                    << "T " << tileSize << " at " << y << "," << x;
            }
        }
    }
}

enum class Fill { noise, grain, extremes };

template <typename T>
void fillPlane(NelvoBuffer<T>& plane, Fill fill, Rng& rng) {
    for (int32_t y = 0; y < plane.height(); ++y) {
        for (int32_t x = 0; x < plane.width(); ++x) {
            float share = rng.unit();
            if (fill == Fill::grain) {
                share = 0.5f + 0.2f * std::sin(0.05f * static_cast<float>(x + 2 * y)) +
                        0.02f * (rng.unit() - 0.5f);
            }
            T value = testing::fromShare<T>(share);
            if constexpr (std::is_same_v<T, float>) {
                // Grey values of sources far above white: up to 1e6^(5/9).
                if (fill == Fill::extremes && rng.chance(0.03f)) {
                    value = static_cast<float>(rng.between(1, 2154));
                }
            }
            plane.at(y, x) = value;
        }
    }
}

struct DetectCase {
    int32_t width, height, tileSize;
    bool dark, bright;
    Fill fill;
    VRect contrastRegion;  // empty: the whole plane
};

template <typename T>
void compareDetectPaths(const DetectCase& c, uint64_t seed) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " T " << c.tileSize
                                      << " fill " << static_cast<int>(c.fill));
    Rng rng(seed);
    CountingAllocator allocator;
    NelvoBuffer<T> grey({c.width, c.height}, allocator);
    fillPlane(grey, c.fill, rng);
    EngineSettings settings{};
    setDefaults(settings);
    settings.tileSize = c.tileSize;
    settings.darkDefects = c.dark;
    settings.brightDefects = c.bright;
    DetectRegions regions;
    regions.median = {0, 0, c.height, c.width};
    regions.contrast = c.contrastRegion.width() > 0 ? c.contrastRegion : regions.median;

    NelvoBuffer<T> plainMedian({c.width, c.height}, allocator);
    NelvoBuffer<float> plainContrast({c.width, c.height}, allocator);
    detectOnCpu(grey, plainMedian, plainContrast, regions, settings, StageHooks{},
                DetectPath::plain);
    for (const int threads : {1, 2}) {
        const ThreadLimit limit(threads);
        NelvoBuffer<T> median({c.width, c.height}, allocator);
        NelvoBuffer<float> contrast({c.width, c.height}, allocator);
        detectOnCpu(grey, median, contrast, regions, settings, StageHooks{}, DetectPath::fast);
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                ASSERT_TRUE(testing::sameBits(median.at(y, x), plainMedian.at(y, x)))
                    << "median at " << y << "," << x;
            }
        }
        const VRect& b = regions.contrast;
        for (int32_t y = b.top; y < b.bottom; ++y) {
            for (int32_t x = b.left; x < b.right; ++x) {
                const float difference = std::fabs(contrast.at(y, x) - plainContrast.at(y, x));
                ASSERT_LE(difference, 1e-5f) << "contrast at " << y << "," << x;
            }
        }
    }
}

TEST(FastDetectTest, AgreesWithThePlainPassOnEveryPixelType) {
    const DetectCase cases[] = {
        {300, 200, 1, true, true, Fill::noise, {}},
        {300, 200, 8, true, false, Fill::grain, {}},
        {300, 200, 20, false, true, Fill::noise, {}},
        {300, 200, 50, true, true, Fill::noise, {}},
        {257, 131, 20, true, true, Fill::grain, {}},
        {60, 300, 30, true, true, Fill::noise, {20, 5, 290, 41}},
        {1, 150, 8, true, true, Fill::noise, {}},
        {150, 1, 3, true, true, Fill::noise, {}},
    };
    uint64_t seed = 40;
    for (const DetectCase& c : cases) {
        compareDetectPaths<uint8_t>(c, ++seed);
        compareDetectPaths<uint16_t>(c, ++seed);
        compareDetectPaths<float>(c, ++seed);
        if (::testing::Test::HasFatalFailure()) return;
    }
    for (const int32_t tileSize : {1, 8, 20}) {
        compareDetectPaths<float>({200, 150, tileSize, true, true, Fill::extremes, {}}, ++seed);
    }
}

// Repairs a copy of `image` from `flags` by one path; returns the image and
// the number of passes the progress hooks saw.
template <typename T>
std::pair<Image<T>, int> repaired(const Image<T>& image, const BytePlane& flags, RepairPath path) {
    CountingAllocator allocator;
    NelvoBuffer<uint8_t> defects({flags.width, flags.height}, allocator);
    testing::copyInto(flags, defects);
    Image<T> out = image;
    int passes = 0;
    StageHooks hooks;
    hooks.set({}, [&](int32_t) { ++passes; }, {});
    dissolveImage(defects, Interleaved<T>(out.data(), out.rowBytes(), out.columnBytes()),
                  out.channels(), {flags.width, flags.height}, hooks, path);
    return {std::move(out), passes};
}

template <typename T>
void compareRepairPaths(int32_t width, int32_t height, int32_t channels, DefectShape shape,
                        Rng& rng) {
    SCOPED_TRACE(::testing::Message() << width << "x" << height << " channels " << channels
                                      << " shape " << static_cast<int>(shape));
    Image<T> image(width, height, channels, 1, 2);
    testing::fillNoise(image, rng, 0.0f, 1.0f);
    if constexpr (std::is_same_v<T, float>) testing::addExtremeFloats(image, rng, 0.02f);
    const BytePlane flags = testing::makeDefects(width, height, shape, rng);
    const auto [plain, plainPasses] = repaired(image, flags, RepairPath::plain);
    for (const int threads : {1, 2}) {
        const ThreadLimit limit(threads);
        const auto [fast, fastPasses] = repaired(image, flags, RepairPath::fast);
        EXPECT_EQ(fastPasses, plainPasses);
        ASSERT_EQ(fast.storage().size(), plain.storage().size());
        for (std::size_t i = 0; i < fast.storage().size(); ++i) {
            ASSERT_TRUE(testing::sameBits(fast.storage()[i], plain.storage()[i]))
                << "element " << i << ", " << threads << " threads";
        }
    }
}

TEST(FastRepairTest, AgreesWithThePlainRepairOnEveryShape) {
    // Shapes that need from one to all ten passes, rows with no defect and
    // rows that are all defect, and a row narrower than a word of flags.
    Rng rng(77);
    const DefectShape shapes[] = {DefectShape::scattered, DefectShape::blobs, DefectShape::lines,
                                  DefectShape::staircase, DefectShape::dense, DefectShape::full,
                                  DefectShape::bigSquares};
    for (const DefectShape shape : shapes) {
        compareRepairPaths<uint8_t>(230, 170, 3, shape, rng);
        compareRepairPaths<uint16_t>(97, 64, 4, shape, rng);
        compareRepairPaths<float>(150, 90, 1, shape, rng);
        compareRepairPaths<uint8_t>(7, 40, 2, shape, rng);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

TEST(FastGreyTest, PackedRowsAgreeWithThePixelByPixelConversion) {
    // Integer sums divided in integers against greyValue's single-precision
    // division, over the whole range of each type (16-bit up to 65535).
    const auto check = [](auto zero, int32_t channels, int64_t top) {
        using T = decltype(zero);
        Rng rng(static_cast<uint64_t>(channels * 100 + static_cast<int32_t>(sizeof(T))));
        constexpr int32_t kWidth = 301;
        Image<T> image(kWidth, 2, channels);
        for (int32_t x = 0; x < kWidth; ++x) {
            for (int32_t c = 0; c < channels; ++c) {
                const int64_t v = x < 4 ? (x % 2 == 0 ? top : 0) : rng.between(0, top);
                image.pixel(0, x)[c] = static_cast<T>(v);
                image.pixel(1, x)[c] = static_cast<T>(top - v);
            }
        }
        CountingAllocator allocator;
        NelvoBuffer<T> grey({kWidth, 2}, allocator);
        loadGrey(ConstInterleaved<T>(image.data(), image.rowBytes(), image.columnBytes()), channels,
                 kModelRgb, grey, StageHooks{});
        for (int32_t y = 0; y < 2; ++y) {
            for (int32_t x = 0; x < kWidth; ++x) {
                ASSERT_EQ(grey.at(y, x), greyValue(image.pixel(y, x), channels, kModelRgb))
                    << channels << " channels at " << y << "," << x;
            }
        }
    };
    for (const int32_t channels : {1, 3, 4}) {
        check(uint8_t{}, channels, 255);
        check(uint16_t{}, channels, 65535);
    }
}

TEST(FastMarkTest, RunsOfOneMarkingByteAgreeWithTheReference) {
    // A map painted in patches, so that some 64-column runs hold one byte and
    // others change inside; with and without a selection.
    Rng rng(9);
    constexpr int32_t kWidth = 333, kHeight = 40;
    CountingAllocator allocator;
    NelvoBuffer<float> contrast({kWidth, kHeight}, allocator);
    reference::Plane<float> ratings(kWidth, kHeight);
    BytePlane map(kWidth + 7, kHeight + 2);
    for (int32_t y = 0; y < map.height; ++y) {
        for (int32_t x = 0; x < map.width; ++x) {
            map.at(y, x) = static_cast<uint8_t>((x / 50 + y / 7) % 3 == 0 ? 128 : (x / 50) * 40);
        }
    }
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            ratings.at(y, x) = contrast.at(y, x) = rng.unit();
        }
    }
    const BytePlane selection = testing::makeSelection(kWidth, kHeight, rng);
    const int64_t mapOffset = int64_t{map.width} + 3;
    for (const bool selected : {false, true}) {
        NelvoBuffer<uint8_t> defects({kWidth, kHeight}, allocator);
        MarkInputs inputs;
        inputs.selection = selected ? selection.bytes.data() : nullptr;
        inputs.selectionRowBytes = kWidth;
        inputs.mapOffset = mapOffset;
        inputs.detectionIntensity = 9;
        inputs.markingMap = map.bytes.data();
        inputs.mapWidth = map.width;
        markDefectPlane(contrast, defects, {kWidth, kHeight}, inputs, StageHooks{});
        const auto expected = reference::markDefects(ratings, inputs.selection, kWidth, mapOffset,
                                                     9, map.bytes.data(), map.width);
        for (int32_t y = 0; y < kHeight; ++y) {
            for (int32_t x = 0; x < kWidth; ++x) {
                ASSERT_EQ(defects.at(y, x), expected.at(y, x)) << y << "," << x;
            }
        }
    }
}

}  // namespace
}  // namespace nelvo
