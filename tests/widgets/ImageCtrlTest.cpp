// SPDX-License-Identifier: MIT
// The preview control: rendering through the host, defects, zoom, overlay and events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

#include "PIPlatformContext.h"
#include "ui/qt/NelvoImageCtrl.h"
#include "ui/qt/QtApplication.h"
#include "ui/shared/ScreenPixels.h"

using namespace nelvo;

namespace {

// A host record over an 8-bit RGB image whose pixel (x, y) is (x, y, 7) modulo 256.
struct Host {
    Host(int width, int height, int mode = plugInModeRGBColor, int planes = 3) {
        pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const auto i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(x)) *
                               3;
                pixels[i] = static_cast<std::uint8_t>(x);
                pixels[i + 1] = static_cast<std::uint8_t>(y);
                pixels[i + 2] = 7;
            }
        big.filterRect32 = {5, 9, 5 + height, 9 + width};
        big.inRect32 = big.filterRect32;
        record.bigDocumentData = &big;
        record.imageMode = static_cast<int16>(mode);
        record.planes = static_cast<int16>(planes);
        record.depth = 8;
        record.inData = pixels.data();
        record.inRowBytes = width * 3;
        record.inColumnBytes = 3;
    }
    std::vector<std::uint8_t> pixels;
    BigDocumentStruct big{};
    FilterRecord record{};
};

// The host's displayPixels as the tests see it: every call recorded, tile n failing.
struct DisplayLog {
    std::vector<VRect> rects;
    int failTile = -1;
};
DisplayLog* gLog = nullptr;

OSErr loggingDisplay(const PSPixelMap* map, const VRect* rect, int32 row, int32 col,
                     void* context) {
    gLog->rects.push_back(*rect);
    if (static_cast<int>(gLog->rects.size()) - 1 == gLog->failTile) return -1;
    return drawPixelMap(map, rect, row, col, static_cast<const PlatformDrawContext*>(context));
}

QRgb surfacePixel(const NelvoImageCtrl& c, int x, int y) {
    return c.imageSurface().pixel(x, y) & 0xFFFFFFu;
}

TEST(ImageCtrl, AppliesTheQtApplicationTheHostRuns) {
    EXPECT_EQ(&ensureApplication(), QCoreApplication::instance());
}

TEST(ImageCtrl, RendersThroughTheHostInTilesOfAtMost512) {
    Host host(600, 700);
    DisplayLog log;
    log.failTile = 1;  // a failing host tile is converted by the control itself
    gLog = &log;
    host.record.displayPixels = loggingDisplay;
    NelvoImageCtrl ctrl(&host.record);
    EXPECT_EQ(ctrl.channels, 3);
    EXPECT_EQ(ctrl.rowBytes, 1800);
    ctrl.loadSource(ctrl.sourcePixels.data());
    ctrl.showImage(ctrl.sourcePixels.data());
    ASSERT_EQ(log.rects.size(), 4u);
    EXPECT_EQ(log.rects[0].top, 5);
    EXPECT_EQ(log.rects[0].left, 9);
    EXPECT_EQ(log.rects[0].bottom, 5 + 512);
    EXPECT_EQ(log.rects[0].right, 9 + 512);
    EXPECT_EQ(log.rects[1].left, 9 + 512);
    EXPECT_EQ(log.rects[1].right, 9 + 600);
    EXPECT_EQ(log.rects[3].bottom, 5 + 700);
    for (auto [x, y] : {std::pair{0, 0}, {599, 10}, {550, 699}, {100, 600}})
        EXPECT_EQ(surfacePixel(ctrl, x, y), qRgb(x % 256, y % 256, 7) & 0xFFFFFFu) << x << "," << y;
    gLog = nullptr;
}

// Defects in the marker colour, ringed in white (red is dark) so that they show on a red
// picture too; pixels away from them keep the source; hand marks tint only when given.
TEST(ImageCtrl, DefectsInTheMarkerColourOverTheSource) {
    Host host(6, 3);
    NelvoImageCtrl ctrl(&host.record);
    ctrl.loadSource(ctrl.sourcePixels.data());
    const std::uint8_t map[18] = {0, 1, 0, 0, 0, 0,  //
                                  0, 0, 0, 0, 0, 0,  //
                                  0, 0, 0, 0, 0, 200};
    ctrl.showDefects(map, 0x000000FFu);
    EXPECT_EQ(surfacePixel(ctrl, 1, 0), 0xFF0000u);
    EXPECT_EQ(surfacePixel(ctrl, 5, 2), 0xFF0000u);
    for (const auto& [x, y] :
         {std::pair{0, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}, {4, 1}, {5, 1}, {4, 2}})
        EXPECT_EQ(surfacePixel(ctrl, x, y), 0xFFFFFFu) << x << "," << y;
    EXPECT_EQ(surfacePixel(ctrl, 4, 0), qRgb(4, 0, 7) & 0xFFFFFFu);
    EXPECT_EQ(surfacePixel(ctrl, 0, 2), qRgb(0, 2, 7) & 0xFFFFFFu);

    std::uint8_t marks[18];
    std::fill(std::begin(marks), std::end(marks), std::uint8_t{128});
    marks[2 * 6 + 1] = 0;  // erased
    ctrl.showDefects(map, 0x000000FFu, false, marks);
    EXPECT_NE(surfacePixel(ctrl, 1, 2), qRgb(1, 2, 7) & 0xFFFFFFu);
    EXPECT_EQ(surfacePixel(ctrl, 0, 2), qRgb(0, 2, 7) & 0xFFFFFFu);
}

TEST(ImageCtrl, ZoomsThatAreNotPositiveAreRefused) {
    Host host(200, 100);
    NelvoImageCtrl ctrl(&host.record);
    ctrl.resize(400, 300);
    ctrl.fitToWindow();
    EXPECT_EQ(ctrl.displayRect, (IntRect{100, 100, 300, 200}));
    for (double z : {0.0, -1.0, std::nan(""), double{INFINITY}}) {
        try {
            ctrl.setZoom(z);
            ADD_FAILURE() << z;
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "Invalid zoom level");
        }
        EXPECT_EQ(ctrl.zoom, 1.0);
        EXPECT_EQ(ctrl.displayRect, (IntRect{100, 100, 300, 200}));
    }
    ctrl.setZoom(4.0);
    EXPECT_EQ(ctrl.displayRect, (IntRect{-199, -49, 601, 351}));
    EXPECT_FLOAT_EQ(ctrl.visibleArea().left, 199.0f / 800);
}

TEST(ImageCtrl, OverlayBlendsSourceOverAndShowImageClearsIt) {
    Host host(4, 4);
    NelvoImageCtrl ctrl(&host.record);
    ctrl.resize(40, 40);
    ctrl.loadSource(ctrl.sourcePixels.data());
    ctrl.showImage(ctrl.sourcePixels.data());
    ctrl.fitToWindow();  // 4 x 4 centred at (18, 18), zoom 1
    {
        auto painter = ctrl.overlayDC();
        ASSERT_TRUE(painter);
        painter->setCompositionMode(QPainter::CompositionMode_Source);
        painter->fillRect(QRect(1, 1, 1, 1), QColor(255, 0, 0, 128));
    }
    QImage out(40, 40, QImage::Format_RGB32);
    ctrl.render(out, QRect(0, 0, 40, 40));
    // 128 + image * (255 - 128) / 255 per colour byte, image (1, 1, 7)
    const QRgb blended = out.pixel(19, 19);
    EXPECT_NEAR(qRed(blended), 128 + 1 * 127 / 255.0, 1.0);
    EXPECT_NEAR(qBlue(blended), 7 * 127 / 255.0, 1.0);
    EXPECT_EQ(out.pixel(20, 20) & 0xFFFFFFu, qRgb(2, 2, 7) & 0xFFFFFFu);
    EXPECT_EQ(out.pixel(5, 5), NelvoImageCtrl::kWorkspaceColour);
    ctrl.showImage(ctrl.sourcePixels.data());
    EXPECT_EQ(ctrl.overlaySurface().pixel(1, 1), 0u);
}

TEST(ImageCtrl, RenderingChangedAreasEqualsRenderingEverything) {
    Host host(600, 701);
    NelvoImageCtrl updated(&host.record), whole(&host.record);
    // Odd edges, and an area at the last row and column, where reductions average odd
    // rows and columns with themselves.
    const std::vector<IntRect> changed{{251, 301, 391, 421}, {590, 690, 600, 701}};
    const auto change = [&changed](NelvoImageCtrl& c) {
        for (const IntRect& r : changed)
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left * 3; x < r.right * 3; ++x) {
                    auto& v = c.sourcePixels[static_cast<std::size_t>(y * c.rowBytes + x)];
                    v = static_cast<std::uint8_t>(255 - v);
                }
    };
    for (NelvoImageCtrl* c : {&updated, &whole}) {
        c->resize(300, 200);
        c->loadSource(c->sourcePixels.data());
    }
    updated.showImage(updated.sourcePixels.data());
    updated.overlayDC()->fillRect(QRect(0, 0, 50, 50), QColor(255, 0, 0, 128));
    change(updated);
    updated.updateImageAreas(updated.sourcePixels.data(), changed);
    change(whole);
    whole.showImage(whole.sourcePixels.data());

    EXPECT_EQ(updated.imageSurface(), whole.imageSurface());
    EXPECT_EQ(updated.overlaySurface(), whole.overlaySurface());
    for (const double zoom : {1.0, 0.3, 0.04}) {
        QImage a(300, 200, QImage::Format_RGB32), b(300, 200, QImage::Format_RGB32);
        for (NelvoImageCtrl* c : {&updated, &whole}) c->setZoom(zoom);
        updated.render(a, QRect(0, 0, 300, 200));
        whole.render(b, QRect(0, 0, 300, 200));
        EXPECT_EQ(a, b) << "zoom " << zoom;
        // A part of the client drawn into a larger buffer, as the paint event does.
        QImage part(300, 200, QImage::Format_RGB32);
        part.fill(Qt::black);
        whole.render(part, QRect(40, 30, 100, 50));
        EXPECT_EQ(part.copy(0, 0, 100, 50), b.copy(40, 30, 100, 50)) << "zoom " << zoom;
        EXPECT_EQ(part.pixel(150, 100), QColor(Qt::black).rgb());  // nothing drawn beyond
    }
}

TEST(ImageCtrl, DegenerateImagesShowWithoutFailing) {
    for (auto [w, h] : {std::pair{1, 1}, {60000, 10}, {0, 5}, {0, 0}}) {
        Host host(w, h);
        NelvoImageCtrl ctrl(&host.record);
        ctrl.resize(300, 200);
        ctrl.loadSource(ctrl.sourcePixels.data());
        ctrl.showImage(ctrl.sourcePixels.data());
        ctrl.fitToWindow();
        ctrl.setZoom(2.0);
        ctrl.centerOn(0.5f, 0.5f);
        ctrl.clearOverlay();
        EXPECT_GT(ctrl.zoom, 0.0);
        QImage out(300, 200, QImage::Format_RGB32);
        ctrl.render(out, QRect(0, 0, 300, 200));
        const ViewFraction f = ctrl.visibleArea();
        EXPECT_TRUE(std::isfinite(f.left) && std::isfinite(f.right)) << w << "x" << h;
    }
}

TEST(ImageCtrl, MouseEventsReachTheCallbacks) {
    Host host(10, 10);
    NelvoImageCtrl ctrl(&host.record);
    ctrl.resize(100, 100);
    std::vector<std::pair<unsigned, IntPoint>> downs;
    ctrl.onLButtonDown = [&](unsigned flags, IntPoint p) { downs.emplace_back(flags, p); };
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(12, 34), QPointF(12, 34), Qt::LeftButton,
                      Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(&ctrl, &press);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].first, kMouseLeft | kMouseShift);
    EXPECT_EQ(downs[0].second, (IntPoint{12, 34}));
    // Without callbacks only the default handling runs.
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&ctrl, &release);
}

TEST(ImageCtrl, ToolCursorInvertsWhatItCovers) {
    Host host(64, 64);
    NelvoImageCtrl ctrl(&host.record);
    ctrl.resize(64, 64);
    ctrl.loadSource(ctrl.sourcePixels.data());
    ctrl.showImage(ctrl.sourcePixels.data());
    ctrl.fitToWindow();  // 64 x 64 is not smaller than the client: zoom 1 at (0, 0)
    PluginCursor cursor;
    ASSERT_TRUE(cursor.setSize(1));  // crosshair, hot spot (12, 12)
    ctrl.onSetCursor = [&](unsigned hit, unsigned message) {
        EXPECT_EQ(hit, kHitClient);
        EXPECT_EQ(message, kMessageMouseMove);
        ctrl.setToolCursor(cursor.handle());
        return true;
    };
    QMouseEvent move(QEvent::MouseMove, QPointF(30, 30), QPointF(30, 30), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&ctrl, &move);
    EXPECT_EQ(ctrl.cursor().shape(), Qt::BlankCursor);
    const QImage shown = ctrl.grab().toImage();
    // Row 12 of the cell lies on client row 30, from x = 18: cell column 1 is drawn, the
    // gap at column 9 is not.
    EXPECT_EQ(shown.pixel(19, 30) & 0xFFFFFFu, qRgb(255 - 19, 255 - 30, 255 - 7) & 0xFFFFFFu);
    EXPECT_EQ(shown.pixel(27, 30) & 0xFFFFFFu, qRgb(27, 30, 7) & 0xFFFFFFu);
    ctrl.onSetCursor = nullptr;
    QApplication::sendEvent(&ctrl, &move);
    EXPECT_EQ(ctrl.toolCursor(), nullptr);
}

}  // namespace
