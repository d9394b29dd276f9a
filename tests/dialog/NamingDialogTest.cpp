// SPDX-License-Identifier: MIT
// The preset naming dialog: Save only with a name, the name kept whole; a name that cannot
// be a file name is refused in place.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "resources/DialogResources.h"
#include "support/ModalCloser.h"
#include "ui/qt/ControlId.h"
#include "ui/qt/NelvoAddPresetDialog.h"

namespace nelvo::test {
namespace {

TEST(NamingDialog, SaveIsEnabledExactlyWhileThereIsAName) {
    testApplication();
    NelvoAddPresetDialog naming;
    auto* line = findControl<QLineEdit>(&naming, naming::kNameEdit);
    auto* save = findControl<QPushButton>(&naming, 1);
    EXPECT_EQ(naming.windowTitle(), QStringLiteral("Save Presets"));
    EXPECT_EQ(save->text(), QStringLiteral("Save"));
    EXPECT_FALSE(save->isEnabled());
    QTest::keyClicks(line, " ");
    EXPECT_TRUE(save->isEnabled());  // spaces count
    line->clear();
    EXPECT_FALSE(save->isEnabled());
    onNextModal([](QDialog* d) {
        QTest::keyClicks(findControl<QLineEdit>(d, naming::kNameEdit), " Film 35mm ");
        findControl<QPushButton>(d, 1)->click();
    });
    ASSERT_EQ(naming.exec(), QDialog::Accepted);
    EXPECT_EQ(naming.name(), QStringLiteral(" Film 35mm "));
}

// Save with a name a file cannot have: a message names the characters, and the dialog
// stays open with the name as typed. Once corrected, Save closes it.
TEST(NamingDialog, ANameAFileCannotHaveIsRefusedAndKept) {
    testApplication();
    NelvoAddPresetDialog naming;
    auto* line = findControl<QLineEdit>(&naming, naming::kNameEdit);
    auto* save = findControl<QPushButton>(&naming, 1);
    QString message;
    bool stillOpen = false;
    QString kept;
    onNextModal([&](QDialog*) {
        QTest::keyClicks(line, "35mm neg/bright");
        // The message box runs its own loop inside the click.
        QTimer::singleShot(20, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
                    message = box->text();
                    box->accept();
                }
        });
        save->click();
        stillOpen = naming.isVisible();
        kept = line->text();
        line->setText(QStringLiteral("35mm neg bright"));
        save->click();
    });
    ASSERT_EQ(naming.exec(), QDialog::Accepted);
    EXPECT_EQ(message, QStringLiteral("These characters are not allowed in a preset name: /"));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(kept, QStringLiteral("35mm neg/bright"));
    EXPECT_EQ(naming.name(), QStringLiteral("35mm neg bright"));
}

}  // namespace
}  // namespace nelvo::test
