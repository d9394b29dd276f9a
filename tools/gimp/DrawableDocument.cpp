// SPDX-License-Identifier: MIT
#include "DrawableDocument.h"

#include <libgimp/gimp.h>

#include <cstring>
#include <stdexcept>

#include "PIFilter.h"
#include "session/SixteenBit.h"

namespace filterhost::gimp {

namespace {

enum class Depth { U8 = 8, U16 = 16, Float = 32 };

Depth depthOf(GimpPrecision precision) {
    switch (precision) {
        case GIMP_PRECISION_U8_LINEAR:
        case GIMP_PRECISION_U8_GAMMA:
            return Depth::U8;
        case GIMP_PRECISION_U16_LINEAR:
        case GIMP_PRECISION_U16_GAMMA:
            return Depth::U16;
        default:
            return Depth::Float;
    }
}

bool perceptualFloat(GimpPrecision precision) {
    return precision == GIMP_PRECISION_HALF_GAMMA || precision == GIMP_PRECISION_FLOAT_GAMMA ||
           precision == GIMP_PRECISION_DOUBLE_GAMMA || precision == GIMP_PRECISION_U32_GAMMA;
}

int16_t modeFor(bool rgb, Depth depth) {
    switch (depth) {
        case Depth::U8:
            return rgb ? plugInModeRGBColor : plugInModeGrayScale;
        case Depth::U16:
            return rgb ? plugInModeRGB48 : plugInModeGray16;
        default:
            return rgb ? plugInModeRGB96 : plugInModeGray32;
    }
}

std::string formatFor(bool rgb, bool alpha, Depth depth, bool perceptual) {
    std::string format = rgb ? "RGB" : "Y";
    if (perceptual) format = rgb ? "R'G'B'" : "Y'";
    if (alpha) format += "A";
    format += depth == Depth::U8 ? " u8" : depth == Depth::U16 ? " u16" : " float";
    return format;
}

GeglRectangle wholeOf(GeglBuffer* buffer) {
    return {0, 0, gegl_buffer_get_width(buffer), gegl_buffer_get_height(buffer)};
}

}  // namespace

DrawableDocument readDrawable(int32_t image, int32_t drawable, bool useSelection) {
    if (gimp_drawable_is_indexed(drawable))
        throw std::runtime_error(
            "indexed images are not supported; convert the image to RGB or "
            "grayscale first (Image > Mode)");
    const bool rgb = gimp_drawable_is_rgb(drawable);
    if (!rgb && !gimp_drawable_is_gray(drawable))
        throw std::runtime_error("only RGB and grayscale images are supported");
    const GimpPrecision precision = gimp_image_get_precision(image);
    const Depth depth = depthOf(precision);
    const bool alpha = gimp_drawable_has_alpha(drawable);

    DrawableDocument result;
    result.drawable = drawable;
    result.format =
        formatFor(rgb, alpha, depth, depth != Depth::Float || perceptualFloat(precision));
    const int16_t colours = rgb ? 3 : 1;
    result.samplesPerPixel = colours + (alpha ? 1 : 0);

    GeglBuffer* buffer = gimp_drawable_get_buffer(drawable);
    const GeglRectangle whole = wholeOf(buffer);
    const Babl* format = babl_format(result.format.c_str());
    const std::size_t sampleBytes = static_cast<std::size_t>(depth) / 8;
    const std::size_t pixels =
        static_cast<std::size_t>(whole.width) * static_cast<std::size_t>(whole.height);
    const auto perPixel = static_cast<std::size_t>(result.samplesPerPixel);
    const auto colourCount = static_cast<std::size_t>(colours);
    result.read.resize(pixels * perPixel * sampleBytes);
    gegl_buffer_get(buffer, &whole, 1.0, format, result.read.data(), GEGL_AUTO_ROWSTRIDE,
                    GEGL_ABYSS_NONE);
    g_object_unref(buffer);

    Document& document = result.document;
    document.allocate(whole.width, whole.height, colours, modeFor(rgb, depth),
                      static_cast<int32_t>(depth));
    for (std::size_t p = 0; p < pixels; ++p) {
        for (std::size_t c = 0; c < colourCount; ++c) {
            const std::size_t from = (p * perPixel + c) * sampleBytes;
            const std::size_t to = (p * colourCount + c) * sampleBytes;
            if (depth == Depth::U16) {
                uint16_t v = 0;
                std::memcpy(&v, result.read.data() + from, 2);
                v = hostFrom16(v);
                std::memcpy(document.pixels.data() + to, &v, 2);
            } else {
                std::memcpy(document.pixels.data() + to, result.read.data() + from, sampleBytes);
            }
        }
    }

    gint x = 0, y = 0, width = 0, height = 0;
    if (useSelection && !gimp_selection_is_empty(image)) {
        if (!gimp_drawable_mask_intersect(drawable, &x, &y, &width, &height)) {
            document.filterRect = {0, 0, 0, 0};  // the selection misses this layer
            return result;
        }
        gint offsetX = 0, offsetY = 0;
        gimp_drawable_offsets(drawable, &offsetX, &offsetY);
        GeglBuffer* selection = gimp_drawable_get_buffer(gimp_image_get_selection(image));
        const GeglRectangle area{offsetX, offsetY, whole.width, whole.height};
        document.mask.resize(pixels);
        // Feathered edges come through as mask values between 0 and 255.
        gegl_buffer_get(selection, &area, 1.0, babl_format("Y u8"), document.mask.data(),
                        GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
        g_object_unref(selection);
        document.filterRect = {y, x, y + height, x + width};
    }
    return result;
}

void writeDrawable(DrawableDocument& source) {
    const Document& document = source.document;
    const VRect& r = document.filterRect;
    if (r.bottom <= r.top || r.right <= r.left) return;
    const std::size_t sampleBytes = document.sampleBytes();
    const auto colours = static_cast<std::size_t>(document.planes);
    const auto perPixel = static_cast<std::size_t>(source.samplesPerPixel);
    // The filtered samples go into the copy as read, in place: alpha is there
    // already, and a second copy of a large picture would cost its size again.
    std::vector<uint8_t>& written = source.read;
    const std::size_t pixels =
        static_cast<std::size_t>(document.width) * static_cast<std::size_t>(document.height);
    for (std::size_t p = 0; p < pixels; ++p) {
        for (std::size_t c = 0; c < colours; ++c) {
            const std::size_t to = (p * perPixel + c) * sampleBytes;
            const std::size_t from = (p * colours + c) * sampleBytes;
            if (sampleBytes == 2) {
                uint16_t host = 0, before = 0;
                std::memcpy(&host, document.pixels.data() + from, 2);
                std::memcpy(&before, written.data() + to, 2);
                const uint16_t after = host == hostFrom16(before) ? before : fileFrom16(host);
                std::memcpy(written.data() + to, &after, 2);
            } else {
                std::memcpy(written.data() + to, document.pixels.data() + from, sampleBytes);
            }
        }
    }
    GeglBuffer* shadow = gimp_drawable_get_shadow_buffer(source.drawable);
    const GeglRectangle whole{0, 0, document.width, document.height};
    gegl_buffer_set(shadow, &whole, 0, babl_format(source.format.c_str()), written.data(),
                    GEGL_AUTO_ROWSTRIDE);
    g_object_unref(shadow);
    gimp_drawable_merge_shadow(source.drawable, TRUE);
    gimp_drawable_update(source.drawable, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

}  // namespace filterhost::gimp
