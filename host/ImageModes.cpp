// SPDX-License-Identifier: MIT
#include "host/ImageModes.h"

#include <array>

namespace nelvo {
namespace {

constexpr int16_t kPlanes = -1;  // the record's `planes` value

// Indexed by image mode 0..17: bitmap, grey, indexed, RGB, CMYK, HSL, HSB,
// multichannel, duotone, Lab, grey 16, RGB 48, Lab 48, CMYK 64, deep
// multichannel, duotone 16, RGB 96, grey 32.
constexpr std::array<int16_t, 18> kChannels = {1, 1, 3, 3, 4, 3,       3, kPlanes, 1,
                                               3, 1, 3, 3, 4, kPlanes, 1, 3,       1};
constexpr std::array<int16_t, 18> kModels = {-1, 4, -1, 0, 2, 5,  1, -1, 4,
                                             3,  4, 0,  3, 2, -1, 4, 0,  4};

bool known(int16_t imageMode) {
    return imageMode >= 0 && static_cast<std::size_t>(imageMode) < kChannels.size();
}

}  // namespace

int16_t colourChannels(int16_t imageMode, int16_t planes) {
    if (!known(imageMode)) return 0;
    const int16_t channels = kChannels[static_cast<std::size_t>(imageMode)];
    return channels == kPlanes ? planes : channels;
}

int16_t colourModel(int16_t imageMode) {
    return known(imageMode) ? kModels[static_cast<std::size_t>(imageMode)] : int16_t{kModelNone};
}

}  // namespace nelvo
