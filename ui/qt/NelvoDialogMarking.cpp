// SPDX-License-Identifier: MIT
// The dialog's side of the brush and eraser: mouse events on the preview start, continue
// and end a stroke (or a pan with the space bar held), the trace is drawn on the
// preview's overlay and, when the button is released, burnt into the marking map before
// the preview is recomputed. Also the tool tabs and the tool cursor.
#include <QLabel>
#include <QSlider>
#include <algorithm>
#include <vector>

#include "dialog/ZoomNavigation.h"
#include "resources/DialogResources.h"
#include "resources/strings/StringIds.h"
#include "ui/qt/ControlId.h"
#include "ui/qt/NelvoDialog.h"
#include "ui/qt/NelvoImageCtrl.h"
#include "ui/qt/NelvoTabCtrl.h"
#include "util/LoadString.h"

namespace nelvo {

void NelvoDialog::installPreviewCallbacks() {
    preview_->onLButtonDown = [this](unsigned, IntPoint p) { onPreviewButtonDown(p); };
    preview_->onMouseMove = [this](unsigned, IntPoint p) { onPreviewMouseMove(p); };
    preview_->onLButtonUp = [this](unsigned, IntPoint) { onPreviewButtonUp(); };
    preview_->onSetCursor = [this](unsigned, unsigned) {
        updateCursor();
        return true;
    };
    preview_->onMouseWheel = [this](unsigned flags, short delta, IntPoint screen) {
        switch (wheelActionFor((flags & kMouseControl) != 0, (flags & kMouseAlt) != 0,
                               (flags & kMouseShift) != 0)) {
            case WheelAction::ScrollVertical:
                panBy(0, wheelScrollDistance(delta, preview_->height()));
                break;
            case WheelAction::ScrollHorizontal:
                panBy(wheelScrollDistance(delta, preview_->width()), 0);
                break;
            case WheelAction::Zoom: {
                const QPoint client = preview_->mapFromGlobal(QPoint(screen.x, screen.y));
                if (delta <= 0)
                    zoomOut(IntPoint{client.x(), client.y()});
                else
                    zoomIn(IntPoint{client.x(), client.y()});
                break;
            }
        }
        return true;
    };
}

bool NelvoDialog::brushSelected() const {
    return toolTabs_->tabCount() > 0 && toolTabs_->selected == 0;
}

int NelvoDialog::toolSize() const {
    return slider(brushSelected() ? editing::kBrushSizeSlider : editing::kEraserSizeSlider)
        ->value();
}

void NelvoDialog::stepToolSize(bool larger) {
    QSlider* size =
        slider(brushSelected() ? editing::kBrushSizeSlider : editing::kEraserSizeSlider);
    // The slider's notification updates the edit box and the cursor.
    size->setValue(steppedToolSize(size->value(), larger, size->minimum(), size->maximum()));
}

void NelvoDialog::onPreviewButtonDown(IntPoint p) {
    // A release that never arrived (a window took the mouse meanwhile) still ends the
    // previous drag, so its trace is burnt in rather than left on the overlay.
    if (dragMode_ != DragMode::None) onPreviewButtonUp();
    if (spaceHeld_) {
        dragMode_ = DragMode::Pan;
    } else {
        dragMode_ = brushSelected() ? DragMode::Brush : DragMode::Eraser;
        strokeBounds_ = {};
        const IntPoint q = imagePoint(p, preview_->displayRect, preview_->zoom);
        paintStroke(q, q);
    }
    lastPoint_ = p;  // the preview holds the mouse until the button is released
}

void NelvoDialog::onPreviewMouseMove(IntPoint p) {
    if (dragMode_ == DragMode::Pan) {
        panBy(p.x - lastPoint_.x, p.y - lastPoint_.y);
    } else if (strokeInProgress()) {
        const IntRect& display = preview_->displayRect;
        paintStroke(imagePoint(lastPoint_, display, preview_->zoom),
                    imagePoint(p, display, preview_->zoom));
    }
    lastPoint_ = p;
}

void NelvoDialog::onPreviewButtonUp() {
    switch (dragMode_) {
        case DragMode::Pan:
            updateCursor();
            break;
        case DragMode::Brush:
            applyBrushMarks();
            break;
        case DragMode::Eraser:
            applyEraserMarks();
            break;
        case DragMode::None:
            break;
    }
    dragMode_ = DragMode::None;
}

void NelvoDialog::paintStroke(IntPoint a, IntPoint b) {
    std::uint32_t* overlay = preview_->overlayWords();
    if (overlay == nullptr) return;
    const int size = toolSize();
    const std::uint32_t colour =
        brushSelected() ? brushTraceColour(slider(editing::kBrushIntensitySlider)->value())
                        : kEraserTraceColour;
    drawStrokeSegment(overlay, imageWidth_, imageHeight_, a, b, size, colour);
    const IntRect r = strokeDirtyRect(a, b, size, imageWidth_, imageHeight_);
    if (r.width() <= 0 || r.height() <= 0) return;  // wholly outside the image
    halveTraceAlpha(overlay, imageWidth_, r);
    strokeBounds_ = unite(strokeBounds_, r);
    preview_->invalidateImageArea(r);
}

void NelvoDialog::applyBrushMarks() {
    const std::uint32_t* overlay = preview_->overlayWords();
    const int intensity = slider(editing::kBrushIntensitySlider)->value();
    if (overlay != nullptr)
        updater_->editMarks([&](std::uint8_t* map) {
            std::vector<std::uint8_t> before =
                MarkHistory::copyArea(map, imageWidth_, strokeBounds_);
            applyBrushTrace(overlay, imageWidth_, strokeBounds_, intensity, map);
            markHistory_.record(strokeBounds_, std::move(before), map, imageWidth_);
        });
    finishStroke();
}

void NelvoDialog::applyEraserMarks() {
    const std::uint32_t* overlay = preview_->overlayWords();
    if (overlay != nullptr)
        updater_->editMarks([&](std::uint8_t* map) {
            std::vector<std::uint8_t> before =
                MarkHistory::copyArea(map, imageWidth_, strokeBounds_);
            applyEraserTrace(overlay, imageWidth_, strokeBounds_, map);
            markHistory_.record(strokeBounds_, std::move(before), map, imageWidth_);
        });
    finishStroke();
}

// Every stroke recomputes, even one that changed no byte (a brush at intensity 0). The
// overlay holds only this stroke's trace, all of it inside strokeBounds_.
void NelvoDialog::finishStroke() {
    startUpdate(UpdateMode::Marks);
    preview_->clearOverlay(strokeBounds_);
    strokeBounds_ = {};
}

void NelvoDialog::undoMarks() {
    if (strokeInProgress()) return;
    IntRect changed;
    updater_->editMarks([&](std::uint8_t* map) { changed = markHistory_.undo(map, imageWidth_); });
    if (changed.width() > 0) startUpdate(UpdateMode::Marks);
}

void NelvoDialog::redoMarks() {
    if (strokeInProgress()) return;
    IntRect changed;
    updater_->editMarks([&](std::uint8_t* map) { changed = markHistory_.redo(map, imageWidth_); });
    if (changed.width() > 0) startUpdate(UpdateMode::Marks);
}

void NelvoDialog::clearMarks() {
    if (strokeInProgress()) return;
    IntRect cleared;
    updater_->editMarks(
        [&](std::uint8_t* map) { cleared = markHistory_.clear(map, imageWidth_, imageHeight_); });
    if (cleared.width() > 0) startUpdate(UpdateMode::Marks);
}

// The tool cursor's diameter follows the current tool's size at the preview's zoom.
bool NelvoDialog::resizeCursor() {
    return brushCursor_.setSize(cursorDiameter(toolSize(), preview_->zoom));
}

// The hand while the space bar is held or a pan is under way, otherwise the tool's
// outline; before any outline was made, one of the brush's own size.
void NelvoDialog::updateCursor() {
    if (spaceHeld_ || dragMode_ == DragMode::Pan) {
        preview_->setToolCursor(nullptr);
        preview_->setCursor(Qt::OpenHandCursor);
        return;
    }
    CursorHandle shape = brushCursor_.handle();
    if (!shape && brushCursor_.setSize(
                      static_cast<std::uint32_t>(slider(editing::kBrushSizeSlider)->value())))
        shape = brushCursor_.handle();
    if (!shape) return;
    if (preview_->cursor().shape() == Qt::OpenHandCursor) preview_->unsetCursor();
    preview_->setToolCursor(shape);
}

void NelvoDialog::onToolTabChanged() {
    const bool brush = toolTabs_->selected == 0;
    if (toolTabs_->selected != 0 && toolTabs_->selected != 1) return;
    for (int id :
         {editing::kBrushSizeLabel, editing::kBrushIntensityLabel, editing::kBrushSizeEdit,
          editing::kBrushIntensityEdit, editing::kBrushSizeSlider, editing::kBrushIntensitySlider,
          editing::kIntensityMinusMark, editing::kIntensityZeroMark, editing::kIntensityPlusMark})
        control(id)->setVisible(brush);
    for (int id : {editing::kEraserSizeLabel, editing::kEraserSizeEdit, editing::kEraserSizeSlider})
        control(id)->setVisible(!brush);
    findControl<QLabel>(this, editing::kToolTitle)
        ->setText(QString::fromStdWString(loadString(static_cast<std::uint32_t>(
            brush ? strings::defectMarkingTitle : strings::rubberToolTitle))));
    if (resizeCursor()) updateCursor();
}

}  // namespace nelvo
