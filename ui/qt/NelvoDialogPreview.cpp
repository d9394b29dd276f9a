// SPDX-License-Identifier: MIT
// The dialog's side of the preview computation: the engine on the preview's 8-bit copy,
// starting computations from the controls, the progress bar and the three views.
#include <QCheckBox>
#include <QCoreApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QTabBar>
#include <QTimerEvent>

#include "host/ImageModes.h"
#include "resources/DialogResources.h"
#include "resources/strings/StringIds.h"
#include "ui/qt/NelvoDialog.h"
#include "ui/qt/NelvoImageCtrl.h"
#include "ui/shared/HandlerGuard.h"
#include "util/LoadString.h"

namespace nelvo {

namespace {

// Carries the text of a failed computation to the window's thread.
class PreviewErrorEvent : public QEvent {
  public:
    explicit PreviewErrorEvent(QString text)
        : QEvent(NelvoDialog::kPreviewErrorEvent), message(std::move(text)) {}
    QString message;
};

}  // namespace

void NelvoDialog::setUpEngine(PlaneAllocator& allocator) {
    preview_->loadSource(preview_->sourcePixels.data());
    const FilterRecord& record = *record_;
    engine_ = createFilter(colourModel(record.imageMode),
                           colourChannels(record.imageMode, record.planes), 8, allocator);
    const ::VRect in = record.bigDocumentData->inRect32;
    const VRect region{in.top, in.left, in.bottom, in.right};
    PreviewTarget target;
    target.engine = engine_.get();
    target.width = imageWidth_;
    target.height = imageHeight_;
    target.sourcePixels = preview_->sourcePixels.data();
    target.optimizedPixels = preview_->optimizedPixels.data();
    target.rowBytes = preview_->rowBytes;
    target.colBytes = preview_->colBytes;
    const bool masked = record.haveMask && record.maskData != nullptr;
    target.selection = masked ? static_cast<const std::uint8_t*>(record.maskData) : nullptr;
    target.selectionRowBytes = masked ? record.maskRowBytes : 0;
    // The grey plane is made from the undimmed picture, so with a selection the engine
    // takes the pixels before they are dimmed; otherwise the first computation does.
    if (!masked) target.sourceRegion = region;
    // The worker only posts: it never touches a window.
    updater_ = std::make_unique<PreviewUpdater>(
        target, [this] { QCoreApplication::postEvent(this, new QEvent(kPreviewDoneEvent)); },
        [this](const std::string& message) {
            QCoreApplication::postEvent(this,
                                        new PreviewErrorEvent(QString::fromStdString(message)));
        });
    // Outside the selection the picture shows at half brightness in every view.
    if (masked) {
        engine_->setSource(preview_->sourcePixels.data(), preview_->rowBytes, preview_->colBytes,
                           region);
        engine_->dimUnselected(
            preview_->sourcePixels.data(), preview_->rowBytes, preview_->colBytes,
            static_cast<const std::uint8_t*>(record.maskData), record.maskRowBytes, region);
    }
}

void NelvoDialog::startUpdate(UpdateMode mode) {
    if (!initialised_) return;  // initialise starts the first computation
    const std::optional<std::int32_t> range =
        updater_->startUpdate(updateParams(controlValues(), mode));
    if (!range) return;
    progress_->setRange(0, *range);
    progress_->setValue(0);
    progress_->show();
}

void NelvoDialog::showFinishedView() {
    if (updater_->isBusy()) return;  // a newer computation posts its own message
    progress_->hide();
    if (comparing_) return;  // the release of the comparison key shows it
    // A stroke being drawn keeps its whole trace: it is burnt in when the button is
    // released, so nothing the user painted is lost to a re-render.
    const bool keep = strokeInProgress();
    switch (viewTabs_->currentIndex()) {
        case 1:
            shownResult_ = -1;
            showMarkedDefects(keep);
            break;
        case 2:
            showOptimized(keep);
            break;
        default:
            break;
    }
}

void NelvoDialog::showOptimized(bool keepOverlay) {
    const int finished = updater_->finishedCount();
    const std::optional<std::vector<VRect>>& tiles = updater_->changedTiles();
    if (tiles && shownResult_ == finished - 1) {
        std::vector<IntRect> areas;
        areas.reserve(tiles->size());
        for (const VRect& t : *tiles) areas.push_back(IntRect{t.left, t.top, t.right, t.bottom});
        preview_->updateImageAreas(preview_->optimizedPixels.data(), areas, keepOverlay);
    } else {
        preview_->showImage(preview_->optimizedPixels.data(), keepOverlay);
    }
    shownResult_ = finished;
}

// The marking map is written only on this thread, so reading it here needs no lock.
void NelvoDialog::showMarkedDefects(bool keepOverlay) {
    const bool marks = check(editing::kShowMarks)->isChecked();
    preview_->showDefects(updater_->defectMap.data(), defectColor_, keepOverlay,
                          marks ? updater_->markingMap.data() : nullptr);
}

void NelvoDialog::beginComparison() {
    if (comparing_) return;
    comparing_ = true;
    shownResult_ = -1;
    preview_->showImage(preview_->sourcePixels.data(), strokeInProgress());
}

void NelvoDialog::endComparison() {
    if (!comparing_) return;
    comparing_ = false;
    onViewTabChanged(viewTabs_->currentIndex());
}

void NelvoDialog::cycleView(bool backwards) {
    constexpr int kViews = 3;
    viewTabs_->setCurrentIndex((viewTabs_->currentIndex() + (backwards ? kViews - 1 : 1)) % kViews);
}

void NelvoDialog::onViewTabChanged(int index) {
    if (comparing_) return;  // the original stays until the key is released
    const bool keep = strokeInProgress();
    if (index == 0) {
        shownResult_ = -1;
        preview_->showImage(preview_->sourcePixels.data(), keep);
        return;
    }
    // While busy the view changes when the computation's result arrives.
    if (updater_->isBusy()) return;
    shownResult_ = -1;
    if (index == 1) showMarkedDefects(keep);
    if (index == 2) showOptimized(keep);
}

void NelvoDialog::timerEvent(QTimerEvent* e) {
    guardHandler([&] {
        if (e->timerId() != timerId_) {
            QDialog::timerEvent(e);
            return;
        }
        // A stop the host was asked for (a signal to the program, its own cancel key)
        // would otherwise wait for the user: the dialog closes as if cancelled.
        if (hostAsksToStop()) {
            cancelRun();
            return;
        }
        if (progress_->isVisible())
            progress_->setValue(std::min(updater_->progress(), progress_->maximum()));
    });
}

bool NelvoDialog::event(QEvent* e) {
    return guardHandler(true, [&] {
        // A release that goes to another window must not leave the original on show.
        if (e->type() == QEvent::WindowDeactivate) endComparison();
        if (e->type() == kPreviewDoneEvent) {
            showFinishedView();
            return true;
        }
        if (e->type() == kPreviewErrorEvent) {
            progress_->hide();
            // The dialog stays usable: the next change starts a fresh computation.
            const QString text =
                QString::fromStdWString(loadString(strings::previewFailed))
                    .replace(QStringLiteral("%s"), static_cast<PreviewErrorEvent*>(e)->message);
            QMessageBox box(QMessageBox::Critical, windowTitle(), text, QMessageBox::Ok, this);
            box.exec();
            return true;
        }
        return QDialog::event(e);
    });
}

}  // namespace nelvo
