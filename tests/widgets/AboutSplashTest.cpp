// SPDX-License-Identifier: MIT
// The about box closes on any click but the link's; the splash shows and ends.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "support/ModalCloser.h"
#include "ui/widgets/ControlId.h"
#include "ui/widgets/NelvoAboutDlg.h"
#include "ui/widgets/NelvoSplashDlg.h"
#include "util/LoadString.h"

using namespace nelvo;

namespace {

class AboutClicks : public ::testing::TestWithParam<int> {};

TEST_P(AboutClicks, AnyClickOutsideTheLinkCloses) {
    NelvoAboutDlg box;
    int opened = 0;
    box.openAddress = [&](const QString&) { ++opened; };
    const int target = GetParam();
    test::onNextModal([target](QDialog* d) {
        QWidget* w = target == 0 ? d : findControl(d, target);
        ASSERT_NE(w, nullptr);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(2, 2));
    });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    EXPECT_EQ(opened, 0);
}

// The box itself (0), the header picture, a name, a contact label and number, the notice.
INSTANTIATE_TEST_SUITE_P(Targets, AboutClicks, ::testing::Values(0, 1144, 1115, 1119, 1122, 1126));

TEST(About, LinkOpensTheAddressAndKeepsTheBoxOpen) {
    NelvoAboutDlg box;
    std::vector<QString> opened;
    bool openAfterLink = false;
    box.openAddress = [&](const QString& address) { opened.push_back(address); };
    test::onNextModal([&](QDialog* d) {
        QTest::mouseClick(findControl(d, NelvoAboutDlg::kLink), Qt::LeftButton, {}, QPoint(2, 2));
        openAfterLink = d->isVisible();
        QTest::mouseClick(d, Qt::LeftButton, {}, QPoint(100, 470));
    });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    EXPECT_TRUE(openAfterLink);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toStdWString(), loadString(1038));
}

TEST(About, ControlsCarryTheirIdsAndTexts) {
    NelvoAboutDlg box;
    for (int id :
         {1114, 1115, 1116, 1117, 1118, 1119, 1120, 1121, 1122, 1123, 1124, 1125, 1126, 1127, 1144})
        EXPECT_NE(findControl(&box, id), nullptr) << id;
    EXPECT_EQ(findControl<QLabel>(&box, 1118)->text().toStdWString(), loadString(1136));
    EXPECT_EQ(findControl<QLabel>(&box, 1133 - 6)->text().toStdWString(), loadString(1133));
    EXPECT_EQ(findControl<QLabel>(&box, 1125)->text().toStdWString(), loadString(1134));
    EXPECT_TRUE(findControl<QLabel>(&box, 1122)->text().isEmpty());  // no telephone number
    EXPECT_DOUBLE_EQ(findControl(&box, 1115)->font().pointSizeF(), 38.0);
    EXPECT_TRUE(findControl(&box, 1119)->font().bold());
    EXPECT_EQ(findControl(&box, 1114)->palette().color(QPalette::WindowText).rgb(),
              NelvoAboutDlg::kTitleColour);
}

TEST(Splash, EndBeforeStartIsKept) {
    NelvoSplashDlg splash;
    splash.end();
    splash.start();
    EXPECT_FALSE(splash.isVisible());
}

TEST(Splash, ShowsUntilEnded) {
    NelvoSplashDlg splash;
    splash.start();
    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(findControl<QLabel>(&splash, NelvoSplashDlg::kNotice)->text().toStdWString(),
              loadString(1135));
    splash.end();
    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(splash.result(), QDialog::Rejected);
}

}  // namespace
