// SPDX-License-Identifier: MIT
// copySource and dissolveDefects: fixed cases and the reference comparison.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/Dissolve.h"
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

// Repairs `image` in place from `flags`; returns the number of passes run.
template <typename T>
int repair(const BytePlane& flags, Image<T>& image) {
    CountingAllocator allocator;
    NelvoBuffer<uint8_t> defects({flags.width, flags.height}, allocator);
    testing::copyInto(flags, defects);
    std::atomic<int> passes{0};
    std::atomic<int> steps{0};
    StageHooks hooks;
    hooks.set(
        {}, [&](int32_t n) { passes += n == kFillSteps ? 1 : 1000; },
        [&](int32_t n) { steps += n; });
    dissolveImage(defects, Interleaved<T>(image.data(), image.rowBytes(), image.columnBytes()),
                  image.channels(), {flags.width, flags.height}, hooks);
    EXPECT_EQ(steps.load(), passes.load() * kFillSteps);
    return passes.load();
}

TEST(DissolveTest, SingleDefectInAFlatAreaTakesItsValueInOnePass) {
    Image<uint8_t> image(9, 9, 3);
    image.fill(100);
    image.setPixel(4, 4, 7);
    BytePlane flags(9, 9);
    flags.at(4, 4) = 1;
    EXPECT_EQ(repair(flags, image), 1);
    for (int32_t c = 0; c < 3; ++c) EXPECT_EQ(image.pixel(4, 4)[c], 100);

    // Without defects there is still one pass, and nothing changes.
    const std::vector<uint8_t> before = image.storage();
    EXPECT_EQ(repair(BytePlane(9, 9), image), 1);
    EXPECT_EQ(image.storage(), before);
}

TEST(DissolveTest, CornerPixelUsesItsFifteenWindowPositions) {
    // v(y, x) = 10y + x; rings around (0, 0): ring 1 holds 1, 10, 11 (weight
    // 9), ring 2 holds 2, 12, 20, 21, 22 (weight 4), ring 3 holds 3, 13, 23,
    // 30, 31, 32, 33 (weight 1): 671 / 54.
    Image<float> image(6, 6, 1);
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 6; ++x) image.pixel(y, x)[0] = static_cast<float>(10 * y + x);
    }
    BytePlane flags(6, 6);
    flags.at(0, 0) = 1;
    repair(flags, image);
    EXPECT_EQ(image.pixel(0, 0)[0], 671.0f / 54.0f);
}

TEST(DissolveTest, IntegerEnginesTruncateTheWeightedMean) {
    // Flat 100 with one ring-2 neighbour at 96: (160 * 100 - 4 * 4) / 160 = 99.9.
    const auto run = [](auto zero) {
        using T = decltype(zero);
        Image<T> image(7, 7, 1);
        image.fill(T{100});
        image.pixel(1, 3)[0] = T{96};
        BytePlane flags(7, 7);
        flags.at(3, 3) = 1;
        repair(flags, image);
        return image.pixel(3, 3)[0];
    };
    EXPECT_EQ(run(uint8_t{}), 99);
    EXPECT_EQ(run(uint16_t{}), 99);
    EXPECT_EQ(run(float{}), 99.9f);
}

TEST(DissolveTest, DefectsFarFromIntactPixels) {
    struct Case {
        int32_t planeSide, squareSide;
        int expectedPasses;
        int expectedUnrepaired;
    };
    const Case cases[] = {
        {9, 9, 10, 81},   // the whole plane: no source anywhere
        {81, 61, 10, 1},  // the centre lies 31 from the nearest intact pixel
        {81, 59, 10, 0},  // the centre lies 30 away: filled in the tenth pass
        {81, 53, 9, 0},
    };
    for (const Case& c : cases) {
        Image<uint8_t> image(c.planeSide, c.planeSide, 1);
        image.fill(100);
        BytePlane flags(c.planeSide, c.planeSide);
        const int32_t first = (c.planeSide - c.squareSide) / 2;
        for (int32_t y = first; y < first + c.squareSide; ++y) {
            for (int32_t x = first; x < first + c.squareSide; ++x) {
                image.pixel(y, x)[0] = 0;
                flags.at(y, x) = 1;
            }
        }
        EXPECT_EQ(repair(flags, image), c.expectedPasses) << c.squareSide;
        int unrepaired = 0;
        for (int32_t y = 0; y < c.planeSide; ++y) {
            for (int32_t x = 0; x < c.planeSide; ++x) {
                unrepaired += image.pixel(y, x)[0] == 0 ? 1 : 0;
                if (image.pixel(y, x)[0] != 0) {
                    EXPECT_EQ(image.pixel(y, x)[0], 100);
                }
            }
        }
        EXPECT_EQ(unrepaired, c.expectedUnrepaired) << c.squareSide;
        if (c.expectedUnrepaired == 1) {
            EXPECT_EQ(image.pixel(40, 40)[0], 0);
        }
    }
}

TEST(DissolveTest, EveryChannelOfADeepImageIsRepaired) {
    // Seven channels with a different flat value each, and one padding value
    // after every pixel that must stay as it is.
    Image<uint16_t> image(8, 6, 7, 1);
    image.fill(4242);
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            for (int32_t c = 0; c < 7; ++c)
                image.pixel(y, x)[c] = static_cast<uint16_t>(1000 * (c + 1));
        }
    }
    BytePlane flags(8, 6);
    for (const auto& [y, x] : {std::pair{2, 3}, std::pair{2, 4}, std::pair{5, 7}}) {
        flags.at(y, x) = 1;
        for (int32_t c = 0; c < 7; ++c) image.pixel(y, x)[c] = 1;
    }
    repair(flags, image);
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            for (int32_t c = 0; c < 7; ++c) EXPECT_EQ(image.pixel(y, x)[c], 1000 * (c + 1));
            EXPECT_EQ(image.pixel(y, x)[7], 4242);
        }
    }
}

TEST(DissolveTest, NeverReadsAcrossTheRegionEdge) {
    // The engine gets the left 6 columns of a larger image whose right part
    // is 200; a defect at the region's right edge is filled from the left
    // only.
    CountingAllocator allocator;
    Image<uint8_t> image(10, 5, 1);
    image.fill(200);
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 6; ++x) image.pixel(y, x)[0] = 100;
    }
    image.pixel(2, 5)[0] = 0;  // a dark speck at the region's edge
    Dissolve<uint8_t> engine(4, 1, allocator);
    engine.setSource(image.data(), image.rowBytes(), image.columnBytes(), {0, 0, 5, 6});
    EngineSettings settings{};
    setDefaults(settings);
    settings.tileSize = 1;
    engine.detect(settings, {}, 6, {0, 0, 5, 6}, 0);
    const std::vector<uint8_t> map(30, 128);
    engine.markDefects(nullptr, 0, {6, 5}, 0, 20, map.data(), 6);
    ASSERT_EQ(engine.defects()->at(2, 5), 1);
    engine.dissolveDefects(image.data(), image.rowBytes(), image.columnBytes(), {6, 5});
    EXPECT_EQ(image.pixel(2, 5)[0], 100);
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 6; x < 10; ++x) EXPECT_EQ(image.pixel(y, x)[0], 200);
    }
}

TEST(CopySourceTest, CopiesTheChannelsOfEveryPixelAndNothingElse) {
    CountingAllocator allocator;
    Rng rng(3);
    Image<float> in(13, 4, 5, 1, 2);
    testing::fillNoise(in, rng, 0.0f, 1.0f);
    Image<float> out(13, 4, 5, 2, 0);
    out.fill(-7.0f);
    Dissolve<float> engine(-1, 5, allocator);
    engine.copySource(in.data(), in.rowBytes(), in.columnBytes(), out.data(), out.rowBytes(),
                      out.columnBytes(), {13, 4});
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 13; ++x) {
            for (int32_t c = 0; c < 5; ++c) EXPECT_EQ(out.pixel(y, x)[c], in.pixel(y, x)[c]);
            EXPECT_EQ(out.pixel(y, x)[5], -7.0f);
            EXPECT_EQ(out.pixel(y, x)[6], -7.0f);
        }
    }
}

template <typename T>
void compareRepairWithReference(int32_t width, int32_t height, int32_t channels, DefectShape shape,
                                Rng& rng, float extremes = 0.0f) {
    SCOPED_TRACE(::testing::Message() << width << "x" << height << " channels " << channels
                                      << " shape " << static_cast<int>(shape));
    Image<T> image(width, height, channels, width % 2, 1);
    testing::fillNoise(image, rng, 0.0f, 1.0f);
    if constexpr (std::is_same_v<T, float>) {
        if (extremes > 0.0f) testing::addExtremeFloats(image, rng, extremes);
    }
    Image<T> expected = image;
    const BytePlane flags = testing::makeDefects(width, height, shape, rng);
    reference::dissolveDefects<T>(testing::toReference(flags), expected.data(), expected.rowBytes(),
                                  expected.columnBytes(), channels);
    repair(flags, image);
    ASSERT_EQ(image.storage().size(), expected.storage().size());
    for (std::size_t i = 0; i < image.storage().size(); ++i) {
        ASSERT_TRUE(testing::sameBits(image.storage()[i], expected.storage()[i]))
            << "element " << i;
    }
}

TEST(DissolveTest, AgreesWithTheReferenceBitForBit) {
    for (const int threads : {1, 2}) {
        const ThreadLimit limit(threads);
        SCOPED_TRACE(::testing::Message() << threads << " threads");
        Rng rng(11);
        compareRepairWithReference<uint8_t>(1, 1, 3, DefectShape::full, rng);
        compareRepairWithReference<uint8_t>(1000, 1, 1, DefectShape::scattered, rng);
        compareRepairWithReference<uint8_t>(1, 300, 4, DefectShape::lines, rng);
        compareRepairWithReference<uint8_t>(120, 90, 3, DefectShape::blobs, rng);
        compareRepairWithReference<uint8_t>(150, 140, 1, DefectShape::bigSquares, rng);
        compareRepairWithReference<uint8_t>(1600, 1250, 3, DefectShape::blobs, rng);
        compareRepairWithReference<uint16_t>(97, 61, 4, DefectShape::dense, rng);
        compareRepairWithReference<uint16_t>(110, 80, 5, DefectShape::staircase, rng);
        compareRepairWithReference<uint16_t>(200, 150, 3, DefectShape::bigSquares, rng);
        compareRepairWithReference<float>(64, 64, 3, DefectShape::lines, rng);
        compareRepairWithReference<float>(90, 70, 6, DefectShape::blobs, rng);
        compareRepairWithReference<float>(160, 120, 1, DefectShape::bigSquares, rng);
        compareRepairWithReference<float>(31, 17, 2, DefectShape::full, rng);
        compareRepairWithReference<float>(90, 70, 3, DefectShape::blobs, rng, 0.03f);
        compareRepairWithReference<float>(64, 64, 1, DefectShape::dense, rng, 0.1f);
    }
}

TEST(DissolveTest, FloatValuesNoImageHasAreNeverRepairSources) {
    // One such value beside a defect in a flat area: the defect takes the
    // flat value, and the value stays where it was and nowhere else.
    const float values[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            1.0e30f,
                            -1.0e30f,
                            65505.0f};
    for (const float value : values) {
        SCOPED_TRACE(value);
        Image<float> image(9, 9, 3);
        image.fill(0.5f);
        image.pixel(4, 5)[1] = value;
        image.setPixel(4, 4, 0.0f);
        BytePlane flags(9, 9);
        flags.at(4, 4) = 1;
        flags.at(3, 4) = 1;
        repair(flags, image);
        for (int32_t y = 0; y < 9; ++y) {
            for (int32_t x = 0; x < 9; ++x) {
                for (int32_t c = 0; c < 3; ++c) {
                    const float got = image.pixel(y, x)[c];
                    if (y == 4 && x == 5 && c == 1) {
                        EXPECT_TRUE(testing::sameBits(got, value));
                    } else {
                        EXPECT_EQ(got, 0.5f) << y << "," << x << "," << c;
                    }
                }
            }
        }
    }

    // A defect made of such values is filled like any other, and a value of
    // the half-float range is an ordinary source.
    Image<float> image(9, 9, 1);
    image.fill(65504.0f);
    image.pixel(4, 4)[0] = std::numeric_limits<float>::infinity();
    BytePlane flags(9, 9);
    flags.at(4, 4) = 1;
    repair(flags, image);
    EXPECT_EQ(image.pixel(4, 4)[0], 65504.0f);
}

TEST(DissolveTest, WritesNoExtremeValueThatWasNotThereBefore) {
    Rng rng(5);
    for (const DefectShape shape : {DefectShape::blobs, DefectShape::dense, DefectShape::lines}) {
        Image<float> image(120, 80, 3);
        testing::fillNoise(image, rng, 0.0f, 1.0f);
        testing::addExtremeFloats(image, rng, 0.05f);
        const Image<float> before = image;
        const BytePlane flags = testing::makeDefects(120, 80, shape, rng);
        repair(flags, image);
        for (int32_t y = 0; y < 80; ++y) {
            for (int32_t x = 0; x < 120; ++x) {
                for (int32_t c = 0; c < 3; ++c) {
                    // An extreme value stays only where it was and was not a
                    // defect; everything else is within the sources' range.
                    const float was = before.pixel(y, x)[c];
                    const float is = image.pixel(y, x)[c];
                    if (flags.at(y, x) == 0 && !(std::fabs(was) <= 65504.0f)) {
                        ASSERT_TRUE(testing::sameBits(is, was)) << y << "," << x;
                    } else {
                        ASSERT_LE(std::fabs(is), 65504.0f) << y << "," << x;
                    }
                }
            }
        }
    }
}

// Repairing area by area, each from a copy of the source with its
// surroundings, gives every pixel its whole-image value; pixels outside the
// areas are left alone.
template <typename T>
void expectAreasMatchTheWholeRepair(DefectShape shape, Rng& rng) {
    SCOPED_TRACE(::testing::Message()
                 << "shape " << static_cast<int>(shape) << ", " << sizeof(T) << "-byte values");
    const int32_t width = 230, height = 170;
    Image<T> in(width, height, 3, 1, 2);
    testing::fillNoise(in, rng, 0.0f, 1.0f);
    const BytePlane flags = testing::makeDefects(width, height, shape, rng);
    Image<T> whole = in;
    repair(flags, whole);

    const FlagRows rows{flags.bytes.data(), width};
    const ConstInterleaved<T> source(in.data(), in.rowBytes(), in.columnBytes());
    Image<T> byArea(width, height, 3, 1, 2);
    std::fill(byArea.storage().begin(), byArea.storage().end(), T{7});
    const Interleaved<T> target(byArea.data(), byArea.rowBytes(), byArea.columnBytes());
    const auto expectPixels = [&](const auto& expected) {
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                for (int32_t c = 0; c < 3; ++c)
                    ASSERT_TRUE(testing::sameBits(byArea.pixel(y, x)[c], expected(y, x, c)))
                        << y << "," << x;
            }
        }
    };
    repairArea(rows, source, target, 3, {width, height}, VRect{60, 70, 110, 160}, StageHooks{});
    expectPixels([&](int32_t y, int32_t x, int32_t c) {
        const bool inside = y >= 60 && y < 110 && x >= 70 && x < 160;
        return inside ? whole.pixel(y, x)[c] : T{7};
    });
    for (int32_t top = 0; top < height; top += 48) {
        for (int32_t left = 0; left < width; left += 64) {
            repairArea(rows, source, target, 3, {width, height},
                       VRect{top, left, top + 48, left + 64}, StageHooks{});
        }
    }
    expectPixels([&](int32_t y, int32_t x, int32_t c) { return whole.pixel(y, x)[c]; });
}

TEST(DissolveTest, RepairedAreasMatchTheWholeRepair) {
    // Shapes filled in one pass, in all ten, and never.
    Rng rng(91);
    for (const DefectShape shape : {DefectShape::scattered, DefectShape::lines,
                                    DefectShape::staircase, DefectShape::bigSquares}) {
        expectAreasMatchTheWholeRepair<uint8_t>(shape, rng);
        expectAreasMatchTheWholeRepair<uint16_t>(shape, rng);
        expectAreasMatchTheWholeRepair<float>(shape, rng);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace nelvo
