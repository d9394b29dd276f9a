// SPDX-License-Identifier: MIT
// The navigator's mouse without a window: a press outside the frame asks to jump there,
// a press inside it starts a drag (when the dialog listens for drags) whose moves ask
// for the displacement not yet applied, as fractions of the navigator's size. The
// dialog answers by moving the frame, so each move reports only what is left.
#pragma once

#include "ui/shared/NavigatorGeometry.h"

namespace nelvo {

struct NavigatorRequest {
    enum class Kind { None, Jump, Drag };
    Kind kind = Kind::None;
    FloatPair fractions;
};

class NavigatorPointer {
  public:
    // The left button went down at p in a width x height navigator framing `view`.
    NavigatorRequest press(IntPoint p, const IntRect& view, int width, int height, bool dragWanted);
    NavigatorRequest move(IntPoint p, const IntRect& view, int width, int height) const;
    // The left button went up; true when a drag ended (the window lets the mouse go).
    bool release();
    bool dragging() const { return dragging_; }

  private:
    bool dragging_ = false;
    IntPoint grabOffset_;
};

}  // namespace nelvo
