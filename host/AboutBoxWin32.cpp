// SPDX-License-Identifier: MIT
// The about box of the Win32 build: the Win32 face's window, over the window that is
// active on this thread (the editing dialog when its link opened the box).
#include <windows.h>

#include "host/AboutBox.h"
#include "ui/win32/AboutBoxWin32.h"

namespace nelvo {

void showAboutBox() {
    showAboutBoxWin32(GetActiveWindow());
}

}  // namespace nelvo
