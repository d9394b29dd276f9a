// SPDX-License-Identifier: MIT
// All stages in order on images in memory: dust on a smooth picture is found
// and dissolved, in one piece and tile by tile, and the results do not depend
// on the number of threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/Dissolve.h"
#include "engine/ThreadLimit.h"
#include "engine/reference/PlaneUtils.h"
#include "engine/reference/Synthetic.h"
#include "tests/engine/TestAllocators.h"

namespace nelvo {
namespace {

using testing::BytePlane;
using testing::CountingAllocator;
using testing::Image;
using testing::Rng;

EngineSettings dustSettings() {
    EngineSettings s{};
    setDefaults(s);
    s.darkDefects = true;
    s.brightDefects = true;
    s.detectionIntensity = 14;
    s.tileSize = 8;
    return s;
}

// A smooth picture with grain, 3 x 3 dark and bright specks and a dark
// scratch, all well inside 64 x 64 tiles counted from (top, left).
struct DustyPicture {
    DustyPicture(int32_t width, int32_t height, int32_t top, int32_t left)
        : clean(width, height, 3), dusty(width, height, 3), dust(width, height) {
        Rng rng(21);
        testing::fillSmooth(clean);
        testing::addGrain(clean, rng, 0.004f);
        dusty = clean;
        for (int32_t ty = top; ty + 64 <= height; ty += 64) {
            for (int32_t tx = left; tx + 64 <= width; tx += 64) {
                const int32_t y = ty + 20 + (tx / 64 % 3) * 9;
                const int32_t x = tx + 18 + (ty / 64 % 2) * 14;
                const uint8_t value = (ty / 64 + tx / 64) % 2 == 0 ? 12 : 245;
                for (int32_t dy = 0; dy < 3; ++dy) {
                    for (int32_t dx = 0; dx < 3; ++dx) mark(y + dy, x + dx, value);
                }
            }
        }
        for (int32_t i = 0; i < 40; ++i) mark(top + 70 + i, left + 140 + i / 4, 20);
    }

    void mark(int32_t y, int32_t x, uint8_t value) {
        dusty.setPixel(y, x, value);
        dust.at(y, x) = 1;
    }

    // Chebyshev distance from (y, x) to the nearest dust pixel, up to `limit`.
    int32_t distanceToDust(int32_t y, int32_t x, int32_t limit) const {
        for (int32_t d = 0; d < limit; ++d) {
            for (int32_t yy = std::max(y - d, 0); yy <= std::min(y + d, dust.height - 1); ++yy) {
                for (int32_t xx = std::max(x - d, 0); xx <= std::min(x + d, dust.width - 1); ++xx) {
                    if (dust.at(yy, xx) != 0) return d;
                }
            }
        }
        return limit;
    }

    Image<uint8_t> clean;
    Image<uint8_t> dusty;
    BytePlane dust;
};

// Checks a repaired picture: every dust pixel close to the clean picture, and
// every pixel more than one tile size from dust untouched.
void expectDustDissolved(const DustyPicture& picture, const Image<uint8_t>& repaired,
                         const std::vector<uint8_t>& flags) {
    int64_t dustPixels = 0;
    for (int32_t y = 0; y < repaired.height(); ++y) {
        for (int32_t x = 0; x < repaired.width(); ++x) {
            const std::size_t i =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(repaired.width()) +
                static_cast<std::size_t>(x);
            const int32_t distance = picture.distanceToDust(y, x, 9);
            for (int32_t c = 0; c < 3; ++c) {
                const int clean = picture.clean.pixel(y, x)[c];
                const int got = repaired.pixel(y, x)[c];
                if (distance == 0) {
                    EXPECT_LE(std::abs(got - clean), 4) << y << "," << x;
                } else if (distance > 8) {
                    EXPECT_EQ(got, clean) << y << "," << x;
                }
            }
            if (distance == 0) {
                ++dustPixels;
                EXPECT_EQ(flags[i], 1) << "dust not found at " << y << "," << x;
            } else if (distance > 8) {
                EXPECT_EQ(flags[i], 0) << "clean pixel flagged at " << y << "," << x;
            }
        }
    }
    EXPECT_GT(dustPixels, 100);
}

TEST(EndToEndTest, DustOnASmoothPictureIsDissolvedInOnePiece) {
    const DustyPicture picture(256, 192, 0, 0);
    CountingAllocator allocator;
    const auto engine = createFilter(0, 3, 8, allocator);
    const Image<uint8_t>& in = picture.dusty;
    Image<uint8_t> out(in.width(), in.height(), 3);
    const VRect rect{0, 0, in.height(), in.width()};
    const PlaneSize size{in.width(), in.height()};
    const EngineSettings settings = dustSettings();
    const std::vector<uint8_t> map(static_cast<std::size_t>(size.width * size.height), 128);
    std::vector<uint8_t> overlay(map.size());

    engine->setSource(in.data(), in.rowBytes(), in.columnBytes(), rect);
    engine->detect(settings, {}, size.width, rect, 0);
    engine->markDefects(nullptr, 0, size, 0, settings.detectionIntensity, map.data(), size.width);
    engine->removeSpecks(size, settings.tileSize);
    engine->exportDefects(overlay.data(), size.width, size);
    engine->copySource(in.data(), in.rowBytes(), in.columnBytes(), out.data(), out.rowBytes(),
                       out.columnBytes(), size);
    engine->dissolveDefects(out.data(), out.rowBytes(), out.columnBytes(), size);

    std::vector<uint8_t> flags(overlay.size());
    std::transform(overlay.begin(), overlay.end(), flags.begin(),
                   [](uint8_t b) { return static_cast<uint8_t>(b == 255 ? 1 : 0); });
    expectDustDissolved(picture, out, flags);
}

TEST(EndToEndTest, DustIsDissolvedTileByTileLikeTheFilterRun) {
    // The filter rectangle starts at (10, 20) in a larger image; 64 x 64
    // tiles, the last row and column cut at the rectangle's edge.
    const int32_t kTop = 10, kLeft = 20, kTile = 64;
    const DustyPicture picture(300, 220, kTop, kLeft);
    const VRect rect{kTop, kLeft, 210, 290};
    const int32_t mapWidth = rect.right - rect.left;
    const EngineSettings settings = dustSettings();
    std::vector<uint8_t> map(static_cast<std::size_t>(mapWidth * (rect.bottom - rect.top)), 128);

    CountingAllocator allocator;
    const auto engine = createFilter(0, 3, 8, allocator);
    engine->setTiled();
    const Image<uint8_t>& in = picture.dusty;
    Image<uint8_t> out = picture.dusty;
    for (int32_t top = rect.top; top < rect.bottom; top += kTile) {
        for (int32_t left = rect.left; left < rect.right; left += kTile) {
            const VRect tile{top, left, std::min(top + kTile, rect.bottom),
                             std::min(left + kTile, rect.right)};
            const PlaneSize size{tile.width(), tile.height()};
            const VRect clip{tile.top - rect.top, tile.left - rect.left, tile.bottom - rect.top,
                             tile.right - rect.left};
            const int64_t mapOffset =
                int64_t{tile.top - rect.top} * mapWidth + (tile.left - rect.left);
            engine->setSource(in.pixel(top, left), in.rowBytes(), in.columnBytes(), tile);
            engine->detect(settings, clip, mapWidth, tile, mapOffset);
            engine->markDefects(nullptr, 0, size, mapOffset, settings.detectionIntensity,
                                map.data(), mapWidth);
            engine->removeSpecks(size, settings.tileSize);
            engine->copySource(in.pixel(top, left), in.rowBytes(), in.columnBytes(),
                               out.pixel(top, left), out.rowBytes(), out.columnBytes(), size);
            engine->dissolveDefects(out.pixel(top, left), out.rowBytes(), out.columnBytes(), size);
        }
    }
    // Flags are not kept across tiles; a changed pixel stands for a flag.
    std::vector<uint8_t> changed(static_cast<std::size_t>(in.width() * in.height()), 0);
    for (int32_t y = 0; y < in.height(); ++y) {
        for (int32_t x = 0; x < in.width(); ++x) {
            changed[static_cast<std::size_t>(y * in.width() + x)] =
                std::equal(in.pixel(y, x), in.pixel(y, x) + 3, out.pixel(y, x)) ? 0 : 1;
        }
    }
    // Dust pixels whose repair lands on their own value look unchanged.
    for (int32_t y = 0; y < in.height(); ++y) {
        for (int32_t x = 0; x < in.width(); ++x) {
            if (picture.dust.at(y, x) != 0)
                changed[static_cast<std::size_t>(y * in.width() + x)] = 1;
        }
    }
    expectDustDissolved(picture, out, changed);
}

// Every plane and the repaired image of one untiled run, for comparing runs.
template <typename T>
struct RunResult {
    std::vector<T> grey, median, output;
    std::vector<float> contrast;
    std::vector<uint8_t> defects;

    bool operator==(const RunResult& other) const {
        const auto same = [](const auto& a, const auto& b) {
            return a.size() == b.size() &&
                   std::equal(a.begin(), a.end(), b.begin(),
                              [](auto x, auto y) { return testing::sameBits(x, y); });
        };
        return same(grey, other.grey) && same(median, other.median) && same(output, other.output) &&
               same(contrast, other.contrast) && defects == other.defects;
    }
};

template <typename T>
RunResult<T> runPipeline(int threads, int16_t model, int32_t channels) {
    const ThreadLimit limit(threads);
    EXPECT_EQ(engineThreadCount(), threads);
    Rng rng(99);
    Image<T> in(400, 300, channels);
    testing::fillSmooth(in);
    testing::addGrain(in, rng, 0.01f);
    testing::addSpecks(in, rng, 150, 2, 0.05f);
    testing::addSpecks(in, rng, 100, 4, 0.95f);
    testing::addScratch(in, 5, 30, 290, 60, 0.1f);
    Image<T> out(in.width(), in.height(), channels);
    const BytePlane map = testing::makeMarkingMap(in.width(), in.height(), rng);
    const VRect rect{0, 0, in.height(), in.width()};
    const PlaneSize size{in.width(), in.height()};
    EngineSettings settings = dustSettings();
    settings.tileSize = 5;

    CountingAllocator allocator;
    Dissolve<T> engine(model, static_cast<int16_t>(channels), allocator);
    engine.setSource(in.data(), in.rowBytes(), in.columnBytes(), rect);
    engine.detect(settings, {}, size.width, rect, 0);
    engine.markDefects(nullptr, 0, size, 0, 12, map.bytes.data(), size.width);
    engine.removeSpecks(size, settings.tileSize);
    engine.copySource(in.data(), in.rowBytes(), in.columnBytes(), out.data(), out.rowBytes(),
                      out.columnBytes(), size);
    engine.dissolveDefects(out.data(), out.rowBytes(), out.columnBytes(), size);

    RunResult<T> result;
    const auto n = static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
    result.grey.assign(engine.grey()->data(), engine.grey()->data() + n);
    result.median.assign(engine.median()->data(), engine.median()->data() + n);
    result.contrast.assign(engine.contrast()->data(), engine.contrast()->data() + n);
    result.defects.assign(engine.defects()->data(), engine.defects()->data() + n);
    result.output = out.storage();
    return result;
}

TEST(EndToEndTest, ResultsDoNotDependOnTheNumberOfThreads) {
    EXPECT_TRUE(runPipeline<uint8_t>(1, 0, 3) == runPipeline<uint8_t>(2, 0, 3));
    EXPECT_TRUE(runPipeline<uint16_t>(1, 2, 4) == runPipeline<uint16_t>(2, 2, 4));
    EXPECT_TRUE(runPipeline<float>(1, -1, 5) == runPipeline<float>(2, -1, 5));
}

}  // namespace
}  // namespace nelvo
