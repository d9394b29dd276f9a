// SPDX-License-Identifier: MIT
// 8-bit pixel maps of each image mode drawn into 32-bit screen pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ui/shared/ScreenPixels.h"

using namespace nelvo;

namespace {

struct Target {
    explicit Target(int w, int h) : pixels(static_cast<std::size_t>(w * h), 0xDEADBEEF) {
        context = {kPlatformDrawContextVersion, pixels.data(), w * 4, w, h};
    }
    std::vector<std::uint32_t> pixels;
    PlatformDrawContext context;
};

// Draws one pixel of `mode` and returns it as 0xAARRGGBB (the bytes blue, green, red, 255).
std::uint32_t drawOne(int mode, std::vector<std::uint8_t> samples) {
    PSPixelMap map{};
    map.version = 1;
    map.bounds = {0, 0, 1, 1};
    map.imageMode = mode;
    map.rowBytes = static_cast<int32>(samples.size());
    map.colBytes = static_cast<int32>(samples.size());
    map.planeBytes = 1;
    map.baseAddr = samples.data();
    Target target(1, 1);
    const VRect all{0, 0, 1, 1};
    EXPECT_EQ(drawPixelMap(&map, &all, 0, 0, &target.context), noErr);
    return target.pixels[0];
}

bool near(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift : {0, 8, 16, 24}) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

TEST(ScreenPixels, EachModeToScreenColours) {
    struct Case {
        int mode;
        std::vector<std::uint8_t> samples;
        std::uint32_t expected;
        int tolerance;
    };
    const Case cases[] = {
        {plugInModeRGBColor, {10, 20, 30}, 0xFF0A141E, 0},
        {plugInModeGrayScale, {77}, 0xFF4D4D4D, 0},
        {plugInModeDuotone, {200}, 0xFFC8C8C8, 0},
        {plugInModeMultichannel, {9, 250}, 0xFF090909, 0},
        // CMYK as stored: 255 is no ink
        {plugInModeCMYKColor, {255, 255, 255, 255}, 0xFFFFFFFF, 0},
        {plugInModeCMYKColor, {0, 255, 255, 255}, 0xFF00FFFF, 0},
        {plugInModeCMYKColor, {255, 255, 255, 0}, 0xFF000000, 0},
        {plugInModeLabColor, {255, 128, 128}, 0xFFFFFFFF, 1},
        {plugInModeLabColor, {0, 128, 128}, 0xFF000000, 1},
        {plugInModeHSBColor, {0, 255, 255}, 0xFFFF0000, 0},
        {plugInModeHSBColor, {85, 255, 255}, 0xFF00FF00, 3},
        {plugInModeHSBColor, {0, 0, 128}, 0xFF808080, 0},
        {plugInModeHSLColor, {0, 255, 128}, 0xFFFF0000, 1},
        {plugInModeHSLColor, {171, 255, 128}, 0xFF0000FF, 3},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(near(drawOne(c.mode, c.samples), c.expected, c.tolerance))
            << "mode " << c.mode << std::hex << " got " << drawOne(c.mode, c.samples);
}

TEST(ScreenPixels, BytesAreBlueGreenRedFourth) {
    const std::uint32_t p = drawOne(plugInModeRGBColor, {1, 2, 3});
    std::uint8_t bytes[4];
    std::memcpy(bytes, &p, 4);
    EXPECT_EQ(bytes[0], 3);
    EXPECT_EQ(bytes[1], 2);
    EXPECT_EQ(bytes[2], 1);
}

TEST(ScreenPixels, SourceRectangleInBoundsCoordinatesClippedToTarget) {
    // A 4 x 3 grey map whose bounds start at (top 10, left 20); sample = 10 * row + column.
    std::vector<std::uint8_t> grey(12);
    for (int i = 0; i < 12; ++i)
        grey[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(10 * (i / 4) + i % 4);
    PSPixelMap map{1,
                   {10, 20, 13, 24},
                   plugInModeGrayScale,
                   4,
                   1,
                   1,
                   grey.data(),
                   nullptr,
                   nullptr,
                   0,
                   0,
                   nullptr,
                   0,
                   0};
    Target target(3, 2);
    // Rows 11..12, columns 21..23 (and beyond the map), drawn at row 0, column 1: only two
    // columns fit the target.
    const VRect source{11, 21, 14, 30};
    ASSERT_EQ(drawPixelMap(&map, &source, 0, 1, &target.context), noErr);
    EXPECT_EQ(target.pixels[0], 0xDEADBEEFu);
    EXPECT_EQ(target.pixels[1] & 0xFF, 11u);
    EXPECT_EQ(target.pixels[2] & 0xFF, 12u);
    EXPECT_EQ(target.pixels[4] & 0xFF, 21u);
    EXPECT_EQ(target.pixels[5] & 0xFF, 22u);
}

TEST(ScreenPixels, MalformedArgumentsAreRefused) {
    std::uint8_t sample[4] = {};
    const VRect all{0, 0, 1, 1};
    Target target(1, 1);
    PSPixelMap good{1, all, plugInModeRGBColor, 3, 3, 1, sample, nullptr, nullptr, 0, 0, nullptr,
                    0, 0};
    EXPECT_EQ(drawPixelMap(nullptr, &all, 0, 0, &target.context), paramErr);
    EXPECT_EQ(drawPixelMap(&good, nullptr, 0, 0, &target.context), paramErr);
    EXPECT_EQ(drawPixelMap(&good, &all, 0, 0, nullptr), paramErr);
    EXPECT_EQ(drawPixelMap(&good, &all, -1, 0, &target.context), paramErr);
    PSPixelMap bad = good;
    bad.planeBytes = 2;
    EXPECT_EQ(drawPixelMap(&bad, &all, 0, 0, &target.context), paramErr);
    bad = good;
    bad.imageMode = 99;
    EXPECT_EQ(drawPixelMap(&bad, &all, 0, 0, &target.context), paramErr);
    bad = good;
    bad.colBytes = 2;  // fewer bytes than an RGB pixel
    EXPECT_EQ(drawPixelMap(&bad, &all, 0, 0, &target.context), paramErr);
    PlatformDrawContext wrong = target.context;
    wrong.version = 2;
    EXPECT_EQ(drawPixelMap(&good, &all, 0, 0, &wrong), paramErr);
    EXPECT_EQ(target.pixels[0], 0xDEADBEEFu);
}

}  // namespace
