// SPDX-License-Identifier: MIT
#include "cli/CompareImages.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "HostError.h"
#include "PIFilter.h"
#include "imageio/ImageFiles.h"

namespace filterhost {
namespace {

// One sample on the 0..255 display scale.
uint8_t display(const Document& d, const uint8_t* sample) {
    if (d.depth == 16) {
        uint16_t v;
        std::memcpy(&v, sample, 2);
        return static_cast<uint8_t>(std::min<uint32_t>(v, 32768) * 255 / 32768);
    }
    if (d.depth == 32) {
        float v;
        std::memcpy(&v, sample, 4);
        if (!(v > 0)) return 0;
        return static_cast<uint8_t>(std::min(v, 1.0f) * 255.0f + 0.5f);
    }
    return *sample;
}

// An RGB view of the document for the eye: grey and Lab lightness as grey,
// CMYK through the plain ink formula, other colour modes as they are.
void toRgb(const Document& d, std::vector<uint8_t>& rgb, int32_t stride, int32_t left) {
    const std::size_t sample = d.sampleBytes();
    for (int32_t y = 0; y < d.height; ++y) {
        for (int32_t x = 0; x < d.width; ++x) {
            const uint8_t* p = d.pixels.data() + static_cast<std::size_t>(y) * d.rowBytes() +
                               static_cast<std::size_t>(x) * d.pixelBytes();
            uint8_t* out =
                rgb.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) +
                              static_cast<std::size_t>(left + x)) *
                                 3;
            const auto c = [&](int i) {
                return display(d, p + static_cast<std::size_t>(i) * sample);
            };
            const bool cmyk = d.imageMode == plugInModeCMYKColor || d.imageMode == plugInModeCMYK64;
            const bool lab = d.imageMode == plugInModeLabColor || d.imageMode == plugInModeLab48;
            if (cmyk && d.planes >= 4) {
                for (int i = 0; i < 3; ++i)
                    out[i] = static_cast<uint8_t>((255 - c(i)) * (255 - c(3)) / 255);
            } else if (lab || d.planes < 3) {
                out[0] = out[1] = out[2] = c(0);
            } else {
                for (int i = 0; i < 3; ++i) out[i] = c(i);
            }
        }
    }
}

}  // namespace

void writeSideBySide(const std::filesystem::path& before, const std::filesystem::path& after,
                     const std::filesystem::path& output) {
    const ImageFile a = readImage(before);
    const ImageFile b = readImage(after);
    if (a.document.width != b.document.width || a.document.height != b.document.height) {
        throw HostError(after.string() + ": not the size of " + before.string());
    }
    const int32_t width = a.document.width * 2;
    std::vector<uint8_t> rgb(static_cast<std::size_t>(width) *
                             static_cast<std::size_t>(a.document.height) * 3);
    toRgb(a.document, rgb, width, 0);
    toRgb(b.document, rgb, width, a.document.width);

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(a.document.height);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, output.c_str(), 0, rgb.data(), 0, nullptr)) {
        const std::string why = image.message;
        png_image_free(&image);
        throw HostError(output.string() + ": " + why);
    }
}

}  // namespace filterhost
