// SPDX-License-Identifier: MIT
// The dialog's side of zooming and panning: the zoom box, slider and buttons, the
// keyboard shortcuts and the space bar, and the navigator window. Every zoom change ends
// with the box, the slider, the navigator's frame and the tool cursor following it.
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <memory>

#include "dialog/NelvoDialog.h"
#include "dialog/ZoomNavigation.h"
#include "resources/DialogResources.h"
#include "ui/widgets/ControlId.h"
#include "ui/widgets/DisplayHelpers.h"
#include "ui/widgets/HandlerGuard.h"
#include "ui/widgets/NavigatorGeometry.h"
#include "ui/widgets/NelvoButtonCtrl.h"
#include "ui/widgets/NelvoImageCtrl.h"
#include "ui/widgets/NelvoNavigatorWnd.h"

namespace nelvo {

namespace {

std::optional<ZoomKey> zoomKey(const QKeyEvent& key) {
    const bool keypad = (key.modifiers() & Qt::KeypadModifier) != 0;
    switch (key.key()) {
        case Qt::Key_0:
            if (!keypad) return ZoomKey::Digit0;
            break;
        case Qt::Key_1:
            if (!keypad) return ZoomKey::Digit1;
            break;
        case Qt::Key_Plus:   // keypad, or shifted on the main keyboard
        case Qt::Key_Equal:  // the main keyboard's plus key unshifted
            return ZoomKey::Plus;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            return ZoomKey::Minus;
        default:
            break;
    }
    return std::nullopt;
}

// Held to see the original: the backslash, or O for keyboards where it needs AltGr.
bool isComparisonKey(const QKeyEvent& key) {
    return key.key() == Qt::Key_Backslash || key.key() == Qt::Key_O;
}

}  // namespace

QComboBox* NelvoDialog::zoomBox() const {
    return findControl<QComboBox>(this, editing::kZoomBox);
}

void NelvoDialog::connectZoomControls() {
    QComboBox* box = zoomBox();
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);  // typing 5 must not turn into a listed 50.0 %
    connect(findControl<QPushButton>(this, editing::kFitToWindow), &QPushButton::clicked, this,
            guarded([this] { fitPreview(); }));
    connect(findControl<NelvoButtonCtrl>(this, editing::kZoomIn), &QAbstractButton::clicked, this,
            guarded([this] { zoomIn(std::nullopt); }));
    connect(findControl<NelvoButtonCtrl>(this, editing::kZoomOut), &QAbstractButton::clicked, this,
            guarded([this] { zoomOut(std::nullopt); }));
    // A level chosen from the list: the box already shows it.
    connect(box, &QComboBox::activated, this, guarded([this](int index) {
                if (index < 0 || index >= static_cast<int>(kZoomLevels.size())) return;
                zoomTyped_ = false;
                const double zoom = kZoomLevels[static_cast<std::size_t>(index)];
                preview_->setZoom(zoom);
                QSlider* s = slider(editing::kZoomSlider);
                s->blockSignals(true);
                s->setValue(zoomSliderPosition(zoom));
                s->blockSignals(false);
                updateNavigator();
                if (resizeCursor()) updateCursor();
            }));
    connect(box->lineEdit(), &QLineEdit::textEdited, this, [this] { zoomTyped_ = true; });
    // Leaving the box applies what was typed (Enter does so in preTranslateKey).
    connect(box->lineEdit(), &QLineEdit::editingFinished, this, guarded([this] {
                if (zoomTyped_) applyTypedZoom();
            }));
    connect(slider(editing::kZoomSlider), &QSlider::valueChanged, this,
            guarded([this](int position) {
                const double zoom = position / 100.0;
                zoomBox()->setEditText(QString::fromStdString(zoomText(zoom)));
                zoomTyped_ = false;
                preview_->setZoom(zoom);
                updateNavigator();
                if (resizeCursor()) updateCursor();
            }));
}

// The box and the slider show `zoom`; the slider's own notification stays quiet.
void NelvoDialog::showZoom(double zoom) {
    zoomBox()->setEditText(QString::fromStdString(zoomText(zoom)));
    zoomTyped_ = false;
    QSlider* s = slider(editing::kZoomSlider);
    s->blockSignals(true);
    s->setValue(zoomSliderPosition(zoom));
    s->blockSignals(false);
}

void NelvoDialog::setZoomTo(double zoom, std::optional<IntPoint> anchor) {
    preview_->setZoom(zoom, anchor);
    showZoom(zoom);
    updateNavigator();
    if (resizeCursor()) updateCursor();
}

void NelvoDialog::fitPreview() {
    preview_->fitToWindow();
    showZoom(preview_->zoom);
    updateNavigator();
    if (resizeCursor()) updateCursor();
}

void NelvoDialog::zoomIn(std::optional<IntPoint> anchor) {
    if (const auto level = zoomLevelAbove(preview_->zoom)) setZoomTo(*level, anchor);
}

void NelvoDialog::zoomOut(std::optional<IntPoint> anchor) {
    if (const auto level = zoomLevelBelow(preview_->zoom)) setZoomTo(*level, anchor);
}

void NelvoDialog::applyTypedZoom() {
    setZoomTo(typedZoom(zoomBox()->currentText().toStdString()), std::nullopt);
}

void NelvoDialog::updateNavigator() {
    if (navigator_ == nullptr) return;
    const ViewFraction area = preview_->visibleArea();
    navigator_->setViewArea(area);
    const bool whole = area.left <= 0 && area.top <= 0 && area.right >= 1 && area.bottom >= 1;
    // Only at the step past the whole picture: a navigator closed while zoomed in stays
    // closed until the next time.
    if (wholePictureShown_ && !whole && isVisible()) showNavigator();
    wholePictureShown_ = whole;
}

void NelvoDialog::showNavigator() {
    if (navigator_ == nullptr || navigator_->isVisible()) return;
    navigator_->reopen();
    navigator_->setViewArea(preview_->visibleArea());
}

void NelvoDialog::panBy(int dx, int dy) {
    IntRect& r = preview_->displayRect;
    r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
    preview_->keepInView();
    preview_->update();
    updateNavigator();
}

// A tool window to the left of the dialog, or where the user left it last time, with
// the source picture reduced and the visible part framed.
void NelvoDialog::createNavigator() {
    const ScreenMetrics& metrics = screenMetrics();
    const Size2 size = navigatorSize(imageWidth_, imageHeight_, metrics.navigatorSide);
    const QRect frame = frameGeometry();
    const IntPoint at =
        navigatorOrigin(frame.left(), frame.top(), size.width, metrics.navigatorGap);
    auto navigator = std::make_unique<NelvoNavigatorWnd>(navigatorProfile);
    navigator->create(this, at.x, at.y, size.width, size.height);
    navigator_ = navigator.release();  // the dialog owns its child windows
    navigator_->setImage(preview_->imageSurface());
    navigator_->onJump = [this](float fx, float fy) {
        preview_->centerOn(fx, fy);
        updateNavigator();
    };
    navigator_->onDrag = [this](float dx, float dy) {
        const IntPoint shift = navigatorDragShift(preview_->displayRect, dx, dy);
        panBy(shift.x, shift.y);
    };
    updateNavigator();
}

bool NelvoDialog::preTranslateKey(QKeyEvent* key) {
    // Text boxes keep their letters; the comparison key works everywhere else.
    const bool typing = qobject_cast<QLineEdit*>(focusWidget()) != nullptr;
    if (key->key() == Qt::Key_N && key->type() == QEvent::KeyPress && !typing &&
        (key->modifiers() & ~Qt::KeypadModifier) == 0) {
        showNavigator();
        return true;
    }
    if (isComparisonKey(*key) && key->type() == QEvent::KeyRelease && comparing_) {
        if (!key->isAutoRepeat()) endComparison();
        return true;
    }
    if (isComparisonKey(*key) && key->type() == QEvent::KeyPress && !typing &&
        (key->modifiers() & ~Qt::KeypadModifier) == 0) {
        if (!key->isAutoRepeat()) beginComparison();
        return true;
    }
    if (key->type() == QEvent::KeyRelease) {
        // Only the real release, not the platform's auto-repeat, and not with Alt.
        if (key->key() != Qt::Key_Space || key->isAutoRepeat() ||
            (key->modifiers() & Qt::AltModifier) != 0 || !spaceHeld_)
            return false;
        spaceHeld_ = false;
        updateCursor();
        return true;
    }
    if (key->key() == Qt::Key_Space &&
        (dragMode_ == DragMode::Pan || preview_->mousePosition().has_value())) {
        if (!key->isAutoRepeat()) {
            spaceHeld_ = true;
            updateCursor();
        }
        return true;
    }
    // The box itself holds the focus for its edit field.
    const QWidget* focus = focusWidget();
    const bool inZoomBox =
        focus != nullptr && (focus == zoomBox() || focus->parentWidget() == zoomBox());
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (inZoomBox) {
            applyTypedZoom();
            return true;
        }
        if (confirmTypedValue()) return true;
    }
    // Brackets size the tool; the number boxes take nothing but digits, so only the
    // zoom box's text keeps them.
    if ((key->key() == Qt::Key_BracketLeft || key->key() == Qt::Key_BracketRight) && !inZoomBox) {
        stepToolSize(key->key() == Qt::Key_BracketRight);
        return true;
    }
    if ((key->modifiers() & Qt::ControlModifier) == 0) return false;
    // Ctrl+Tab and Ctrl+Shift+Tab step through the views, as through a window's tabs.
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
        cycleView(key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier) != 0);
        return true;
    }
    // Undo and clearing act on the marks, also from a number box (its text is rewritten
    // from its slider anyway); only the zoom box's text keeps its own editing keys.
    if (!inZoomBox) {
        const bool shift = (key->modifiers() & Qt::ShiftModifier) != 0;
        switch (key->key()) {
            case Qt::Key_Z:
                if (shift)
                    redoMarks();
                else
                    undoMarks();
                return true;
            case Qt::Key_Y:
                redoMarks();
                return true;
            case Qt::Key_Delete:
            case Qt::Key_Backspace:
                clearMarks();
                return true;
            default:
                break;
        }
    }
    const std::optional<ZoomKey> zoom = zoomKey(*key);
    if (!zoom) return false;
    switch (zoomCommandFor(*zoom)) {
        case ZoomCommand::Fit:
            fitPreview();
            break;
        case ZoomCommand::ActualSize:
            setZoomTo(1.0, std::nullopt);
            break;
        case ZoomCommand::In:
            zoomIn(std::nullopt);
            break;
        case ZoomCommand::Out:
            zoomOut(std::nullopt);
            break;
    }
    return true;
}

}  // namespace nelvo
