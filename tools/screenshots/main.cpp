// SPDX-License-Identifier: MIT
// nelvo-screenshots OUTPUT_DIR SAMPLE [--texts-only]: renders the about box, the splash,
// the navigator, the tab strip, the preview (showing SAMPLE) and a sheet of the small
// pictures into OUTPUT_DIR. The windows use the primary screen as the platform reports it
// (size, dots per inch) and the interface language of the environment, so one run is one
// screen size and language; --texts-only renders just the windows that show text.
#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>
#include <QThread>
#include <cstdio>
#include <stdexcept>

#include "SampleRecord.h"
#include "dialog/NelvoDialog.h"
#include "engine/PlaneAllocator.h"
#include "ui/widgets/DisplayHelpers.h"
#include "ui/widgets/NavigatorGeometry.h"
#include "ui/widgets/NelvoAboutDlg.h"
#include "ui/widgets/NelvoImageCtrl.h"
#include "ui/widgets/NelvoNavigatorWnd.h"
#include "ui/widgets/NelvoSplashDlg.h"
#include "ui/widgets/NelvoTabCtrl.h"
#include "ui/widgets/QtApplication.h"

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

// The editing dialog on the sample in each of its three views, after the first
// computation has finished.
void renderDialog(const QString& dir, const SampleRecord& sample) {
    HeapPlaneAllocator allocator;
    NelvoDialog dialog(
        &sample.record, [] {}, allocator);
    setDefaults(dialog.settings);
    // Tuned for the sample's dust and hairs, as a user would.
    dialog.settings.engine.brightDefects = true;
    dialog.settings.engine.detectionIntensity = 9;
    dialog.initialise();
    dialog.show();
    const auto idle = [&dialog] {
        return !dialog.updater().isBusy() &&
               !dialog.findChild<QWidget*>(QStringLiteral("control1081"))->isVisible();
    };
    while (!idle()) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    auto* tabs = dialog.findChild<QTabBar*>(QStringLiteral("control1018"));
    const char* names[] = {"original", "mark-defects", "optimized"};
    for (int view = 0; view < 3; ++view) {
        tabs->setCurrentIndex(view);
        save(dialog, QStringLiteral("%1/dialog-%2.png").arg(dir, QLatin1String(names[view])));
    }
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
