// SPDX-License-Identifier: MIT
// The module's pictures for owner-drawn Win32 controls: each PNG resource decoded once
// into a premultiplied DIB section and drawn scaled into a control's rectangle with
// AlphaBlend, so that its transparent parts show what lies below.
#pragma once

#include <windows.h>

#include <map>

namespace nelvo {

class DialogPictures {
  public:
    DialogPictures() = default;
    ~DialogPictures();
    DialogPictures(const DialogPictures&) = delete;
    DialogPictures& operator=(const DialogPictures&) = delete;

    // Draws picture `id` over `rect` of `dc`; false when the module has no such picture.
    bool draw(HDC dc, const RECT& rect, int id);
    // The stored size of picture `id` in pixels; 0 x 0 when the module has no such picture.
    SIZE size(int id);

  private:
    struct Picture {
        HBITMAP bitmap = nullptr;
        int width = 0, height = 0;
    };
    const Picture* picture(int id);
    std::map<int, Picture> pictures_;
};

}  // namespace nelvo
