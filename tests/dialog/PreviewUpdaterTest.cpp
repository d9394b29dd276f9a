// SPDX-License-Identifier: MIT
// The preview worker's protocol with the real 8-bit engine: results of shortened
// computations equal full ones, the skip rule, cancellation and a failing stage.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <thread>

#include "dialog/PreviewUpdater.h"
#include "dialog/RefusingAllocator.h"

namespace nelvo {
namespace {

// A smooth RGB picture with dark and bright specks of a few sizes.
std::vector<std::uint8_t> dustyPicture(int width, int height) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height * 3));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &pixels[static_cast<std::size_t>((y * width + x) * 3)];
            p[0] = static_cast<std::uint8_t>(140 + 30 * std::sin(x * 0.03));
            p[1] = static_cast<std::uint8_t>(130 + 25 * std::cos(y * 0.02));
            p[2] = static_cast<std::uint8_t>(110 + 20 * std::sin((x + y) * 0.01));
        }
    for (int y = 7; y < height - 7; y += 23)
        for (int x = 5; x < width - 7; x += 29) {
            const int r = 1 + (x + y) % 4;
            const std::uint8_t v = (x / 29) % 2 == 0 ? 20 : 250;
            for (int dy = 0; dy < r; ++dy)
                for (int dx = 0; dx < r; ++dx)
                    for (int c = 0; c < 3; ++c)
                        pixels[static_cast<std::size_t>(((y + dy) * width + x + dx) * 3 + c)] = v;
        }
    return pixels;
}

// One engine and updater on a picture; counts finished computations.
struct Preview {
    Preview(int w, int h)
        : width(w), height(h), source(dustyPicture(w, h)), optimized(source.size()) {
        engine = createFilter(0, 3, 8, allocator);
        PreviewTarget t;
        t.engine = engine.get();
        t.width = w;
        t.height = h;
        t.sourcePixels = source.data();
        t.optimizedPixels = optimized.data();
        t.rowBytes = w * 3;
        t.colBytes = 3;
        updater = std::make_unique<PreviewUpdater>(
            t,
            [this] {
                std::lock_guard<std::mutex> lock(m);
                ++done;
                cv.notify_all();
            },
            [this](const std::string& message) {
                std::lock_guard<std::mutex> lock(m);
                errors.push_back(message);
                cv.notify_all();
            });
        engine->setSource(source.data(), w * 3, 3, VRect{0, 0, h, w});
    }
    // Starts p and waits until the worker ended.
    std::optional<std::int32_t> run(UpdateMode mode, int intensity, int tile) {
        const auto started = updater->startUpdate(params(mode, intensity, tile));
        updater->join();
        return started;
    }
    static UpdateImagesParams params(UpdateMode mode, int intensity, int tile) {
        UpdateImagesParams p;
        p.mode = static_cast<std::int32_t>(mode);
        p.darkDefects = p.brightDefects = true;
        p.detectionIntensity = intensity;
        p.tileSize = tile;
        p.defectColor = 0xFF;
        return p;
    }

    int width, height;
    std::vector<std::uint8_t> source, optimized;
    test::RefusingAllocator allocator;
    std::unique_ptr<FilterBase> engine;
    std::unique_ptr<PreviewUpdater> updater;
    std::mutex m;
    std::condition_variable cv;
    int done = 0;
    std::vector<std::string> errors;
};

TEST(PreviewUpdater, IntensityChangeSkipsDetectAndEqualsAFullComputation) {
    Preview changed(320, 240), fresh(320, 240);
    ASSERT_EQ(changed.run(UpdateMode::Initial, 8, 6), 4 * 240);
    ASSERT_EQ(changed.run(UpdateMode::Intensity, 14, 6), 3 * 240);
    EXPECT_EQ(changed.updater->completedDetects(), 1);
    fresh.run(UpdateMode::Initial, 14, 6);
    EXPECT_EQ(changed.done, 2);
    EXPECT_EQ(changed.updater->defectMap, fresh.updater->defectMap);
    EXPECT_EQ(changed.optimized, fresh.optimized);
    EXPECT_NE(fresh.optimized, fresh.source);  // the specks were repaired
}

TEST(PreviewUpdater, UnchangedSettingsStartNothingExceptInitialAndMarks) {
    Preview p(64, 48);
    p.run(UpdateMode::Initial, 8, 6);
    EXPECT_TRUE(p.run(UpdateMode::Intensity, 9, 6));
    EXPECT_FALSE(p.run(UpdateMode::Intensity, 9, 6));
    EXPECT_TRUE(p.run(UpdateMode::TileSize, 9, 6));  // the mode differs from the last
    EXPECT_FALSE(p.run(UpdateMode::TileSize, 9, 6));
    EXPECT_TRUE(p.run(UpdateMode::Marks, 9, 6));
    EXPECT_TRUE(p.run(UpdateMode::Marks, 9, 6));
    EXPECT_TRUE(p.run(UpdateMode::Initial, 9, 6));
    EXPECT_EQ(p.done, 6);
}

TEST(PreviewUpdater, ATileChangeStoppedByAnIntensityChangeStillGivesTheRightPicture) {
    Preview quick(900, 700), fresh(900, 700);
    quick.run(UpdateMode::Initial, 8, 6);
    quick.updater->startUpdate(Preview::params(UpdateMode::TileSize, 8, 20));
    // At once, before the tile size's detection can have finished.
    quick.updater->startUpdate(Preview::params(UpdateMode::Intensity, 12, 20));
    quick.updater->join();
    fresh.run(UpdateMode::Initial, 12, 20);
    EXPECT_EQ(quick.updater->defectMap, fresh.updater->defectMap);
    EXPECT_EQ(quick.optimized, fresh.optimized);
}

TEST(PreviewUpdater, ACancelledComputationPostsNothing) {
    Preview p(1600, 1200);
    p.updater->startUpdate(Preview::params(UpdateMode::Initial, 8, 6));
    p.updater->requestCancel();
    p.updater->join();
    EXPECT_FALSE(p.updater->isBusy());
    EXPECT_EQ(p.done, 0);
}

TEST(PreviewUpdater, AFailingStageIsReportedAndTheNextComputationWorks) {
    Preview p(200, 150);
    p.allocator.refuse = true;  // the speck stage's label plane cannot be had
    p.run(UpdateMode::Initial, 8, 6);
    EXPECT_FALSE(p.updater->isBusy());
    EXPECT_EQ(p.errors.size(), 1u);
    EXPECT_EQ(p.done, 0);
    p.allocator.refuse = false;
    p.run(UpdateMode::Intensity, 9, 6);  // detects again: the planes may be stale
    EXPECT_EQ(p.done, 1);
    EXPECT_EQ(p.updater->completedDetects(), 2);
}

TEST(PreviewUpdater, MarksRepairOnlyTheTilesNearThemAndEqualAFullComputation) {
    Preview marked(900, 700), fresh(900, 700);
    marked.run(UpdateMode::Initial, 8, 6);
    ASSERT_FALSE(marked.updater->changedTiles());  // the first result is whole
    // A forced patch and an erased one, both inside the tile at (256, 256).
    const auto paint = [](std::vector<std::uint8_t>& map, int top, int left, std::uint8_t v) {
        for (int y = top; y < top + 12; ++y) std::fill_n(map.begin() + y * 900 + left, 12, v);
    };
    for (Preview* p : {&marked, &fresh}) {
        paint(p->updater->markingMap, 380, 300, 255);
        paint(p->updater->markingMap, 300, 400, 0);
    }
    marked.run(UpdateMode::Marks, 8, 6);
    fresh.run(UpdateMode::Initial, 8, 6);
    ASSERT_TRUE(marked.updater->changedTiles());
    const std::vector<VRect>& tiles = *marked.updater->changedTiles();
    ASSERT_FALSE(tiles.empty());
    EXPECT_LE(tiles.size(), 4u);
    for (const VRect& t : tiles) EXPECT_TRUE(t.top <= 392 + 30 && t.bottom >= 300 - 30) << t.top;
    EXPECT_EQ(marked.updater->defectMap, fresh.updater->defectMap);
    EXPECT_EQ(marked.optimized, fresh.optimized);
    EXPECT_EQ(marked.updater->finishedCount(), 2);

    // Nothing changed: nothing to redo, and the picture stays right.
    marked.run(UpdateMode::Marks, 8, 6);
    ASSERT_TRUE(marked.updater->changedTiles());
    EXPECT_TRUE(marked.updater->changedTiles()->empty());
    EXPECT_EQ(marked.optimized, fresh.optimized);
}

}  // namespace
}  // namespace nelvo
