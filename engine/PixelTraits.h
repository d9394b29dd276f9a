// SPDX-License-Identifier: MIT
// What differs between the three pixel types: the white value, the contrast
// difference threshold and the scaling of the contrast rating. All per-pixel
// arithmetic is single precision; integer types truncate when a float result
// is stored.
#pragma once

#include <cstdint>
#include <type_traits>

namespace nelvo {

template <typename T>
struct PixelTraits;

template <>
struct PixelTraits<unsigned char> {
    static constexpr unsigned char max = 255;
    static constexpr float maxFloat = 255.0f;
    // Grey-to-median differences below this skip the window statistics.
    static constexpr float differenceThreshold = 2.0f;
    // Added to the variance sum in the deviation term's denominator: one grey
    // level squared.
    static constexpr float deviationFloor = 1.0f;

    // Channel value scaled to 0..1 for the ink formula.
    static float unit(unsigned char c) { return static_cast<float>(c) / 255.0f; }
    static float rating(float cd, float d) { return (0.75f * cd * 255.0f + 0.25f * d) / 255.0f; }
};

template <>
struct PixelTraits<unsigned short> {
    // The host's 16-bit range ends at 32768, not 65535.
    static constexpr unsigned short max = 32768;
    static constexpr float maxFloat = 32768.0f;
    // Twice 257, the 16-bit step of one 8-bit grey level.
    static constexpr float differenceThreshold = 514.0f;
    static constexpr float deviationFloor = 1.0f;

    static float unit(unsigned short c) { return static_cast<float>(c) * (1.0f / 32768.0f); }
    static float rating(float cd, float d) {
        return (0.75f * cd * 32768.0f + 0.25f * d) * (1.0f / 32768.0f);
    }
};

template <>
struct PixelTraits<float> {
    static constexpr float max = 1.0f;
    static constexpr float maxFloat = 1.0f;
    static constexpr float differenceThreshold = 2.0f / 255.0f;
    // One 8-bit grey level squared on the 0..1 scale. A floor of 1 here would
    // dwarf every variance a 0..1 image can have and hold the deviation term
    // near zero, so a float image would lose specks that the same picture in
    // 8 or 16 bits shows.
    static constexpr float deviationFloor = 1.0f / (255.0f * 255.0f);

    static float unit(float c) { return c; }
    static float rating(float cd, float d) { return 0.75f * cd + 0.25f * d; }
};

// Stores a single-precision result in a pixel type, truncating toward zero for
// the integer types.
template <typename T>
inline T storePixel(float value) {
    return static_cast<T>(value);
}

template <typename T>
inline constexpr bool isPixelType = std::is_same_v<T, unsigned char> ||
                                    std::is_same_v<T, unsigned short> || std::is_same_v<T, float>;

}  // namespace nelvo
