// SPDX-License-Identifier: MIT
#include "ui/shared/NavigatorGeometry.h"

#include <algorithm>

namespace nelvo {

namespace {

constexpr std::size_t kNormalLeft = 28;  // 12 bytes of header, two 8-byte points

void putInt(PlacementRecord& r, std::size_t at, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (std::size_t i = 0; i < 4; ++i) r[at + i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::int32_t getInt(const std::uint8_t* bytes, std::size_t at) {
    std::uint32_t u = 0;
    for (std::size_t i = 0; i < 4; ++i) u |= std::uint32_t{bytes[at + i]} << (8 * i);
    return static_cast<std::int32_t>(u);
}

int edge(float fraction, int extent) {
    return truncateToInt(static_cast<float>(extent) * fraction + 0.5f);
}

}  // namespace

Size2 navigatorSize(int imageWidth, int imageHeight, int side) {
    if (imageWidth <= 0 || imageHeight <= 0)
        return imageWidth > imageHeight ? Size2{side, 1} : Size2{1, side};
    const auto scaled = [side](int a, int b) {
        return std::max(1, static_cast<int>(std::int64_t{a} * side / b));
    };
    if (imageWidth > imageHeight) return {side, scaled(imageHeight, imageWidth)};
    return {scaled(imageWidth, imageHeight), side};
}

IntRect viewRectFor(const ViewFraction& f, int width, int height) {
    return {edge(f.left, width), edge(f.top, height), edge(f.right, width), edge(f.bottom, height)};
}

bool insideViewRect(const IntRect& r, IntPoint p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

FloatPair jumpFractions(IntPoint p, int width, int height) {
    return {static_cast<float>(p.x) / static_cast<float>(width),
            static_cast<float>(p.y) / static_cast<float>(height)};
}

FloatPair dragFractions(IntPoint p, const IntRect& view, IntPoint grabOffset, int width,
                        int height) {
    return jumpFractions({p.x - (view.left + grabOffset.x), p.y - (view.top + grabOffset.y)}, width,
                         height);
}

PlacementRecord encodePlacement(const IntRect& normalPosition) {
    PlacementRecord r{};
    putInt(r, 0, static_cast<std::int32_t>(kPlacementBytes));
    putInt(r, 8, 1);    // shown normally
    putInt(r, 12, -1);  // no minimised position
    putInt(r, 16, -1);
    putInt(r, 20, -1);  // no maximised position
    putInt(r, 24, -1);
    putInt(r, kNormalLeft, normalPosition.left);
    putInt(r, kNormalLeft + 4, normalPosition.top);
    putInt(r, kNormalLeft + 8, normalPosition.right);
    putInt(r, kNormalLeft + 12, normalPosition.bottom);
    return r;
}

std::optional<IntPoint> decodePlacementCorner(const std::uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr || size != kPlacementBytes ||
        getInt(bytes, 0) != static_cast<std::int32_t>(kPlacementBytes))
        return std::nullopt;
    return IntPoint{getInt(bytes, kNormalLeft), getInt(bytes, kNormalLeft + 4)};
}

}  // namespace nelvo
