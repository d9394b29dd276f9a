// SPDX-License-Identifier: MIT
#include "ui/win32/DibSections.h"

namespace nelvo {

BITMAPINFO topDownInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

HBITMAP makeDibSection(int width, int height, std::uint32_t** bits) {
    const BITMAPINFO info = topDownInfo(width, height);
    void* first = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &first, nullptr, 0);
    if (bits != nullptr) *bits = section != nullptr ? static_cast<std::uint32_t*>(first) : nullptr;
    return section;
}

void stretchPicture(HBITMAP target, int width, int height, const PixelBuffer& picture) {
    if (target == nullptr || picture.bits == nullptr || picture.stride % 4 != 0) return;
    HDC memory = CreateCompatibleDC(nullptr);
    if (memory == nullptr) return;
    HGDIOBJ old = SelectObject(memory, target);
    // The picture's rows may be longer than its width: the header describes whole rows
    // and the source rectangle takes the picture's part of them.
    const BITMAPINFO info = topDownInfo(static_cast<int>(picture.stride / 4), picture.height);
    SetStretchBltMode(memory, HALFTONE);
    SetBrushOrgEx(memory, 0, 0, nullptr);
    StretchDIBits(memory, 0, 0, width, height, 0, 0, picture.width, picture.height, picture.bits,
                  &info, DIB_RGB_COLORS, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

}  // namespace nelvo
