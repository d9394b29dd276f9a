// SPDX-License-Identifier: MIT
// Closing the editing dialog with the real preview worker: OK during a stroke applies
// it and hands over the settings and the map; a cancel hands over nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "dialog/DialogClosing.h"
#include "dialog/RefusingAllocator.h"

namespace nelvo {
namespace {

constexpr int kWidth = 96, kHeight = 64;

// What the canvas needs of a preview control, at zoom 1 with the picture at the corner.
struct FakePreview {
    std::vector<std::uint32_t> overlay =
        std::vector<std::uint32_t>(static_cast<std::size_t>(kWidth * kHeight), 0);
    IntRect displayRect{0, 0, kWidth, kHeight};
    double zoom = 1.0;
    std::uint32_t* overlayWords() { return overlay.data(); }
    void invalidateImageArea(const IntRect&) {}
    void clearOverlay(const IntRect&) { std::fill(overlay.begin(), overlay.end(), 0); }
};

// An updater over a grey picture, its marks drawn on a fake preview.
struct ClosingDialog {
    ClosingDialog()
        : source(static_cast<std::size_t>(kWidth * kHeight * 3), 120), optimized(source.size()) {
        engine = createFilter(0, 3, 8, allocator);
        PreviewTarget t;
        t.engine = engine.get();
        t.width = kWidth;
        t.height = kHeight;
        t.sourcePixels = source.data();
        t.optimizedPixels = optimized.data();
        t.rowBytes = kWidth * 3;
        t.colBytes = 3;
        updater = std::make_unique<PreviewUpdater>(
            t, [] {}, [](const std::string&) {});
        engine->setSource(source.data(), kWidth * 3, 3, VRect{0, 0, kHeight, kWidth});
        MarkingCanvas c = previewCanvas(preview, *updater);
        c.toolSize = [](bool) { return 2; };
        c.brushIntensity = [] { return 5; };
        c.panBy = [](int, int) {};
        c.marksChanged = [this] {
            UpdateImagesParams p;
            p.mode = static_cast<std::int32_t>(UpdateMode::Marks);
            p.darkDefects = p.brightDefects = true;
            p.detectionIntensity = 8;
            p.tileSize = 6;
            ++recomputations;
            updater->startUpdate(p);
        };
        marks = std::make_unique<HandMarking>(c, kWidth, kHeight);
    }

    std::vector<std::uint8_t> source, optimized;
    FakePreview preview;
    test::RefusingAllocator allocator;
    std::unique_ptr<FilterBase> engine;
    std::unique_ptr<PreviewUpdater> updater;
    std::unique_ptr<HandMarking> marks;
    int recomputations = 0;
};

ClosingControls someControls() {
    ClosingControls c;
    c.values.detectionIntensity = 13;
    c.values.tileSize = 21;
    c.zoomSliderPosition = 150;
    c.frame = WindowFrame{10, 20, 1010, 720};
    return c;
}

TEST(DialogClosing, OkDuringAStrokeAppliesItAndHandsOverTheSettingsAndTheMap) {
    ClosingDialog dialog;
    dialog.marks->press({40, 30}, false, true);
    dialog.marks->move({50, 30});
    FilterParameters settings{};
    MarkingResult result;
    closeEditing(true, someControls(), *dialog.marks, *dialog.updater, settings, result);
    EXPECT_FALSE(dialog.marks->strokeInProgress());
    EXPECT_FALSE(dialog.updater->isBusy());
    EXPECT_EQ(dialog.recomputations, 1);
    ASSERT_EQ(result.map, dialog.updater->markingMap.data());
    EXPECT_EQ(result.mapBytes, std::uint64_t{kWidth} * kHeight);
    EXPECT_EQ(result.mapWidth, kWidth);
    EXPECT_EQ(result.map[30 * kWidth + 45], MarkHistory::kNeutralMark + 50);
    EXPECT_EQ(result.map[10 * kWidth + 45], MarkHistory::kNeutralMark);
    EXPECT_EQ(settings.zoom, 150.0);
    EXPECT_EQ(std::vector<std::int32_t>(settings.windowFrame, settings.windowFrame + 4),
              (std::vector<std::int32_t>{20, 10, 720, 1010}));  // top, left, bottom, right
    EXPECT_EQ(settings.windowState, 2);
    FilterParameters expected{};
    storeValues(someControls().values, expected.engine);
    EXPECT_EQ(settings.engine, expected.engine);
    EXPECT_EQ(settings.engine.detectionIntensity, 13);
}

TEST(DialogClosing, CancelStopsTheWorkerAndHandsOverNothing) {
    ClosingDialog dialog;
    dialog.marks->press({40, 30}, false, true);
    dialog.marks->release();
    dialog.marks->press({60, 30}, false, true);
    FilterParameters settings{};
    settings.zoom = 77;
    MarkingResult result;
    closeEditing(false, someControls(), *dialog.marks, *dialog.updater, settings, result);
    EXPECT_FALSE(dialog.updater->isBusy());
    EXPECT_EQ(result.map, nullptr);
    EXPECT_EQ(result.mapBytes, 0u);
    EXPECT_EQ(settings.zoom, 77.0);
    EXPECT_EQ(settings.windowState, 0);
    EXPECT_EQ(dialog.recomputations, 1) << "the stroke under way is dropped, not applied";
    EXPECT_EQ(dialog.updater->markingMap[30 * kWidth + 60], MarkHistory::kNeutralMark);
}

}  // namespace
}  // namespace nelvo
