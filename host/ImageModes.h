// SPDX-License-Identifier: MIT
// Colour channels and colour model of each host image mode.
#pragma once

#include <cstdint>

#include "engine/ColourModel.h"

namespace nelvo {

// Colour channels of `imageMode`; multichannel modes have `planes` channels and
// modes the table does not know have none.
int16_t colourChannels(int16_t imageMode, int16_t planes);
int16_t colourModel(int16_t imageMode);

}  // namespace nelvo
