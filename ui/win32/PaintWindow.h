// SPDX-License-Identifier: MIT
// WM_PAINT of the plug-in's own windows: `paint` draws into the window's paint context
// between BeginPaint and EndPaint, which validate the area.
#pragma once

#include <windows.h>

namespace nelvo {

template <typename Paint>
LRESULT paintWindow(HWND window, Paint&& paint) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    paint(dc);
    EndPaint(window, &ps);
    return 0;
}

}  // namespace nelvo
