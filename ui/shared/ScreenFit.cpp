// SPDX-License-Identifier: MIT
#include "ui/shared/ScreenFit.h"

#include <algorithm>
#include <limits>

namespace nelvo {

namespace {

std::int64_t overlapArea(const StoredRect& r, const PixelRect& a) {
    const std::int64_t left = std::max<std::int64_t>(r.left, a.x);
    const std::int64_t top = std::max<std::int64_t>(r.top, a.y);
    const std::int64_t right =
        std::min<std::int64_t>(r.left + r.width, std::int64_t{a.x} + a.width);
    const std::int64_t bottom =
        std::min<std::int64_t>(r.top + r.height, std::int64_t{a.y} + a.height);
    return right > left && bottom > top ? (right - left) * (bottom - top) : 0;
}

// Squared distance from the rectangle's centre to the nearest point of the area, in
// doubles: stored coordinates may be far beyond any screen.
double distanceToCentre(const StoredRect& r, const PixelRect& a) {
    const double cx = static_cast<double>(r.left) + static_cast<double>(r.width) / 2.0;
    const double cy = static_cast<double>(r.top) + static_cast<double>(r.height) / 2.0;
    const double dx = cx - std::clamp(cx, double(a.x), double(a.x) + a.width);
    const double dy = cy - std::clamp(cy, double(a.y), double(a.y) + a.height);
    return dx * dx + dy * dy;
}

int placeWithin(std::int64_t start, int length, int areaStart, int areaLength) {
    const std::int64_t last = std::int64_t{areaStart} + areaLength - length;
    return static_cast<int>(
        std::clamp<std::int64_t>(start, areaStart, std::max<std::int64_t>(last, areaStart)));
}

}  // namespace

std::optional<PixelRect> fitOntoScreens(const StoredRect& stored,
                                        std::span<const PixelRect> workAreas) {
    if (stored.width <= 0 || stored.height <= 0) return std::nullopt;
    const PixelRect* best = nullptr;
    std::int64_t bestOverlap = 0;
    for (const PixelRect& area : workAreas) {
        if (area.width <= 0 || area.height <= 0) continue;
        const std::int64_t overlap = overlapArea(stored, area);
        if (best == nullptr || overlap > bestOverlap) {
            best = &area;
            bestOverlap = overlap;
        }
    }
    if (best == nullptr) return std::nullopt;
    if (bestOverlap == 0) {
        double nearest = std::numeric_limits<double>::infinity();
        for (const PixelRect& area : workAreas) {
            if (area.width <= 0 || area.height <= 0) continue;
            const double distance = distanceToCentre(stored, area);
            if (distance < nearest) {
                nearest = distance;
                best = &area;
            }
        }
    }
    const int width = static_cast<int>(std::min<std::int64_t>(stored.width, best->width));
    const int height = static_cast<int>(std::min<std::int64_t>(stored.height, best->height));
    return PixelRect{placeWithin(stored.left, width, best->x, best->width),
                     placeWithin(stored.top, height, best->y, best->height), width, height};
}

}  // namespace nelvo
