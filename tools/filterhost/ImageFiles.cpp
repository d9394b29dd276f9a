// SPDX-License-Identifier: MIT
#include "ImageFiles.h"

#include <png.h>

#include <cstring>

#include "HostError.h"
#include "PIFilter.h"

namespace filterhost {
namespace {

Document readPng(const std::filesystem::path& path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        throw HostError(path.string() + ": " + image.message);
    }
    const bool grey = (image.format & PNG_FORMAT_FLAG_COLOR) == 0;
    image.format = grey ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
    Document document;
    document.allocate(static_cast<int32_t>(image.width), static_cast<int32_t>(image.height),
                      grey ? 1 : 3, grey ? plugInModeGrayScale : plugInModeRGBColor, 8);
    if (!png_image_finish_read(&image, nullptr, document.pixels.data(), 0, nullptr)) {
        const std::string why = image.message;
        png_image_free(&image);
        throw HostError(path.string() + ": " + why);
    }
    return document;
}

}  // namespace

Document readImage(const std::filesystem::path& path) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) throw HostError(path.string() + ": no such file");
    return readPng(path);
}

}  // namespace filterhost
