// SPDX-License-Identifier: MIT
// The navigator's arithmetic: its size for an image, the frame it draws for a visible
// area, and the fractions its clicks and drags report.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "ui/shared/PreviewGeometry.h"

namespace nelvo {

struct Size2 {
    int width = 0, height = 0;
    friend bool operator==(const Size2&, const Size2&) = default;
};

struct FloatPair {
    float x = 0, y = 0;
    friend bool operator==(const FloatPair&, const FloatPair&) = default;
};

// The longer image side becomes `side`, the other keeps the aspect ratio (integer
// arithmetic). An image without area gives a side x 1 strip, never a zero size.
Size2 navigatorSize(int imageWidth, int imageHeight, int side);

// The frame for a visible area: each edge times the navigator size, + 0.5, truncated.
IntRect viewRectFor(const ViewFraction& f, int width, int height);

// Left and top inclusive, right and bottom exclusive.
bool insideViewRect(const IntRect& r, IntPoint p);

// What a click outside the frame reports: the point as fractions of the navigator size.
FloatPair jumpFractions(IntPoint p, int width, int height);

// What a drag move reports: the displacement from the frame's current top-left corner
// plus the grab offset, as fractions of the navigator size.
FloatPair dragFractions(IntPoint p, const IntRect& view, IntPoint grabOffset, int width,
                        int height);

// Where the application profile keeps the navigator's placement.
inline constexpr char kNavigatorProfileSection[] = "Nelvo-Plugin-Navigator";
inline constexpr char kNavigatorProfileEntry[] = "WP";

// The 44-byte window-placement record kept in the profile: length, flags, show command,
// minimised and maximised positions, normal-position rectangle (left, top, right,
// bottom), each a little-endian 32-bit integer.
inline constexpr std::size_t kPlacementBytes = 44;
using PlacementRecord = std::array<std::uint8_t, kPlacementBytes>;

PlacementRecord encodePlacement(const IntRect& normalPosition);

// The normal position's left and top from a stored record; nothing when the record has
// the wrong size or a length field other than 44.
std::optional<IntPoint> decodePlacementCorner(const std::uint8_t* bytes, std::size_t size);

}  // namespace nelvo
