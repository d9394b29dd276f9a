// SPDX-License-Identifier: MIT
// Remembered window places come from settings, recorded actions and the profile, any of
// which may have been written on another screen setup or by hand. A window is only put
// where it fits: on the screen it overlaps most (or the nearest one), no larger than that
// screen's work area, moved in until all of it is on that screen.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "ui/shared/DialogUnits.h"

namespace nelvo {

// A window rectangle as it was stored, in 64 bits so that a stored right minus left
// cannot overflow.
struct StoredRect {
    std::int64_t left, top, width, height;
};

// The rectangle fitted onto one of `workAreas`; nothing when there is no screen or the
// stored rectangle has no area.
std::optional<PixelRect> fitOntoScreens(const StoredRect& stored,
                                        std::span<const PixelRect> workAreas);

}  // namespace nelvo
