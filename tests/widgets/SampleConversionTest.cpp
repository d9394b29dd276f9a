// SPDX-License-Identifier: MIT
// The preview's 8-bit copies, display modes and marker colour.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "PIFilter.h"
#include "ui/shared/SampleConversion.h"

using namespace nelvo;

namespace {

TEST(SampleConversion, SixteenBitsTruncateOnTheHostScale) {
    const std::pair<std::uint16_t, std::uint8_t> cases[] = {
        {0, 0}, {128, 0}, {257, 2}, {16384, 127}, {32767, 254}, {32768, 255}, {65535, 255}};
    for (auto [in, out] : cases) EXPECT_EQ(sample16To8(in), out) << in;
}

TEST(SampleConversion, FloatsClampAndRound) {
    const std::pair<float, std::uint8_t> cases[] = {{-1.0f, 0},  {0.0f, 0},      {1.0f / 255, 1},
                                                    {0.5f, 128}, {1.0f, 255},    {7.5f, 255},
                                                    {NAN, 0},    {INFINITY, 255}};
    for (auto [in, out] : cases) EXPECT_EQ(sampleFloatTo8(in), out) << in;
}

TEST(SampleConversion, LoadSourceFollowsRowAndColumnStrides) {
    // 2 x 2 pixels of 2 channels in 16 bits, each pixel padded to 6 bytes, rows to 16.
    std::vector<std::uint8_t> in(32, 0xEE);
    const std::uint16_t samples[2][2][2] = {{{0, 257}, {32768, 16384}}, {{128, 514}, {1000, 2000}}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            std::memcpy(&in[static_cast<std::size_t>(y * 16 + x * 6)], samples[y][x], 4);
    std::vector<std::uint8_t> out(8, 0x55);
    loadSource({in.data(), 16, 6, 16, 2, 2, 2}, out.data());
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 2, 255, 127, 0, 4, 7, 15}));
}

TEST(SampleConversion, LoadSourceWritesFloatImages) {
    const float in[] = {0.0f, 0.25f, 1.0f, -3.0f, 0.5f, 2.0f};
    std::vector<std::uint8_t> out(6, 0x55);
    loadSource({in, 12, 12, 32, 3, 1, 2}, out.data());
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 64, 255, 0, 128, 255}));
}

TEST(SampleConversion, DisplayModes) {
    const std::pair<int, int> cases[] = {{plugInModeGray16, plugInModeGrayScale},
                                         {plugInModeGray32, plugInModeGrayScale},
                                         {plugInModeRGB48, plugInModeRGBColor},
                                         {plugInModeRGB96, plugInModeRGBColor},
                                         {plugInModeLab48, plugInModeLabColor},
                                         {plugInModeCMYK64, plugInModeCMYKColor},
                                         {plugInModeDeepMultichannel, plugInModeMultichannel},
                                         {plugInModeDuotone16, plugInModeDuotone},
                                         {plugInModeHSBColor, plugInModeHSBColor},
                                         {plugInModeRGBColor, plugInModeRGBColor}};
    for (auto [in, out] : cases) EXPECT_EQ(displayModeFor(in), out) << in;
}

TEST(SampleConversion, MarkerColourSwapsRedAndBlueOnDefectsOnly) {
    EXPECT_EQ(markerToSurface(0x000000FFu), 0x00FF0000u);
    EXPECT_EQ(markerToSurface(0x00336699u), 0x00996633u);
    std::uint32_t pixels[4] = {1, 2, 3, 4};
    const std::uint8_t map[4] = {0, 1, 255, 0};
    paintDefects(pixels, map, 4, 0x000000FFu);
    EXPECT_EQ(pixels[0], 1u);
    EXPECT_EQ(pixels[1], 0x00FF0000u);
    EXPECT_EQ(pixels[2], 0x00FF0000u);
    EXPECT_EQ(pixels[3], 4u);
}

}  // namespace
