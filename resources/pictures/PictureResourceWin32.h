// SPDX-License-Identifier: MIT
// The module's pictures on Windows: PNG resources of the module (type "PNG",
// named by their bitmap ids, see pictures.txt), decoded with the system's image
// codecs for the windows that draw them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace nelvo {

// The about box's header picture.
inline constexpr int kAboutPicture = 1077;

struct DecodedPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // Rows top-down, 4 bytes a pixel: blue, green, red and alpha, the colours
    // premultiplied by alpha, as GDI's AlphaBlend takes them.
    std::vector<std::uint8_t> pixels;
};

// The module that holds this code, for its own resources.
HMODULE thisModule();

// The PNG bytes of picture `id` in `module`; empty when there is no such resource.
std::span<const std::byte> pictureResource(HMODULE module, int id);

// Picture `id` of `module`, decoded; nothing when the resource is missing or does
// not decode. Works whether or not the calling thread has started COM, and in
// either of its threading models.
std::optional<DecodedPicture> decodePictureResource(HMODULE module, int id);

}  // namespace nelvo
