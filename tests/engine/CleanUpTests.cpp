// SPDX-License-Identifier: MIT
// Speck removal and the defect overlay export.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "engine/CleanUp.h"
#include "engine/reference/PlaneUtils.h"
#include "engine/reference/ReferenceEngine.h"
#include "engine/reference/Synthetic.h"
#include "tests/engine/TestAllocators.h"

namespace nelvo {
namespace {

using testing::BytePlane;
using testing::CountingAllocator;
using testing::DefectShape;
using testing::FailingAllocator;
using testing::Rng;

BytePlane removeSpecksOn(const BytePlane& input, int32_t tileSize) {
    CountingAllocator allocator;
    NelvoBuffer<uint8_t> defects({input.width, input.height}, allocator);
    testing::copyInto(input, defects);
    removeSpecks(defects, {input.width, input.height}, tileSize, allocator);
    BytePlane out(input.width, input.height);
    for (int32_t y = 0; y < input.height; ++y) {
        for (int32_t x = 0; x < input.width; ++x) out.at(y, x) = defects.at(y, x);
    }
    EXPECT_EQ(allocator.live, 1);  // the label plane went back
    return out;
}

TEST(RemoveSpecksTest, MinimumSizeTable) {
    const std::pair<int32_t, int64_t> table[] = {{1, 1},  {2, 1},  {3, 2},   {5, 3},   {8, 4},
                                                 {10, 5}, {20, 9}, {50, 21}, {100, 41}};
    for (const auto& [tileSize, expected] : table) {
        EXPECT_EQ(minimumSpeckSize(tileSize), expected) << "tile size " << tileSize;
        EXPECT_EQ(reference::minimumSpeckSize(tileSize), expected) << "tile size " << tileSize;
    }
}

TEST(RemoveSpecksTest, ComponentShapes) {
    struct Case {
        const char* name;
        int32_t tileSize;
        std::vector<std::string> before;
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {"single pixels go at tile size 1", 1, {"#...", "...#", ".#.."}, {"....", "....", "...."}},
        {"pairs stay at tile size 1, diagonal ones too",
         1,
         {"##..#", ".....", "..#..", ".#...", "....#", "...#."},
         {"##...", ".....", "..#..", ".#...", "....#", "...#."}},
        {"4 pixels go and a 5-pixel cross stays at tile size 8",
         8,
         {"##....#..", "##...###.", "......#.."},
         {"......#..", ".....###.", "......#.."}},
        {"a U whose arms meet at the bottom is one component",
         8,
         {"#...#", "#...#", "#####", "....."},
         {"#...#", "#...#", "#####", "....."}},
        {"arms of a U seen apart would each be small",
         8,
         {"#...#", "#...#", "....."},
         {".....", ".....", "....."}},
        {"an N joined at its up-right corners",
         8,
         {"..#.#", ".#..#", "#.##.", "....."},
         {"..#.#", ".#..#", "#.##.", "....."}},
        {"a plane without flags", 8, {"....", "...."}, {"....", "...."}},
        {"one row", 2, {"#.##.#.###"}, {"..##...###"}},
    };
    for (const Case& c : cases) {
        const BytePlane result = removeSpecksOn(testing::planeFromArt(c.before), c.tileSize);
        EXPECT_EQ(result.bytes, testing::planeFromArt(c.after).bytes) << c.name;
    }
}

TEST(RemoveSpecksTest, AgreesWithTheReferenceOnManyShapes) {
    struct Case {
        int32_t width, height;
        DefectShape shape;
        int32_t tileSize;
    };
    const Case cases[] = {
        {1, 1, DefectShape::full, 1},
        {1, 1, DefectShape::full, 0},
        {1000, 1, DefectShape::scattered, 1},
        {1, 700, DefectShape::dense, 2},
        {97, 61, DefectShape::scattered, 1},
        {97, 61, DefectShape::blobs, 8},
        {128, 96, DefectShape::lines, 3},
        {128, 96, DefectShape::dense, 8},
        {150, 150, DefectShape::staircase, 5},
        {60, 40, DefectShape::full, 100},
        {200, 120, DefectShape::bigSquares, 50},
        {1600, 1250, DefectShape::blobs, 8},
    };
    Rng rng(7);
    for (const Case& c : cases) {
        const BytePlane input = testing::makeDefects(c.width, c.height, c.shape, rng);
        auto expected = testing::toReference(input);
        reference::removeSpecks(expected, c.tileSize);
        const BytePlane result = removeSpecksOn(input, c.tileSize);
        EXPECT_EQ(result.bytes, expected.values)
            << c.width << "x" << c.height << " shape " << static_cast<int>(c.shape) << " tile size "
            << c.tileSize;
    }
}

TEST(RemoveSpecksTest, LabelPlaneRefusalChangesNothing) {
    const BytePlane input = testing::planeFromArt({"#..", "...", "..#"});
    FailingAllocator allocator;
    NelvoBuffer<uint8_t> defects({3, 3}, allocator);
    testing::copyInto(input, defects);
    allocator.failAt = allocator.calls + 1;
    EXPECT_THROW(removeSpecks(defects, {3, 3}, 1, allocator), std::bad_alloc);
    EXPECT_EQ(defects.at(0, 0), 1);
    EXPECT_EQ(defects.at(2, 2), 1);
}

TEST(ExportDefectsTest, WritesExactlyTheWidthOfEachRow) {
    CountingAllocator allocator;
    const BytePlane flags = testing::planeFromArt({"#..#.", ".....", "#####"});
    NelvoBuffer<uint8_t> defects({5, 3}, allocator);
    testing::copyInto(flags, defects);
    constexpr int32_t kStride = 8;
    std::vector<uint8_t> out(3 * kStride, 0x5A);
    exportDefectPlane(defects, out.data(), kStride, {5, 3}, StageHooks{});
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < kStride; ++x) {
            const uint8_t expected = x >= 5 ? 0x5A : (flags.at(y, x) != 0 ? 255 : 0);
            EXPECT_EQ(out[static_cast<std::size_t>(y * kStride + x)], expected) << y << "," << x;
        }
    }
}

}  // namespace
}  // namespace nelvo
