// SPDX-License-Identifier: MIT
#include "session/DisplayPixels.h"

#include "PIPlatformContext.h"
#include "ui/shared/ScreenPixels.h"

namespace filterhost {

// The conversion is the one the module falls back to without a host routine, so that
// the preview looks the same under any host of ours.
OSErr displayPixels(const PSPixelMap* source, const VRect* srcRect, int32 dstRow, int32 dstCol,
                    void* platformContext) {
    return nelvo::drawPixelMap(source, srcRect, dstRow, dstCol,
                               static_cast<const PlatformDrawContext*>(platformContext));
}

}  // namespace filterhost
