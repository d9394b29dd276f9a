// SPDX-License-Identifier: MIT
// Colour channels and colour model of each host image mode.
#pragma once

#include <cstdint>

namespace nelvo {

// Colour model codes handed to the engine factory.
enum ColourModel : int16_t {
    kModelNone = -1,
    kModelRGB = 0,
    kModelHSB = 1,
    kModelCMYK = 2,
    kModelLab = 3,
    kModelGrey = 4,
    kModelHSL = 5,
};

// Colour channels of `imageMode`; multichannel modes have `planes` channels and
// modes the table does not know have none.
int16_t colourChannels(int16_t imageMode, int16_t planes);
int16_t colourModel(int16_t imageMode);

}  // namespace nelvo
