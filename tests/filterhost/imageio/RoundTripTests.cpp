// SPDX-License-Identifier: MIT
// Documents written and read back in every format, mode and depth, and alpha
// kept out of the document and written back unchanged.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdlib>

#include "Fixtures.h"
#include "PIFilter.h"
#include "support/TempDir.h"

namespace imageio_test {
namespace {

using filterhost::readImage;
using filterhost::writeImage;

struct RoundTripCase {
    const char* name;
    const char* file;
    int16_t mode;
    int32_t depth;
    int16_t planes;
};

// Odd sizes so that no format's blocks (JPEG's 8 or 16, strips, tiles) divide
// the image evenly.
constexpr int32_t kWidth = 13;
constexpr int32_t kHeight = 7;

void expectSameShape(const Document& a, const Document& b) {
    EXPECT_EQ(a.imageMode, b.imageMode);
    EXPECT_EQ(a.depth, b.depth);
    EXPECT_EQ(a.planes, b.planes);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(b.filterRect.top, 0);
    EXPECT_EQ(b.filterRect.left, 0);
    EXPECT_EQ(b.filterRect.bottom, b.height);
    EXPECT_EQ(b.filterRect.right, b.width);
}

class LosslessRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(LosslessRoundTrip, TheDocumentComesBackExactly) {
    const RoundTripCase& c = GetParam();
    TempDir dir;
    const ImageFile image{patternDocument(c.mode, c.depth, c.planes, kWidth, kHeight), nullptr};
    writeImage(dir / c.file, image);
    const ImageFile back = readImage(dir / c.file);
    expectSameShape(image.document, back.document);
    EXPECT_EQ(image.document.pixels, back.document.pixels);
    ASSERT_NE(back.details, nullptr);
    EXPECT_EQ(back.details->extraSamples, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LosslessRoundTrip,
    testing::Values(RoundTripCase{"TiffGrey8", "a.tif", plugInModeGrayScale, 8, 1},
                    RoundTripCase{"TiffGrey16", "a.tiff", plugInModeGray16, 16, 1},
                    RoundTripCase{"TiffGrey32", "a.tif", plugInModeGray32, 32, 1},
                    RoundTripCase{"TiffRgb8", "a.tif", plugInModeRGBColor, 8, 3},
                    RoundTripCase{"TiffRgb16", "a.tif", plugInModeRGB48, 16, 3},
                    RoundTripCase{"TiffRgb32", "a.tif", plugInModeRGB96, 32, 3},
                    RoundTripCase{"TiffCmyk8", "a.tif", plugInModeCMYKColor, 8, 4},
                    RoundTripCase{"TiffCmyk16", "a.tif", plugInModeCMYK64, 16, 4},
                    RoundTripCase{"TiffLab8", "a.tif", plugInModeLabColor, 8, 3},
                    RoundTripCase{"TiffLab16", "a.tif", plugInModeLab48, 16, 3},
                    RoundTripCase{"PngGrey8", "a.png", plugInModeGrayScale, 8, 1},
                    RoundTripCase{"PngGrey16", "a.png", plugInModeGray16, 16, 1},
                    RoundTripCase{"PngRgb8", "a.png", plugInModeRGBColor, 8, 3},
                    RoundTripCase{"PngRgb16", "a.png", plugInModeRGB48, 16, 3},
                    RoundTripCase{"UpperCaseExtension", "A.TIF", plugInModeRGBColor, 8, 3}),
    [](const testing::TestParamInfo<RoundTripCase>& tested) { return tested.param.name; });

class JpegRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(JpegRoundTrip, TheDocumentComesBackClose) {
    const RoundTripCase& c = GetParam();
    TempDir dir;
    const ImageFile image{patternDocument(c.mode, 8, c.planes, kWidth, kHeight, true), nullptr};
    writeImage(dir / c.file, image);
    const ImageFile back = readImage(dir / c.file);
    expectSameShape(image.document, back.document);
    ASSERT_EQ(image.document.pixels.size(), back.document.pixels.size());
    int worst = 0;
    for (std::size_t i = 0; i < image.document.pixels.size(); ++i) {
        worst = std::max(worst, std::abs(image.document.pixels[i] - back.document.pixels[i]));
    }
    EXPECT_LE(worst, 6);
}

INSTANTIATE_TEST_SUITE_P(Formats, JpegRoundTrip,
                         testing::Values(RoundTripCase{"Grey", "a.jpg", plugInModeGrayScale, 8, 1},
                                         RoundTripCase{"Rgb", "a.JPEG", plugInModeRGBColor, 8, 3}),
                         [](const testing::TestParamInfo<RoundTripCase>& tested) {
                             return tested.param.name;
                         });

class AlphaRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(AlphaRoundTrip, AlphaStaysOutOfTheDocumentAndComesBackUnchanged) {
    const RoundTripCase& c = GetParam();
    TempDir dir;
    ImageFile image{patternDocument(c.mode, c.depth, c.planes, kWidth, kHeight), nullptr};
    auto details = std::make_shared<ImageFileDetails>();
    details->width = kWidth;
    details->height = kHeight;
    details->extraSamples = 1;
    // The alpha plane: a grey document's pattern, shifted so that it differs
    // from the colour samples.
    const Document alpha = patternDocument(c.mode, c.depth, 1, kWidth + 1, kHeight);
    details->extras.assign(
        alpha.pixels.begin(),
        alpha.pixels.begin() + static_cast<std::ptrdiff_t>(image.document.pixels.size() /
                                                           static_cast<std::size_t>(c.planes)));
    details->extraKinds = {EXTRASAMPLE_UNASSALPHA};
    image.details = details;

    writeImage(dir / c.file, image);
    ImageFile back = readImage(dir / c.file);
    expectSameShape(image.document, back.document);
    EXPECT_EQ(back.document.pixels, image.document.pixels);
    ASSERT_NE(back.details, nullptr);
    EXPECT_EQ(back.details->extraSamples, 1);
    EXPECT_EQ(back.details->extras, details->extras);

    // A filtered document: every colour sample changed, alpha untouched.
    for (uint8_t& byte : back.document.pixels) byte = static_cast<uint8_t>(byte ^ 0x15);
    const std::string second = std::string("second") + fs::path(c.file).extension().string();
    writeImage(dir / second, back);
    const ImageFile again = readImage(dir / second);
    EXPECT_EQ(again.details->extras, details->extras);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, AlphaRoundTrip,
    testing::Values(RoundTripCase{"PngRgba8", "a.png", plugInModeRGBColor, 8, 3},
                    RoundTripCase{"PngGreyAlpha16", "a.png", plugInModeGray16, 16, 1},
                    RoundTripCase{"TiffRgba16", "a.tif", plugInModeRGB48, 16, 3},
                    RoundTripCase{"TiffRgba32", "a.tif", plugInModeRGB96, 32, 3},
                    RoundTripCase{"TiffCmykAlpha8", "a.tif", plugInModeCMYKColor, 8, 4}),
    [](const testing::TestParamInfo<RoundTripCase>& tested) { return tested.param.name; });

// PNG files written by libpng in the forms that are expanded on reading.
TEST(PngExpanded, PaletteWithTransparencyBecomesRgbWithAlpha) {
    TempDir dir;
    PngFileLayout spec;
    spec.width = 3;
    spec.height = 2;
    spec.bits = 4;
    spec.colourType = PNG_COLOR_TYPE_PALETTE;
    spec.palette = {10, 20, 30, 40, 50, 60, 255, 0, 128};
    spec.transparency = {0, 128};  // entry 2 is opaque
    writePngFile(dir / "palette.png", spec, {0x01, 0x20, 0x21, 0x00});
    const ImageFile image = readImage(dir / "palette.png");
    EXPECT_EQ(image.document.imageMode, plugInModeRGBColor);
    const std::vector<uint8_t> colour = {10,  20, 30,  40, 50, 60, 255, 0,  128,
                                         255, 0,  128, 40, 50, 60, 10,  20, 30};
    EXPECT_EQ(image.document.pixels, colour);
    EXPECT_EQ(image.details->extras, (std::vector<uint8_t>{0, 128, 255, 255, 128, 0}));
}

TEST(PngExpanded, InterlacedTwoBitGreyBecomesEightBitGrey) {
    TempDir dir;
    PngFileLayout spec;
    spec.width = 9;
    spec.height = 9;
    spec.bits = 2;
    spec.colourType = PNG_COLOR_TYPE_GRAY;
    spec.interlaced = true;
    // Row y holds the levels (x + y) % 4, four pixels to a byte.
    std::vector<uint8_t> rows(9 * 3, 0);
    std::vector<uint8_t> expected;
    for (std::size_t y = 0; y < 9; ++y) {
        for (std::size_t x = 0; x < 9; ++x) {
            const auto level = static_cast<uint8_t>((x + y) % 4);
            rows[y * 3 + x / 4] =
                static_cast<uint8_t>(rows[y * 3 + x / 4] | level << (6 - 2 * (x % 4)));
            expected.push_back(static_cast<uint8_t>(level * 85));
        }
    }
    writePngFile(dir / "grey.png", spec, rows);
    const ImageFile image = readImage(dir / "grey.png");
    EXPECT_EQ(image.document.imageMode, plugInModeGrayScale);
    EXPECT_EQ(image.document.pixels, expected);
    EXPECT_EQ(image.details->extraSamples, 0);
}

}  // namespace
}  // namespace imageio_test
