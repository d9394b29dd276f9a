// SPDX-License-Identifier: MIT
// How the editing dialog's controls follow a change of the window size: each control
// moves and grows by a share (in percent) of the change, as its anchor says.
#pragma once

#include "ui/shared/DialogUnits.h"

namespace nelvo {

struct Anchor {
    int moveX = 0, moveY = 0, growX = 0, growY = 0;  // percent of the size change
};

// Shares are truncated toward zero, as the platform's dynamic layout does.
constexpr PixelRect anchoredRect(const PixelRect& base, const Anchor& anchor, int dx, int dy) {
    return {base.x + dx * anchor.moveX / 100, base.y + dy * anchor.moveY / 100,
            base.width + dx * anchor.growX / 100, base.height + dy * anchor.growY / 100};
}

}  // namespace nelvo
