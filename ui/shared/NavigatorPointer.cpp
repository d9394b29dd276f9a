// SPDX-License-Identifier: MIT
#include "ui/shared/NavigatorPointer.h"

namespace nelvo {

NavigatorRequest NavigatorPointer::press(IntPoint p, const IntRect& view, int width, int height,
                                         bool dragWanted) {
    if (!insideViewRect(view, p))
        return {NavigatorRequest::Kind::Jump, jumpFractions(p, width, height)};
    if (dragWanted) {
        dragging_ = true;
        grabOffset_ = {p.x - view.left, p.y - view.top};
    }
    return {};
}

NavigatorRequest NavigatorPointer::move(IntPoint p, const IntRect& view, int width,
                                        int height) const {
    if (!dragging_) return {};
    return {NavigatorRequest::Kind::Drag, dragFractions(p, view, grabOffset_, width, height)};
}

bool NavigatorPointer::release() {
    const bool ended = dragging_;
    dragging_ = false;
    return ended;
}

}  // namespace nelvo
