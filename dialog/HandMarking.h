// SPDX-License-Identifier: MIT
// The hand marks of the editing dialog without any window: a mouse drag on the preview
// pans (space bar held) or draws a brush or eraser stroke on the overlay; the release
// burns the stroke into the marking map, keeps it for undo and asks for a recomputation.
// Undo, redo and clearing wait for a stroke to end, so that no edit lands between its
// first dot and its release. The window layer supplies a MarkingCanvas and feeds the
// mouse in.
#pragma once

#include <cstdint>
#include <functional>

#include "dialog/MarkHistory.h"
#include "dialog/MarkingTools.h"
#include "dialog/PreviewUpdater.h"

namespace nelvo {

// What a drag needs of the window layer.
struct MarkingCanvas {
    // The overlay, one word per image pixel; null while the preview has no picture.
    std::function<std::uint32_t*()> overlayWords;
    // The image pixel under a preview client point.
    std::function<IntPoint(IntPoint client)> imagePointAt;
    // The size of the brush (true) or the eraser (false), and the brush's intensity.
    std::function<int(bool brush)> toolSize;
    std::function<int()> brushIntensity;
    // The overlay changed inside an image area: show it; or should be cleared there.
    std::function<void(const IntRect& imageArea)> showOverlay;
    std::function<void(const IntRect& imageArea)> clearOverlay;
    std::function<void(int dx, int dy)> panBy;
    // A pan ended (the cursor changes back); may be empty.
    std::function<void()> panEnded;
    // Runs an edit on the marking map's first byte while the preview worker cannot read it.
    std::function<void(const std::function<void(std::uint8_t*)>& edit)> editMarks;
    // The marking map changed: the preview recomputes.
    std::function<void()> marksChanged;
};

// The parts of the canvas a preview control gives: one with overlayWords(), displayRect,
// zoom, invalidateImageArea() and clearOverlay(), whose marks `updater` holds. Both must
// outlive the canvas; the window layer adds the tools, panning and recomputing.
template <typename Preview>
MarkingCanvas previewCanvas(Preview& preview, PreviewUpdater& updater) {
    MarkingCanvas canvas;
    canvas.overlayWords = [&preview] { return preview.overlayWords(); };
    canvas.imagePointAt = [&preview](IntPoint p) {
        return imagePoint(p, preview.displayRect, preview.zoom);
    };
    canvas.showOverlay = [&preview](const IntRect& r) { preview.invalidateImageArea(r); };
    canvas.clearOverlay = [&preview](const IntRect& r) { preview.clearOverlay(r); };
    canvas.editMarks = [&updater](const std::function<void(std::uint8_t*)>& edit) {
        updater.editMarks(edit);
    };
    return canvas;
}

class HandMarking {
  public:
    HandMarking(MarkingCanvas canvas, int imageWidth, int imageHeight);

    // The button goes down at client point p: a pan when `pan`, otherwise a stroke of the
    // brush or the eraser starting with the pen's dot. A drag whose release never arrived
    // (a window took the mouse meanwhile) ends first, so its trace is burnt in.
    void press(IntPoint p, bool pan, bool brush);
    void move(IntPoint p);
    // Ends the drag; a stroke changes the map and recomputes even when it changed no byte
    // (a brush at intensity 0).
    void release();

    DragMode mode() const { return mode_; }
    int imageWidth() const { return width_; }
    bool strokeInProgress() const { return mode_ == DragMode::Brush || mode_ == DragMode::Eraser; }

    // The last stroke (or clearing) undone or redone, every hand mark cleared; each
    // recomputes when it changed the map. False when nothing changed.
    bool undo();
    bool redo();
    bool clear();

  private:
    void paintStroke(IntPoint a, IntPoint b);
    bool recomputeAfter(IntRect changed);

    MarkingCanvas canvas_;
    int width_, height_;
    DragMode mode_ = DragMode::None;
    IntPoint lastPoint_;
    // The image pixels the stroke in progress may have touched.
    IntRect strokeBounds_;
    MarkHistory history_;
};

}  // namespace nelvo
