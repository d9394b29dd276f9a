// SPDX-License-Identifier: MIT
// The undo history of the hand marks, without any window: every stroke (or clearing)
// is kept as the bytes of the map rectangle it touched, before and after, so that undo
// and redo put back exactly those bytes and the marks' meaning stays the map's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/shared/PreviewGeometry.h"

namespace nelvo {

class MarkHistory {
  public:
    // At most `byteLimit` bytes of kept edits; the oldest go first, the newest is always
    // kept.
    explicit MarkHistory(std::size_t byteLimit = kDefaultByteLimit) : limit_(byteLimit) {}

    // The bytes of `area` in a map `mapWidth` bytes a row, row after row.
    static std::vector<std::uint8_t> copyArea(const std::uint8_t* map, int mapWidth,
                                              const IntRect& area);

    // Keeps an edit of `area`: `before` from copyArea before the edit, the map as it is
    // now after it. Forgets what was undone. An empty area is no edit.
    void record(const IntRect& area, std::vector<std::uint8_t> before, const std::uint8_t* map,
                int mapWidth);

    // Sets every byte of a `mapWidth` x `mapHeight` map to the neutral mark, kept as one
    // edit; returns the area written, empty (and nothing kept) when the map was neutral.
    IntRect clear(std::uint8_t* map, int mapWidth, int mapHeight);

    bool canUndo() const { return !done_.empty(); }
    bool canRedo() const { return !undone_.empty(); }

    // Puts the last edit's bytes back as before it (undo) or after it (redo); returns the
    // area written, empty when there was nothing to undo or redo.
    IntRect undo(std::uint8_t* map, int mapWidth);
    IntRect redo(std::uint8_t* map, int mapWidth);

    // A map byte no tool has touched.
    static constexpr std::uint8_t kNeutralMark = 128;

    // 256 MiB: ten clearings of a 24-megapixel map, or thousands of strokes.
    static constexpr std::size_t kDefaultByteLimit = std::size_t{256} << 20;

  private:
    struct Edit {
        IntRect area;
        std::vector<std::uint8_t> before, after;
    };
    static void write(std::uint8_t* map, int mapWidth, const IntRect& area,
                      const std::vector<std::uint8_t>& bytes);
    void trim();

    std::vector<Edit> done_, undone_;
    std::size_t bytes_ = 0;
    std::size_t limit_;
};

}  // namespace nelvo
