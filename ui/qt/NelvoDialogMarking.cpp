// SPDX-License-Identifier: MIT
// The dialog's side of the brush and eraser: mouse events on the preview start, continue
// and end a stroke (or a pan with the space bar held), the trace is drawn on the
// preview's overlay and, when the button is released, burnt into the marking map before
// the preview is recomputed. Also the tool tabs and the tool cursor.
#include <QLabel>
#include <QSlider>
#include <functional>
#include <memory>
#include <utility>

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

// The drag itself is the shared HandMarking's; the dialog shows its overlay, pans the
// preview and recomputes.
void NelvoDialog::createHandMarking() {
    MarkingCanvas canvas = previewCanvas(*preview_, *updater_);
    canvas.toolSize = [this](bool brush) {
        return slider(brush ? editing::kBrushSizeSlider : editing::kEraserSizeSlider)->value();
    };
    canvas.brushIntensity = [this] { return slider(editing::kBrushIntensitySlider)->value(); };
    canvas.panBy = [this](int dx, int dy) { panBy(dx, dy); };
    canvas.panEnded = [this] { updateCursor(); };
    canvas.marksChanged = [this] { startUpdate(UpdateMode::Marks); };
    marks_ = std::make_unique<HandMarking>(std::move(canvas), imageWidth_, imageHeight_);
}

void NelvoDialog::onPreviewButtonDown(IntPoint p) {
    // The preview holds the mouse until the button is released.
    marks_->press(p, spaceHeld_, brushSelected());
}

void NelvoDialog::onPreviewMouseMove(IntPoint p) {
    marks_->move(p);
}

void NelvoDialog::onPreviewButtonUp() {
    marks_->release();
}

void NelvoDialog::undoMarks() {
    marks_->undo();
}

void NelvoDialog::redoMarks() {
    marks_->redo();
}

void NelvoDialog::clearMarks() {
    marks_->clear();
}

// The tool cursor's diameter follows the current tool's size at the preview's zoom.
bool NelvoDialog::resizeCursor() {
    return brushCursor_.setSize(cursorDiameter(toolSize(), preview_->zoom));
}

// The hand while the space bar is held or a pan is under way, otherwise the tool's
// outline; before any outline was made, one of the brush's own size.
void NelvoDialog::updateCursor() {
    if (spaceHeld_ || dragMode() == DragMode::Pan) {
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
