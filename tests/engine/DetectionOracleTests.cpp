// SPDX-License-Identifier: MIT
// setSource, detect and markDefects against the reference implementation, on
// random images of every pixel type, colour model and frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>

#include "engine/Dissolve.h"
#include "engine/ThreadLimit.h"
#include "engine/reference/PlaneUtils.h"
#include "engine/reference/ReferenceEngine.h"
#include "engine/reference/Synthetic.h"
#include "tests/engine/TestAllocators.h"

namespace nelvo {
namespace {

using testing::BytePlane;
using testing::CountingAllocator;
using testing::Image;
using testing::Rng;

enum class Picture { noise, specks, extremes };

// Where the rated rectangle comes from.
enum class Frame {
    whole,          // untiled, the tile is the plane
    shifted,        // untiled, a tile rectangle not at the origin: part of the plane is rated
    tiled,          // the tile inside a larger filter rectangle, the clip covers it
    tiledPartClip,  // the same with a clip that covers only part of the tile
};

struct Case {
    int32_t width, height, channels;
    int16_t model;
    int32_t tileSize;
    bool dark, bright;
    Frame frame;
    bool selection, map;
    Picture picture;
    int32_t intensity;
};

// The filter rectangle's origin in the image and the tile's offset in it.
constexpr int32_t kRectTop = 13, kRectLeft = 17, kTileDown = 5, kTileRight = 3;

template <typename T>
Image<T> makePicture(const Case& c, Rng& rng) {
    Image<T> image(c.width, c.height, c.channels, c.width % 2, c.height % 3);
    image.fill(testing::fromShare<T>(0.9f));  // padding
    if (c.picture == Picture::noise) {
        testing::fillNoise(image, rng, 0.0f, 1.0f);
        return image;
    }
    testing::fillSmooth(image);
    testing::addGrain(image, rng, 0.01f);
    const int count = 1 + c.width * c.height / 300;
    testing::addSpecks(image, rng, count, 1, 0.05f);
    testing::addSpecks(image, rng, count, 3, 0.95f);
    testing::addScratch(image, 0, c.width / 3, c.height - 1, c.width / 2, 0.1f);
    if constexpr (std::is_same_v<T, float>) {
        if (c.picture == Picture::extremes) testing::addExtremeFloats(image, rng, 0.02f);
    }
    return image;
}

template <typename T>
void compareWithReference(const Case& c, uint64_t seed, int64_t& flaggedTotal) {
    Rng rng(seed);
    const Image<T> image = makePicture<T>(c, rng);
    const int32_t W = c.width;
    const int32_t H = c.height;

    CountingAllocator allocator;
    Dissolve<T> engine(c.model, static_cast<int16_t>(c.channels), allocator);
    const bool tiled = c.frame == Frame::tiled || c.frame == Frame::tiledPartClip;
    if (tiled) engine.setTiled();

    const VRect region{0, 0, H, W};
    engine.setSource(image.data(), image.rowBytes(), image.columnBytes(), region);
    const auto refGrey = reference::greyPlane<T>(image.data(), image.rowBytes(),
                                                 image.columnBytes(), W, H, c.channels, c.model);
    for (int32_t y = 0; y < H; ++y) {
        for (int32_t x = 0; x < W; ++x) {
            ASSERT_TRUE(testing::sameBits(engine.grey()->at(y, x), refGrey.at(y, x)))
                << "grey at " << y << "," << x;
        }
    }

    // Frames: the map covers a filter rectangle wider and taller than the
    // tile, which sits kTileDown rows and kTileRight columns into it.
    const int32_t mapWidth = W + kTileRight + 4;
    const int64_t mapOffset = tiled ? int64_t{kTileDown} * mapWidth + kTileRight : 0;
    VRect tile = region;
    VRect clip{};
    if (c.frame == Frame::shifted) {
        tile = {std::min(2, H), std::min(3, W), std::min(2, H) + H, std::min(3, W) + W};
    } else if (tiled) {
        tile = {kRectTop + kTileDown, kRectLeft + kTileRight, kRectTop + kTileDown + H,
                kRectLeft + kTileRight + W};
        clip = {kTileDown, kTileRight, kTileDown + H, kTileRight + W};
        if (c.frame == Frame::tiledPartClip) {
            clip = {kTileDown + H / 3, kTileRight - 2, kTileDown + H - H / 4, kTileRight + W / 2};
        }
    }
    const EngineSettings settings = [&] {
        EngineSettings s{};
        setDefaults(s);
        s.tileSize = c.tileSize;
        s.darkDefects = c.dark;
        s.brightDefects = c.bright;
        return s;
    }();
    engine.detect(settings, clip, mapWidth, tile, mapOffset);

    reference::Plane<T> refMedian(W, H);
    reference::Plane<float> refContrast(W, H);
    const auto regions = reference::detect(refGrey, refMedian, refContrast, settings, clip,
                                           mapWidth, tile, mapOffset, tiled);
    for (int32_t y = regions.median.top; y < regions.median.bottom; ++y) {
        for (int32_t x = regions.median.left; x < regions.median.right; ++x) {
            ASSERT_TRUE(testing::sameBits(engine.median()->at(y, x), refMedian.at(y, x)))
                << "median at " << y << "," << x;
        }
    }
    for (int32_t y = regions.contrast.top; y < regions.contrast.bottom; ++y) {
        for (int32_t x = regions.contrast.left; x < regions.contrast.right; ++x) {
            ASSERT_NEAR(engine.contrast()->at(y, x), refContrast.at(y, x), 1e-5f)
                << "contrast at " << y << "," << x;
        }
    }
    const bool wholePlaneRated = regions.contrast.top == 0 && regions.contrast.left == 0 &&
                                 regions.contrast.bottom == H && regions.contrast.right == W;
    if (!wholePlaneRated) {
        // Part of the contrast plane holds nothing; markDefects would read it.
        EXPECT_TRUE(c.frame == Frame::shifted || c.frame == Frame::tiledPartClip);
        return;
    }

    const int32_t mapRows = kTileDown + H + 2;
    const BytePlane map = testing::makeMarkingMap(mapWidth, mapRows, rng);
    const BytePlane selection = testing::makeSelection(W + 5, H, rng);
    const uint8_t* mapData = c.map ? map.bytes.data() : nullptr;
    const uint8_t* selectionData = c.selection ? selection.bytes.data() : nullptr;
    engine.markDefects(selectionData, selection.width, {W, H}, mapOffset, c.intensity, mapData,
                       mapWidth);
    const auto refDefects = reference::markDefects(refContrast, selectionData, selection.width,
                                                   mapOffset, c.intensity, mapData, mapWidth);
    int flagged = 0;
    for (int32_t y = 0; y < H; ++y) {
        for (int32_t x = 0; x < W; ++x) {
            flagged += refDefects.at(y, x);
            if (engine.defects()->at(y, x) == refDefects.at(y, x)) continue;
            const uint8_t mark =
                mapData == nullptr ? uint8_t{128} : mapData[mapOffset + int64_t{y} * mapWidth + x];
            const float threshold = reference::markThreshold(c.intensity, mark);
            ASSERT_LE(std::fabs(refContrast.at(y, x) - threshold), 1e-5f)
                << "flag at " << y << "," << x;
        }
    }
    flaggedTotal += flagged;
}

// Tile sizes 1, 2, 8, 20, 30 and 50; odd extents; every colour model.
const Case kByteCases[] = {
    {1, 1, 3, 0, 1, true, true, Frame::whole, false, false, Picture::noise, 8},
    {1000, 1, 1, 4, 8, true, false, Frame::whole, true, true, Picture::noise, 8},
    {1, 300, 3, 0, 2, false, true, Frame::tiled, false, true, Picture::specks, 12},
    {37, 23, 4, 2, 1, true, true, Frame::tiled, true, true, Picture::specks, 10},
    {130, 70, 3, 0, 8, true, true, Frame::whole, false, true, Picture::specks, 8},
    {70, 50, 3, 3, 20, false, false, Frame::tiledPartClip, false, true, Picture::specks, 8},
    {61, 45, 5, -1, 30, true, true, Frame::shifted, false, false, Picture::noise, 8},
    {45, 40, 2, 4, 50, true, false, Frame::tiled, true, false, Picture::specks, 15},
    {53, 29, 3, 5, 2, false, true, Frame::whole, false, true, Picture::noise, 20},
    {44, 31, 3, 1, 8, true, true, Frame::tiled, false, true, Picture::noise, 1},
};
const Case kShortCases[] = {
    {1, 1, 1, 4, 8, true, true, Frame::tiled, false, true, Picture::noise, 8},
    {90, 60, 3, 0, 8, true, true, Frame::tiled, true, true, Picture::specks, 8},
    {64, 65, 4, 2, 2, true, true, Frame::whole, false, false, Picture::noise, 12},
    {50, 40, 3, 1, 20, false, true, Frame::tiledPartClip, false, true, Picture::specks, 8},
    {1000, 1, 1, 4, 30, true, true, Frame::whole, false, true, Picture::specks, 8},
    {40, 33, 3, 3, 1, true, true, Frame::shifted, false, true, Picture::specks, 8},
};
const Case kFloatCases[] = {
    {1, 1, 3, 0, 1, true, true, Frame::whole, false, true, Picture::noise, 8},
    {80, 60, 3, 0, 8, true, true, Frame::tiled, true, true, Picture::extremes, 8},
    {66, 41, 4, 2, 1, true, true, Frame::whole, false, true, Picture::extremes, 10},
    {40, 40, 3, 3, 50, true, true, Frame::whole, false, false, Picture::specks, 8},
    {33, 70, 6, -1, 2, true, false, Frame::tiledPartClip, false, true, Picture::extremes, 8},
    {1, 200, 1, 4, 20, true, true, Frame::tiled, true, true, Picture::specks, 14},
};

template <typename T, std::size_t N>
void runAll(const Case (&cases)[N]) {
    for (const int threads : {1, 2}) {
        const ThreadLimit limit(threads);
        int64_t flagged = 0;
        for (std::size_t i = 0; i < N; ++i) {
            const Case& c = cases[i];
            SCOPED_TRACE(::testing::Message()
                         << "case " << i << ": " << c.width << "x" << c.height << " channels "
                         << c.channels << " model " << c.model << " T " << c.tileSize << ", "
                         << threads << " threads");
            compareWithReference<T>(c, 1000 + i, flagged);
            if (::testing::Test::HasFatalFailure()) return;
        }
        // The pictures carry dust, so the comparison must have met defects.
        EXPECT_GT(flagged, 20);
    }
}

TEST(DetectionOracleTest, EightBit) {
    runAll<uint8_t>(kByteCases);
}
TEST(DetectionOracleTest, SixteenBit) {
    runAll<uint16_t>(kShortCases);
}
TEST(DetectionOracleTest, Float) {
    runAll<float>(kFloatCases);
}

}  // namespace
}  // namespace nelvo
