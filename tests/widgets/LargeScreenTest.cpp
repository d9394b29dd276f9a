// SPDX-License-Identifier: MIT
// Sizes that follow the screen: run once on a 1920 x 1080 screen and once on 1921 x 1081
// (offscreen platform configurations); NELVO_EXPECT_LARGE says which to expect.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

#include "resources/DialogResources.h"
#include "support/ModalCloser.h"
#include "ui/qt/ControlId.h"
#include "ui/qt/DisplayHelpers.h"
#include "ui/qt/NelvoAboutDlg.h"
#include "ui/qt/NelvoSplashDlg.h"
#include "ui/qt/NelvoTabCtrl.h"

using namespace nelvo;

namespace {

bool expectLarge() {
    return qEnvironmentVariableIntValue("NELVO_EXPECT_LARGE") == 1;
}

TEST(LargeScreen, RuleAndMetrics) {
    EXPECT_EQ(largeScreen(), expectLarge());
    EXPECT_EQ(screenMetrics().tabSize, expectLarge() ? 60 : 40);
    EXPECT_EQ(screenMetrics().navigatorSide, expectLarge() ? 450 : 300);
}

TEST(LargeScreen, SplashSizeAndNotice) {
    NelvoSplashDlg splash;
    EXPECT_EQ(splash.size(), expectLarge() ? QSize(953, 735) : QSize(635, 490));
    EXPECT_EQ(findControl(&splash, splash::kNotice)->geometry(),
              expectLarge() ? QRect(27, 663, 768, 72) : QRect(18, 442, 512, 48));
}

TEST(LargeScreen, AboutHeaderPicture) {
    NelvoAboutDlg box;
    const auto* header = findControl<QLabel>(&box, about::kHeaderPicture);
    EXPECT_EQ(header->pixmap().size(), expectLarge() ? QSize(450, 194) : QSize(300, 129));
}

TEST(LargeScreen, TabBitmaps) {
    NelvoTabCtrl tabs;
    tabs.resize(255, 200);
    tabs.addTab(bitmaps::kBrush);
    tabs.addTab(bitmaps::kEraser);
    tabs.onSelChange = [] {};
    // The second tab starts one tab size down.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, expectLarge() ? 61 : 41), QPointF(5, 41),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&tabs, &press);
    EXPECT_EQ(tabs.selected, 1);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    test::testApplication();
    return RUN_ALL_TESTS();
}
