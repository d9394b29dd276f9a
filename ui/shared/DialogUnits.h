// SPDX-License-Identifier: MIT
// Dialog units to pixels for templates in the 8-point sans-serif dialog font, whose base
// units at 96 dots per inch are 6 pixels across and 13 down: x = du * 6 / 4 and
// y = du * 13 / 8, scaled by the screen's dots per inch / 96 and rounded to the nearest
// pixel (halves away from zero, as the platform's multiply-divide rounds).
#pragma once

#include <cmath>

namespace nelvo {

inline constexpr double dialogBaseDpi = 96.0;

struct PixelRect {
    int x, y, width, height;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

inline int dialogUnitsToPixelsX(int du, double dpi = dialogBaseDpi) {
    return static_cast<int>(std::lround(du * 6.0 / 4.0 * dpi / dialogBaseDpi));
}

inline int dialogUnitsToPixelsY(int du, double dpi = dialogBaseDpi) {
    return static_cast<int>(std::lround(du * 13.0 / 8.0 * dpi / dialogBaseDpi));
}

// A template rectangle (x, y, width, height in dialog units) in pixels.
inline PixelRect dialogRectToPixels(int x, int y, int width, int height,
                                    double dpi = dialogBaseDpi) {
    return {dialogUnitsToPixelsX(x, dpi), dialogUnitsToPixelsY(y, dpi),
            dialogUnitsToPixelsX(width, dpi), dialogUnitsToPixelsY(height, dpi)};
}

}  // namespace nelvo
