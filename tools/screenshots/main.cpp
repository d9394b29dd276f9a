// SPDX-License-Identifier: MIT
// nelvo-screenshots OUTPUT_DIR SAMPLE [--texts-only]: renders the about box, the splash,
// the editing dialog (its three views, a brush stroke in progress, the marks it leaves,
// the eraser's tab, a zoomed-in view with the navigator), the navigator, the tab strip,
// the preview (showing SAMPLE) and a sheet of the small pictures into OUTPUT_DIR. The windows use
// the primary screen as the platform reports it (size, dots per inch) and the interface language of
// the environment, so one run is one screen size and language; --texts-only renders just the
// windows that show text.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QTabBar>
#include <QThread>
#include <cmath>
#include <cstdio>
#include <functional>
#include <stdexcept>

#include "SampleRecord.h"
#include "engine/PlaneAllocator.h"
#include "resources/DialogResources.h"
#include "ui/qt/ControlId.h"
#include "ui/qt/DisplayHelpers.h"
#include "ui/qt/NelvoAboutDlg.h"
#include "ui/qt/NelvoDialog.h"
#include "ui/qt/NelvoImageCtrl.h"
#include "ui/qt/NelvoNavigatorWnd.h"
#include "ui/qt/NelvoSplashDlg.h"
#include "ui/qt/NelvoTabCtrl.h"
#include "ui/qt/QtApplication.h"
#include "ui/shared/NavigatorGeometry.h"

using namespace nelvo;

namespace {

void save(QWidget& window, const QString& path) {
    window.show();
    QApplication::processEvents();
    if (!window.grab().save(path)) throw std::runtime_error("cannot write " + path.toStdString());
    std::printf("%s\n", qPrintable(path));
}

void renderTabStrips(const QString& dir) {
    for (int selected : {0, 1}) {
        QWidget panel;
        panel.setFixedSize(255, 143);  // the marker panel's 170 x 88 dialog units
        NelvoTabCtrl tabs(&panel);
        tabs.setGeometry(panel.rect());
        tabs.addTab(1083);
        tabs.addTab(1084);
        tabs.selected = selected;
        save(panel, QStringLiteral("%1/tabstrip-%2.png").arg(dir).arg(selected));
    }
}

void renderPreviews(const QString& dir, const SampleRecord& sample) {
    NelvoImageCtrl preview(&sample.record);
    preview.resize(1000, 700);
    preview.loadSource(preview.sourcePixels.data());
    preview.showImage(preview.sourcePixels.data());
    preview.fitToWindow();
    save(preview, dir + QStringLiteral("/preview-fit.png"));

    // At 200 %, with a brush stroke on the overlay and the brush cursor over the image.
    preview.setZoom(2.0);
    if (auto painter = preview.overlayDC()) {
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(QColor(255, 0, 0, 110), 18, Qt::SolidLine, Qt::RoundCap));
        const QPointF c(preview.imageWidth / 2.0, preview.imageHeight / 2.0);
        painter->drawLine(c + QPointF(-90, 40), c + QPointF(60, -30));
    }
    PluginCursor cursor;
    cursor.setSize(42);
    preview.onSetCursor = [&preview, &cursor](unsigned, unsigned) {
        preview.setToolCursor(cursor.handle());
        return true;
    };
    QMouseEvent move(QEvent::MouseMove, QPointF(560, 330), QPointF(560, 330), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&preview, &move);
    save(preview, dir + QStringLiteral("/preview-200.png"));
}

void renderNavigator(const QString& dir, const SampleRecord& sample) {
    NelvoImageCtrl preview(&sample.record);
    preview.loadSource(preview.sourcePixels.data());
    preview.showImage(preview.sourcePixels.data());
    NelvoNavigatorWnd navigator(QDir::temp().filePath(QStringLiteral("nelvo-screenshots.ini")));
    const Size2 size =
        navigatorSize(preview.imageWidth, preview.imageHeight, screenMetrics().navigatorSide);
    navigator.create(nullptr, 40, 40, size.width, size.height);
    navigator.setImage(preview.imageSurface());
    navigator.setViewArea({0.3f, 0.2f, 0.7f, 0.65f});
    save(navigator, dir + QStringLiteral("/navigator.png"));
}

// Every small picture enlarged four times without smoothing, on the dialog's grey, so
// that their pixels can be judged; the large ones are in the windows above.
void renderPictureSheet(const QString& dir) {
    constexpr int kScale = 4, kGap = 16;
    const int ids[] = {1083, 1084, 1033, 1087, 1034, 1088, 1036, 1085, 1015, 1016, 1024};
    int width = kGap;
    for (int id : ids) width += resourceBitmap(id).width() * kScale + kGap;
    QImage sheet(width, 2 * kGap + 64 * kScale, QImage::Format_RGB32);
    sheet.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter painter(&sheet);
    int x = kGap;
    for (int id : ids) {
        const QImage picture = resourceBitmap(id);
        painter.drawImage(QRect(x, kGap, picture.width() * kScale, picture.height() * kScale),
                          picture);
        x += picture.width() * kScale + kGap;
    }
    painter.end();
    const QString path = dir + QStringLiteral("/pictures-x4.png");
    sheet.save(path);
    std::printf("%s\n", qPrintable(path));
}

void sendMouse(QWidget* target, QEvent::Type type, QPointF at) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

// A stroke along a gentle curve between two points given as fractions of the picture;
// the button stays down at the returned point.
QPointF drawStroke(NelvoDialog& dialog, QPointF from, QPointF to) {
    QWidget* preview = &dialog.preview();
    const IntRect& shown = dialog.preview().displayRect;
    const auto at = [&](double t) {
        const QPointF f = from + (to - from) * t + QPointF(0, 0.04 * std::sin(t * 3.1416));
        return QPointF(shown.left + f.x() * shown.width(), shown.top + f.y() * shown.height());
    };
    sendMouse(preview, QEvent::MouseMove, at(0));
    sendMouse(preview, QEvent::MouseButtonPress, at(0));
    for (int i = 1; i <= 100; ++i) sendMouse(preview, QEvent::MouseMove, at(i / 100.0));
    return at(1);
}

void releaseStroke(QWidget* preview, QPointF at, const std::function<bool()>& idle) {
    sendMouse(preview, QEvent::MouseButtonRelease, at);
    while (!idle()) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
}

// The dialog and its navigator as they stand on the desktop, the navigator to the left.
void saveWithNavigator(NelvoDialog& dialog, const QString& path) {
    dialog.show();
    QApplication::processEvents();
    const QImage window = dialog.grab().toImage();
    const QImage navigator = dialog.navigator()->grab().toImage();
    constexpr int kMargin = 20;
    const QRect d = dialog.frameGeometry();
    const QRect n = dialog.navigator()->frameGeometry();
    const QRect all = d.united(n).adjusted(-kMargin, -kMargin, kMargin, kMargin);
    QImage desktop(all.size(), QImage::Format_RGB32);
    desktop.fill(QColor(0x3A, 0x4A, 0x5A));
    QPainter painter(&desktop);
    painter.drawImage(d.topLeft() - all.topLeft(), window);
    painter.drawImage(n.topLeft() - all.topLeft(), navigator);
    painter.end();
    if (!desktop.save(path)) throw std::runtime_error("cannot write " + path.toStdString());
    std::printf("%s\n", qPrintable(path));
}

// Hand marking and zoom: a brush stroke in progress, the marks it leaves in the "Mark
// Defects" view, the eraser's tab with its stroke in progress, both tools' marks tinted,
// and a zoomed-in view with the navigator beside the dialog.
void renderMarking(NelvoDialog& dialog, const QString& dir, const std::function<bool()>& idle) {
    auto* tabs = dialog.findChild<QTabBar*>(controlObjectName(editing::kViewTabs));
    QWidget* preview = &dialog.preview();
    tabs->setCurrentIndex(0);
    dialog.findChild<QSlider*>(controlObjectName(editing::kBrushSizeSlider))->setValue(6);
    dialog.findChild<QSlider*>(controlObjectName(editing::kBrushIntensitySlider))->setValue(10);
    // Over the dark specks on the wood and the saucer's rim that the settings miss.
    const QPointF brushEnd = drawStroke(dialog, {0.02, 0.66}, {0.3, 0.9});
    save(dialog, dir + QStringLiteral("/dialog-stroke.png"));
    releaseStroke(preview, brushEnd, idle);
    tabs->setCurrentIndex(1);
    save(dialog, dir + QStringLiteral("/dialog-marks.png"));

    auto* tools = dialog.findChild<NelvoTabCtrl*>(controlObjectName(editing::kToolTabs));
    tools->selected = 1;
    tools->update();
    tools->onSelChange();
    dialog.findChild<QSlider*>(controlObjectName(editing::kEraserSizeSlider))->setValue(10);
    // Over the saucer's glossy rim, which the settings over-mark.
    const QPointF eraserEnd = drawStroke(dialog, {0.62, 0.5}, {0.8, 0.66});
    save(dialog, dir + QStringLiteral("/dialog-eraser.png"));
    releaseStroke(preview, eraserEnd, idle);
    // Both tools' marks tinted in the "Mark Defects" view.
    tabs->setCurrentIndex(1);
    save(dialog, dir + QStringLiteral("/dialog-marks-erased.png"));

    tabs->setCurrentIndex(2);
    dialog.findChild<QSlider*>(controlObjectName(editing::kZoomSlider))->setValue(200);
    saveWithNavigator(dialog, dir + QStringLiteral("/dialog-zoomed.png"));
}

// The editing dialog on the sample in each of its three views, after the first
// computation has finished.
void renderDialog(const QString& dir, const SampleRecord& sample) {
    HeapPlaneAllocator allocator;
    NelvoDialog dialog(
        &sample.record, [] {}, allocator);
    setDefaults(dialog.settings);
    // The navigator opens beside the dialog, not where an earlier run left it.
    dialog.navigatorProfile = QDir::temp().filePath(QStringLiteral("nelvo-screenshots-dialog.ini"));
    QFile::remove(dialog.navigatorProfile);
    // Tuned for the sample's dust and hairs, as a user would.
    dialog.settings.engine.brightDefects = true;
    dialog.settings.engine.detectionIntensity = 9;
    dialog.initialise();
    dialog.show();
    const auto idle = [&dialog] {
        return !dialog.updater().isBusy() &&
               !dialog.findChild<QWidget*>(controlObjectName(editing::kProgress))->isVisible();
    };
    while (!idle()) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    auto* tabs = dialog.findChild<QTabBar*>(controlObjectName(editing::kViewTabs));
    const char* names[] = {"original", "mark-defects", "optimized"};
    for (int view = 0; view < 3; ++view) {
        tabs->setCurrentIndex(view);
        save(dialog, QStringLiteral("%1/dialog-%2.png").arg(dir, QLatin1String(names[view])));
    }
    renderMarking(dialog, dir, idle);
    dialog.done(QDialog::Rejected);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: nelvo-screenshots OUTPUT_DIR SAMPLE [--texts-only]\n");
        return 2;
    }
    try {
        ensureApplication();
        const QString dir = QString::fromLocal8Bit(argv[1]);
        QDir().mkpath(dir);
        const bool textsOnly = argc > 3 && QByteArray(argv[3]) == "--texts-only";
        NelvoAboutDlg about;
        save(about, dir + QStringLiteral("/about.png"));
        NelvoSplashDlg splash;
        save(splash, dir + QStringLiteral("/splash.png"));
        // Presets of a run of this tool never reach the user's own folder.
        qputenv("XDG_DATA_HOME",
                QDir::temp().filePath(QStringLiteral("nelvo-screenshots")).toLocal8Bit());
        renderDialog(dir, SampleRecord(QString::fromLocal8Bit(argv[2])));
        if (!textsOnly) {
            const SampleRecord sample(QString::fromLocal8Bit(argv[2]));
            renderTabStrips(dir);
            renderPreviews(dir, sample);
            renderNavigator(dir, sample);
            renderPictureSheet(dir);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nelvo-screenshots: %s\n", e.what());
        return 1;
    }
    return 0;
}
