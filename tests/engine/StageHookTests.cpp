// SPDX-License-Identifier: MIT
// Progress, cancellation and thread count: what the hooks see and what a stop
// request leaves behind.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/Dissolve.h"
#include "engine/Repair.h"
#include "engine/ThreadLimit.h"
#include "engine/reference/PlaneUtils.h"
#include "engine/reference/Synthetic.h"
#include "tests/engine/TestAllocators.h"

namespace nelvo {
namespace {

using testing::CountingAllocator;
using testing::Image;
using testing::Rng;

// Hooks that count what they are told; isCancelled answers false for the
// first `allowed` polls and true from then on.
struct Recorder {
    std::atomic<int64_t> polls{0};
    std::atomic<int64_t> phases{0};
    std::atomic<int64_t> phaseSteps{0};
    std::atomic<int64_t> advances{0};
    int64_t allowed = INT64_MAX;

    void install(FilterBase& engine) {
        engine.setCallbacks([this] { return polls.fetch_add(1) >= allowed; },
                            [this](int32_t n) {
                                phases += 1;
                                phaseSteps += n;
                            },
                            [this](int32_t n) { advances += n; });
    }
    void reset(int64_t allow) {
        polls = 0;
        phases = 0;
        phaseSteps = 0;
        advances = 0;
        allowed = allow;
    }
};

// One engine with its image, buffers and maps, able to run each stage.
struct Bench {
    Bench(int32_t width, int32_t height)
        : w(width),
          h(height),
          image(width, height, 3),
          out(width, height, 3),
          mask(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0),
          map(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 255),
          overlay(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0x5A) {
        Rng rng(5);
        testing::fillNoise(image, rng, 0.2f, 0.8f);
        out.fill(3);
        engine = std::make_unique<Dissolve<uint8_t>>(kRgb, 3, allocator);
        recorder.install(*engine);
        settings = EngineSettings{};
        setDefaults(settings);
        settings.brightDefects = true;
    }

    void run(const std::string& stage) {
        const VRect region{0, 0, h, w};
        const PlaneSize size{w, h};
        if (stage == "setSource") {
            engine->setSource(image.data(), image.rowBytes(), image.columnBytes(), region);
        } else if (stage == "dimUnselected") {
            engine->dimUnselected(out.data(), out.rowBytes(), out.columnBytes(), mask.data(), w,
                                  region);
        } else if (stage == "detect") {
            engine->detect(settings, {}, w, region, 0);
        } else if (stage == "markDefects") {
            engine->markDefects(nullptr, 0, size, 0, 8, map.data(), w);
        } else if (stage == "removeSpecks") {
            engine->removeSpecks(size, 1);
        } else if (stage == "copySource") {
            engine->copySource(image.data(), image.rowBytes(), image.columnBytes(), out.data(),
                               out.rowBytes(), out.columnBytes(), size);
        } else if (stage == "exportDefects") {
            engine->exportDefects(overlay.data(), w, size);
        } else if (stage == "dissolveDefects") {
            engine->dissolveDefects(out.data(), out.rowBytes(), out.columnBytes(), size);
        } else {
            FAIL() << "unknown stage " << stage;
        }
    }

    static constexpr int16_t kRgb = 0;
    int32_t w, h;
    CountingAllocator allocator;
    Image<uint8_t> image;
    Image<uint8_t> out;
    std::vector<uint8_t> mask, map, overlay;
    std::unique_ptr<Dissolve<uint8_t>> engine;
    Recorder recorder;
    EngineSettings settings;
};

const char* const kStageOrder[] = {"setSource",     "dimUnselected",  "detect",
                                   "markDefects",   "removeSpecks",   "copySource",
                                   "exportDefects", "dissolveDefects"};

TEST(StageHooksTest, ProgressAndPollsOfEachStage) {
    // 2049 columns: polls at columns 0, 1024 and 2048 in the 1024-column
    // stages and at 33 multiples of 64 in detect.
    struct Expected {
        int64_t polls, advances, phases;
    };
    const Expected expected[] = {
        {1 + 3, 0, 0},           // setSource: once before the rows, then per row
        {3, 0, 0},               // dimUnselected: per row
        {2 * 3 * 33, 2 * 3, 0},  // detect: median and contrast rows
        {3 * 3, 0, 0},           // markDefects
        {0, 0, 0},               // removeSpecks
        {3 * 3, 3, 0},           // copySource
        {3 * 3, 3, 0},           // exportDefects
        {-1, -1, -1},            // dissolveDefects: per pass, below
    };
    Bench bench(2049, 3);
    for (std::size_t i = 0; i < std::size(kStageOrder); ++i) {
        bench.recorder.reset(INT64_MAX);
        bench.run(kStageOrder[i]);
        const Recorder& r = bench.recorder;
        if (expected[i].polls < 0) {
            const int64_t passes = r.phases;
            EXPECT_GE(passes, 1);
            EXPECT_EQ(r.phaseSteps, 48 * passes);
            EXPECT_EQ(r.advances, 48 * passes);
            EXPECT_EQ(r.polls, passes * (3 + 48 * 3 + 3));
            continue;
        }
        EXPECT_EQ(r.polls, expected[i].polls) << kStageOrder[i];
        EXPECT_EQ(r.advances, expected[i].advances) << kStageOrder[i];
        EXPECT_EQ(r.phases, expected[i].phases) << kStageOrder[i];
    }
}

// Adaptive recognition rates two planes; its progress still counts the two passes'
// rows once, so that the preview's bar fills as for the standard detection.
TEST(StageHooksTest, AdaptiveDetectionReportsTwoPassesOfRows) {
    Bench bench(300, 40);
    bench.run("setSource");
    bench.settings.adaptiveRecognition = true;
    for (const bool bright : {false, true}) {
        bench.settings.brightDefects = bright;
        bench.recorder.reset(INT64_MAX);
        bench.run("detect");
        EXPECT_EQ(bench.recorder.advances, 2 * 40) << "bright " << bright;
        EXPECT_GT(bench.recorder.polls, 0);
    }
}

TEST(StageHooksTest, StopRequestsStopEveryStageAtItsPollPoints) {
    // 60 columns: one poll per row in every stage. Once the hook says stop,
    // no further row is started, so exactly as many rows are written as
    // polls answered "go on" (setSource spends one before its rows).
    constexpr int32_t kW = 60, kH = 20;
    for (const int64_t allowed : {0, 3, 7}) {
        SCOPED_TRACE(::testing::Message() << allowed << " polls allowed");
        Bench bench(kW, kH);
        const auto rowsWhere = [&](auto&& changed) {
            int64_t rows = 0;
            for (int32_t y = 0; y < kH; ++y) rows += changed(y) ? 1 : 0;
            return rows;
        };

        bench.recorder.reset(allowed);
        bench.run("setSource");
        const auto written = [](const NelvoBuffer<uint8_t>& plane, int32_t y) {
            for (int32_t x = 0; x < plane.width(); ++x) {
                if (plane.at(y, x) != testing::kFreshByte) return true;
            }
            return false;
        };
        EXPECT_EQ(rowsWhere([&](int32_t y) { return written(*bench.engine->grey(), y); }),
                  std::max<int64_t>(allowed - 1, 0));
        bench.recorder.reset(INT64_MAX);
        bench.run("setSource");

        bench.recorder.reset(allowed);
        bench.run("detect");
        EXPECT_EQ(rowsWhere([&](int32_t y) { return written(*bench.engine->median(), y); }),
                  allowed);
        bench.recorder.reset(INT64_MAX);
        bench.run("detect");

        bench.recorder.reset(allowed);
        bench.run("markDefects");
        EXPECT_EQ(rowsWhere([&](int32_t y) { return written(*bench.engine->defects(), y); }),
                  allowed);

        bench.recorder.reset(allowed);
        bench.run("exportDefects");
        EXPECT_EQ(rowsWhere([&](int32_t y) {
                      return bench.overlay[static_cast<std::size_t>(y * kW)] != 0x5A;
                  }),
                  allowed);

        bench.recorder.reset(allowed);
        bench.run("copySource");
        EXPECT_EQ(rowsWhere([&](int32_t y) { return bench.out.pixel(y, 0)[0] != 3; }), allowed);

        bench.recorder.reset(INT64_MAX);
        bench.run("copySource");
        bench.recorder.reset(allowed);
        bench.run("dimUnselected");
        EXPECT_EQ(rowsWhere([&](int32_t y) {
                      return bench.out.pixel(y, 0)[0] != bench.image.pixel(y, 0)[0];
                  }),
                  allowed);
    }
}

TEST(StageHooksTest, StoppedRepairEndsAfterAtMostOneMorePass) {
    // A fully defective 8 x 8 plane runs all 10 passes when left alone; each
    // pass polls 8 + 48 * 8 + 8 = 400 times.
    HeapPlaneAllocator allocator;
    NelvoBuffer<uint8_t> defects({8, 8}, allocator);
    std::fill(defects.data(), defects.data() + 64, uint8_t{1});
    Image<uint8_t> image(8, 8, 1);
    image.fill(9);
    for (const int64_t allowed : {int64_t{0}, int64_t{20}, int64_t{500}, INT64_MAX}) {
        Recorder recorder;
        recorder.allowed = allowed;
        StageHooks hooks;
        hooks.set([&] { return recorder.polls.fetch_add(1) >= recorder.allowed; },
                  [&](int32_t) { recorder.phases += 1; }, {});
        dissolveImage(defects, Interleaved<uint8_t>(image.data(), 8, 1), 1, {8, 8}, hooks);
        const int64_t passes = recorder.phases;
        if (allowed == INT64_MAX) {
            EXPECT_EQ(passes, 10);
        } else {
            EXPECT_LE(passes, allowed / 400 + 2) << allowed;
        }
    }
    EXPECT_EQ(image.storage(), std::vector<uint8_t>(image.storage().size(), 9));
}

}  // namespace
}  // namespace nelvo
