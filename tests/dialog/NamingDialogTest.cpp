// SPDX-License-Identifier: MIT
// The preset naming dialog: Save only with a name, the name kept whole.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "presets/NelvoAddPresetDialog.h"
#include "support/ModalCloser.h"
#include "ui/widgets/ControlId.h"

namespace nelvo::test {
namespace {

TEST(NamingDialog, SaveIsEnabledExactlyWhileThereIsAName) {
    testApplication();
    NelvoAddPresetDialog naming;
    auto* line = findControl<QLineEdit>(&naming, 1053);
    auto* save = findControl<QPushButton>(&naming, 1);
    EXPECT_EQ(naming.windowTitle(), QStringLiteral("Save Presets"));
    EXPECT_EQ(save->text(), QStringLiteral("Save"));
    EXPECT_FALSE(save->isEnabled());
    QTest::keyClicks(line, " ");
    EXPECT_TRUE(save->isEnabled());  // spaces count
    line->clear();
    EXPECT_FALSE(save->isEnabled());
    onNextModal([](QDialog* d) {
        QTest::keyClicks(findControl<QLineEdit>(d, 1053), " Film 35mm ");
        findControl<QPushButton>(d, 1)->click();
    });
    ASSERT_EQ(naming.exec(), QDialog::Accepted);
    EXPECT_EQ(naming.name(), QStringLiteral(" Film 35mm "));
}

}  // namespace
}  // namespace nelvo::test
