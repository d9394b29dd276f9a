// SPDX-License-Identifier: MIT
// The about box closes on any click but the link's; the splash shows and ends.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "resources/DialogResources.h"
#include "resources/strings/StringIds.h"
#include "support/ModalCloser.h"
#include "ui/qt/ControlId.h"
#include "ui/qt/NelvoAboutDlg.h"
#include "ui/qt/NelvoSplashDlg.h"
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
INSTANTIATE_TEST_SUITE_P(Targets, AboutClicks,
                         ::testing::Values(0, about::kHeaderPicture, about::kProductName,
                                           about::kPhoneLabel, about::kPhone, about::kLegalNotice));

TEST(About, LinkOpensTheAddressAndKeepsTheBoxOpen) {
    NelvoAboutDlg box;
    std::vector<QString> opened;
    bool openAfterLink = false;
    box.openAddress = [&](const QString& address) { opened.push_back(address); };
    test::onNextModal([&](QDialog* d) {
        QTest::mouseClick(findControl(d, about::kLink), Qt::LeftButton, {}, QPoint(2, 2));
        openAfterLink = d->isVisible();
        QTest::mouseClick(d, Qt::LeftButton, {}, QPoint(100, 470));
    });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    EXPECT_TRUE(openAfterLink);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toStdWString(), loadString(strings::aboutAddress));
}

TEST(About, ControlsCarryTheirIdsAndTexts) {
    NelvoAboutDlg box;
    for (int id : {about::kCompanyName, about::kProductName, about::kProductLine,
                   about::kProductMark, about::kVersion, about::kPhoneLabel, about::kFaxLabel,
                   about::kSupportLabel, about::kPhone, about::kFax, about::kSupport, about::kLink,
                   about::kLegalNotice, about::kHomepageLabel, about::kHeaderPicture})
        EXPECT_NE(findControl(&box, id), nullptr) << id;
    EXPECT_EQ(findControl<QLabel>(&box, about::kVersion)->text().toStdWString(),
              loadString(strings::versionText));
    EXPECT_EQ(findControl<QLabel>(&box, about::kHomepageLabel)->text().toStdWString(),
              loadString(strings::homepageLabel));
    EXPECT_EQ(findControl<QLabel>(&box, about::kLink)->text().toStdWString(),
              loadString(strings::webAddress));
    EXPECT_TRUE(findControl<QLabel>(&box, about::kPhone)->text().isEmpty());  // no telephone number
    EXPECT_DOUBLE_EQ(findControl(&box, about::kProductName)->font().pointSizeF(), 38.0);
    EXPECT_TRUE(findControl(&box, about::kPhoneLabel)->font().bold());
    EXPECT_EQ(findControl(&box, about::kCompanyName)->palette().color(QPalette::WindowText).rgb(),
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
    EXPECT_EQ(findControl<QLabel>(&splash, splash::kNotice)->text().toStdWString(),
              loadString(strings::legalNotice));
    splash.end();
    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(splash.result(), QDialog::Rejected);
}

}  // namespace
