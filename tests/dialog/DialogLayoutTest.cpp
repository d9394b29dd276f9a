// SPDX-License-Identifier: MIT
// The editing dialog's layout as the screen decides it: run among the dialog tests on a
// normal screen and once more on a large one, where every metric is 1.5 times larger.
#include <QCheckBox>
#include <QStyle>
#include <QStyleOptionButton>

#include "dialog/DialogFixture.h"

namespace nelvo::test {
namespace {

using DialogLayout = DialogFixture;

// Every shown control lies wholly inside the window at its smallest size and at a
// larger one, so that no frame or border is cut off at an edge.
TEST_F(DialogLayout, EveryShownControlLiesInsideTheWindow) {
    auto d = open();
    for (const QSize grow : {QSize(0, 0), QSize(137, 91)}) {
        d->resize(d->minimumSize() + grow);
        QApplication::processEvents();
        const QRect window = d->rect();
        for (QWidget* w : d->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!w->isVisible()) continue;
            EXPECT_TRUE(window.contains(w->geometry()))
                << "control " << controlId(w) << " at " << w->geometry().bottom() << " / "
                << w->geometry().right() << " in " << window.height() << " x " << window.width();
        }
    }
}

// A check box's box grows with its text: on a large screen both are 1.5 times larger.
TEST_F(DialogLayout, CheckBoxesScaleWithTheirText) {
    auto d = open();
    for (const int id :
         {editing::kDarkDefects, editing::kBrightDefects, editing::kAdaptiveDetection}) {
        QCheckBox* box = check(*d, id);
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator =
            box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        const int text = box->fontMetrics().height();
        EXPECT_GE(indicator.height() * 10, text * 8) << "check box " << id;
        EXPECT_LE(indicator.height(), box->height()) << "check box " << id;
    }
}

}  // namespace
}  // namespace nelvo::test
