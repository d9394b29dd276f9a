// SPDX-License-Identifier: MIT
#include "ui/win32/DialogPictures.h"

#include <cstring>

#include "resources/pictures/PictureResourceWin32.h"
#include "ui/win32/DibSections.h"

namespace nelvo {

DialogPictures::~DialogPictures() {
    for (auto& entry : pictures_)
        if (entry.second.bitmap != nullptr) DeleteObject(entry.second.bitmap);
}

const DialogPictures::Picture* DialogPictures::picture(int id) {
    const auto found = pictures_.find(id);
    if (found != pictures_.end()) return found->second.bitmap != nullptr ? &found->second : nullptr;
    Picture& made = pictures_[id];  // a missing picture is looked for only once
    const std::optional<DecodedPicture> decoded = decodePictureResource(thisModule(), id);
    if (!decoded || decoded->width == 0 || decoded->height == 0) return nullptr;
    std::uint32_t* bits = nullptr;
    HBITMAP bitmap =
        makeDibSection(static_cast<int>(decoded->width), static_cast<int>(decoded->height), &bits);
    if (bitmap == nullptr) return nullptr;
    std::memcpy(bits, decoded->pixels.data(), decoded->pixels.size());
    made = {bitmap, static_cast<int>(decoded->width), static_cast<int>(decoded->height)};
    return &made;
}

SIZE DialogPictures::size(int id) {
    const Picture* p = picture(id);
    return p == nullptr ? SIZE{0, 0} : SIZE{p->width, p->height};
}

bool DialogPictures::draw(HDC dc, const RECT& rect, int id) {
    const Picture* p = picture(id);
    if (p == nullptr) return false;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, p->bitmap);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, source, 0,
               0, p->width, p->height, blend);
    SelectObject(source, old);
    DeleteDC(source);
    return true;
}

}  // namespace nelvo
