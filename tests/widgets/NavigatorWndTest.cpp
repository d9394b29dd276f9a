// SPDX-License-Identifier: MIT
// The navigator window: clicks and drags, its frame, and its place in the profile.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <fstream>

#include "support/TempDir.h"
#include "ui/qt/NelvoNavigatorWnd.h"

using namespace nelvo;

namespace {

void send(QWidget& w, QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(p), QPointF(p),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

class NavigatorWnd : public ::testing::Test {
  protected:
    QString profile() const { return QString::fromStdString((dir.path() / "Nelvo.ini").string()); }
    TempDir dir;
};

TEST_F(NavigatorWnd, ClicksJumpAndDragsMoveByFractions) {
    NelvoNavigatorWnd nav(profile());
    nav.create(nullptr, 10, 10, 300, 200);
    nav.setViewArea({0, 0, 1, 1});
    EXPECT_EQ(nav.viewRect(), (IntRect{0, 0, 300, 200}));
    std::vector<FloatPair> jumps, drags;
    nav.onJump = [&](float x, float y) { jumps.push_back({x, y}); };
    nav.onDrag = [&](float x, float y) {
        drags.push_back({x, y});
        // The dialog pans by what was reported and frames the new area.
        const IntRect r = nav.viewRect();
        const auto at = [](int edge, float shift, float extent) {
            return (static_cast<float>(edge) + shift * extent) / extent;
        };
        nav.setViewArea(
            {at(r.left, x, 300), at(r.top, y, 200), at(r.right, x, 300), at(r.bottom, y, 200)});
    };
    nav.setViewArea({100.0f / 300, 50.0f / 200, 200.0f / 300, 150.0f / 200});
    ASSERT_EQ(nav.viewRect(), (IntRect{100, 50, 200, 150}));

    send(nav, QEvent::MouseButtonPress, {75, 40}, Qt::LeftButton);
    send(nav, QEvent::MouseButtonRelease, {75, 40}, Qt::NoButton);
    ASSERT_EQ(jumps.size(), 1u);
    EXPECT_FLOAT_EQ(jumps[0].x, 0.25f);
    EXPECT_FLOAT_EQ(jumps[0].y, 0.2f);

    send(nav, QEvent::MouseButtonPress, {110, 60}, Qt::LeftButton);
    send(nav, QEvent::MouseMove, {130, 60}, Qt::LeftButton);
    send(nav, QEvent::MouseMove, {130, 60}, Qt::LeftButton);  // already applied: nothing new
    send(nav, QEvent::MouseButtonRelease, {130, 60}, Qt::NoButton);
    send(nav, QEvent::MouseMove, {150, 60}, Qt::NoButton);  // not dragging any more
    ASSERT_EQ(drags.size(), 2u);
    EXPECT_FLOAT_EQ(drags[0].x, 20.0f / 300);
    EXPECT_FLOAT_EQ(drags[0].y, 0.0f);
    EXPECT_FLOAT_EQ(drags[1].x, 0.0f);
    EXPECT_EQ(jumps.size(), 1u);

    // The frame's right edge counts as outside: a jump.
    send(nav, QEvent::MouseButtonPress, {nav.viewRect().right, 60}, Qt::LeftButton);
    EXPECT_EQ(jumps.size(), 2u);
}

TEST_F(NavigatorWnd, RemembersWhereItWasLeft) {
    {
        NelvoNavigatorWnd first(profile());
        EXPECT_EQ(first.savedLeft(), -1);
        first.create(nullptr, 40, 50, 300, 200);
        EXPECT_EQ(first.pos(), QPoint(40, 50));  // first use: the dialog's position
        first.move(123, 234);
    }
    NelvoNavigatorWnd second(profile());
    EXPECT_EQ(second.savedLeft(), 123);
    EXPECT_EQ(second.savedTop(), 234);
    second.create(nullptr, 40, 50, 300, 200);
    EXPECT_EQ(second.pos(), QPoint(123, 234));
}

TEST_F(NavigatorWnd, NegativeStoredCoordinatesAreIgnoredOneByOne) {
    {
        NelvoNavigatorWnd first(profile());
        first.create(nullptr, 0, 0, 30, 20);
        first.move(-500, 77);
    }
    NelvoNavigatorWnd second(profile());
    second.create(nullptr, 40, 50, 30, 20);
    EXPECT_EQ(second.pos(), QPoint(40, 77));
}

// A place from another screen setup (or an edited profile) would open the window where
// nobody sees it; it comes back onto the screen and is remembered there.
TEST_F(NavigatorWnd, APlaceOffEveryScreenComesBackOntoOne) {
    {
        NelvoNavigatorWnd first(profile());
        first.create(nullptr, 0, 0, 300, 200);
        first.move(7000, 7000);
    }
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint fitted(screen.right() + 1 - 300, screen.bottom() + 1 - 200);
    {
        NelvoNavigatorWnd second(profile());
        second.create(nullptr, 40, 50, 300, 200);
        EXPECT_EQ(second.pos(), fitted);
    }
    NelvoNavigatorWnd third(profile());
    EXPECT_EQ(QPoint(third.savedLeft(), third.savedTop()), fitted);
}

TEST_F(NavigatorWnd, DamagedOrUnwritableProfilesOnlyLoseThePosition) {
    {
        std::ofstream damaged(dir.path() / "Nelvo.ini");
        damaged << "[Nelvo-Plugin-Navigator\nWP=@ByteArray(\\0\\x1\nnot an ini file \xff\xfe";
    }
    NelvoNavigatorWnd fromDamaged(profile());
    EXPECT_EQ(fromDamaged.savedLeft(), -1);
    {
        QSettings wrongRecord(profile(), QSettings::IniFormat);
        wrongRecord.setValue(QStringLiteral("Nelvo-Plugin-Navigator/WP"), QByteArray(12, 'x'));
    }
    NelvoNavigatorWnd fromShort(profile());
    EXPECT_EQ(fromShort.savedTop(), -1);

    // A profile whose folder is a file can be neither read nor written.
    { std::ofstream blocker(dir.path() / "blocker"); }
    const QString unwritable =
        QString::fromStdString((dir.path() / "blocker" / "Nelvo.ini").string());
    {
        NelvoNavigatorWnd nav(unwritable);
        nav.create(nullptr, 5, 6, 30, 20);
    }
    EXPECT_FALSE(QFile::exists(unwritable));
    NelvoNavigatorWnd again(unwritable);
    EXPECT_EQ(again.savedLeft(), -1);
}

TEST_F(NavigatorWnd, SizeWithoutAreaIsRefused) {
    NelvoNavigatorWnd nav(profile());
    try {
        nav.create(nullptr, 0, 0, 0, 10);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Failed to create navigator window");
    }
}

TEST_F(NavigatorWnd, ThumbnailIsTheReducedPicture) {
    NelvoNavigatorWnd nav(profile());
    nav.create(nullptr, 0, 0, 30, 20);
    QImage picture(300, 200, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    nav.setImage(picture);
    EXPECT_EQ(nav.thumbnail().size(), QSize(30, 20));
    EXPECT_EQ(nav.thumbnail().pixel(15, 10) & 0xFFFFFFu, qRgb(10, 200, 30) & 0xFFFFFFu);
}

}  // namespace
