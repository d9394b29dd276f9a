// SPDX-License-Identifier: MIT
#include "ui/shared/PluginCursor.h"

#include <stdexcept>

namespace nelvo {

namespace {

constexpr int kCrosshairCell = 24;
constexpr std::uint32_t kCrosshairSize = 15;
constexpr char kNotCreated[] = "The cursor was not created.";

std::uint32_t circleCell(std::uint32_t size) {
    std::uint32_t cell = 8;
    while (cell < size) cell *= 2;
    return cell;
}

class MaskPainter {
  public:
    explicit MaskPainter(CursorShape& shape) : shape_(shape) {}

    void set(int x, int y) {
        if (x < 0 || y < 0 || x >= shape_.size || y >= shape_.size) return;
        shape_.xorMask[static_cast<std::size_t>(y * shape_.rowBytes + x / 8)] |=
            static_cast<std::uint8_t>(0x80u >> (x % 8));
    }

    // A one-pixel outline of the ellipse inscribed in the box (right and bottom
    // exclusive): the pixels whose centres lie inside the ellipse through the box's outer
    // pixel edges and that have a 4-neighbour outside it.
    void ellipse(int left, int top, int right, int bottom) {
        const double cx = (left + right - 1) / 2.0, cy = (top + bottom - 1) / 2.0;
        const double rx = (right - left) / 2.0, ry = (bottom - top) / 2.0;
        if (rx <= 0 || ry <= 0) return;
        const auto inside = [&](int x, int y) {
            const double dx = (x - cx) / rx, dy = (y - cy) / ry;
            return dx * dx + dy * dy <= 1.0;
        };
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (inside(x, y) && (!inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) ||
                                     !inside(x, y + 1)))
                    set(x, y);
    }

    // From (x0, y0) up to but not including (x1, y1), along one axis.
    void line(int x0, int y0, int x1, int y1) {
        const int dx = (x1 > x0) - (x1 < x0), dy = (y1 > y0) - (y1 < y0);
        for (int x = x0, y = y0; x != x1 || y != y1; x += dx, y += dy) set(x, y);
    }

  private:
    CursorShape& shape_;
};

}  // namespace

PluginCursor::~PluginCursor() = default;

CursorHandle PluginCursor::handle() const {
    return handle_;
}

bool PluginCursor::setSize(std::uint32_t diameter) {
    try {
        const std::uint64_t even = diameter + std::uint64_t{diameter % 2};
        CursorHandle made;
        if (diameter <= 2)
            made = build(Crosshair, kCrosshairSize);
        else if (even > kMaxCell)
            throw std::runtime_error(kNotCreated);
        else
            made = build(Circle, static_cast<std::uint32_t>(even));
        handle_ = std::move(made);
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

CursorHandle PluginCursor::build(Kind kind, std::uint32_t size) {
    if (kind == Circle && (size == 0 || size > kMaxCell)) throw std::runtime_error(kNotCreated);
    auto shape = std::make_shared<CursorShape>();
    const int n = kind == Crosshair ? kCrosshairCell : static_cast<int>(circleCell(size));
    shape->size = n;
    shape->hotX = shape->hotY = n / 2;
    shape->rowBytes = (n + 15) / 16 * 2;
    const auto bytes = static_cast<std::size_t>(shape->rowBytes) * static_cast<std::size_t>(n);
    try {
        shape->andMask.assign(bytes, 0xFF);
        shape->xorMask.assign(bytes, 0x00);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(kNotCreated);
    }
    MaskPainter paint(*shape);
    if (kind == Crosshair) {
        paint.line(1, 12, 9, 12);
        paint.line(10, 12, 15, 12);
        paint.line(16, 12, 24, 12);
        paint.line(12, 1, 12, 9);
        paint.line(12, 10, 12, 15);
        paint.line(12, 16, 12, 24);
    } else {
        const int s = static_cast<int>(size);
        const int p = (n - s) / 2;
        paint.ellipse(p, p, p + s, p + s);
        const int c = n / 2;
        paint.ellipse(c - 2, c - 2, c + 2, c + 2);
    }
    return shape;
}

}  // namespace nelvo
