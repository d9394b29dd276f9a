// SPDX-License-Identifier: MIT
// The about box on Win32, on template 1074: the header picture, the product's names and
// version, the contact lines and the web link. A click anywhere but on the link closes
// it; the link opens the address in the user's browser and leaves the box open.
#pragma once

#include <windows.h>

namespace nelvo {

void showAboutBoxWin32(HWND owner);

}  // namespace nelvo
