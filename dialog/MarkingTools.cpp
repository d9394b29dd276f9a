// SPDX-License-Identifier: MIT
#include "dialog/MarkingTools.h"

#include <algorithm>
#include <cmath>

namespace nelvo {

namespace {

constexpr std::uint32_t kHalfAlpha = 0x80000000u;
constexpr std::uint32_t kColourBits = 0x00FFFFFFu;

// Visits every word of the overlay inside r (already clipped to the image) with its
// index and its column and row.
template <typename Overlay, typename Visit>
void forEachWord(Overlay* overlay, int imageWidth, const IntRect& r, Visit visit) {
    for (int y = r.top; y < r.bottom; ++y) {
        const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(y) * imageWidth;
        for (int x = r.left; x < r.right; ++x) visit(overlay[row + x], row + x, x, y);
    }
}

template <typename Change>
std::int64_t applyTrace(const std::uint32_t* overlay, int imageWidth, const IntRect& area,
                        std::uint8_t* map, Change change) {
    std::int64_t touched = 0;
    forEachWord(overlay, imageWidth, area, [&](std::uint32_t word, std::ptrdiff_t at, int, int) {
        if (word == 0) return;
        map[at] = change(map[at]);
        ++touched;
    });
    return touched;
}

}  // namespace

IntPoint imagePoint(IntPoint client, const IntRect& display, double zoom) {
    return {truncateToInt((client.x - display.left) / zoom + 0.5),
            truncateToInt((client.y - display.top) / zoom + 0.5)};
}

std::uint32_t brushTraceColour(int brushIntensity) {
    const auto g = static_cast<std::uint32_t>(std::clamp((brushIntensity + 16) * 4, 0, 255));
    return 0xFF000000u | (g << 16) | (g << 8) | g;
}

IntRect strokeDirtyRect(IntPoint a, IntPoint b, int toolSize, int imageWidth, int imageHeight) {
    const int grow = toolSize + 1;  // (pen width + 1) / 2
    return {std::max(0, std::min(a.x, b.x) - grow), std::max(0, std::min(a.y, b.y) - grow),
            std::min(imageWidth, std::max(a.x, b.x) + grow),
            std::min(imageHeight, std::max(a.y, b.y) + grow)};
}

void drawStrokeSegment(std::uint32_t* overlay, int imageWidth, int imageHeight, IntPoint a,
                       IntPoint b, int toolSize, std::uint32_t colour) {
    const IntRect r = strokeDirtyRect(a, b, toolSize, imageWidth, imageHeight);
    const double radius = penWidth(toolSize) / 2.0;
    const double limit = radius * radius;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    forEachWord(overlay, imageWidth, r, [&](std::uint32_t& word, std::ptrdiff_t, int x, int y) {
        const double px = x - a.x, py = y - a.y;
        // The nearest point of the segment to the pixel centre.
        const double t = length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
        const double ex = px - t * dx, ey = py - t * dy;
        if (ex * ex + ey * ey <= limit) word = colour;
    });
}

void halveTraceAlpha(std::uint32_t* overlay, int imageWidth, const IntRect& r) {
    forEachWord(overlay, imageWidth, r, [](std::uint32_t& word, std::ptrdiff_t, int, int) {
        if (word != 0) word = (word & kColourBits) | kHalfAlpha;
    });
}

IntRect unite(const IntRect& a, const IntRect& b) {
    if (a.width() <= 0 || a.height() <= 0) return b;
    if (b.width() <= 0 || b.height() <= 0) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

std::int64_t applyBrushTrace(const std::uint32_t* overlay, int imageWidth, const IntRect& area,
                             int brushIntensity, std::uint8_t* map) {
    const int k = 10 * brushIntensity;
    return applyTrace(overlay, imageWidth, area, map, [k](std::uint8_t old) {
        return static_cast<std::uint8_t>(std::clamp(old + k, 0, 255));
    });
}

std::int64_t applyEraserTrace(const std::uint32_t* overlay, int imageWidth, const IntRect& area,
                              std::uint8_t* map) {
    return applyTrace(overlay, imageWidth, area, map, [](std::uint8_t) { return std::uint8_t{0}; });
}

std::uint32_t cursorDiameter(int toolSize, double zoom) {
    const double d = penWidth(toolSize) * zoom + 0.5;
    if (!(d > 0)) return 0;
    return static_cast<std::uint32_t>(std::min(d, 4294967295.0));
}

}  // namespace nelvo
