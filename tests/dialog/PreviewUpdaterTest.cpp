// SPDX-License-Identifier: MIT
// The preview worker's protocol with the real 8-bit engine: results of shortened
// computations equal full ones, the skip rule, cancellation and a failing stage.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <thread>

#include "dialog/DialogControls.h"
#include "dialog/PreviewUpdater.h"
#include "dialog/RefusingAllocator.h"

namespace nelvo {
namespace {

// A smooth RGB picture with dark and bright specks of a few sizes and contrasts, in its top
// left
// dustyWidth x dustyHeight pixels.
std::vector<std::uint8_t> dustyPicture(int width, int height, int dustyWidth, int dustyHeight) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height * 3));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &pixels[static_cast<std::size_t>((y * width + x) * 3)];
            p[0] = static_cast<std::uint8_t>(140 + 30 * std::sin(x * 0.03));
            p[1] = static_cast<std::uint8_t>(130 + 25 * std::cos(y * 0.02));
            p[2] = static_cast<std::uint8_t>(110 + 20 * std::sin((x + y) * 0.01));
        }
    for (int y = 7; y < std::min(height, dustyHeight) - 7; y += 23)
        for (int x = 5; x < std::min(width, dustyWidth) - 7; x += 29) {
            const int r = 1 + (x + y) % 4;
            // Of varied contrast, so that each intensity finds another set.
            const int contrast = 10 + ((x / 29 + y / 23) * 37) % 106;
            const auto v =
                static_cast<std::uint8_t>((x / 29) % 2 == 0 ? 120 - contrast : 120 + contrast);
            for (int dy = 0; dy < r; ++dy)
                for (int dx = 0; dx < r; ++dx)
                    for (int c = 0; c < 3; ++c)
                        pixels[static_cast<std::size_t>(((y + dy) * width + x + dx) * 3 + c)] = v;
        }
    return pixels;
}

// The real engine, stopping the computation after a given number of repaired tiles.
class StoppingEngine : public FilterBase {
  public:
    explicit StoppingEngine(std::unique_ptr<FilterBase> engine) : engine_(std::move(engine)) {}
    std::function<void()> stop;
    std::atomic<int> repairsBeforeStop{-1};  // none below 0

    void setCallbacks(CancelHook c, PhaseHook b, AdvanceHook a) override {
        engine_->setCallbacks(std::move(c), std::move(b), std::move(a));
    }
    void setTiled() override { engine_->setTiled(); }
    void setSource(const void* d, int32_t r, int32_t c, const VRect& region) override {
        engine_->setSource(d, r, c, region);
    }
    void dimUnselected(void* d, int32_t r, int32_t c, const uint8_t* m, int32_t mr,
                       const VRect& region) override {
        engine_->dimUnselected(d, r, c, m, mr, region);
    }
    void detect(const EngineSettings& s, const VRect& clip, int32_t w, const VRect& tile,
                int64_t offset) override {
        engine_->detect(s, clip, w, tile, offset);
    }
    void markDefects(const uint8_t* s, int32_t sr, const PlaneSize& size, int64_t offset,
                     int32_t intensity, const uint8_t* map, int32_t w) override {
        engine_->markDefects(s, sr, size, offset, intensity, map, w);
    }
    void removeSpecks(const PlaneSize& size, int32_t tileSize) override {
        engine_->removeSpecks(size, tileSize);
    }
    void copySource(const void* in, int32_t ir, int32_t ic, void* out, int32_t orb, int32_t oc,
                    const PlaneSize& size) override {
        engine_->copySource(in, ir, ic, out, orb, oc, size);
    }
    void exportDefects(uint8_t* out, int32_t stride, const PlaneSize& size) override {
        engine_->exportDefects(out, stride, size);
    }
    void dissolveDefects(void* d, int32_t r, int32_t c, const PlaneSize& size) override {
        engine_->dissolveDefects(d, r, c, size);
    }
    void repairArea(const void* in, int32_t ir, int32_t ic, void* out, int32_t orb, int32_t oc,
                    const PlaneSize& size, const VRect& area) override {
        engine_->repairArea(in, ir, ic, out, orb, oc, size, area);
        if (repairsBeforeStop.fetch_sub(1) == 1) stop();
    }

  private:
    std::unique_ptr<FilterBase> engine_;
};

// Who hands the picture to the engine.
enum class SourceLoading { ByCaller, ByFirstComputation };

// One engine and updater on a picture; counts finished computations.
struct Preview {
    Preview(int w, int h, SourceLoading loading = SourceLoading::ByCaller)
        : Preview(w, h, w, h, loading) {}
    Preview(int w, int h, int dustyWidth, int dustyHeight,
            SourceLoading loading = SourceLoading::ByCaller)
        : width(w),
          height(h),
          source(dustyPicture(w, h, dustyWidth, dustyHeight)),
          optimized(source.size()) {
        auto stopping = std::make_unique<StoppingEngine>(createFilter(0, 3, 8, allocator));
        stopping->stop = [this] { updater->requestCancel(); };
        stoppingEngine = stopping.get();
        engine = std::move(stopping);
        PreviewTarget t;
        t.engine = engine.get();
        t.width = w;
        t.height = h;
        t.sourcePixels = source.data();
        t.optimizedPixels = optimized.data();
        t.rowBytes = w * 3;
        t.colBytes = 3;
        if (loading == SourceLoading::ByFirstComputation) t.sourceRegion = VRect{0, 0, h, w};
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
        if (loading == SourceLoading::ByCaller)
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
    StoppingEngine* stoppingEngine = nullptr;
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

TEST(PreviewUpdater, AComputationStoppedInItsRepairLeavesTheNextOneIncrementalAndExact) {
    // Specks in one corner: an intensity change redoes a few tiles, not the picture.
    Preview p(1600, 1200, 300, 300);
    p.run(UpdateMode::Initial, 8, 6);
    const std::vector<std::uint8_t> shown = p.optimized;
    p.stoppingEngine->repairsBeforeStop = 1;  // stops as a further drag value would
    p.run(UpdateMode::Intensity, 16, 6);
    EXPECT_EQ(p.done, 1);
    EXPECT_NE(p.optimized, shown);  // a tile of the stopped computation was written
    p.run(UpdateMode::Intensity, 17, 6);
    EXPECT_EQ(p.done, 2);
    Preview fresh(1600, 1200, 300, 300);
    fresh.run(UpdateMode::Initial, 17, 6);
    EXPECT_EQ(p.optimized, fresh.optimized);
    // Redrawing the changed tiles over the picture last shown gives the new one.
    const auto& tiles = p.updater->changedTiles();
    ASSERT_TRUE(tiles);
    std::vector<std::uint8_t> redrawn = shown;
    for (const VRect& t : *tiles)
        for (int y = t.top; y < t.bottom; ++y) {
            const auto row = static_cast<std::size_t>((y * p.width + t.left) * 3);
            std::copy_n(p.optimized.begin() + static_cast<std::ptrdiff_t>(row),
                        (t.right - t.left) * 3, redrawn.begin() + static_cast<std::ptrdiff_t>(row));
        }
    EXPECT_EQ(redrawn, p.optimized);
}

TEST(PreviewUpdater, TheFirstComputationCanHandThePictureToTheEngine) {
    Preview loaded(320, 240), deferred(320, 240, SourceLoading::ByFirstComputation),
        stoppedFirst(320, 240, SourceLoading::ByFirstComputation);
    loaded.run(UpdateMode::Initial, 8, 6);
    deferred.run(UpdateMode::Initial, 8, 6);
    EXPECT_EQ(deferred.updater->defectMap, loaded.updater->defectMap);
    EXPECT_EQ(deferred.optimized, loaded.optimized);
    // Stopped before or after it loaded the picture, the next computation has it.
    stoppedFirst.updater->startUpdate(Preview::params(UpdateMode::Initial, 8, 6));
    stoppedFirst.updater->requestCancel();
    stoppedFirst.updater->join();
    stoppedFirst.run(UpdateMode::Initial, 8, 6);
    EXPECT_EQ(stoppedFirst.optimized, loaded.optimized);
}

TEST(PreviewUpdater, TheControlsGiveTheComputationsParameters) {
    ControlValues v;
    v.darkDefects = false;
    v.brightDefects = true;
    v.detectionIntensity = 13;
    v.tileSize = 27;
    v.brushSize = 40;
    v.brushIntensity = 5;
    v.eraserSize = 33;
    v.defectColor = 0x00AB12CD;
    v.adaptiveRecognition = true;
    UpdateImagesParams expected;
    expected.mode = static_cast<std::int32_t>(UpdateMode::TileSize);
    expected.brightDefects = true;
    expected.detectionIntensity = 13;
    expected.tileSize = 27;
    expected.defectColor = 0x00AB12CD;
    expected.adaptiveRecognition = true;
    EXPECT_EQ(updateParams(v, UpdateMode::TileSize), expected);
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
