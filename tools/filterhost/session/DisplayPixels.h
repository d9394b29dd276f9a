// SPDX-License-Identifier: MIT
// The host's displayPixels: draws 8-bit pixel maps of every image mode into the 32-bit
// surface that the plug-in describes with a PlatformDrawContext.
#pragma once

#include "PIFilter.h"

namespace filterhost {

OSErr displayPixels(const PSPixelMap* source, const VRect* srcRect, int32 dstRow, int32 dstCol,
                    void* platformContext);

}  // namespace filterhost
