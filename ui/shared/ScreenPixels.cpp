// SPDX-License-Identifier: MIT
#include "ui/shared/ScreenPixels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace nelvo {

namespace {

using Pixel = std::uint32_t;

constexpr Pixel pack(unsigned r, unsigned g, unsigned b) {
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

std::uint8_t unit8(float v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

// Hue sector arithmetic shared by HSB and HSL: chroma c spread over the sector of h.
Pixel fromHueChroma(float h6, float c, float m) {
    const float x = c * (1.0f - std::fabs(std::fmod(h6, 2.0f) - 1.0f));
    float r = 0, g = 0, b = 0;
    switch (static_cast<int>(h6) % 6) {
        case 0:
            r = c, g = x;
            break;
        case 1:
            r = x, g = c;
            break;
        case 2:
            g = c, b = x;
            break;
        case 3:
            g = x, b = c;
            break;
        case 4:
            r = x, b = c;
            break;
        default:
            r = c, b = x;
            break;
    }
    return pack(unit8(r + m), unit8(g + m), unit8(b + m));
}

Pixel fromHsb(const std::uint8_t* p) {
    const float v = p[2] / 255.0f;
    const float c = v * (p[1] / 255.0f);
    return fromHueChroma(p[0] * 6.0f / 256.0f, c, v - c);
}

Pixel fromHsl(const std::uint8_t* p) {
    const float l = p[2] / 255.0f;
    const float c = (1.0f - std::fabs(2.0f * l - 1.0f)) * (p[1] / 255.0f);
    return fromHueChroma(p[0] * 6.0f / 256.0f, c, l - c / 2.0f);
}

// Linear light to sRGB-encoded bytes through a table, since pow per pixel is slow.
class SrgbEncoder {
  public:
    SrgbEncoder() {
        for (std::size_t i = 0; i < table_.size(); ++i) {
            const float v = static_cast<float>(i) / (kSteps - 1);
            const float e = v <= 0.0031308f ? 12.92f * v : 1.055f * std::pow(v, 1 / 2.4f) - 0.055f;
            table_[i] = unit8(e);
        }
    }
    std::uint8_t operator()(float linear) const {
        const float v = std::clamp(linear, 0.0f, 1.0f);
        return table_[static_cast<std::size_t>(v * (kSteps - 1) + 0.5f)];
    }

  private:
    static constexpr int kSteps = 4096;
    std::array<std::uint8_t, kSteps> table_{};
};

float labInverse(float t) {
    constexpr float delta = 6.0f / 29.0f;
    return t > delta ? t * t * t : 3.0f * delta * delta * (t - 4.0f / 29.0f);
}

Pixel fromLab(const std::uint8_t* p) {
    static const SrgbEncoder encode;
    const float l = p[0] * 100.0f / 255.0f;
    const float a = static_cast<float>(p[1]) - 128.0f;
    const float b = static_cast<float>(p[2]) - 128.0f;
    const float fy = (l + 16.0f) / 116.0f;
    const float x = 0.95047f * labInverse(fy + a / 500.0f);
    const float y = labInverse(fy);
    const float z = 1.08883f * labInverse(fy - b / 200.0f);
    const float r = 3.2404542f * x - 1.5371385f * y - 0.4985314f * z;
    const float g = -0.9692660f * x + 1.8760108f * y + 0.0415560f * z;
    const float bl = 0.0556434f * x - 0.2040259f * y + 1.0572252f * z;
    return pack(encode(r), encode(g), encode(bl));
}

Pixel fromCmyk(const std::uint8_t* p) {
    // Stored samples are 255 for no ink, so each is the light that ink lets through.
    return pack(p[0] * p[3] / 255u, p[1] * p[3] / 255u, p[2] * p[3] / 255u);
}

Pixel fromRgb(const std::uint8_t* p) {
    return pack(p[0], p[1], p[2]);
}
Pixel fromGrey(const std::uint8_t* p) {
    return pack(p[0], p[0], p[0]);
}

// Channels a pixel of the mode needs; 0 for modes we cannot draw.
int channelsOf(int32 mode) {
    switch (mode) {
        case plugInModeRGBColor:
        case plugInModeLabColor:
        case plugInModeHSBColor:
        case plugInModeHSLColor:
            return 3;
        case plugInModeCMYKColor:
            return 4;
        case plugInModeBitmap:
        case plugInModeGrayScale:
        case plugInModeIndexedColor:
        case plugInModeDuotone:
        case plugInModeMultichannel:
            return 1;
        default:
            return 0;
    }
}

template <Pixel (*Convert)(const std::uint8_t*)>
void drawRows(const std::uint8_t* source, std::ptrdiff_t rowBytes, std::ptrdiff_t colBytes,
              int width, int height, std::uint8_t* target, std::ptrdiff_t targetRowBytes) {
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = source + y * rowBytes;
        auto* out = reinterpret_cast<Pixel*>(target + y * targetRowBytes);
        for (int x = 0; x < width; ++x, in += colBytes) out[x] = Convert(in);
    }
}

}  // namespace

OSErr drawPixelMap(const PSPixelMap* map, const VRect* srcRect, int32 dstRow, int32 dstCol,
                   const PlatformDrawContext* target) {
    if (map == nullptr || srcRect == nullptr || target == nullptr || map->baseAddr == nullptr ||
        target->pixels == nullptr || target->version != kPlatformDrawContextVersion ||
        target->width < 0 || target->height < 0 || target->rowBytes < int64_t{target->width} * 4 ||
        map->colBytes <= 0 || map->rowBytes <= 0 || map->planeBytes != 1 || dstRow < 0 ||
        dstCol < 0)
        return paramErr;
    const int channels = channelsOf(map->imageMode);
    if (channels == 0 || map->colBytes < channels) return paramErr;
    // The part of the source rectangle inside the map, then inside the target.
    const int32 top = std::max(srcRect->top, map->bounds.top);
    const int32 left = std::max(srcRect->left, map->bounds.left);
    const int64_t bottom = std::min<int64_t>(
        {srcRect->bottom, map->bounds.bottom, int64_t{top} + target->height - dstRow});
    const int64_t right = std::min<int64_t>(
        {srcRect->right, map->bounds.right, int64_t{left} + target->width - dstCol});
    if (bottom <= top || right <= left) return noErr;
    const auto width = static_cast<int>(right - left);
    const auto height = static_cast<int>(bottom - top);
    const std::ptrdiff_t rowBytes = map->rowBytes;
    const std::ptrdiff_t colBytes = map->colBytes;
    const auto* source = static_cast<const std::uint8_t*>(map->baseAddr) +
                         (top - map->bounds.top) * rowBytes + (left - map->bounds.left) * colBytes;
    auto* out = static_cast<std::uint8_t*>(target->pixels) +
                std::ptrdiff_t{dstRow} * target->rowBytes + std::ptrdiff_t{dstCol} * 4;
    const auto draw = [&](auto convert) {
        convert(source, rowBytes, colBytes, width, height, out, target->rowBytes);
    };
    switch (map->imageMode) {
        case plugInModeRGBColor:
            draw(drawRows<fromRgb>);
            break;
        case plugInModeCMYKColor:
            draw(drawRows<fromCmyk>);
            break;
        case plugInModeLabColor:
            draw(drawRows<fromLab>);
            break;
        case plugInModeHSBColor:
            draw(drawRows<fromHsb>);
            break;
        case plugInModeHSLColor:
            draw(drawRows<fromHsl>);
            break;
        default:
            draw(drawRows<fromGrey>);
            break;
    }
    return noErr;
}

}  // namespace nelvo
