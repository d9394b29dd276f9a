// SPDX-License-Identifier: MIT
// Zoom, fit, pan and visible-area arithmetic of the preview, in client pixels. The
// preview widget keeps a zoom (screen pixels per image pixel) and a display rectangle
// (where the whole scaled image lies, possibly beyond the client area); these functions
// compute new values from old ones and know nothing about windows.
#pragma once

#include <cstdint>

namespace nelvo {

// Right and bottom exclusive.
struct IntRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const IntRect&, const IntRect&) = default;
};

struct IntPoint {
    int x = 0, y = 0;
    friend bool operator==(const IntPoint&, const IntPoint&) = default;
};

// The visible part of the image as fractions of its width and height.
struct ViewFraction {
    float left = 0, top = 0, right = 1, bottom = 1;
    friend bool operator==(const ViewFraction&, const ViewFraction&) = default;
};

struct ZoomedView {
    double zoom;
    IntRect display;
};

// Truncation toward zero into the int range. Extents far beyond any screen saturate
// instead of overflowing; NaN gives 0.
int truncateToInt(double v);

IntPoint clientCentre(const IntRect& client);

// Centres the image on an axis where it is narrower than the client, else closes a gap
// at the left/top or the right/bottom edge. Moves the rectangle without resizing it.
IntRect keepInView(const IntRect& display, const IntRect& client);

// Zoom 1 and centred when the image is strictly smaller than the client both ways,
// otherwise the largest zoom at which the whole image fits, centred on the other axis.
// An image or a client without area gives zoom 1 at the client's top-left corner, so
// that no division by zero reaches the zoom. The result has been through keepInView.
ZoomedView fitToWindow(int imageWidth, int imageHeight, const IntRect& client);

// The display rectangle at `zoom` with the image point under `anchor` kept in place,
// then through keepInView. The caller rejects zooms that are not positive.
IntRect zoomAround(const IntRect& display, int imageWidth, int imageHeight, double zoom,
                   IntPoint anchor, const IntRect& client);

// Moves the display rectangle so that the image point at fractions (fx, fy) lies at
// the client centre, then through keepInView.
IntRect centerOn(const IntRect& display, const IntRect& client, float fx, float fy);

// The part of the image inside a client of clientWidth x clientHeight starting at 0, 0.
// An axis on which the display rectangle has no extent counts as wholly visible.
ViewFraction visibleArea(const IntRect& display, int clientWidth, int clientHeight);

// The client rectangle covering image pixels x0..x1, y0..y1 (right/bottom exclusive).
IntRect imageAreaToClient(const IntRect& display, double zoom, int x0, int y0, int x1, int y1);

}  // namespace nelvo
