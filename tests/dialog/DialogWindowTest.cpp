// SPDX-License-Identifier: MIT
// The real editing dialog, offscreen, on the sample picture served by our host.
#include <QAbstractSlider>
#include <QColorDialog>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QWindow>

#include "dialog/DialogFixture.h"
#include "presets/NelvoPresetManager.h"
#include "presets/TempFolder.h"
#include "ui/qt/DisplayHelpers.h"
#include "ui/shared/DialogUnits.h"

namespace nelvo::test {
namespace {

using DialogWindow = DialogFixture;

TEST_F(DialogWindow, ControlsSitAtTheirTemplatePlacesAndFollowTheAnchors) {
    auto d = open();
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    const ScreenMetrics& metrics = screenMetrics();
    EXPECT_EQ(d->minimumSize(), QSize(metrics.dialogMinWidth, metrics.dialogMinHeight));
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Nelvo - Morvale"));
    EXPECT_EQ(findControl<QPushButton>(d.get(), 2)->text(), QStringLiteral("Close"));
    EXPECT_EQ(findControl<QLabel>(d.get(), editing::kIntensityLabel)->text(),
              QStringLiteral("Detection Intensity"));

    // x, y, width, height in dialog units; the anchor's shares of the size change.
    struct Case {
        int id, x, y, w, h, moveX, moveY, growX, growY;
    };
    const Case cases[] = {{editing::kPreview, 12, 26, 346, 387, 0, 0, 100, 100},
                          {editing::kFitToWindow, 185, 417, 84, 14, 0, 100, 0, 0},
                          {editing::kProgress, 277, 421, 80, 6, 0, 100, 100, 0},
                          {editing::kIntensitySlider, 366, 79, 179, 15, 100, 0, 0, 0},
                          {1, 369, 369, 85, 14, 100, 100, 0, 0}};
    const double dpi = screenDpi();
    const int dx0 = d->width() - dialogUnitsToPixelsX(560, dpi);
    const int dy0 = d->height() - dialogUnitsToPixelsY(442, dpi);
    for (const int grow : {0, 100}) {
        d->resize(d->width() + grow, d->height() + grow / 2);
        const int dx = dx0 + grow, dy = dy0 + grow / 2;
        for (const Case& c : cases) {
            const PixelRect r = dialogRectToPixels(c.x, c.y, c.w, c.h, dpi);
            const QRect g = findControl(d.get(), c.id)->geometry();
            EXPECT_EQ(g, QRect(r.x + dx * c.moveX / 100, r.y + dy * c.moveY / 100,
                               r.width + dx * c.growX / 100, r.height + dy * c.growY / 100))
                << c.id << " after growing by " << grow;
        }
    }
}

TEST_F(DialogWindow, ATooLargeTileSizeOpensAt50AndIsStoredBackAsFifty) {
    parameters.engine.tileSize = 80;
    parameters.engine.adaptiveRecognition = true;
    parameters.previewPrecision = true;
    auto d = open();
    EXPECT_EQ(slider(*d, editing::kTileSizeSlider)->value(), 50);
    EXPECT_EQ(edit(*d, editing::kTileSizeEdit)->text(), QStringLiteral("50"));
    d->done(QDialog::Accepted);
    EXPECT_EQ(d->settings.engine.tileSize, 50);
    EXPECT_TRUE(d->settings.engine.adaptiveRecognition);
    EXPECT_TRUE(d->settings.previewPrecision);
    EXPECT_EQ(d->settings.windowState, 2);
    EXPECT_EQ(d->result.mapWidth, 600);
    EXPECT_EQ(d->result.mapBytes, 600u * 400u);
    EXPECT_EQ(d->result.map, d->updater().markingMap.data());
}

TEST_F(DialogWindow, TextInTheIntensityBoxSetsTheMinimumAndIsRewrittenOnLeaving) {
    auto d = open();
    QLineEdit* box = edit(*d, editing::kIntensityEdit);
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "abc");
    EXPECT_EQ(slider(*d, editing::kIntensitySlider)->value(), 1);
    EXPECT_EQ(box->text(), QStringLiteral("abc"));  // as typed until the box is left
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &leave);
    EXPECT_EQ(box->text(), QStringLiteral("1"));
}

// Enter after typing a value applies it and keeps the dialog open; once nothing is
// pending, Enter is OK. A brush box (no recomputation) and an over-range tile size.
TEST_F(DialogWindow, EnterInANumberBoxAppliesTheTypedValueBeforeItMeansOk) {
    struct Case {
        int editId, sliderId;
        const char* typed;
        int applied;
    };
    for (const Case c : {Case{editing::kBrushSizeEdit, editing::kBrushSizeSlider, "7", 7},
                         Case{editing::kTileSizeEdit, editing::kTileSizeSlider, "80", 50}}) {
        SCOPED_TRACE(c.editId);
        auto d = open();
        ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
        QLineEdit* box = edit(*d, c.editId);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, c.typed);
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(slider(*d, c.sliderId)->value(), c.applied);
        EXPECT_EQ(box->text(), QString::number(c.applied));
        if (c.editId == editing::kTileSizeEdit) {
            EXPECT_EQ(d->updater().lastParams().tileSize, c.applied);
        }
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_FALSE(d->isVisible());
        EXPECT_EQ(d->QDialog::result(), QDialog::Accepted);
    }
}

TEST_F(DialogWindow, AStoredWindowFrameIsUsedOnlyWhenLargeEnough) {
    const ScreenMetrics& m = screenMetrics();
    std::int32_t small[4] = {10, 20, 10 + m.dialogMinHeight - 1, 20 + m.dialogMinWidth + 50};
    std::copy(std::begin(small), std::end(small), parameters.windowFrame);
    auto d = open();
    EXPECT_EQ(d->size(), QSize(m.dialogMinWidth, m.dialogMinHeight));

    std::int32_t large[4] = {30, 40, 30 + m.dialogMinHeight + 20, 40 + m.dialogMinWidth + 60};
    std::copy(std::begin(large), std::end(large), parameters.windowFrame);
    auto e = open();
    EXPECT_EQ(e->size(), QSize(m.dialogMinWidth + 60, m.dialogMinHeight + 20));
    e->done(QDialog::Accepted);
    EXPECT_EQ(e->settings.windowFrame[2] - e->settings.windowFrame[0], m.dialogMinHeight + 20);
    EXPECT_EQ(e->settings.windowFrame[3] - e->settings.windowFrame[1], m.dialogMinWidth + 60);
}

// Frames stored on another desk open on this one (a main screen of 1920 x 1080 and one
// of 1280 x 1024 to its left), where they can be seen and used: the whole window, its
// frame included, on the screen it is nearest to, at the size it was stored.
TEST_F(DialogWindow, AStoredFrameOffTheScreensOpensOnOne) {
    const ScreenMetrics& m = screenMetrics();
    const int w = m.dialogMinWidth + 10, h = m.dialogMinHeight + 10;
    const QRect mainScreen(0, 0, 1920, 1080), leftScreen(-1280, 0, 1280, 1024);
    struct Case {
        int left, top;
        QRect screen;
    };
    const Case cases[] = {{-9000, -5000, leftScreen},
                          {5000, 5000, mainScreen},
                          {-1100, 300, leftScreen},
                          {300, 100, mainScreen}};
    for (const Case& c : cases) {
        std::int32_t frame[4] = {c.top, c.left, c.top + h, c.left + w};
        std::copy(std::begin(frame), std::end(frame), parameters.windowFrame);
        auto d = open();
        const QRect outer = d->frameGeometry();
        EXPECT_TRUE(c.screen.contains(outer)) << c.left << ", " << c.top;
        EXPECT_EQ(d->size(), QSize(w, h)) << c.left << ", " << c.top;
    }
    // Those already on a screen stay where they were; the others come in only as far
    // as needed.
    std::int32_t onScreen[4] = {100, 300, 100 + h, 300 + w};
    std::copy(std::begin(onScreen), std::end(onScreen), parameters.windowFrame);
    EXPECT_EQ(open()->geometry(), QRect(300, 100, w, h));
    std::int32_t below[4] = {5000, 5000, 5000 + h, 5000 + w};
    std::copy(std::begin(below), std::end(below), parameters.windowFrame);
    EXPECT_EQ(open()->frameGeometry().bottomRight(), mainScreen.bottomRight());
}

TEST_F(DialogWindow, DefectTypeRuleOnClicks) {
    parameters.engine.darkDefects = false;
    parameters.engine.brightDefects = false;
    auto d = open();
    QCheckBox* dark = check(*d, editing::kDarkDefects);
    QCheckBox* bright = check(*d, editing::kBrightDefects);
    EXPECT_FALSE(dark->isChecked() || bright->isChecked());
    dark->click();  // checks dark
    EXPECT_TRUE(dark->isChecked());
    dark->click();  // unchecking the only box checks the other
    EXPECT_FALSE(dark->isChecked());
    EXPECT_TRUE(bright->isChecked());
    dark->click();
    bright->click();
    EXPECT_TRUE(dark->isChecked());
    EXPECT_FALSE(bright->isChecked());
    EXPECT_EQ(d->updater().lastParams().mode, static_cast<std::int32_t>(UpdateMode::DefectType));
}

// The adaptive detection box shows the record's value, detects again when clicked, and
// leaves an intensity change without a detection in that mode as well.
TEST_F(DialogWindow, AdaptiveDetectionBoxDetectsAndIntensityStillDoesNot) {
    parameters.engine.adaptiveRecognition = true;
    auto d = open();
    QCheckBox* adaptive = check(*d, editing::kAdaptiveDetection);
    EXPECT_TRUE(adaptive->isChecked());
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    const int detects = d->updater().completedDetects();
    adaptive->click();
    EXPECT_FALSE(d->updater().lastParams().adaptiveRecognition);
    EXPECT_EQ(d->updater().lastParams().mode, static_cast<std::int32_t>(UpdateMode::DefectType));
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    adaptive->click();
    EXPECT_TRUE(d->updater().lastParams().adaptiveRecognition);
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    EXPECT_EQ(d->updater().completedDetects(), detects + 2);
    slider(*d, editing::kIntensitySlider)->setValue(13);
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    EXPECT_EQ(d->updater().completedDetects(), detects + 2);
    d->done(QDialog::Accepted);
    EXPECT_TRUE(d->settings.engine.adaptiveRecognition);
}

TEST_F(DialogWindow, CancelDuringAComputationStopsItAndChangesNothing) {
    auto d = open();
    const FilterParameters before = d->settings;
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    auto held = holdWorker(*d);
    slider(*d, editing::kTileSizeSlider)->setValue(30);
    ASSERT_TRUE(d->updater().isBusy());
    held.unlock();
    d->done(QDialog::Rejected);
    EXPECT_FALSE(d->updater().isBusy());
    EXPECT_EQ(d->settings, before);
    EXPECT_EQ(d->result.map, nullptr);
}

TEST_F(DialogWindow, OkDuringAComputationWaitsForIt) {
    auto d = open();
    // Counted while idle: the new computation's detect may end before OK is pressed.
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    const int detects = d->updater().completedDetects();
    auto held = holdWorker(*d);
    slider(*d, editing::kTileSizeSlider)->setValue(30);
    ASSERT_TRUE(d->updater().isBusy());
    held.unlock();
    d->done(QDialog::Accepted);
    EXPECT_FALSE(d->updater().isBusy());
    EXPECT_EQ(d->updater().completedDetects(), detects + 1);
    EXPECT_EQ(d->settings.engine.tileSize, 30);
}

TEST_F(DialogWindow, AnIntensityDragNeverDetects) {
    auto d = open();
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    const int detects = d->updater().completedDetects();
    for (int v = 2; v <= 12; ++v) {
        slider(*d, editing::kIntensitySlider)->setValue(v);
        EXPECT_EQ(d->updater().lastParams().detectionIntensity, v);
        EXPECT_EQ(edit(*d, editing::kIntensityEdit)->text(), QString::number(v));
    }
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    EXPECT_EQ(d->updater().completedDetects(), detects);
}

TEST_F(DialogWindow, TheOptimizedViewAfterChangesIsTheOneARedrawShows) {
    // Results that follow a shown one are drawn only where they can differ from it.
    auto d = open();
    findControl<QTabBar>(d.get(), editing::kViewTabs)->setCurrentIndex(2);
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    for (int v : {14, 6, 11}) {
        slider(*d, editing::kIntensitySlider)->setValue(v);
        ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
        ASSERT_TRUE(d->updater().changedTiles()) << v;
        const QImage shown = d->preview().imageSurface().copy();
        NelvoImageCtrl redrawn(d->preview().record);
        redrawn.loadSource(redrawn.sourcePixels.data());
        redrawn.showImage(d->preview().optimizedPixels.data());
        EXPECT_EQ(shown, redrawn.imageSurface()) << v;
    }
}

TEST_F(DialogWindow, ViewsWhileBusyAndWhenDone) {
    auto d = open();
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    auto* tabs = findControl<QTabBar>(d.get(), editing::kViewTabs);
    const QImage original = d->preview().imageSurface().copy();
    auto held = holdWorker(*d);
    slider(*d, editing::kTileSizeSlider)->setValue(25);
    ASSERT_TRUE(d->updater().isBusy());
    tabs->setCurrentIndex(2);
    EXPECT_EQ(d->preview().imageSurface(), original);  // the old picture stays
    held.unlock();
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    const QImage optimized = d->preview().imageSurface().copy();
    EXPECT_NE(optimized, original);
    tabs->setCurrentIndex(0);  // at once, also while busy
    EXPECT_EQ(d->preview().imageSurface(), original);
}

// Holding the backslash (or O) shows the original over any view until it is released;
// in a text box O is just a letter. A result arriving meanwhile waits for the release.
// Ctrl+Tab and Ctrl+Shift+Tab step through the views.
TEST_F(DialogWindow, BeforeAndAfterAtAHeldKeyAndTheViewsInTurn) {
    auto d = open();
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    auto* tabs = findControl<QTabBar>(d.get(), editing::kViewTabs);
    const QImage original = d->preview().imageSurface().copy();
    tabs->setCurrentIndex(2);
    const QImage optimized = d->preview().imageSurface().copy();
    ASSERT_NE(optimized, original);

    for (const Qt::Key key : {Qt::Key_Backslash, Qt::Key_O}) {
        QTest::keyPress(d.get(), key);
        EXPECT_TRUE(d->comparing()) << key;
        EXPECT_EQ(d->preview().imageSurface(), original) << key;
        QTest::keyPress(d.get(), key);  // pressed again while held: nothing changes
        EXPECT_EQ(d->preview().imageSurface(), original) << key;
        QTest::keyRelease(d.get(), key);
        EXPECT_FALSE(d->comparing()) << key;
        EXPECT_EQ(d->preview().imageSurface(), optimized) << key;
        EXPECT_EQ(tabs->currentIndex(), 2);
    }

    // A new result while the key is held is shown on release.
    QTest::keyPress(d.get(), Qt::Key_Backslash);
    slider(*d, editing::kIntensitySlider)->setValue(15);
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    EXPECT_EQ(d->preview().imageSurface(), original);
    QTest::keyRelease(d.get(), Qt::Key_Backslash);
    const QImage newer = d->preview().imageSurface().copy();
    EXPECT_NE(newer, original);
    EXPECT_NE(newer, optimized);

    QLineEdit* box = edit(*d, editing::kIntensityEdit);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_O);
    EXPECT_FALSE(d->comparing());
    d->setFocus();

    QTest::keyClick(d.get(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs->currentIndex(), 0);
    QTest::keyClick(d.get(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs->currentIndex(), 1);
    QTest::keyClick(d.get(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(tabs->currentIndex(), 0);
}

// Every control the user can work with explains itself, the eraser's row included; the
// never-shown mask panel needs nothing.
TEST_F(DialogWindow, EveryControlInUseHasATooltip) {
    auto d = open();
    int checked = 0;
    for (QWidget* w : d->findChildren<QWidget*>()) {
        const int id = controlId(w);
        const bool eraserRow = id == editing::kEraserSizeSlider || id == editing::kEraserSizeEdit;
        if (id == 0 || (w->isHidden() && !eraserRow)) continue;
        const bool input = qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractSlider*>(w) ||
                           qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QTabBar*>(w) || id == editing::kPreview ||
                           id == editing::kToolTabs || id == editing::kColourSwatch ||
                           id == editing::kHelpIcon || id == editing::kAboutLink;
        if (!input) continue;
        ++checked;
        EXPECT_FALSE(w->toolTip().isEmpty()) << id;
    }
    EXPECT_GE(checked, 30);
}

TEST_F(DialogWindow, AColourChangeRedrawsTheMarksAndRecomputesNothing) {
    auto d = open();
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    findControl<QTabBar>(d.get(), editing::kViewTabs)->setCurrentIndex(1);
    const UpdateImagesParams last = d->updater().lastParams();
    const int detects = d->updater().completedDetects();
    onNextModal([](QDialog* chooser) {
        static_cast<QColorDialog*>(chooser)->setCurrentColor(QColor(0, 255, 0));
        chooser->accept();
    });
    QTest::mouseClick(findControl(d.get(), editing::kColourSwatch), Qt::LeftButton);
    EXPECT_EQ(d->defectColor(), 0x0000FF00u);
    QTest::qWait(50);  // the posted redraw
    EXPECT_EQ(d->updater().lastParams(), last);
    EXPECT_FALSE(d->updater().isBusy());
    EXPECT_EQ(d->updater().completedDetects(), detects);
    // Some defect pixel is now drawn green.
    const QImage& shown = d->preview().imageSurface();
    bool green = false;
    for (int y = 0; y < shown.height() && !green; ++y)
        for (int x = 0; x < shown.width() && !green; ++x) green = shown.pixel(x, y) == 0xFF00FF00u;
    EXPECT_TRUE(green);
}

TEST_F(DialogWindow, PresetCommands) {
    TempFolder folder;
    folder.write("Dust.nelvo",
                 "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                 "<key>darkDefects</key><false/><key>brightDefects</key><false/>"
                 "<key>tileSize</key><integer>80</integer></dict></plist>");
    folder.write("Scratches.nelvo", "<?xml version=\"1.0\"?><plist><array/></plist>");
    auto d = open();
    d->setPresets(std::make_unique<NelvoPresetManager>(folder.path()));
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    slider(*d, editing::kBrushSizeSlider)->setValue(42);
    d->presetCommand(10000);  // Dust: both types false, tile size 80, no brush keys
    EXPECT_TRUE(check(*d, editing::kDarkDefects)->isChecked());
    EXPECT_FALSE(check(*d, editing::kBrightDefects)->isChecked());
    EXPECT_EQ(slider(*d, editing::kTileSizeSlider)->value(), 50);
    EXPECT_EQ(edit(*d, editing::kTileSizeEdit)->text(), QStringLiteral("50"));
    EXPECT_EQ(slider(*d, editing::kBrushSizeSlider)->value(), 42);
    EXPECT_EQ(d->updater().lastParams().mode, static_cast<std::int32_t>(UpdateMode::Initial));
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    const int detects = d->updater().completedDetects();
    d->presetCommand(10000);  // the same again still recomputes
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    EXPECT_EQ(d->updater().completedDetects(), detects + 1);

    QString shown;
    onNextModal([&shown](QDialog* box) {
        shown = static_cast<QMessageBox*>(box)->text();
        box->accept();
    });
    d->presetCommand(10001);  // Scratches is not a preset file
    EXPECT_EQ(shown, QStringLiteral("Failed to load the preset (Invalid file format)"));

    auto* menus = findControl<QPushButton>(d.get(), editing::kPresetsMenu);
    auto* remove = findControl<QPushButton>(d.get(), editing::kDeletePreset);
    // Deleting asks first; Cancel keeps the preset, Delete deletes it.
    const auto answer = [&shown](const char* button) {
        onNextModal([&shown, button](QDialog* box) {
            shown = static_cast<QMessageBox*>(box)->text();
            for (QPushButton* b : box->findChildren<QPushButton*>())
                if (b->text() == QLatin1String(button)) b->click();
        });
    };
    answer("Cancel");
    d->presetCommand(11001);
    EXPECT_EQ(shown, QStringLiteral("Delete the preset \"Scratches\"?"));
    EXPECT_EQ(d->presets()->names().size(), 2u);
    answer("Delete");
    d->presetCommand(11001);
    answer("Delete");
    d->presetCommand(11000);
    EXPECT_EQ(shown, QStringLiteral("Delete the preset \"Dust\"?"));
    EXPECT_FALSE(menus->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    d->addPreset(QStringLiteral("Fresh"));
    EXPECT_TRUE(menus->isEnabled());
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "Fresh.nelvo"));

    // Text from the naming box may hold an unpaired UTF-16 surrogate.
    onNextModal([&shown](QDialog* box) {
        shown = static_cast<QMessageBox*>(box)->text();
        box->accept();
    });
    const QChar lone[] = {QChar(u'x'), QChar(static_cast<char16_t>(0xDC00))};
    d->addPreset(QString(lone, 2));
    EXPECT_EQ(shown, QStringLiteral("Failed to save the preset (the name is not valid Unicode)"));
    EXPECT_EQ(d->presets()->names(), std::vector<std::wstring>{L"Fresh"});

    // A name no file can have is refused as well when it does not come from the box.
    onNextModal([&shown](QDialog* box) {
        shown = static_cast<QMessageBox*>(box)->text();
        box->accept();
    });
    d->addPreset(QStringLiteral("35mm neg/bright"));
    EXPECT_EQ(shown, QStringLiteral("These characters are not allowed in a preset name: /"));
    EXPECT_EQ(d->presets()->names(), std::vector<std::wstring>{L"Fresh"});
}

TEST_F(DialogWindow, HelpOpensTheManualAndTheLinkTheAboutBox) {
    auto d = open();
    QString opened;
    // The system's handler is not asked to open a file that is not there.
    EXPECT_FALSE(d->openAddress(QStringLiteral("file:///no/such/folder/NelvoHelp.html")));
    bool opens = true;
    d->openAddress = [&opened, &opens](const QString& address) {
        opened = address;
        return opens;
    };
    QTest::mouseClick(findControl(d.get(), editing::kHelpIcon), Qt::LeftButton);
    EXPECT_TRUE(opened.startsWith(QStringLiteral("file://"))) << opened.toStdString();
    EXPECT_TRUE(opened.endsWith(QStringLiteral("/NelvoHelp.html"))) << opened.toStdString();
    // No browser, or one that would not start: a message gives the manual's path.
    opens = false;
    QString said;
    onNextModal([&said](QDialog* box) {
        said = static_cast<QMessageBox*>(box)->text();
        box->accept();
    });
    QTest::mouseClick(findControl(d.get(), editing::kHelpIcon), Qt::LeftButton);
    EXPECT_EQ(said, QStringLiteral("The manual could not be opened. It is here:\n") +
                        NelvoDialog::helpPagePath());
    bool about = false;
    onNextModal([&about](QDialog* box) {
        about = box->objectName() == templateObjectName(templates::kAboutBox);
        box->accept();
    });
    QTest::mouseClick(findControl(d.get(), editing::kAboutLink), Qt::LeftButton);
    EXPECT_TRUE(about);
}

TEST_F(DialogWindow, AComputationThatRunsOutOfMemoryIsReportedAndTheDialogGoesOn) {
    auto d = open();
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    QString shown;
    onNextModal([&shown](QDialog* box) {
        shown = static_cast<QMessageBox*>(box)->text();
        box->accept();
    });
    allocator.refuse = true;  // the speck stage's label plane cannot be had
    slider(*d, editing::kTileSizeSlider)->setValue(20);
    ASSERT_TRUE(waitUntil([&] { return !shown.isEmpty(); }));
    EXPECT_TRUE(shown.startsWith(QStringLiteral("The preview could not be computed (")))
        << shown.toStdString();
    allocator.refuse = false;
    slider(*d, editing::kIntensitySlider)->setValue(12);
    ASSERT_TRUE(waitUntil([&] { return idle(*d); }));
    EXPECT_EQ(d->updater().lastParams().tileSize, 20);
}

TEST_F(DialogWindow, AFailingFetchEndsTheSplashAndReachesTheCaller) {
    EXPECT_THROW(
        NelvoDialog(
            &session->record(), [] { throw std::runtime_error("advanceState failed"); }, allocator),
        std::runtime_error);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
}

}  // namespace
}  // namespace nelvo::test
