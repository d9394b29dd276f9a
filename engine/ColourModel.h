// SPDX-License-Identifier: MIT
// Colour model codes: the module derives one from the host's image mode and
// the engine picks its grey conversion by it.
#pragma once

#include <cstdint>

namespace nelvo {

enum ColourModel : int16_t {
    kModelNone = -1,
    kModelRgb = 0,
    kModelHsb = 1,
    kModelCmyk = 2,
    kModelLab = 3,
    kModelGrey = 4,
    kModelHsl = 5,
};

}  // namespace nelvo
