// SPDX-License-Identifier: MIT
// Tab strip, picture button, link and the display helpers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

#include "resources/DialogResources.h"
#include "ui/qt/ControlId.h"
#include "ui/qt/DisplayHelpers.h"
#include "ui/qt/NelvoButtonCtrl.h"
#include "ui/qt/NelvoCustomLink.h"
#include "ui/qt/NelvoTabCtrl.h"

using namespace nelvo;

namespace {

template <typename F>
std::string failure(F&& f) {
    try {
        f();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no failure";
}

TEST(TabCtrl, ClicksOnOtherTabsChangeTheSelection) {
    NelvoTabCtrl tabs;
    tabs.resize(255, 143);
    tabs.addTab(bitmaps::kBrush);
    tabs.addTab(bitmaps::kEraser);
    EXPECT_EQ(tabs.tabCount(), 2);
    int changes = 0;
    tabs.onSelChange = [&] { ++changes; };
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, QPoint(20, 60));  // tab 1
    EXPECT_EQ(tabs.selected, 1);
    EXPECT_EQ(changes, 1);
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, QPoint(20, 70));  // already selected
    EXPECT_EQ(changes, 1);
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, QPoint(40, 10));  // right of the strip
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, QPoint(20, 85));  // below the tabs
    EXPECT_EQ(tabs.selected, 1);
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(tabs.selected, 0);
    EXPECT_EQ(changes, 2);
}

TEST(TabCtrl, SelectedTabTakesThePanelGreyAndPicturesKeepTheirColours) {
    NelvoTabCtrl tabs;
    tabs.resize(255, 143);
    tabs.addTab(bitmaps::kBrush);
    tabs.addTab(bitmaps::kEraser);
    tabs.selected = 1;
    const QImage shown = tabs.grab().toImage();
    EXPECT_EQ(shown.pixel(2, 42), NelvoTabCtrl::kPanelGrey);                     // selected tab
    EXPECT_EQ(shown.pixel(2, 2), tabs.palette().color(QPalette::Button).rgb());  // strip
    EXPECT_EQ(shown.pixel(200, 100), NelvoTabCtrl::kPanelGrey);                  // panel
    // The brush picture in the first tab: something other than the strip colour.
    int painted = 0;
    for (int y = 4; y < 36; ++y)
        for (int x = 4; x < 36; ++x) painted += shown.pixel(x, y) != shown.pixel(2, 2);
    EXPECT_GT(painted, 100);
    EXPECT_EQ(failure([&] { tabs.addTab(9999); }), "Failed to load bitmap");
}

TEST(ButtonCtrl, ShowsItsBitmapUnscaledAndSwapsIt) {
    NelvoButtonCtrl button;
    button.resize(40, 40);
    button.setBitmap(bitmaps::kZoomIn);
    EXPECT_EQ(button.bitmap().size(), QSize(21, 16));
    button.setBitmap(bitmaps::kZoomOut);
    EXPECT_EQ(button.bitmap().size(), QSize(16, 13));
    const QImage shown = button.grab().toImage();
    int painted = 0;
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 16; ++x) painted += qAlpha(button.bitmap().pixel(x, y)) > 200;
    EXPECT_GT(painted, 20);
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(clicks, 1);
    // A failing load leaves the button without a picture.
    EXPECT_EQ(failure([&] { button.setBitmap(9999); }), "Failed to load a bitmap from resources");
    EXPECT_TRUE(button.bitmap().isNull());
    (void)shown;
}

TEST(CustomLink, HandCursorAndClicks) {
    NelvoCustomLink link;
    link.resize(80, 12);
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
    int clicks = 0;
    link.onClick = [&] { ++clicks; };
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
}

TEST(DisplayHelpers, ControlFontSizesAndWeight) {
    QLabel label;
    QFont base = label.font();
    base.setWeight(QFont::Light);
    label.setFont(base);
    QFont font;
    setControlFont(&label, 80, font, true);
    EXPECT_DOUBLE_EQ(label.font().pointSizeF(), 8.0);
    EXPECT_EQ(label.font().weight(), QFont::Bold);
    label.setFont(base);
    setControlFont(&label, 190, font, false);
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 19.0);
    EXPECT_EQ(label.font().weight(), QFont::Light);
    EXPECT_EQ(failure([&] { setControlFont(&label, 0, font, false); }), "Failed to create font");
}

TEST(DisplayHelpers, StaticBitmapScaledByOneAndAHalf) {
    QWidget dialog;
    auto* picture = new QLabel(&dialog);
    setControlId(picture, editing::kHelpIcon);
    picture->resize(20, 14);
    setStaticBitmapScaled(&dialog, editing::kHelpIcon, bitmaps::kHelp);
    EXPECT_EQ(picture->pixmap().size(), QSize(30, 21));
    EXPECT_EQ(failure([&] { setStaticBitmapScaled(&dialog, editing::kHelpIcon, 9999); }),
              "Failed to load bitmap");
    EXPECT_EQ(findControl(&dialog, editing::kHelpIcon), picture);
}

TEST(DisplayHelpers, Surfaces) {
    const QImage image = createDibSurface(3, 2);
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(image.bytesPerLine(), 12);
    EXPECT_EQ(image.pixel(2, 1) & 0xFFFFFFu, 0u);
    const QImage overlay = createDibSurface(3, 2, QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(overlay.pixel(0, 0), 0u);
    EXPECT_TRUE(createDibSurface(0, 7).isNull());
    EXPECT_EQ(failure([] { createDibSurface(-1, 7); }), "Failed to create DIB section");
    EXPECT_EQ(failure([] { createMemorySurface(nullptr, 0, 7); }),
              "Failed to create compatible bitmap");
}

TEST(DisplayHelpers, EveryPictureIsEmbeddedAtItsSize) {
    const struct {
        int id, width, height;
    } pictures[] = {{bitmaps::kMaskPath, 32, 32},      {bitmaps::kMaskPolygon, 32, 32},
                    {bitmaps::kMaskSelection, 32, 32}, {bitmaps::kZoomIn, 21, 16},
                    {bitmaps::kZoomOut, 16, 13},       {bitmaps::kLogo, 269, 75},
                    {bitmaps::kHelp, 20, 20},          {bitmaps::kSplash, 1920, 1482},
                    {bitmaps::kHeaderBar, 273, 15},    {bitmaps::kAboutHeader, 300, 129},
                    {bitmaps::kLargeLogo, 403, 112},   {bitmaps::kBrush, 64, 64},
                    {bitmaps::kEraser, 64, 64},        {bitmaps::kLargeHelp, 30, 30},
                    {bitmaps::kLargeZoomIn, 32, 24},   {bitmaps::kLargeZoomOut, 24, 20}};
    for (const auto& p : pictures)
        EXPECT_EQ(resourceBitmap(p.id).size(), QSize(p.width, p.height)) << p.id;
    EXPECT_TRUE(resourceBitmap(1).isNull());
}

}  // namespace
