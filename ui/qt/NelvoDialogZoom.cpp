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

#include "dialog/KeyCommands.h"
#include "dialog/ZoomNavigation.h"
#include "resources/DialogResources.h"
#include "ui/qt/ControlId.h"
#include "ui/qt/DisplayHelpers.h"
#include "ui/qt/NelvoButtonCtrl.h"
#include "ui/qt/NelvoDialog.h"
#include "ui/qt/NelvoImageCtrl.h"
#include "ui/qt/NelvoNavigatorWnd.h"
#include "ui/shared/HandlerGuard.h"
#include "ui/shared/NavigatorGeometry.h"

namespace nelvo {

namespace {

KeyName keyName(const QKeyEvent& key) {
    const bool keypad = (key.modifiers() & Qt::KeypadModifier) != 0;
    switch (key.key()) {
        case Qt::Key_N:
            return KeyName::N;
        case Qt::Key_O:
            return KeyName::O;
        case Qt::Key_Backslash:
            return KeyName::Backslash;
        case Qt::Key_Space:
            return KeyName::Space;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return KeyName::Return;
        case Qt::Key_BracketLeft:
            return KeyName::BracketLeft;
        case Qt::Key_BracketRight:
            return KeyName::BracketRight;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return KeyName::Tab;
        case Qt::Key_Z:
            return KeyName::Z;
        case Qt::Key_Y:
            return KeyName::Y;
        case Qt::Key_Delete:
            return KeyName::Delete;
        case Qt::Key_Backspace:
            return KeyName::Backspace;
        case Qt::Key_0:
            return keypad ? KeyName::Other : KeyName::Digit0;
        case Qt::Key_1:
            return keypad ? KeyName::Other : KeyName::Digit1;
        case Qt::Key_Plus:   // keypad, or shifted on the main keyboard
        case Qt::Key_Equal:  // the main keyboard's plus key unshifted
            return KeyName::Plus;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            return KeyName::Minus;
        default:
            return KeyName::Other;
    }
}

DialogKey dialogKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers m = key.modifiers();
    // Qt reports Shift+Tab as Backtab, with or without the Shift modifier.
    const bool backtab = key.key() == Qt::Key_Backtab;
    return DialogKey{keyName(key),
                     key.type() == QEvent::KeyRelease,
                     key.isAutoRepeat(),
                     (m & Qt::ControlModifier) != 0,
                     (m & Qt::ShiftModifier) != 0 || backtab,
                     (m & (Qt::AltModifier | Qt::MetaModifier)) != 0};
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
    if (navigatorReopening_.follow(area) && isVisible()) showNavigator();
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
    const QRect frame = frameGeometry();
    const NavigatorPlace place =
        navigatorPlace(imageWidth_, imageHeight_, frame.left(), frame.top(), screenMetrics());
    auto navigator = std::make_unique<NelvoNavigatorWnd>(navigatorProfile);
    navigator->create(this, place.corner.x, place.corner.y, place.size.width, place.size.height);
    navigator_ = navigator.release();  // the dialog owns its child windows
    navigator_->setImage(preview_->imageSurface());
    connectNavigator(
        *navigator_, *preview_, [this](int dx, int dy) { panBy(dx, dy); },
        [this] { updateNavigator(); });
    updateNavigator();
}

bool NelvoDialog::preTranslateKey(QKeyEvent* key) {
    // The box itself holds the focus for its edit field.
    const QWidget* focus = focusWidget();
    KeyContext context;
    context.typingInTextBox = qobject_cast<const QLineEdit*>(focus) != nullptr;
    context.inZoomBox =
        focus != nullptr && (focus == zoomBox() || focus->parentWidget() == zoomBox());
    context.comparing = comparing_;
    context.spaceHeld = spaceHeld_;
    context.panOrPointerOverPreview =
        dragMode() == DragMode::Pan || preview_->mousePosition().has_value();
    const KeyCommand command = keyCommandFor(dialogKey(*key), context);
    switch (command) {
        case KeyCommand::PassOn:
            return false;
        case KeyCommand::Swallow:
            return true;
        case KeyCommand::ShowNavigator:
            showNavigator();
            return true;
        case KeyCommand::BeginComparison:
            beginComparison();
            return true;
        case KeyCommand::EndComparison:
            endComparison();
            return true;
        case KeyCommand::SpaceDown:
        case KeyCommand::SpaceUp:
            spaceHeld_ = command == KeyCommand::SpaceDown;
            updateCursor();
            return true;
        case KeyCommand::ApplyTypedZoom:
            applyTypedZoom();
            return true;
        case KeyCommand::ConfirmTypedValue:
            return confirmTypedValue();
        case KeyCommand::SmallerTool:
        case KeyCommand::LargerTool:
            stepToolSize(command == KeyCommand::LargerTool);
            return true;
        case KeyCommand::NextView:
        case KeyCommand::PreviousView:
            cycleView(command == KeyCommand::PreviousView);
            return true;
        case KeyCommand::UndoMarks:
            undoMarks();
            return true;
        case KeyCommand::RedoMarks:
            redoMarks();
            return true;
        case KeyCommand::ClearMarks:
            clearMarks();
            return true;
        case KeyCommand::ZoomToFit:
            fitPreview();
            return true;
        case KeyCommand::ZoomToActualSize:
            setZoomTo(1.0, std::nullopt);
            return true;
        case KeyCommand::ZoomIn:
            zoomIn(std::nullopt);
            return true;
        case KeyCommand::ZoomOut:
            zoomOut(std::nullopt);
            return true;
    }
    return false;
}

}  // namespace nelvo
