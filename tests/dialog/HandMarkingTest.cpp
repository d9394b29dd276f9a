// SPDX-License-Identifier: MIT
// The hand marks' drag state machine on a fake canvas whose client points are image
// points: strokes burnt into the map at release, pans, a lost release, undo and redo.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "dialog/HandMarking.h"

namespace nelvo {
namespace {

constexpr int kWidth = 40, kHeight = 30;

struct FakeCanvas {
    std::vector<std::uint32_t> overlay =
        std::vector<std::uint32_t>(static_cast<std::size_t>(kWidth * kHeight), 0);
    std::vector<std::uint8_t> map =
        std::vector<std::uint8_t>(overlay.size(), MarkHistory::kNeutralMark);
    int brushSize = 1, eraserSize = 2, intensity = 3;
    int recomputes = 0, pansEnded = 0;
    std::vector<IntPoint> pans;
    std::vector<IntRect> shown;

    MarkingCanvas hooks() {
        MarkingCanvas c;
        c.overlayWords = [this] { return overlay.data(); };
        c.imagePointAt = [](IntPoint p) { return p; };
        c.toolSize = [this](bool brush) { return brush ? brushSize : eraserSize; };
        c.brushIntensity = [this] { return intensity; };
        c.showOverlay = [this](const IntRect& r) { shown.push_back(r); };
        c.clearOverlay = [this](const IntRect& r) {
            for (int y = r.top; y < r.bottom; ++y)
                std::fill_n(overlay.begin() + y * kWidth + r.left, r.width(), 0u);
        };
        c.panBy = [this](int dx, int dy) { pans.push_back({dx, dy}); };
        c.panEnded = [this] { ++pansEnded; };
        c.editMarks = [this](const std::function<void(std::uint8_t*)>& edit) { edit(map.data()); };
        c.marksChanged = [this] { ++recomputes; };
        return c;
    }
    std::uint8_t at(int x, int y) const { return map[static_cast<std::size_t>(y * kWidth + x)]; }
    long changedBytes() const {
        return std::count_if(map.begin(), map.end(),
                             [](std::uint8_t b) { return b != MarkHistory::kNeutralMark; });
    }
};

TEST(HandMarking, StrokesAreBurntInAtReleaseAndTheOverlayIsCleared) {
    struct Case {
        bool brush;
        int intensity;
        std::uint8_t expected;
    };
    for (const Case c : {Case{true, 3, 158}, Case{true, -10, 28}, Case{false, 3, 0}}) {
        FakeCanvas canvas;
        canvas.intensity = c.intensity;
        HandMarking marks(canvas.hooks(), kWidth, kHeight);
        marks.press({5, 10}, false, c.brush);
        marks.move({25, 10});
        EXPECT_TRUE(marks.strokeInProgress());
        EXPECT_EQ(canvas.changedBytes(), 0) << "the map waits for the release";
        EXPECT_FALSE(canvas.shown.empty());
        marks.release();
        EXPECT_EQ(marks.mode(), DragMode::None);
        EXPECT_EQ(canvas.at(15, 10), c.expected);
        EXPECT_EQ(canvas.at(15, 20), MarkHistory::kNeutralMark);
        EXPECT_EQ(canvas.recomputes, 1);
        EXPECT_TRUE(std::all_of(canvas.overlay.begin(), canvas.overlay.end(),
                                [](std::uint32_t w) { return w == 0; }));
    }
}

TEST(HandMarking, AStrokeThatChangesNoByteStillRecomputes) {
    FakeCanvas canvas;
    canvas.intensity = 0;
    HandMarking marks(canvas.hooks(), kWidth, kHeight);
    marks.press({5, 5}, false, true);
    marks.release();
    EXPECT_EQ(canvas.changedBytes(), 0);
    EXPECT_EQ(canvas.recomputes, 1);
}

TEST(HandMarking, APanMovesByTheMouseAndLeavesTheMarks) {
    FakeCanvas canvas;
    HandMarking marks(canvas.hooks(), kWidth, kHeight);
    marks.press({10, 10}, true, true);
    marks.move({15, 7});
    marks.move({14, 7});
    marks.release();
    EXPECT_EQ(canvas.pans, (std::vector<IntPoint>{{5, -3}, {-1, 0}}));
    EXPECT_EQ(canvas.pansEnded, 1);
    EXPECT_EQ(canvas.recomputes, 0);
    EXPECT_EQ(canvas.changedBytes(), 0);
}

TEST(HandMarking, APressWithoutTheLastReleaseBurnsInTheStrokeBefore) {
    FakeCanvas canvas;
    HandMarking marks(canvas.hooks(), kWidth, kHeight);
    marks.press({5, 5}, false, true);
    marks.press({30, 20}, false, false);
    EXPECT_EQ(canvas.at(5, 5), 158);
    EXPECT_EQ(canvas.recomputes, 1);
    EXPECT_EQ(marks.mode(), DragMode::Eraser);
    // The new stroke's dot is on the overlay, not yet in the map.
    EXPECT_NE(canvas.overlay[static_cast<std::size_t>(20 * kWidth + 30)], 0u);
    EXPECT_EQ(canvas.at(30, 20), MarkHistory::kNeutralMark);
}

TEST(HandMarking, UndoRedoAndClearWaitForTheStrokeAndRecomputeOnlyOnAChange) {
    FakeCanvas canvas;
    HandMarking marks(canvas.hooks(), kWidth, kHeight);
    EXPECT_FALSE(marks.undo());
    EXPECT_FALSE(marks.clear());  // the map is neutral already
    marks.press({5, 5}, false, true);
    marks.release();
    marks.press({20, 20}, false, true);
    EXPECT_FALSE(marks.undo());
    EXPECT_FALSE(marks.clear());
    EXPECT_EQ(canvas.at(5, 5), 158);
    marks.release();
    EXPECT_EQ(canvas.recomputes, 2);
    EXPECT_TRUE(marks.undo());
    EXPECT_EQ(canvas.at(20, 20), MarkHistory::kNeutralMark);
    EXPECT_EQ(canvas.at(5, 5), 158);
    EXPECT_TRUE(marks.redo());
    EXPECT_EQ(canvas.at(20, 20), 158);
    EXPECT_TRUE(marks.clear());
    EXPECT_EQ(canvas.changedBytes(), 0);
    EXPECT_FALSE(marks.redo());
    EXPECT_EQ(canvas.recomputes, 5);
}

}  // namespace
}  // namespace nelvo
