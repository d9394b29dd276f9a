// SPDX-License-Identifier: MIT
// The navigator's size, frame, reported fractions, mouse and stored placement.
#include <gtest/gtest.h>

#include "ui/shared/NavigatorGeometry.h"
#include "ui/shared/NavigatorPointer.h"

using namespace nelvo;

namespace {

TEST(NavigatorGeometry, LongerSideGetsTheMetric) {
    EXPECT_EQ(navigatorSize(6000, 4000, 300), (Size2{300, 200}));
    EXPECT_EQ(navigatorSize(4000, 6000, 450), (Size2{300, 450}));
    EXPECT_EQ(navigatorSize(1000, 1000, 300), (Size2{300, 300}));
    EXPECT_EQ(navigatorSize(1000, 333, 300), (Size2{300, 99}));  // truncated
    // Degenerate images still give a window with area.
    EXPECT_EQ(navigatorSize(60000, 10, 300), (Size2{300, 1}));
    EXPECT_EQ(navigatorSize(1, 1, 300), (Size2{300, 300}));
    EXPECT_EQ(navigatorSize(0, 0, 300), (Size2{1, 300}));
}

TEST(NavigatorGeometry, FrameFromFractions) {
    EXPECT_EQ(viewRectFor({0, 0, 1, 1}, 300, 200), (IntRect{0, 0, 300, 200}));
    EXPECT_EQ(viewRectFor({0.25f, 0.1f, 0.5f, 0.999f}, 300, 200), (IntRect{75, 20, 150, 200}));
}

TEST(NavigatorGeometry, JumpAndDragFractions) {
    EXPECT_EQ(jumpFractions({75, 50}, 300, 200), (FloatPair{0.25f, 0.25f}));
    const IntRect view{100, 50, 200, 150};
    // Pressed at (110, 60): grab offset (10, 10); moved to (130, 60).
    EXPECT_EQ(dragFractions({130, 60}, view, {10, 10}, 300, 200), (FloatPair{20.0f / 300, 0.0f}));
    // After the dialog moved the frame by what was reported, the same point reports nothing.
    EXPECT_EQ(dragFractions({130, 60}, {120, 50, 220, 150}, {10, 10}, 300, 200), (FloatPair{0, 0}));
}

TEST(NavigatorGeometry, FrameEdgesRightAndBottomAreOutside) {
    const IntRect view{100, 50, 200, 150};
    EXPECT_TRUE(insideViewRect(view, {100, 50}));
    EXPECT_TRUE(insideViewRect(view, {199, 149}));
    EXPECT_FALSE(insideViewRect(view, {200, 100}));
    EXPECT_FALSE(insideViewRect(view, {150, 150}));
}

TEST(NavigatorGeometry, PlacementRecordRoundTrip) {
    const PlacementRecord r = encodePlacement({-1700, 35, -1390, 270});
    EXPECT_EQ(r[0], 44);
    const auto corner = decodePlacementCorner(r.data(), r.size());
    ASSERT_TRUE(corner);
    EXPECT_EQ(*corner, (IntPoint{-1700, 35}));
}

TEST(NavigatorGeometry, DamagedPlacementRecordsAreIgnored) {
    PlacementRecord r = encodePlacement({10, 20, 30, 40});
    EXPECT_FALSE(decodePlacementCorner(r.data(), 43));
    EXPECT_FALSE(decodePlacementCorner(nullptr, 44));
    r[0] = 40;  // a length field that is not the record's
    EXPECT_FALSE(decodePlacementCorner(r.data(), r.size()));
}

using Kind = NavigatorRequest::Kind;

TEST(NavigatorPointer, PressesOutsideTheFrameJumpEvenOnItsRightAndBottomEdges) {
    const IntRect view{100, 50, 200, 150};
    struct Case {
        IntPoint p;
        FloatPair expected;
    };
    for (const Case c : {Case{{75, 50}, {0.25f, 0.25f}}, Case{{200, 60}, {200.0f / 300, 0.3f}},
                         Case{{150, 150}, {0.5f, 0.75f}}}) {
        NavigatorPointer pointer;
        const NavigatorRequest r = pointer.press(c.p, view, 300, 200, true);
        EXPECT_EQ(r.kind, Kind::Jump) << c.p.x << ", " << c.p.y;
        EXPECT_EQ(r.fractions, c.expected);
        EXPECT_FALSE(pointer.dragging());
    }
}

TEST(NavigatorPointer, ADragReportsOnlyTheDisplacementNotYetApplied) {
    NavigatorPointer pointer;
    IntRect view{100, 50, 200, 150};
    EXPECT_EQ(pointer.press({110, 60}, view, 300, 200, true).kind, Kind::None);
    EXPECT_TRUE(pointer.dragging());
    NavigatorRequest r = pointer.move({130, 60}, view, 300, 200);
    EXPECT_EQ(r.kind, Kind::Drag);
    EXPECT_EQ(r.fractions, (FloatPair{20.0f / 300, 0.0f}));
    view = {120, 50, 220, 150};  // the dialog panned and framed the new area
    r = pointer.move({130, 60}, view, 300, 200);
    EXPECT_EQ(r.fractions, (FloatPair{0.0f, 0.0f}));
    EXPECT_TRUE(pointer.release());
    EXPECT_FALSE(pointer.release());
    EXPECT_EQ(pointer.move({150, 70}, view, 300, 200).kind, Kind::None);
}

TEST(NavigatorPointer, APressInsideStartsNoDragWhenNoneIsWanted) {
    NavigatorPointer pointer;
    const IntRect view{100, 50, 200, 150};
    EXPECT_EQ(pointer.press({110, 60}, view, 300, 200, false).kind, Kind::None);
    EXPECT_FALSE(pointer.dragging());
    EXPECT_EQ(pointer.move({130, 60}, view, 300, 200).kind, Kind::None);
}

}  // namespace
