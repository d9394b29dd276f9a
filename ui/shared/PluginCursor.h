// SPDX-License-Identifier: MIT
// The brush and eraser cursor over the preview: a circle outline as large as the tool's
// footprint with a small dot at its centre, or a fixed crosshair when the footprint is too
// small to see. A cursor is a pair of one-bit masks: AND 1 / XOR 0 leaves the screen
// alone, AND 1 / XOR 1 inverts it. The preview draws the XOR pixels itself with a
// difference blend, since X11 cursors cannot invert what they cover.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace nelvo {

struct CursorShape {
    int size = 0;  // cells are size x size
    int hotX = 0, hotY = 0;
    int rowBytes = 0;                            // rows padded to 16 bits
    std::vector<std::uint8_t> andMask, xorMask;  // most significant bit first

    bool andBit(int x, int y) const { return bit(andMask, x, y); }
    bool xorBit(int x, int y) const { return bit(xorMask, x, y); }

  private:
    bool bit(const std::vector<std::uint8_t>& mask, int x, int y) const {
        return ((mask[static_cast<std::size_t>(y * rowBytes + x / 8)] >> (7 - x % 8)) & 1) != 0;
    }
};

using CursorHandle = std::shared_ptr<const CursorShape>;

class PluginCursor {
  public:
    enum Kind { Circle = 0, Crosshair = 1 };

    // Cells larger than this are refused: a circle that large is far beyond any tool
    // footprint the dialog can ask for, and its masks would take gigabytes.
    static constexpr std::uint32_t kMaxCell = 2048;

    virtual ~PluginCursor();
    // The newest cursor; null before the first successful setSize.
    virtual CursorHandle handle() const;
    // diameter <= 2: the crosshair; otherwise a circle of diameter rounded up to even.
    // False, with the previous cursor kept, when the cursor cannot be made.
    virtual bool setSize(std::uint32_t diameter);
    // Throws std::runtime_error "The cursor was not created." on failure.
    virtual CursorHandle build(Kind kind, std::uint32_t size);

  private:
    CursorHandle handle_;
};

}  // namespace nelvo
