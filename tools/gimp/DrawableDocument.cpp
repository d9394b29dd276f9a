// SPDX-License-Identifier: MIT
#include "DrawableDocument.h"

#include <libgimp/gimp.h>

#include <algorithm>
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

// Pixels move between GEGL and the document a row of the buffer's tiles at a
// time: whole-image copies in GEGL's layout would add a third of the image's
// size to the plug-in's peak memory, and a strip that covers whole tiles is
// neither fetched twice nor, when written, fetched from GIMP first.
int32_t tileRows(GeglBuffer* buffer) {
    gint rows = 0;
    g_object_get(buffer, "tile-height", &rows, nullptr);
    return std::max(rows, 1);
}

// The end of the strip that starts at row `top`: the next tile boundary.
int32_t stripEnd(int32_t top, int32_t bottom, int32_t tileHeight) {
    return std::min(bottom, (top / tileHeight + 1) * tileHeight);
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
    const std::size_t pixels =
        static_cast<std::size_t>(whole.width) * static_cast<std::size_t>(whole.height);
    Document& document = result.document;
    document.allocate(whole.width, whole.height, colours, modeFor(rgb, depth),
                      static_cast<int32_t>(depth));
    // The tile server records the samples the filter changes: only those are
    // written back.
    document.changes.track(document.pixels.size() / document.sampleBytes());
    if (alpha) result.alpha.resize(pixels * document.sampleBytes());
    if (depth == Depth::U16) result.second.assign((document.changes.samples() + 63) / 64, 0);
    std::vector<uint8_t> strip;
    const int32_t tileHeight = tileRows(buffer);
    for (int32_t top = 0, end = 0; top < whole.height; top = end) {
        end = stripEnd(top, whole.height, tileHeight);
        const GeglRectangle rows{0, top, whole.width, end - top};
        strip.resize(static_cast<std::size_t>(rows.width) * static_cast<std::size_t>(rows.height) *
                     result.pixelBytes());
        gegl_buffer_get(buffer, &rows, 1.0, format, strip.data(), GEGL_AUTO_ROWSTRIDE,
                        GEGL_ABYSS_NONE);
        result.split(strip.data(),
                     static_cast<std::size_t>(top) * static_cast<std::size_t>(whole.width),
                     static_cast<std::size_t>(rows.width) * static_cast<std::size_t>(rows.height));
    }
    g_object_unref(buffer);

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

void DrawableDocument::split(const uint8_t* from, std::size_t first, std::size_t count) {
    const std::size_t sampleBytes = document.sampleBytes();
    const auto colours = static_cast<std::size_t>(document.planes);
    const auto perPixel = static_cast<std::size_t>(samplesPerPixel);
    uint8_t* to = document.pixels.data() + first * colours * sampleBytes;
    if (sampleBytes != 2) {
        if (perPixel == colours) {
            std::memcpy(to, from, count * colours * sampleBytes);
            return;
        }
        for (std::size_t p = first; p < first + count; ++p) {
            std::memcpy(to, from, colours * sampleBytes);
            std::memcpy(alpha.data() + p * sampleBytes, from + colours * sampleBytes, sampleBytes);
            to += colours * sampleBytes;
            from += perPixel * sampleBytes;
        }
        return;
    }
    const SixteenBitTables& tables = SixteenBitTables::get();
    uint64_t* const seconds = second.data();
    // Sample by sample, the bits of a word gathered before it is stored.
    uint64_t bits = 0;
    std::size_t i = first * colours;
    for (std::size_t p = 0; p < count; ++p, from += perPixel * 2, to += colours * 2) {
        for (std::size_t c = 0; c < colours; ++c, ++i) {
            uint16_t value = 0;
            std::memcpy(&value, from + c * 2, 2);
            std::memcpy(to + c * 2, &tables.host[value], 2);
            bits |= uint64_t{tables.isSecond[value]} << (i & 63);
            if ((i & 63) == 63) {
                seconds[i >> 6] |= bits;
                bits = 0;
            }
        }
        if (perPixel != colours) std::memcpy(alpha.data() + (first + p) * 2, from + colours * 2, 2);
    }
    if ((i & 63) != 0) seconds[i >> 6] |= bits;
}

void DrawableDocument::join(uint8_t* to, std::size_t first, std::size_t count) const {
    const std::size_t sampleBytes = document.sampleBytes();
    const auto colours = static_cast<std::size_t>(document.planes);
    const auto perPixel = static_cast<std::size_t>(samplesPerPixel);
    const uint8_t* from = document.pixels.data() + first * colours * sampleBytes;
    if (sampleBytes != 2) {
        if (perPixel == colours) {
            std::memcpy(to, from, count * colours * sampleBytes);
            return;
        }
        for (std::size_t p = first; p < first + count; ++p) {
            std::memcpy(to, from, colours * sampleBytes);
            std::memcpy(to + colours * sampleBytes, alpha.data() + p * sampleBytes, sampleBytes);
            to += perPixel * sampleBytes;
            from += colours * sampleBytes;
        }
        return;
    }
    const SixteenBitTables& tables = SixteenBitTables::get();
    const uint64_t* const seconds = second.data();
    const uint64_t* const changed = document.changes.words();
    const std::size_t samples = document.changes.samples();
    std::size_t i = first * colours;
    // A sample the filter left alone goes back as the value read, also where
    // two values read as one host value: `kept` holds, for the samples of
    // the current word, whether it is the second of the two.
    uint64_t kept = (seconds[i >> 6] & ~changed[i >> 6]) >> (i & 63);
    for (std::size_t p = 0; p < count; ++p, to += perPixel * 2, from += colours * 2) {
        for (std::size_t c = 0; c < colours; ++c, ++i) {
            uint16_t host = 0;
            std::memcpy(&host, from + c * 2, 2);
            const auto index = 2u * std::min<unsigned>(host, 32768u) + (kept & 1u);
            std::memcpy(to + c * 2, &tables.file[index], 2);
            kept >>= 1;
            if ((i & 63) == 63 && i + 1 < samples)
                kept = seconds[(i >> 6) + 1] & ~changed[(i >> 6) + 1];
        }
        if (perPixel != colours) std::memcpy(to + colours * 2, alpha.data() + (first + p) * 2, 2);
    }
}

void writeDrawable(const DrawableDocument& source) {
    const Document& document = source.document;
    const VRect& r = document.filterRect;
    if (r.bottom <= r.top || r.right <= r.left) return;
    const auto colours = static_cast<std::size_t>(document.planes);
    const auto perPixel = static_cast<std::size_t>(source.samplesPerPixel);
    const Babl* read = babl_format(source.format.c_str());
    const Babl* own = gimp_drawable_get_format(source.drawable);
    // The drawable may store another encoding or type than the one filtered
    // (linear light, half, double, 32-bit integer): a round trip would not
    // give back every value, so there only the changed samples are converted
    // and every other one is written as the drawable holds it.
    const bool converted = own != read;
    const auto ownPixel = static_cast<std::size_t>(babl_format_get_bytes_per_pixel(own));
    const std::size_t ownSample = ownPixel / perPixel;
    const Babl* fish = converted ? babl_fish(read, own) : nullptr;
    GeglBuffer* shadow = gimp_drawable_get_shadow_buffer(source.drawable);
    GeglBuffer* kept = converted ? gimp_drawable_get_buffer(source.drawable) : nullptr;
    const auto width = static_cast<std::size_t>(r.right - r.left);
    std::vector<uint8_t> strip, native, ownRows;
    const int32_t tileHeight = tileRows(shadow);
    for (int32_t top = r.top, end = 0; top < r.bottom; top = end) {
        end = stripEnd(top, r.bottom, tileHeight);
        const GeglRectangle rows{r.left, top, r.right - r.left, end - top};
        const auto height = static_cast<std::size_t>(rows.height);
        strip.resize(width * height * source.pixelBytes());
        for (std::size_t y = 0; y < height; ++y)
            source.join(
                strip.data() + y * width * source.pixelBytes(),
                (static_cast<std::size_t>(top) + y) * static_cast<std::size_t>(document.width) +
                    static_cast<std::size_t>(r.left),
                width);
        if (!converted) {
            gegl_buffer_set(shadow, &rows, 0, read, strip.data(), GEGL_AUTO_ROWSTRIDE);
            continue;
        }
        native.resize(width * height * ownPixel);
        ownRows.resize(width * height * ownPixel);
        gegl_buffer_get(kept, &rows, 1.0, own, ownRows.data(), GEGL_AUTO_ROWSTRIDE,
                        GEGL_ABYSS_NONE);
        babl_process(fish, strip.data(), native.data(), static_cast<long>(width * height));
        for (std::size_t y = 0; y < height; ++y) {
            const std::size_t pixel =
                (static_cast<std::size_t>(top) + y) * static_cast<std::size_t>(document.width) +
                static_cast<std::size_t>(r.left);
            for (std::size_t x = 0; x < width; ++x) {
                for (std::size_t c = 0; c < colours; ++c) {
                    if (!document.changes.changed((pixel + x) * colours + c)) continue;
                    const std::size_t at = (y * width + x) * ownPixel + c * ownSample;
                    std::memcpy(ownRows.data() + at, native.data() + at, ownSample);
                }
            }
        }
        gegl_buffer_set(shadow, &rows, 0, own, ownRows.data(), GEGL_AUTO_ROWSTRIDE);
    }
    if (kept != nullptr) g_object_unref(kept);
    g_object_unref(shadow);
    gimp_drawable_merge_shadow(source.drawable, TRUE);
    gimp_drawable_update(source.drawable, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

}  // namespace filterhost::gimp
