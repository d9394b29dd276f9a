// SPDX-License-Identifier: MIT
// TIFF storage: contiguous and planar samples, strips and tiles, compressions,
// and the kinds that are expanded (palette, bilevel, JPEG-compressed YCbCr);
// a TIFF written from a TIFF is stored the same way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Fixtures.h"
#include "PIFilter.h"
#include "support/TempDir.h"

namespace imageio_test {
namespace {

using filterhost::readImage;
using filterhost::writeImage;

struct LayoutCase {
    const char* name;
    uint16_t bits;
    uint16_t planar;
    uint16_t compression;
    uint16_t predictor;
    uint32_t tile;  // square tiles of this side, 0 for strips
    uint32_t rowsPerStrip;
};

class TiffLayout : public testing::TestWithParam<LayoutCase> {};

// RGB with an alpha sample; the tiles and strips do not divide 37 × 21.
TEST_P(TiffLayout, IsReadAndKeptWhenWrittenBack) {
    const LayoutCase& c = GetParam();
    TempDir dir;
    constexpr uint32_t kWidth = 37;
    constexpr uint32_t kHeight = 21;
    constexpr std::size_t kPixels = kWidth * kHeight;
    std::vector<double> file(kPixels * 4);
    for (std::size_t i = 0; i < file.size(); ++i) {
        const double unit = static_cast<double>((i * 7919 + 5) % 1001) / 1000.0;
        file[i] = c.bits == 8    ? std::round(unit * 255)
                  : c.bits == 16 ? std::round(unit * 65535)
                                 : unit * 2 - 0.5;
    }
    TiffFileLayout spec;
    spec.width = kWidth;
    spec.height = kHeight;
    spec.bits = c.bits;
    spec.samplesPerPixel = 4;
    spec.photometric = PHOTOMETRIC_RGB;
    spec.sampleFormat = c.bits == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT;
    spec.planar = c.planar;
    spec.compression = c.compression;
    spec.predictor = c.predictor;
    spec.tileWidth = spec.tileLength = c.tile;
    spec.rowsPerStrip = c.rowsPerStrip;
    spec.extraKinds = {EXTRASAMPLE_UNASSALPHA};
    writeTiffFile(dir / "in.tif", spec, packSamples(file, c.bits));

    std::vector<double> colour;
    std::vector<double> alpha;
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (i % 4 == 3) {
            alpha.push_back(file[i]);
        } else {
            colour.push_back(c.bits == 16 ? std::round(file[i] * 32768.0 / 65535.0) : file[i]);
        }
    }
    const ImageFile image = readImage(dir / "in.tif");
    EXPECT_EQ(image.document.planes, 3);
    EXPECT_EQ(image.document.depth, c.bits);
    EXPECT_EQ(image.document.pixels, packSamples(colour, c.bits));
    EXPECT_EQ(image.details->extras, packSamples(alpha, c.bits));
    EXPECT_EQ(image.details->extraKinds, std::vector<uint16_t>{EXTRASAMPLE_UNASSALPHA});

    // Read as a filter comes to its rows: the rows asked for hold their
    // samples, those below the strip or tile row reaching them wait in the
    // file, and once all are asked for the image is the one read whole.
    ImageFile inRows;
    const auto reader = filterhost::readImageInRows(dir / "in.tif", inRows);
    ASSERT_NE(reader, nullptr);
    reader->rowsNeeded(1);
    const auto rowBytes = static_cast<std::ptrdiff_t>(inRows.document.rowBytes());
    const auto& rows = inRows.document.pixels;
    EXPECT_TRUE(std::equal(rows.begin(), rows.begin() + rowBytes, image.document.pixels.begin()));
    if (const uint32_t chunkRows = c.tile != 0 ? c.tile : c.rowsPerStrip;
        chunkRows != 0 && chunkRows < kHeight) {
        EXPECT_TRUE(
            std::all_of(rows.end() - rowBytes, rows.end(), [](uint8_t b) { return b == 0; }));
    }
    reader->rowsNeeded(kHeight);
    EXPECT_EQ(inRows.document.pixels, image.document.pixels);
    EXPECT_EQ(inRows.details->extras, image.details->extras);
    EXPECT_EQ(inRows.details->secondValues, image.details->secondValues);

    writeImage(dir / "out.tif", image);
    const TiffTags tags = readTiffTags(dir / "out.tif");
    EXPECT_EQ(tags.compression, c.compression);
    EXPECT_EQ(tags.planar, c.planar);
    EXPECT_EQ(tags.photometric, PHOTOMETRIC_RGB);
    EXPECT_EQ(tags.predictor, c.predictor);
    EXPECT_EQ(tags.tileWidth, c.tile);
    EXPECT_EQ(tags.samplesPerPixel, 4);
    const ImageFile back = readImage(dir / "out.tif");
    EXPECT_EQ(back.document.pixels, image.document.pixels);
    EXPECT_EQ(back.details->extras, image.details->extras);
}

INSTANTIATE_TEST_SUITE_P(
    Storage, TiffLayout,
    testing::Values(
        LayoutCase{"ContigStrips", 8, PLANARCONFIG_CONTIG, COMPRESSION_NONE, PREDICTOR_NONE, 0, 0},
        LayoutCase{"PlanarStrips", 8, PLANARCONFIG_SEPARATE, COMPRESSION_LZW, PREDICTOR_NONE, 0, 5},
        LayoutCase{"ContigTiles16", 16, PLANARCONFIG_CONTIG, COMPRESSION_ADOBE_DEFLATE,
                   PREDICTOR_HORIZONTAL, 16, 0},
        LayoutCase{"PlanarTiles", 8, PLANARCONFIG_SEPARATE, COMPRESSION_PACKBITS, PREDICTOR_NONE,
                   16, 0},
        LayoutCase{"PlanarTilesFloat", 32, PLANARCONFIG_SEPARATE, COMPRESSION_ADOBE_DEFLATE,
                   PREDICTOR_FLOATINGPOINT, 32, 0},
        LayoutCase{"Zstd16", 16, PLANARCONFIG_CONTIG, COMPRESSION_ZSTD, PREDICTOR_HORIZONTAL, 0, 3},
        LayoutCase{"Lzma", 8, PLANARCONFIG_SEPARATE, COMPRESSION_LZMA, PREDICTOR_NONE, 0, 0},
        LayoutCase{"LercFloat", 32, PLANARCONFIG_CONTIG, COMPRESSION_LERC, PREDICTOR_NONE, 0, 0}),
    [](const testing::TestParamInfo<LayoutCase>& tested) { return tested.param.name; });

TEST(TiffExpanded, PaletteBecomesRgb) {
    TempDir dir;
    // 4-bit indices, two per byte; 16 colours of n * 257 so that 8 bits hold them.
    TiffFileLayout spec;
    spec.width = 3;
    spec.height = 2;
    spec.bits = 4;
    spec.photometric = PHOTOMETRIC_PALETTE;
    spec.colourMap.resize(48);
    for (uint16_t n = 0; n < 16; ++n) {
        spec.colourMap[n] = static_cast<uint16_t>(n * 10 * 257);
        spec.colourMap[16 + n] = static_cast<uint16_t>((255 - n) * 257);
        spec.colourMap[32 + n] = static_cast<uint16_t>(n * n * 257);
    }
    writeTiffFile(dir / "palette.tif", spec, {0x0f, 0x30, 0x27, 0x90});
    const ImageFile image = readImage(dir / "palette.tif");
    EXPECT_EQ(image.document.imageMode, plugInModeRGBColor);
    // Indices 0, 15, 3 and 2, 7, 9.
    const std::vector<uint8_t> expected = {0,  255, 0, 150, 240, 225, 30, 252, 9,
                                           20, 253, 4, 70,  248, 49,  90, 246, 81};
    EXPECT_EQ(image.document.pixels, expected);
}

TEST(TiffExpanded, BilevelBecomesGreyWrittenLosslessly) {
    TempDir dir;
    TiffFileLayout spec;
    spec.width = 10;
    spec.height = 2;
    spec.bits = 1;
    spec.compression = COMPRESSION_CCITTFAX4;
    writeTiffFile(dir / "bilevel.tif", spec, {0b10110000, 0b01000000, 0b00000000, 0b11000000});
    const ImageFile image = readImage(dir / "bilevel.tif");
    EXPECT_EQ(image.document.imageMode, plugInModeGrayScale);
    const std::vector<uint8_t> expected = {255, 0, 255, 255, 0, 0, 0, 0, 0,   255,
                                           0,   0, 0,   0,   0, 0, 0, 0, 255, 255};
    EXPECT_EQ(image.document.pixels, expected);
    // Group 4 cannot hold 8-bit grey: LZW in its place.
    writeImage(dir / "out.tif", image);
    EXPECT_EQ(readTiffTags(dir / "out.tif").compression, COMPRESSION_LZW);
    EXPECT_EQ(readImage(dir / "out.tif").document.pixels, expected);
}

TEST(TiffExpanded, JpegCompressedYcbcrIsReadAsRgbAndWrittenLossless) {
    TempDir dir;
    constexpr uint32_t kWidth = 40;
    constexpr uint32_t kHeight = 24;
    std::vector<uint8_t> rgb(kWidth * kHeight * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        rgb[i] = static_cast<uint8_t>(((i / 3) % kWidth) * 3 + (i % 3) * 30 + (i / 3 / kWidth) * 2);
    }
    TiffFileLayout spec;
    spec.width = kWidth;
    spec.height = kHeight;
    spec.samplesPerPixel = 3;
    spec.photometric = PHOTOMETRIC_YCBCR;
    spec.compression = COMPRESSION_JPEG;
    spec.rowsPerStrip = 16;
    writeTiffFile(dir / "jpeg.tif", spec, rgb);

    const ImageFile image = readImage(dir / "jpeg.tif");
    EXPECT_EQ(image.document.imageMode, plugInModeRGBColor);
    ASSERT_EQ(image.document.pixels.size(), rgb.size());
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        ASSERT_NEAR(image.document.pixels[i], rgb[i], 12) << "sample " << i;
    }
    // JPEG again would change every pixel once more: the output is lossless RGB
    // and gives back exactly what was read.
    writeImage(dir / "out.tif", image);
    const TiffTags tags = readTiffTags(dir / "out.tif");
    EXPECT_EQ(tags.compression, COMPRESSION_LZW);
    EXPECT_EQ(tags.photometric, PHOTOMETRIC_RGB);
    const ImageFile back = readImage(dir / "out.tif");
    EXPECT_EQ(back.document.pixels, image.document.pixels);
}

}  // namespace
}  // namespace imageio_test
