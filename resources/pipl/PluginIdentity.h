// SPDX-License-Identifier: MIT
// Identifiers under which hosts know the module.
#pragma once

#include "PITypes.h"

namespace nelvo {

// Scope of the terminology and key of the descriptor registry entry.
inline constexpr const char kPluginUUID[] = "7c1e5a92-3f0b-4d8e-a6c4-5b2d9e0f7a13";
inline constexpr OSType kPluginClassID = PIFourCC('n', 'V', 'l', 'o');
inline constexpr OSType kPluginEventID = PIFourCC('n', 'V', 'l', 'o');
inline constexpr int16 kResourceID = 16000;
inline constexpr const char kMenuName[] = "Nelvo...";
inline constexpr const char kMenuCategory[] = "Brenwick";
inline constexpr const char kEnableExpression[] =
    "in (PSHOP_ImageMode, RGBMode, GrayScaleMode,CMYKMode, HSLMode, HSBMode,DuotoneMode, LabMode, "
    "RGB48Mode, Gray16Mode) ||PSHOP_ImageDepth == 16 ||PSHOP_ImageDepth == 32";

}  // namespace nelvo
