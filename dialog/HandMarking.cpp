// SPDX-License-Identifier: MIT
#include "dialog/HandMarking.h"

#include <utility>
#include <vector>

namespace nelvo {

HandMarking::HandMarking(MarkingCanvas canvas, int imageWidth, int imageHeight)
    : canvas_(std::move(canvas)), width_(imageWidth), height_(imageHeight) {}

void HandMarking::press(IntPoint p, bool pan, bool brush) {
    if (mode_ != DragMode::None) release();
    if (pan) {
        mode_ = DragMode::Pan;
    } else {
        mode_ = brush ? DragMode::Brush : DragMode::Eraser;
        strokeBounds_ = {};
        const IntPoint q = canvas_.imagePointAt(p);
        paintStroke(q, q);
    }
    lastPoint_ = p;
}

void HandMarking::move(IntPoint p) {
    if (mode_ == DragMode::Pan)
        canvas_.panBy(p.x - lastPoint_.x, p.y - lastPoint_.y);
    else if (strokeInProgress())
        paintStroke(canvas_.imagePointAt(lastPoint_), canvas_.imagePointAt(p));
    lastPoint_ = p;
}

void HandMarking::release() {
    const DragMode ended = mode_;
    mode_ = DragMode::None;
    if (ended == DragMode::Pan && canvas_.panEnded) canvas_.panEnded();
    if (ended != DragMode::Brush && ended != DragMode::Eraser) return;
    const std::uint32_t* overlay = canvas_.overlayWords();
    if (overlay != nullptr) {
        const int intensity = canvas_.brushIntensity();
        canvas_.editMarks([&](std::uint8_t* map) {
            std::vector<std::uint8_t> before = MarkHistory::copyArea(map, width_, strokeBounds_);
            if (ended == DragMode::Brush)
                applyBrushTrace(overlay, width_, strokeBounds_, intensity, map);
            else
                applyEraserTrace(overlay, width_, strokeBounds_, map);
            history_.record(strokeBounds_, std::move(before), map, width_);
        });
    }
    canvas_.marksChanged();
    // The overlay holds only this stroke's trace, all of it inside strokeBounds_.
    canvas_.clearOverlay(strokeBounds_);
    strokeBounds_ = {};
}

void HandMarking::paintStroke(IntPoint a, IntPoint b) {
    std::uint32_t* overlay = canvas_.overlayWords();
    if (overlay == nullptr) return;
    const bool brush = mode_ == DragMode::Brush;
    const int size = canvas_.toolSize(brush);
    const std::uint32_t colour =
        brush ? brushTraceColour(canvas_.brushIntensity()) : kEraserTraceColour;
    drawStrokeSegment(overlay, width_, height_, a, b, size, colour);
    const IntRect r = strokeDirtyRect(a, b, size, width_, height_);
    if (r.width() <= 0 || r.height() <= 0) return;  // wholly outside the image
    halveTraceAlpha(overlay, width_, r);
    strokeBounds_ = unite(strokeBounds_, r);
    canvas_.showOverlay(r);
}

bool HandMarking::recomputeAfter(IntRect changed) {
    if (changed.width() <= 0) return false;
    canvas_.marksChanged();
    return true;
}

bool HandMarking::undo() {
    if (strokeInProgress()) return false;
    IntRect changed;
    canvas_.editMarks([&](std::uint8_t* map) { changed = history_.undo(map, width_); });
    return recomputeAfter(changed);
}

bool HandMarking::redo() {
    if (strokeInProgress()) return false;
    IntRect changed;
    canvas_.editMarks([&](std::uint8_t* map) { changed = history_.redo(map, width_); });
    return recomputeAfter(changed);
}

bool HandMarking::clear() {
    if (strokeInProgress()) return false;
    IntRect changed;
    canvas_.editMarks([&](std::uint8_t* map) { changed = history_.clear(map, width_, height_); });
    return recomputeAfter(changed);
}

}  // namespace nelvo
