// SPDX-License-Identifier: MIT
// 8-bit interleaved pixel maps of every image mode to 32-bit screen pixels: the work of
// the host's displayPixels, also used by the preview when a host offers none.
#pragma once

#include "PIFilter.h"
#include "PIPlatformContext.h"

namespace nelvo {

// Draws srcRect of `map` (rectangle in the map's bounds coordinates) at (dstRow, dstCol)
// of `target`, clipped to the target and to the map's bounds. Modes: grey scale, duotone,
// bitmap and indexed (first channel as grey), RGB, CMYK (samples as the host stores them,
// 255 = no ink), HSB, HSL, Lab (L 0..255 for 0..100, a and b offset by 128, D65 white),
// multichannel (first channel as grey). Samples are one byte each (plane bytes 1).
// Returns noErr or paramErr.
OSErr drawPixelMap(const PSPixelMap* map, const VRect* srcRect, int32 dstRow, int32 dstCol,
                   const PlatformDrawContext* target);

}  // namespace nelvo
