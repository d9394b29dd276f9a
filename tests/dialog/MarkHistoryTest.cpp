// SPDX-License-Identifier: MIT
// The hand marks' undo history on a small map: exact bytes back and forth, redo
// forgotten after a new edit, the oldest edits dropped at the byte limit.
#include <gtest/gtest.h>

#include "dialog/MarkHistory.h"

namespace nelvo {
namespace {

constexpr int kWidth = 5, kHeight = 4;

std::vector<std::uint8_t> neutralMap() {
    return std::vector<std::uint8_t>(kWidth * kHeight, 128);
}

// Sets every byte of `area` to `value`, recorded as one edit.
void paint(MarkHistory& history, std::vector<std::uint8_t>& map, IntRect area, std::uint8_t value) {
    std::vector<std::uint8_t> before = MarkHistory::copyArea(map.data(), kWidth, area);
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            map[static_cast<std::size_t>(y * kWidth + x)] = value;
    history.record(area, std::move(before), map.data(), kWidth);
}

TEST(MarkHistory, UndoAndRedoPutBackExactlyTheTouchedBytes) {
    MarkHistory history;
    auto map = neutralMap();
    const auto start = map;
    paint(history, map, {1, 1, 3, 3}, 228);
    const auto afterFirst = map;
    paint(history, map, {2, 0, 5, 2}, 0);  // overlaps the first
    const auto afterSecond = map;
    EXPECT_EQ(history.undo(map.data(), kWidth), (IntRect{2, 0, 5, 2}));
    EXPECT_EQ(map, afterFirst);
    EXPECT_EQ(history.undo(map.data(), kWidth), (IntRect{1, 1, 3, 3}));
    EXPECT_EQ(map, start);
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(history.undo(map.data(), kWidth), IntRect{});  // nothing left
    history.redo(map.data(), kWidth);
    history.redo(map.data(), kWidth);
    EXPECT_EQ(map, afterSecond);
    EXPECT_FALSE(history.canRedo());
}

TEST(MarkHistory, ANewEditForgetsWhatWasUndoneAndAnEmptyOneIsNone) {
    MarkHistory history;
    auto map = neutralMap();
    paint(history, map, {0, 0, 2, 2}, 10);
    history.undo(map.data(), kWidth);
    paint(history, map, {0, 0, 0, 0}, 99);  // a stroke wholly outside the image
    EXPECT_TRUE(history.canRedo());
    paint(history, map, {3, 3, 5, 4}, 20);
    EXPECT_FALSE(history.canRedo());
    history.undo(map.data(), kWidth);
    EXPECT_EQ(map, neutralMap());
}

TEST(MarkHistory, TheOldestEditsGoAtTheLimitAndTheNewestStays) {
    // Each 2 x 2 edit keeps 8 bytes: room for two.
    MarkHistory history(16);
    auto map = neutralMap();
    paint(history, map, {0, 0, 2, 2}, 1);
    paint(history, map, {2, 0, 4, 2}, 2);
    paint(history, map, {0, 2, 2, 4}, 3);
    history.undo(map.data(), kWidth);
    history.undo(map.data(), kWidth);
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(map[0], 1);  // the first edit can no longer be undone
    EXPECT_EQ(map[2], 128);
    MarkHistory tiny(1);
    paint(tiny, map, {0, 0, 5, 4}, 7);  // larger than the limit, still undoable
    EXPECT_TRUE(tiny.canUndo());
}

TEST(MarkHistory, ClearingIsOneUndoableEditAndNothingOnANeutralMap) {
    MarkHistory history;
    auto map = neutralMap();
    EXPECT_EQ(history.clear(map.data(), kWidth, kHeight).width(), 0);
    EXPECT_FALSE(history.canUndo());
    paint(history, map, {1, 1, 2, 2}, 0);
    paint(history, map, {3, 2, 5, 4}, 255);
    const auto marked = map;
    const IntRect whole = history.clear(map.data(), kWidth, kHeight);
    EXPECT_EQ(whole.width(), kWidth);
    EXPECT_EQ(whole.height(), kHeight);
    EXPECT_EQ(map, neutralMap());
    history.undo(map.data(), kWidth);
    EXPECT_EQ(map, marked);  // one undo brings back both strokes
    history.redo(map.data(), kWidth);
    EXPECT_EQ(map, neutralMap());
}

}  // namespace
}  // namespace nelvo
