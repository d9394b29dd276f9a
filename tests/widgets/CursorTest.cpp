// SPDX-License-Identifier: MIT
// Cursor cells, hot spots and mask bits of the brush cursor.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "ui/shared/PluginCursor.h"

using namespace nelvo;

namespace {

// The bounding box of the XOR bits, right and bottom exclusive.
struct Box {
    int left, top, right, bottom;
    friend bool operator==(const Box&, const Box&) = default;
};

Box xorBox(const CursorShape& s) {
    Box b{s.size, s.size, 0, 0};
    for (int y = 0; y < s.size; ++y)
        for (int x = 0; x < s.size; ++x)
            if (s.xorBit(x, y))
                b = {std::min(b.left, x), std::min(b.top, y), std::max(b.right, x + 1),
                     std::max(b.bottom, y + 1)};
    return b;
}

bool andMaskAllSet(const CursorShape& s) {
    for (int y = 0; y < s.size; ++y)
        for (int x = 0; x < s.size; ++x)
            if (!s.andBit(x, y)) return false;
    return true;
}

struct SizeCase {
    std::uint32_t diameter;
    int cell;
    Box outline;  // the circle's box; for the crosshair the extent of its lines
};

class CursorSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(CursorSizes, CellHotSpotAndOutline) {
    const SizeCase& c = GetParam();
    PluginCursor cursor;
    ASSERT_TRUE(cursor.setSize(c.diameter));
    const CursorShape& s = *cursor.handle();
    EXPECT_EQ(s.size, c.cell);
    EXPECT_EQ(s.hotX, c.cell / 2);
    EXPECT_EQ(s.hotY, c.cell / 2);
    EXPECT_EQ(s.rowBytes, (c.cell + 15) / 16 * 2);
    EXPECT_EQ(xorBox(s), c.outline);
    EXPECT_TRUE(andMaskAllSet(s));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CursorSizes,
    ::testing::Values(SizeCase{0, 24, {1, 1, 24, 24}}, SizeCase{1, 24, {1, 1, 24, 24}},
                      SizeCase{2, 24, {1, 1, 24, 24}},
                      // 3 becomes 4 in an 8 x 8 cell: box (2, 2)-(6, 6), the dot's box too
                      SizeCase{3, 8, {2, 2, 6, 6}}, SizeCase{9, 16, {3, 3, 13, 13}},
                      SizeCase{16, 16, {0, 0, 16, 16}}, SizeCase{17, 32, {7, 7, 25, 25}},
                      SizeCase{100, 128, {14, 14, 114, 114}}),
    [](const ::testing::TestParamInfo<SizeCase>& param) {
        return "Diameter" + std::to_string(param.param.diameter);
    });

TEST(Cursor, CrosshairHasGapsAroundItsCentre) {
    PluginCursor cursor;
    ASSERT_TRUE(cursor.setSize(1));
    const CursorShape& s = *cursor.handle();
    for (int i = 0; i < 24; ++i) {
        const bool drawn = i != 0 && i != 9 && i != 15;
        EXPECT_EQ(s.xorBit(i, 12), drawn) << "x " << i;
        EXPECT_EQ(s.xorBit(12, i), drawn) << "y " << i;
        if (i != 12) {
            EXPECT_FALSE(s.xorBit(i, 11));
        }
    }
}

TEST(Cursor, CircleOutlineWithCentreDot) {
    PluginCursor cursor;
    ASSERT_TRUE(cursor.setSize(9));  // size 10 in a 16 x 16 cell
    const CursorShape& s = *cursor.handle();
    // The outline's extreme pixels on both axes, the ring of the dot around (8, 8), and
    // nothing between dot and outline or at the very centre.
    EXPECT_TRUE(s.xorBit(3, 8) && s.xorBit(12, 8) && s.xorBit(8, 3) && s.xorBit(8, 12));
    EXPECT_TRUE(s.xorBit(6, 7) && s.xorBit(9, 8) && s.xorBit(7, 6) && s.xorBit(8, 9));
    EXPECT_FALSE(s.xorBit(7, 7) || s.xorBit(8, 8));
    EXPECT_FALSE(s.xorBit(5, 8) || s.xorBit(3, 3));
    // Symmetric about the box's centre.
    for (int y = 3; y < 13; ++y)
        for (int x = 3; x < 13; ++x) EXPECT_EQ(s.xorBit(x, y), s.xorBit(15 - x, y));
}

// A build that fails, as the platform's cursor creation may.
class FailingCursor : public PluginCursor {
  public:
    bool fail = false;
    CursorHandle build(Kind kind, std::uint32_t size) override {
        if (fail) throw std::runtime_error("The cursor was not created.");
        return PluginCursor::build(kind, size);
    }
};

TEST(Cursor, FailureKeepsThePreviousCursor) {
    FailingCursor cursor;
    EXPECT_EQ(cursor.handle(), nullptr);
    ASSERT_TRUE(cursor.setSize(9));
    const CursorHandle before = cursor.handle();
    cursor.fail = true;
    EXPECT_FALSE(cursor.setSize(20));
    EXPECT_EQ(cursor.handle(), before);
    // Beyond the largest cell: refused the same way, with no gigabyte masks attempted.
    cursor.fail = false;
    EXPECT_FALSE(cursor.setSize(100000));
    EXPECT_FALSE(cursor.setSize(0xFFFFFFFFu));
    EXPECT_EQ(cursor.handle(), before);
    EXPECT_THROW(cursor.build(PluginCursor::Circle, 100000), std::runtime_error);
}

}  // namespace
