// SPDX-License-Identifier: MIT
#include "ui/shared/PreviewGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace nelvo {

namespace {

// Far beyond any screen, and small enough that sums of two such values fit an int.
constexpr double kExtentLimit = 1 << 29;

struct Span {
    int low, high;
};

Span keepSpanInView(Span s, int clientLow, int clientHigh) {
    const int extent = s.high - s.low;
    int low = s.low;
    if (extent < clientHigh - clientLow)
        low = (clientHigh - clientLow - extent) / 2;
    else if (s.low > clientLow)
        low = clientLow;
    else if (s.high < clientHigh)
        low = clientHigh - clientLow - extent;
    return {low, low + extent};
}

Span zoomSpan(Span s, int anchor, int imageExtent, double zoom) {
    const double scaled = imageExtent * zoom;
    const double current = s.high - s.low;
    // An empty span has no image point under the anchor; it grows from its low edge.
    const double offset = current > 0 ? (anchor - s.low) / current * scaled : 0.0;
    const int low = truncateToInt(anchor - offset + 0.5);
    return {low, low + truncateToInt(scaled + 0.5)};
}

float fractionBefore(int low, int extent) {
    return low < 0 ? static_cast<float>(-low) / static_cast<float>(extent) : 0.0f;
}

float fractionUpTo(int low, int high, int clientExtent, int extent) {
    return high > clientExtent ? static_cast<float>(clientExtent - low) / static_cast<float>(extent)
                               : 1.0f;
}

}  // namespace

int truncateToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v > kExtentLimit) return static_cast<int>(kExtentLimit);
    if (v < -kExtentLimit) return -static_cast<int>(kExtentLimit);
    return static_cast<int>(v);
}

IntPoint clientCentre(const IntRect& client) {
    return {(client.left + client.right) / 2, (client.top + client.bottom) / 2};
}

IntRect keepInView(const IntRect& display, const IntRect& client) {
    const Span x = keepSpanInView({display.left, display.right}, client.left, client.right);
    const Span y = keepSpanInView({display.top, display.bottom}, client.top, client.bottom);
    return {x.low, y.low, x.high, y.high};
}

ZoomedView fitToWindow(int imageWidth, int imageHeight, const IntRect& client) {
    const int w = client.width();
    const int h = client.height();
    ZoomedView view{1.0, {}};
    if (imageWidth <= 0 || imageHeight <= 0 || w <= 0 || h <= 0) {
        view.display = {client.left, client.top, client.left + std::max(imageWidth, 0),
                        client.top + std::max(imageHeight, 0)};
    } else if (imageWidth < w && imageHeight < h) {
        const int left = client.left + (w - imageWidth) / 2;
        const int top = client.top + (h - imageHeight) / 2;
        view.display = {left, top, left + imageWidth, top + imageHeight};
    } else {
        const double aspect = static_cast<double>(imageWidth) / imageHeight;
        if (aspect >= static_cast<double>(w) / h) {
            const int fitted = truncateToInt(w / aspect + 0.5);
            const int top = client.top + (h - fitted) / 2;
            view.display = {client.left, top, client.left + w, top + fitted};
            view.zoom = static_cast<double>(w) / imageWidth;
        } else {
            const int fitted = truncateToInt(h * aspect + 0.5);
            const int left = client.left + (w - fitted) / 2;
            view.display = {left, client.top, left + fitted, client.top + h};
            view.zoom = static_cast<double>(h) / imageHeight;
        }
    }
    view.display = keepInView(view.display, client);
    return view;
}

IntRect zoomAround(const IntRect& display, int imageWidth, int imageHeight, double zoom,
                   IntPoint anchor, const IntRect& client) {
    const Span x = zoomSpan({display.left, display.right}, anchor.x, imageWidth, zoom);
    const Span y = zoomSpan({display.top, display.bottom}, anchor.y, imageHeight, zoom);
    return keepInView({x.low, y.low, x.high, y.high}, client);
}

IntRect centerOn(const IntRect& display, const IntRect& client, float fx, float fy) {
    const IntPoint c = clientCentre(client);
    const int dx =
        c.x - display.left - truncateToInt(static_cast<float>(display.width()) * fx + 0.5f);
    const int dy =
        c.y - display.top - truncateToInt(static_cast<float>(display.height()) * fy + 0.5f);
    return keepInView(
        {display.left + dx, display.top + dy, display.right + dx, display.bottom + dy}, client);
}

ViewFraction visibleArea(const IntRect& display, int clientWidth, int clientHeight) {
    ViewFraction f;
    const int w = display.width();
    const int h = display.height();
    if (w > 0) {
        f.left = fractionBefore(display.left, w);
        f.right = fractionUpTo(display.left, display.right, clientWidth, w);
    }
    if (h > 0) {
        f.top = fractionBefore(display.top, h);
        f.bottom = fractionUpTo(display.top, display.bottom, clientHeight, h);
    }
    return f;
}

IntRect imageAreaToClient(const IntRect& display, double zoom, int x0, int y0, int x1, int y1) {
    return {truncateToInt(std::floor(x0 * zoom)) + display.left,
            truncateToInt(std::floor(y0 * zoom)) + display.top,
            truncateToInt(std::ceil(x1 * zoom)) + display.left,
            truncateToInt(std::ceil(y1 * zoom)) + display.top};
}

}  // namespace nelvo
