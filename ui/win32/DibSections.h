// SPDX-License-Identifier: MIT
// 32-bit top-down DIB sections, the surfaces the plug-in's Win32 windows keep their
// pictures in, and half-tone scaling of a picture into one.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/shared/ImageReduction.h"

namespace nelvo {

// The header of a width x height top-down picture, four bytes a pixel (blue, green, red
// and a fourth), rows without padding.
BITMAPINFO topDownInfo(int width, int height);

// A zeroed width x height section; null when it cannot be made. `bits`, when given, gets
// its first pixel.
HBITMAP makeDibSection(int width, int height, std::uint32_t** bits = nullptr);

// Draws `picture` (whose stride is a multiple of four) scaled onto the whole of `target`,
// a section of width x height, with half-tone stretching.
void stretchPicture(HBITMAP target, int width, int height, const PixelBuffer& picture);

}  // namespace nelvo
