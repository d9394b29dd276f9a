// SPDX-License-Identifier: MIT
// Grey conversion, median, contrast rating and thresholding: fixed cases.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/Detection.h"
#include "engine/Dissolve.h"
#include "engine/reference/Synthetic.h"
#include "tests/engine/TestAllocators.h"

namespace nelvo {
namespace {

using testing::CountingAllocator;
using testing::Image;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

EngineSettings settingsWith(int32_t tileSize, bool dark = true, bool bright = true) {
    EngineSettings s{};
    setDefaults(s);
    s.tileSize = tileSize;
    s.darkDefects = dark;
    s.brightDefects = bright;
    return s;
}

template <typename T>
struct GreyCase {
    int16_t model;
    std::vector<T> values;
    T expected;
};

TEST(GreyTest, IntegerConversions) {
    const GreyCase<uint8_t> cases8[] = {
        {kModelRgb, {10, 20, 31}, 20},  // 61 / 3 = 20.33, truncated
        {kModelHsb, {255, 254, 254}, 254},
        {kModelGrey, {9}, 9},
        {kModelHsl, {1, 2}, 1},
        {kModelNone, {10, 20, 30, 40, 50, 60}, 35},  // every channel of a deep image
        {kModelLab, {77, 1, 250}, 77},
        // ink = (50/255 + 100/255 + 25/255) * (200/255) / 3 = 0.17942, * 255 = 45.75
        {kModelCmyk, {100, 50, 25, 200}, 45},
        {kModelCmyk, {255, 255, 255, 255}, 255},
        {kModelCmyk, {255, 255, 255, 0}, 0},
    };
    for (const auto& c : cases8) {
        EXPECT_EQ(greyValue(c.values.data(), static_cast<int32_t>(c.values.size()), c.model),
                  c.expected)
            << "model " << c.model;
    }
    const GreyCase<uint16_t> cases16[] = {
        {kModelRgb, {32768, 32768, 32768}, 32768},  // white stays white
        {kModelRgb, {1, 2, 2}, 1},
        {kModelLab, {12345, 0, 0}, 12345},
        // ink = 3 * 0.5 * 1 / 3 = 0.5
        {kModelCmyk, {16384, 16384, 16384, 32768}, 16384},
        {kModelCmyk, {32768, 32768, 32768, 32768}, 32768},
    };
    for (const auto& c : cases16) {
        EXPECT_EQ(greyValue(c.values.data(), static_cast<int32_t>(c.values.size()), c.model),
                  c.expected)
            << "model " << c.model;
    }
}

TEST(GreyTest, FloatConversionsAndValuesNoPhotoHas) {
    const float ceiling = std::pow(kFloatSourceCeiling, 5.0f / 9.0f);
    const GreyCase<float> cases[] = {
        {kModelRgb, {1.0f, 1.0f, 1.0f}, 1.0f},
        {kModelRgb, {0.0f, 0.0f, 0.0f}, 0.0f},
        {kModelGrey, {0.5f}, std::pow(0.5f, 5.0f / 9.0f)},
        {kModelRgb, {kNaN, -1.0f, 1.0f}, 1.0f / 3.0f},
        {kModelRgb, {kInf, 0.0f, 0.0f}, ceiling / 3.0f},
        {kModelRgb, {-kInf, -0.0f, kNaN}, 0.0f},
        {kModelLab, {kNaN, 0.3f, 0.3f}, 0.0f},
        {kModelLab, {kInf, 0.0f, 0.0f}, kFloatSourceCeiling},
        {kModelLab, {0.25f, 9.0f, 9.0f}, 0.25f},
        {kModelCmyk, {kInf, 0.0f, 0.0f, 1.0f}, 1.0f},
        {kModelCmyk, {kNaN, kNaN, kNaN, kNaN}, 0.0f},
        {kModelCmyk, {0.3f, 0.3f, 0.3f, 1.0f}, ((0.3f + 0.3f) + 0.3f) * 1.0f / 3.0f},
    };
    for (const auto& c : cases) {
        const float grey =
            greyValue(c.values.data(), static_cast<int32_t>(c.values.size()), c.model);
        EXPECT_TRUE(std::isfinite(grey));
        EXPECT_FALSE(std::signbit(grey));
        EXPECT_FLOAT_EQ(grey, c.expected) << "model " << c.model << " first " << c.values[0];
    }
}

// A plane of `values` rows.
template <typename T>
NelvoBuffer<T> planeOf(const std::vector<std::vector<T>>& rows, PlaneAllocator& allocator) {
    NelvoBuffer<T> plane({static_cast<int32_t>(rows[0].size()), static_cast<int32_t>(rows.size())},
                         allocator);
    for (int32_t y = 0; y < plane.height(); ++y) {
        for (int32_t x = 0; x < plane.width(); ++x) {
            plane.at(y, x) = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
        }
    }
    return plane;
}

TEST(MedianTest, SamplesAreClampedIntoThePlane) {
    HeapPlaneAllocator allocator;
    // At the corner with T = 1 the corner value fills 4 of the 9 samples,
    // (0, 1) and (1, 0) two each and (1, 1) one: 100 x4, 10 x2, 250 x3.
    const auto grey = planeOf<uint8_t>({{100, 10, 7}, {250, 250, 7}, {7, 7, 7}}, allocator);
    EXPECT_EQ(sparseMedian(grey, 1, 0, 0), 100);
    // One pixel wide: every sample comes from column 0, rows y-T, y, y+T.
    const auto column = planeOf<uint8_t>({{5}, {9}, {1}, {8}, {2}}, allocator);
    EXPECT_EQ(sparseMedian(column, 2, 2, 0), 2);   // rows 0, 2, 4: 5, 1, 2
    EXPECT_EQ(sparseMedian(column, 30, 2, 0), 2);  // rows 0, 2, 4 again, clamped
    EXPECT_EQ(sparseMedian(column, 30, 0, 0), 5);  // rows 0, 0, 4: 5, 5, 2
    EXPECT_EQ(sparseMedian(column, 1, 4, 0), 2);   // rows 3, 4, 4: 8, 2, 2
}

TEST(ContrastTest, DarkAndBrightSelectWhichSideIsRated) {
    HeapPlaneAllocator allocator;
    struct Case {
        bool dark, bright;
        uint8_t grey, median;
        bool rated;
    };
    const Case cases[] = {
        {true, false, 50, 60, true},  {true, false, 60, 60, false}, {true, false, 70, 60, false},
        {false, true, 70, 60, true},  {false, true, 60, 60, false}, {false, true, 50, 60, false},
        {true, true, 50, 60, true},   {true, true, 70, 60, true},   {false, false, 50, 60, true},
        {false, false, 70, 60, true},
    };
    for (const Case& c : cases) {
        const auto grey = planeOf<uint8_t>({{c.grey}}, allocator);
        const auto median = planeOf<uint8_t>({{c.median}}, allocator);
        const float rating = contrastRating(grey, median, settingsWith(8, c.dark, c.bright), 0, 0);
        // A one-pixel window has no variance, so a rated pixel gets 0.25 * d.
        const float expected = c.rated ? (0.25f * 10.0f) / 255.0f : 0.0f;
        EXPECT_EQ(rating, expected) << c.dark << c.bright << " " << int{c.grey};
    }
}

TEST(ContrastTest, DifferencesBelowTheThresholdSkipTheWindow) {
    HeapPlaneAllocator allocator;
    // Grey varies a lot around the pixel, so whenever the window statistics
    // run they add a deviation term.
    std::vector<std::vector<uint8_t>> rows(5, std::vector<uint8_t>(5, 0));
    rows[0][0] = 255;
    rows[4][4] = 200;
    for (const uint8_t centre : {uint8_t{101}, uint8_t{102}}) {
        rows[2][2] = centre;
        const auto grey = planeOf(rows, allocator);
        const auto median =
            planeOf(std::vector<std::vector<uint8_t>>(5, std::vector<uint8_t>(5, 100)), allocator);
        const float rating = contrastRating(grey, median, settingsWith(2), 2, 2);
        const float plain = 0.25f * static_cast<float>(centre - 100) / 255.0f;
        if (centre == 101) {
            // Within one grey level: about 0.001, never a defect with a neutral
            // mark below intensity 20.
            EXPECT_EQ(rating, plain);
            EXPECT_GT(markThreshold(19.0f / 20.0f, 128), rating);
        } else {
            EXPECT_GT(rating, plain + 0.1f);
        }
    }
    // 16-bit: the threshold is 514, twice the step of one 8-bit level.
    for (const uint16_t d : {uint16_t{513}, uint16_t{514}}) {
        std::vector<std::vector<uint16_t>> g16(5, std::vector<uint16_t>(5, 0));
        g16[0][0] = 32768;
        g16[2][2] = static_cast<uint16_t>(1000 + d);
        const auto grey = planeOf(g16, allocator);
        const auto median = planeOf(
            std::vector<std::vector<uint16_t>>(5, std::vector<uint16_t>(5, 1000)), allocator);
        const float rating = contrastRating(grey, median, settingsWith(2), 2, 2);
        const float plain = 0.25f * static_cast<float>(d) * (1.0f / 32768.0f);
        EXPECT_EQ(rating == plain, d == 513) << d;
    }
}

TEST(ContrastTest, WindowRadiusIsCappedAt20) {
    HeapPlaneAllocator allocator;
    // A bright ring at Chebyshev distance `ring` from the centre of a dark
    // plane; the median plane is flat. The ring enters the statistics only
    // when it lies inside the window.
    const auto ratingWithRing = [&](int32_t tileSize, int32_t ring) {
        NelvoBuffer<float> grey({61, 61}, allocator);
        NelvoBuffer<float> median({61, 61}, allocator);
        for (int32_t y = 0; y < 61; ++y) {
            for (int32_t x = 0; x < 61; ++x) {
                const int32_t distance = std::max(std::abs(y - 30), std::abs(x - 30));
                grey.at(y, x) = distance == ring ? 1.0f : 0.0f;
                median.at(y, x) = 0.0f;
            }
        }
        grey.at(30, 30) = 0.5f;
        return contrastRating(grey, median, settingsWith(tileSize), 30, 30);
    };
    // Ring 0 is overwritten by the centre: the plane without a ring.
    EXPECT_EQ(ratingWithRing(30, 21), ratingWithRing(30, 0));
    EXPECT_NE(ratingWithRing(30, 20), ratingWithRing(30, 0));
    EXPECT_EQ(ratingWithRing(30, 0), ratingWithRing(20, 0));
    EXPECT_NE(ratingWithRing(19, 0), ratingWithRing(20, 0));
    EXPECT_EQ(ratingWithRing(19, 20), ratingWithRing(19, 0));
}

TEST(DetectTest, WhitePixelOnBlackRatesAtLeastAQuarter) {
    CountingAllocator allocator;
    Image<float> image(3, 3, 3);
    image.fill(0.0f);
    image.setPixel(1, 1, 1.0f);
    Dissolve<float> engine(kModelRgb, 3, allocator);
    engine.setSource(image.data(), image.rowBytes(), image.columnBytes(), {0, 0, 3, 3});
    engine.detect(settingsWith(1), {}, 0, {0, 0, 3, 3}, 0);
    EXPECT_EQ(engine.grey()->at(1, 1), 1.0f);
    EXPECT_EQ(engine.median()->at(1, 1), 0.0f);
    EXPECT_GE(engine.contrast()->at(1, 1), 0.25f);
    EXPECT_LE(engine.contrast()->at(1, 1), 1.0f);
}

TEST(MarkTest, ThresholdTable) {
    struct Row {
        int32_t intensity;
        float thresholds[5];  // marking bytes 0, 127, 128, 200, 255
    };
    const uint8_t bytes[5] = {0, 127, 128, 200, 255};
    const Row table[] = {{1, {1.0f, 0.950196f, 0.946274f, 0.409804f, 0.0f}},
                         {8, {1.0f, 0.601569f, 0.597647f, 0.258824f, 0.0f}},
                         {20, {1.0f, 0.003922f, 0.0f, 0.0f, 0.0f}}};
    for (const Row& row : table) {
        const float k = static_cast<float>(row.intensity) / 20.0f;
        for (int i = 0; i < 5; ++i) {
            const float threshold = markThreshold(k, bytes[i]);
            if (row.thresholds[i] == 0.0f || row.thresholds[i] == 1.0f) {
                EXPECT_EQ(threshold, row.thresholds[i]);
            } else {
                EXPECT_NEAR(threshold, row.thresholds[i], 5e-7f);
            }
        }
    }
}

TEST(MarkTest, RatingMustExceedTheThresholdAndSelectionWins) {
    HeapPlaneAllocator allocator;
    struct Case {
        int32_t intensity;
        uint8_t mark;
        uint8_t selected;
        float above;  // rating minus threshold, in float steps
        uint8_t expected;
    };
    const Case cases[] = {
        {8, 128, 1, 0, 0},  {8, 128, 1, 1, 1},  {8, 128, 1, -1, 0}, {1, 200, 1, 0, 0},
        {1, 200, 1, 1, 1},  {20, 128, 1, 0, 0}, {20, 128, 1, 1, 1}, {20, 255, 1, 1, 1},
        {20, 255, 0, 1, 0}, {3, 0, 1, 0, 0},    {20, 0, 7, 0, 0},   {5, 255, 0, 1, 0},
    };
    for (const Case& c : cases) {
        const float threshold = markThreshold(static_cast<float>(c.intensity) / 20.0f, c.mark);
        float rating = threshold;
        if (c.above > 0) rating = std::nextafter(threshold, 2.0f);
        if (c.above < 0) rating = std::nextafter(threshold, -1.0f);
        NelvoBuffer<float> contrast({1, 1}, allocator);
        contrast.at(0, 0) = rating;
        NelvoBuffer<uint8_t> defects({1, 1}, allocator);
        MarkInputs inputs;
        inputs.selection = &c.selected;
        inputs.selectionRowBytes = 1;
        inputs.detectionIntensity = c.intensity;
        inputs.markingMap = &c.mark;
        inputs.mapWidth = 1;
        markDefectPlane(contrast, defects, {1, 1}, inputs, StageHooks{});
        EXPECT_EQ(defects.at(0, 0), c.expected)
            << "intensity " << c.intensity << " mark " << int{c.mark} << " selected "
            << int{c.selected} << " above " << c.above;
    }
}

}  // namespace
}  // namespace nelvo
