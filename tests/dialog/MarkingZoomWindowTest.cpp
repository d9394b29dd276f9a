// SPDX-License-Identifier: MIT
// Hand marking, zooming and panning in the real editing dialog, offscreen, on the sample
// picture served by our host: mouse and keys go through the preview, the zoom controls
// and the navigator as a user's would.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QWheelEvent>
#include <cmath>

#include "dialog/DialogFixture.h"
#include "dialog/ZoomNavigation.h"
#include "ui/qt/DisplayHelpers.h"
#include "ui/qt/NelvoNavigatorWnd.h"
#include "ui/qt/NelvoTabCtrl.h"
#include "ui/shared/TabStripGeometry.h"

namespace nelvo::test {
namespace {

class Marking : public DialogFixture {
  protected:
    std::unique_ptr<NelvoDialog> openIdle() {
        auto d = open();
        EXPECT_TRUE(waitUntil([&] { return idle(*d); }));
        return d;
    }
    static QPoint centre(NelvoDialog& d) { return d.preview().rect().center(); }
    static IntPoint imageAt(NelvoDialog& d, QPoint p) {
        return imagePoint({p.x(), p.y()}, d.preview().displayRect, d.preview().zoom);
    }
    static std::uint32_t overlayAt(NelvoDialog& d, IntPoint p) {
        return d.preview().overlayWords()[p.y * d.preview().imageWidth + p.x];
    }
    static std::uint8_t mapAt(NelvoDialog& d, IntPoint p) {
        return d.updater().markingMap[static_cast<std::size_t>(p.y * d.preview().imageWidth + p.x)];
    }
    // The changed map bytes: how many, and the centre of their box.
    struct Marks {
        int count = 0;
        IntRect box{1 << 30, 1 << 30, -1, -1};
        IntPoint centre() const { return {(box.left + box.right) / 2, (box.top + box.bottom) / 2}; }
    };
    static Marks marksOf(NelvoDialog& d, std::uint8_t value) {
        Marks m;
        const int w = d.preview().imageWidth;
        const auto& map = d.updater().markingMap;
        for (std::size_t i = 0; i < map.size(); ++i) {
            if (map[i] != value) continue;
            const int x = static_cast<int>(i) % w, y = static_cast<int>(i) / w;
            ++m.count;
            m.box = {std::min(m.box.left, x), std::min(m.box.top, y), std::max(m.box.right, x),
                     std::max(m.box.bottom, y)};
        }
        return m;
    }
    static void click(NelvoDialog& d, QPoint p) {
        QTest::mousePress(&d.preview(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(&d.preview(), Qt::LeftButton, {}, p);
    }
    static void selectTool(NelvoDialog& d, int index) {
        auto* tabs = findControl<NelvoTabCtrl>(&d, editing::kToolTabs);
        const IntRect client{0, 0, tabs->width(), tabs->height()};
        const IntRect r = tabRect(client, screenMetrics().tabSize, index);
        QTest::mouseClick(tabs, Qt::LeftButton, {},
                          QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    }
    filterhost::Document wide;  // served instead of the sample where a test says so

    static QComboBox* zoomBox(NelvoDialog& d) {
        return findControl<QComboBox>(&d, editing::kZoomBox);
    }
    static void typeZoom(NelvoDialog& d, const char* text) {
        QLineEdit* line = zoomBox(d)->lineEdit();
        line->setFocus();
        line->selectAll();
        QTest::keyClicks(line, text);
        QTest::keyClick(line, Qt::Key_Return);
    }
};

TEST_F(Marking, AClickBurnsARoundDotIntoTheMapAndRecomputes) {
    auto d = openIdle();
    slider(*d, editing::kBrushSizeSlider)->setValue(3);
    slider(*d, editing::kBrushIntensitySlider)->setValue(10);
    QTest::keyClick(d.get(), Qt::Key_1, Qt::ControlModifier);
    ASSERT_EQ(d->preview().zoom, 1.0);
    const QPoint c = centre(*d);
    const IntPoint q = imageAt(*d, c);

    QTest::mousePress(&d->preview(), Qt::LeftButton, {}, c);
    EXPECT_EQ(d->dragMode(), DragMode::Brush);
    EXPECT_EQ(overlayAt(*d, q), 0x80686868u);  // the +10 grey at half opacity
    QTest::mouseRelease(&d->preview(), Qt::LeftButton, {}, c);
    EXPECT_EQ(d->dragMode(), DragMode::None);
    EXPECT_EQ(d->updater().lastParams().mode, static_cast<std::int32_t>(UpdateMode::Marks));
    EXPECT_EQ(overlayAt(*d, q), 0u);  // the trace is gone once burnt in
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));

    const Marks m = marksOf(*d, 228);
    EXPECT_EQ(m.centre(), q);
    EXPECT_EQ(m.box.right - m.box.left + 1, 7);  // 2 x 3 + 1 across
    EXPECT_NEAR(m.count, M_PI * 3.5 * 3.5, 5);
    EXPECT_EQ(marksOf(*d, 128).count + m.count, 600 * 400);
}

// Ctrl+Z takes strokes back one by one and Ctrl+Shift+Z or Ctrl+Y redo them; Ctrl+Delete
// clears every mark and is undone like a stroke. Each change recomputes.
TEST_F(Marking, StrokesAreUndoneRedoneAndCleared) {
    auto d = openIdle();
    slider(*d, editing::kBrushSizeSlider)->setValue(3);
    slider(*d, editing::kBrushIntensitySlider)->setValue(10);
    const QPoint c = centre(*d);
    const std::vector<std::uint8_t> untouched = d->updater().markingMap;
    click(*d, c);
    const std::vector<std::uint8_t> oneStroke = d->updater().markingMap;
    selectTool(*d, 1);
    click(*d, c + QPoint(40, 0));
    const std::vector<std::uint8_t> twoStrokes = d->updater().markingMap;
    ASSERT_NE(oneStroke, untouched);
    ASSERT_NE(twoStrokes, oneStroke);
    const auto recomputed = [&] {
        const bool marks =
            d->updater().lastParams().mode == static_cast<std::int32_t>(UpdateMode::Marks);
        return marks && waitUntil([&] { return idle(*d); });
    };

    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    const int finished = d->updater().finishedCount();
    QTest::keyClick(d.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(d->updater().markingMap, oneStroke);
    EXPECT_TRUE(recomputed());
    EXPECT_GT(d->updater().finishedCount(), finished);
    QTest::keyClick(d.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(d->updater().markingMap, untouched);
    QTest::keyClick(d.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(d->updater().markingMap, oneStroke);
    QTest::keyClick(d.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(d->updater().markingMap, twoStrokes);

    QTest::keyClick(d.get(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(d->updater().markingMap, untouched);
    EXPECT_TRUE(recomputed());
    QTest::keyClick(d.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(d->updater().markingMap, twoStrokes);

    // The button does what Ctrl+Delete does.
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    findControl<QPushButton>(d.get(), editing::kClearMarks)->click();
    EXPECT_EQ(d->updater().markingMap, untouched);
    EXPECT_TRUE(recomputed());
    QTest::keyClick(d.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(d->updater().markingMap, twoStrokes);
}

// "Mark Defects" tints where the brush raised and the eraser lowered the map, while "Show
// hand marks" is checked; elsewhere, and with the box unchecked, the picture is as before.
TEST_F(Marking, HandMarksAreTintedInTheMarkDefectsView) {
    auto d = openIdle();
    findControl<QTabBar>(d.get(), editing::kViewTabs)->setCurrentIndex(1);
    slider(*d, editing::kBrushSizeSlider)->setValue(3);
    slider(*d, editing::kBrushIntensitySlider)->setValue(10);
    selectTool(*d, 1);
    const QPoint c = centre(*d);
    click(*d, c);
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    const IntPoint erased = imageAt(*d, c);
    ASSERT_EQ(mapAt(*d, erased), 0);
    const IntPoint far{erased.x, erased.y / 4};
    ASSERT_EQ(mapAt(*d, far), 128);
    ASSERT_EQ(d->updater().defectMap[static_cast<std::size_t>(erased.y * 600 + erased.x)], 0);
    ASSERT_EQ(d->updater().defectMap[static_cast<std::size_t>(far.y * 600 + far.x)], 0);
    const auto shown = [&](IntPoint p) { return d->preview().imageSurface().pixel(p.x, p.y); };
    QCheckBox* show = check(*d, editing::kShowMarks);
    ASSERT_TRUE(show->isChecked());
    const QRgb tinted = shown(erased), farTinted = shown(far);
    show->click();
    const QRgb plain = shown(erased);
    EXPECT_NE(tinted, plain);
    EXPECT_GT(qBlue(tinted), qBlue(plain) - 1);
    EXPECT_LT(qRed(tinted), qRed(plain) + 1);
    EXPECT_EQ(shown(far), farTinted);
    show->click();
    EXPECT_EQ(shown(erased), tinted);
}

TEST_F(Marking, AStrokeWhoseReleaseWasLostIsBurntInAtTheNextPress) {
    auto d = openIdle();
    slider(*d, editing::kBrushSizeSlider)->setValue(2);
    slider(*d, editing::kBrushIntensitySlider)->setValue(10);
    const QPoint c = centre(*d);
    QTest::mousePress(&d->preview(), Qt::LeftButton, {}, c);
    QTest::mousePress(&d->preview(), Qt::LeftButton, {}, c + QPoint(60, 0));
    EXPECT_EQ(mapAt(*d, imageAt(*d, c)), 228);
    EXPECT_EQ(overlayAt(*d, imageAt(*d, c)), 0u);
    QTest::mouseRelease(&d->preview(), Qt::LeftButton, {}, c + QPoint(60, 0));
    EXPECT_EQ(mapAt(*d, imageAt(*d, c + QPoint(60, 0))), 228);
}

TEST_F(Marking, AStrokeAtIntensityZeroChangesNoMarkButRecomputes) {
    auto d = openIdle();
    slider(*d, editing::kBrushIntensitySlider)->setValue(0);
    const std::vector<std::uint8_t> before = d->updater().markingMap;
    const QPoint c = centre(*d);
    QTest::mousePress(&d->preview(), Qt::LeftButton, {}, c);
    QTest::mouseMove(&d->preview(), c + QPoint(30, 10));
    QTest::mouseRelease(&d->preview(), Qt::LeftButton, {}, c + QPoint(30, 10));
    EXPECT_EQ(d->updater().lastParams().mode, static_cast<std::int32_t>(UpdateMode::Marks));
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    EXPECT_EQ(d->updater().markingMap, before);
}

TEST_F(Marking, TheEraserTabShowsItsRowAndErasedPixelsAreNeverDefects) {
    parameters.engine.brightDefects = true;
    parameters.engine.detectionIntensity = 20;  // marks nearly everything with contrast
    auto d = openIdle();
    slider(*d, editing::kEraserSizeSlider)->setValue(12);
    selectTool(*d, 1);
    for (int id : {editing::kEraserSizeLabel, editing::kEraserSizeEdit, editing::kEraserSizeSlider})
        EXPECT_TRUE(control(*d, id)->isVisible()) << id;
    for (int id :
         {editing::kBrushSizeLabel, editing::kBrushIntensityLabel, editing::kBrushSizeEdit,
          editing::kBrushIntensityEdit, editing::kBrushSizeSlider, editing::kBrushIntensitySlider,
          editing::kIntensityMinusMark, editing::kIntensityZeroMark, editing::kIntensityPlusMark})
        EXPECT_FALSE(control(*d, id)->isVisible()) << id;
    EXPECT_EQ(findControl<QLabel>(d.get(), editing::kToolTitle)->text(),
              QStringLiteral("Rubber Tool"));
    PluginCursor expected;
    ASSERT_TRUE(expected.setSize(cursorDiameter(12, d->preview().zoom)));
    ASSERT_TRUE(d->preview().toolCursor());
    EXPECT_EQ(d->preview().toolCursor()->size, expected.handle()->size);

    // Erase around a detected pixel near the centre.
    const QPoint c = centre(*d);
    const IntPoint q = imageAt(*d, c);
    int flagged = 0;
    for (int y = q.y - 6; y <= q.y + 6; ++y)
        for (int x = q.x - 6; x <= q.x + 6; ++x)
            flagged += d->updater().defectMap[static_cast<std::size_t>(y * 600 + x)] != 0;
    ASSERT_GT(flagged, 0) << "the test needs defects to erase";
    QTest::mousePress(&d->preview(), Qt::LeftButton, {}, c);
    EXPECT_EQ(d->dragMode(), DragMode::Eraser);
    EXPECT_EQ(overlayAt(*d, q), 0x80800000u);
    QTest::mouseRelease(&d->preview(), Qt::LeftButton, {}, c);
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    for (int y = q.y - 6; y <= q.y + 6; ++y)
        for (int x = q.x - 6; x <= q.x + 6; ++x) {
            EXPECT_EQ(mapAt(*d, {x, y}), 0) << x << "," << y;
            EXPECT_EQ(d->updater().defectMap[static_cast<std::size_t>(y * 600 + x)], 0);
        }

    // Back to the brush: +10 takes erased bytes to 100, still below neutral.
    selectTool(*d, 0);
    EXPECT_EQ(findControl<QLabel>(d.get(), editing::kToolTitle)->text(),
              QStringLiteral("Defect Marking"));
    EXPECT_TRUE(control(*d, editing::kBrushSizeSlider)->isVisible());
    slider(*d, editing::kBrushSizeSlider)->setValue(1);
    slider(*d, editing::kBrushIntensitySlider)->setValue(10);
    click(*d, c);
    EXPECT_EQ(mapAt(*d, q), 100);

    // The mask panel stays hidden and its buttons disabled.
    for (int id : {editing::kMasksLabel, editing::kMaskPathTool, editing::kMaskButton1,
                   editing::kMaskButton2, editing::kMaskButton3, editing::kMaskButton4,
                   editing::kMaskButton5, editing::kMaskPolygonTool, editing::kMaskButton6,
                   editing::kMaskNameBox, editing::kMaskNameEdit, editing::kMaskSelectionPicture})
        EXPECT_FALSE(control(*d, id)->isVisible()) << id;
    for (int id : {editing::kMaskButton1, editing::kMaskButton2, editing::kMaskButton3,
                   editing::kMaskButton4})
        EXPECT_FALSE(control(*d, id)->isEnabled()) << id;
}

TEST_F(Marking, ImageCoordinatesAtZoomHalfAndTwo) {
    auto d = openIdle();
    slider(*d, editing::kBrushSizeSlider)->setValue(1);
    slider(*d, editing::kBrushIntensitySlider)->setValue(10);
    slider(*d, editing::kZoomSlider)->setValue(50);
    ASSERT_EQ(d->preview().zoom, 0.5);
    const IntRect& r = d->preview().displayRect;
    click(*d, QPoint(r.left + 10, r.top + 10));
    EXPECT_EQ(marksOf(*d, 228).centre(), (IntPoint{20, 20}));
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));

    slider(*d, editing::kZoomSlider)->setValue(200);
    QTest::mouseClick(d->navigator(), Qt::LeftButton, {}, QPoint(1, 1));  // to the corner
    ASSERT_EQ(d->preview().displayRect.left, 0);
    ASSERT_EQ(d->preview().displayRect.top, 0);
    slider(*d, editing::kBrushIntensitySlider)->setValue(-10);
    click(*d, QPoint(3, 3));  // 1.5 + 0.5 truncated
    EXPECT_EQ(marksOf(*d, 28).centre(), (IntPoint{2, 2}));
}

TEST_F(Marking, SpaceDragPansAndPaintsNothing) {
    auto d = openIdle();
    slider(*d, editing::kZoomSlider)->setValue(200);
    // Not over the preview: the space bar is left to the controls.
    QTest::keyPress(d.get(), Qt::Key_Space);
    EXPECT_FALSE(d->spaceHeld());
    QTest::keyRelease(d.get(), Qt::Key_Space);

    const QPoint c = centre(*d);
    QTest::mouseMove(&d->preview(), c);
    QTest::keyPress(d.get(), Qt::Key_Space);
    EXPECT_TRUE(d->spaceHeld());
    EXPECT_EQ(d->preview().cursor().shape(), Qt::OpenHandCursor);
    // The key's auto-repeat (a release and a press each time) neither ends the hold nor
    // sets the cursor again.
    d->preview().setCursor(Qt::CrossCursor);
    for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
        QKeyEvent repeat(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        QApplication::sendEvent(d.get(), &repeat);
    }
    EXPECT_TRUE(d->spaceHeld());
    EXPECT_EQ(d->preview().cursor().shape(), Qt::CrossCursor);
    d->preview().setCursor(Qt::OpenHandCursor);
    const IntRect before = d->preview().displayRect;
    const IntRect frameBefore = d->navigator()->viewRect();
    QTest::mousePress(&d->preview(), Qt::LeftButton, {}, c);
    EXPECT_EQ(d->dragMode(), DragMode::Pan);
    QTest::mouseMove(&d->preview(), c + QPoint(-40, -30));
    QTest::mouseRelease(&d->preview(), Qt::LeftButton, {}, c + QPoint(-40, -30));
    const IntRect after = d->preview().displayRect;
    EXPECT_EQ(after.left, before.left - 40);
    EXPECT_EQ(after.top, before.top - 30);
    EXPECT_GT(d->navigator()->viewRect().left, frameBefore.left);  // the frame follows
    EXPECT_EQ(d->preview().cursor().shape(), Qt::OpenHandCursor);
    EXPECT_EQ(marksOf(*d, 128).count, 600 * 400);
    EXPECT_EQ(overlayAt(*d, imageAt(*d, c)), 0u);
    EXPECT_NE(d->updater().lastParams().mode, static_cast<std::int32_t>(UpdateMode::Marks));

    QTest::keyRelease(d.get(), Qt::Key_Space);
    EXPECT_FALSE(d->spaceHeld());
    EXPECT_TRUE(d->preview().toolCursor());  // the brush outline again
    EXPECT_EQ(d->preview().cursor().shape(), Qt::BlankCursor);
}

TEST_F(Marking, AStrokeOverlappingAFinishingComputationIsKeptWhole) {
    auto d = openIdle();
    findControl<QTabBar>(d.get(), editing::kViewTabs)->setCurrentIndex(2);
    slider(*d, editing::kBrushSizeSlider)->setValue(2);
    slider(*d, editing::kBrushIntensitySlider)->setValue(10);
    QTest::keyClick(d.get(), Qt::Key_1, Qt::ControlModifier);
    const QPoint c = centre(*d);
    QTest::mousePress(&d->preview(), Qt::LeftButton, {}, c);
    QTest::mouseMove(&d->preview(), c + QPoint(20, 0));
    // A computation (started just before, as far as it knows) finishes and the
    // "Optimized" view is drawn again while the button is held.
    const int detects = d->updater().completedDetects();
    slider(*d, editing::kTileSizeSlider)->setValue(30);
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    ASSERT_EQ(d->updater().completedDetects(), detects + 1);
    EXPECT_NE(overlayAt(*d, imageAt(*d, c)), 0u);
    QTest::mouseMove(&d->preview(), c + QPoint(40, 0));
    QTest::mouseRelease(&d->preview(), Qt::LeftButton, {}, c + QPoint(40, 0));
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    const IntPoint q = imageAt(*d, c);
    for (int dx = 0; dx <= 40; ++dx) EXPECT_EQ(mapAt(*d, {q.x + dx, q.y}), 228) << dx;
}

TEST_F(Marking, TypedZoomTheLevelsAndTheShortcuts) {
    auto d = openIdle();
    auto* in = findControl<QAbstractButton>(d.get(), editing::kZoomIn);
    auto* out = findControl<QAbstractButton>(d.get(), editing::kZoomOut);
    const auto shows = [&](double zoom, const char* text, int position) {
        EXPECT_DOUBLE_EQ(d->preview().zoom, zoom) << text;
        EXPECT_EQ(zoomBox(*d)->currentText(), QString::fromLatin1(text));
        EXPECT_EQ(slider(*d, editing::kZoomSlider)->value(), position) << text;
    };
    typeZoom(*d, "150");
    shows(1.5, "150.0 %", 150);
    EXPECT_TRUE(d->isVisible());  // Enter zoomed and did not press OK
    EXPECT_NE(d->QDialog::result(), QDialog::Accepted);
    in->click();
    shows(2.0, "200.0 %", 200);
    in->click();
    shows(4.0, "400.0 %", 400);
    in->click();
    shows(8.0, "800.0 %", 800);
    in->click();
    shows(8.0, "800.0 %", 800);
    typeZoom(*d, "150");
    out->click();
    shows(1.0, "100.0 %", 100);
    typeZoom(*d, "5");
    shows(0.1, "10.0 %", 10);
    typeZoom(*d, "1000");
    shows(8.0, "800.0 %", 800);
    typeZoom(*d, "abc");
    shows(0.1, "10.0 %", 10);
    // Typed text is also taken when the box loses the focus.
    QLineEdit* line = zoomBox(*d)->lineEdit();
    line->selectAll();
    QTest::keyClicks(line, "75");
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(line, &leave);
    shows(0.75, "75.0 %", 75);

    // From the list: 1/6 puts the slider at 17.
    zoomBox(*d)->setCurrentIndex(0);
    QTest::keyClick(zoomBox(*d), Qt::Key_Down);
    shows(1.0 / 6, "16.7 %", 17);
    out->click();
    shows(0.125, "12.5 %", 13);
    out->click();
    shows(0.125, "12.5 %", 13);

    const double fitted =
        nelvo::fitToWindow(600, 400, {0, 0, d->preview().width(), d->preview().height()}).zoom;
    QTest::keyClick(d.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(d->preview().zoom, fitted);
    QTest::keyClick(d.get(), Qt::Key_1, Qt::ControlModifier);
    shows(1.0, "100.0 %", 100);
    QTest::keyClick(d.get(), Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    shows(2.0, "200.0 %", 200);
    QTest::keyClick(d.get(), Qt::Key_Minus, Qt::ControlModifier);
    shows(1.0, "100.0 %", 100);
    QTest::keyClick(d.get(), Qt::Key_Equal, Qt::ControlModifier);
    shows(2.0, "200.0 %", 200);
    QTest::keyClick(d.get(), Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier);
    shows(1.0, "100.0 %", 100);
    // The cursor follows every zoom.
    PluginCursor expected;
    ASSERT_TRUE(
        expected.setSize(cursorDiameter(slider(*d, editing::kBrushSizeSlider)->value(), 1.0)));
    EXPECT_EQ(d->preview().toolCursor()->size, expected.handle()->size);
}

TEST_F(Marking, AFittedZoomBelowTenPercentIsShownAsText) {
    wide.allocate(8000, 120, 3, plugInModeRGBColor, 8);
    for (std::size_t i = 0; i < wide.pixels.size(); ++i)
        wide.pixels[i] = static_cast<std::uint8_t>(i / 3 % 251);
    serve(wide);
    auto d = openIdle();
    const double zoom = d->preview().zoom;
    ASSERT_LT(zoom, 0.1);
    EXPECT_EQ(zoomBox(*d)->currentText().toStdString(), zoomText(zoom));
    EXPECT_EQ(slider(*d, editing::kZoomSlider)->value(), 10);
    findControl<QAbstractButton>(d.get(), editing::kZoomIn)->click();
    EXPECT_EQ(d->preview().zoom, 0.125);
}

TEST_F(Marking, AltWheelZoomsAroundTheMousePoint) {
    auto d = openIdle();
    NelvoImageCtrl& p = d->preview();
    QTest::keyClick(d.get(), Qt::Key_1, Qt::ControlModifier);
    const QPoint at = p.rect().center() + QPoint(-60, 20);
    const auto imageX = [&] { return (at.x() - p.displayRect.left) / p.zoom; };
    const auto imageY = [&] { return (at.y() - p.displayRect.top) / p.zoom; };
    const double x = imageX(), y = imageY();
    const double before = p.zoom;
    const auto wheel = [&](Qt::KeyboardModifiers modifiers, int delta) {
        QWheelEvent e(at, p.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(&p, &e);
    };
    wheel(Qt::NoModifier, 120);
    EXPECT_EQ(p.zoom, before);  // the plain wheel scrolls, it never zooms
    wheel(Qt::AltModifier, 120);
    EXPECT_EQ(p.zoom, 2.0);
    EXPECT_NEAR(imageX(), x, 1.0);
    EXPECT_NEAR(imageY(), y, 1.0);
    EXPECT_EQ(zoomBox(*d)->currentText(), QStringLiteral("200.0 %"));
    wheel(Qt::AltModifier, -120);
    EXPECT_EQ(p.zoom, 1.0);
    wheel(Qt::ControlModifier, 120);  // Ctrl as Alt
    EXPECT_EQ(p.zoom, 2.0);
    EXPECT_NEAR(imageX(), x, 1.0);
    EXPECT_NEAR(imageY(), y, 1.0);
}

// Zoomed in, the plain wheel scrolls up and down and Shift+wheel sideways, an eighth of
// the view a notch; the zoom stays.
TEST_F(Marking, TheWheelScrollsThePreview) {
    auto d = openIdle();
    NelvoImageCtrl& p = d->preview();
    slider(*d, editing::kZoomSlider)->setValue(400);
    const QPoint at = p.rect().center();
    const auto wheel = [&](Qt::KeyboardModifiers modifiers, int delta) {
        QWheelEvent e(at, p.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(&p, &e);
    };
    const IntRect start = p.displayRect;
    wheel(Qt::NoModifier, -120);  // towards the user: the picture moves up
    EXPECT_EQ(p.displayRect.top, start.top - p.height() / 8);
    EXPECT_EQ(p.displayRect.left, start.left);
    wheel(Qt::NoModifier, 120);
    EXPECT_EQ(p.displayRect.top, start.top);
    wheel(Qt::ShiftModifier, -120);
    EXPECT_EQ(p.displayRect.left, start.left - p.width() / 8);
    EXPECT_EQ(p.displayRect.top, start.top);
    EXPECT_EQ(p.zoom, 4.0);
}

// `]` and `[` size the selected tool, its box and cursor following; not while a text
// box has the focus.
TEST_F(Marking, BracketsSizeTheSelectedTool) {
    auto d = openIdle();
    slider(*d, editing::kBrushSizeSlider)->setValue(40);
    slider(*d, editing::kEraserSizeSlider)->setValue(10);
    QTest::keyClick(d.get(), Qt::Key_BracketRight);
    EXPECT_EQ(slider(*d, editing::kBrushSizeSlider)->value(), 44);
    EXPECT_EQ(edit(*d, editing::kBrushSizeEdit)->text(), QStringLiteral("44"));
    PluginCursor expected;
    ASSERT_TRUE(expected.setSize(cursorDiameter(44, d->preview().zoom)));
    EXPECT_EQ(d->preview().toolCursor()->size, expected.handle()->size);
    QTest::keyClick(d.get(), Qt::Key_BracketLeft);
    QTest::keyClick(d.get(), Qt::Key_BracketLeft);
    EXPECT_EQ(slider(*d, editing::kBrushSizeSlider)->value(), 36);
    selectTool(*d, 1);
    QTest::keyClick(d.get(), Qt::Key_BracketRight);
    EXPECT_EQ(slider(*d, editing::kEraserSizeSlider)->value(), 11);
    EXPECT_EQ(slider(*d, editing::kBrushSizeSlider)->value(), 36);
    QLineEdit* line = zoomBox(*d)->lineEdit();
    line->setFocus();
    QTest::keyClick(line, Qt::Key_BracketRight);
    EXPECT_EQ(slider(*d, editing::kEraserSizeSlider)->value(), 11);
}

TEST_F(Marking, TheNavigatorJumpsAndDrags) {
    auto d = openIdle();
    NelvoNavigatorWnd* nav = d->navigator();
    ASSERT_NE(nav, nullptr);
    EXPECT_EQ(nav->size(), QSize(300, 200));
    EXPECT_EQ(nav->viewRect(), (IntRect{0, 0, 300, 200}));  // the whole picture framed
    slider(*d, editing::kZoomSlider)->setValue(200);
    NelvoImageCtrl& p = d->preview();
    EXPECT_EQ(nav->viewRect(), viewRectFor(p.visibleArea(), 300, 200));

    // A click outside the frame centres the preview there (clamped at the corner).
    QTest::mouseClick(nav, Qt::LeftButton, {}, QPoint(295, 195));
    EXPECT_EQ(p.displayRect.right, p.width());
    EXPECT_EQ(p.displayRect.bottom, p.height());
    EXPECT_EQ(nav->viewRect().right, 300);

    // Dragging the frame to the left moves the picture to the right.
    const IntRect frame = nav->viewRect();
    const IntRect before = p.displayRect;
    const QPoint grab((frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2);
    QTest::mousePress(nav, Qt::LeftButton, {}, grab);
    QTest::mouseMove(nav, grab - QPoint(20, 0));
    QTest::mouseRelease(nav, Qt::LeftButton, {}, grab - QPoint(20, 0));
    EXPECT_EQ(p.displayRect.left - before.left, navigatorDragShift(before, -20.0f / 300, 0).x);
    EXPECT_GT(p.displayRect.left, before.left);
    EXPECT_EQ(nav->viewRect(), viewRectFor(p.visibleArea(), 300, 200));

    // A larger window shows more of the picture: the frame grows with it.
    const int frameWidth = nav->viewRect().width();
    d->resize(d->width() + 200, d->height());
    EXPECT_TRUE(waitUntil([&] { return nav->viewRect().width() > frameWidth; }, 5));
}

// The navigator never holds the keyboard; keys sent to it anyway are the dialog's. Closed,
// it comes back at the step from the whole picture to a part of it, and with N.
TEST_F(Marking, TheNavigatorPassesKeysOnAndComesBack) {
    auto d = openIdle();
    d->show();
    NelvoNavigatorWnd* nav = d->navigator();
    ASSERT_TRUE(nav->isVisible());
    EXPECT_TRUE(nav->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    const double fitted = d->preview().zoom;
    QTest::keyClick(nav, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_GT(d->preview().zoom, fitted);

    nav->close();
    QTest::keyClick(d.get(), Qt::Key_0, Qt::ControlModifier);  // fit: the whole picture
    EXPECT_FALSE(nav->isVisible());
    QTest::keyClick(d.get(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_TRUE(nav->isVisible());
    EXPECT_EQ(nav->viewRect(), viewRectFor(d->preview().visibleArea(), 300, 200));
    nav->close();
    QTest::keyClick(d.get(), Qt::Key_Plus, Qt::ControlModifier);  // still a part: stays shut
    EXPECT_FALSE(nav->isVisible());
    QTest::keyClick(d.get(), Qt::Key_N);
    EXPECT_TRUE(nav->isVisible());

    bool closed = false;
    QObject::connect(d.get(), &QDialog::rejected, [&] { closed = true; });
    QTest::keyClick(nav, Qt::Key_Escape);
    EXPECT_TRUE(closed);
}

TEST_F(Marking, TheNavigatorReturnsWhereTheUserLeftIt) {
    const ScreenMetrics& m = screenMetrics();
    {
        auto d = open();
        const QRect frame = d->frameGeometry();
        EXPECT_EQ(d->navigator()->pos(),
                  QPoint(frame.left() - m.navigatorGap - 300, frame.top() + m.navigatorGap));
        d->navigator()->move(123, 77);
        d->done(QDialog::Rejected);
    }
    {
        auto d = open();
        EXPECT_EQ(d->navigator()->pos(), QPoint(123, 77));
        d->navigator()->move(-50, 90);  // a monitor left of the main one
        d->done(QDialog::Accepted);
    }
    auto d = open();
    EXPECT_EQ(d->navigator()->pos(), QPoint(d->frameGeometry().left() - m.navigatorGap - 300, 90));
}

TEST_F(Marking, TheBrushOutlineFollowsTheMouseAndLeavesWithIt) {
    auto d = openIdle();
    slider(*d, editing::kBrushSizeSlider)->setValue(8);
    NelvoImageCtrl& p = d->preview();
    // The mouse starts elsewhere (an earlier test may have left it over this spot).
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&p, &leave);
    const QImage without = p.grab().toImage();
    const QPoint at = p.rect().center();
    // Two moves: a move to where the mouse already is would not be reported.
    QTest::mouseMove(&p, at + QPoint(7, 5));
    QTest::mouseMove(&p, at);
    ASSERT_TRUE(p.toolCursor());
    PluginCursor expected;
    ASSERT_TRUE(expected.setSize(cursorDiameter(8, p.zoom)));
    EXPECT_EQ(p.toolCursor()->size, expected.handle()->size);
    const QImage with = p.grab().toImage();
    // The outline inverts the picture on its circle, to the right of the centre.
    const int radius = static_cast<int>(cursorDiameter(8, p.zoom)) / 2;
    bool inverted = false;
    for (int dx = radius - 2; dx <= radius + 2; ++dx)
        inverted =
            inverted || with.pixel(at.x() + dx, at.y()) != without.pixel(at.x() + dx, at.y());
    EXPECT_TRUE(inverted);
    QApplication::sendEvent(&p, &leave);
    EXPECT_EQ(p.grab().toImage(), without);
}

}  // namespace
}  // namespace nelvo::test
