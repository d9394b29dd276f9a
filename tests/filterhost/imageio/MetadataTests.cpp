// SPDX-License-Identifier: MIT
// ICC profile, resolution and orientation kept through written files, within
// a format and across formats; JPEG markers kept as they were.
#include <gtest/gtest.h>

#include <cstdio>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "Fixtures.h"
#include "PIFilter.h"
#include "support/TempDir.h"

namespace imageio_test {
namespace {

using filterhost::readImage;
using filterhost::Resolution;
using filterhost::ResolutionUnit;
using filterhost::writeImage;

double dotsPerInch(double perUnit, ResolutionUnit unit) {
    return unit == ResolutionUnit::Centimetre ? perUnit * 2.54 : perUnit;
}

void expectMetadata(const ImageFileDetails& details, const std::vector<uint8_t>& icc,
                    uint16_t orientation, double xDpi, double yDpi) {
    EXPECT_EQ(details.iccProfile, icc);
    EXPECT_EQ(details.orientation, orientation);
    ASSERT_TRUE(details.resolution.has_value());
    EXPECT_NE(details.resolution->unit, ResolutionUnit::None);
    // PNG stores whole pixels per metre, within 0.0127 dpi: 150 dpi becomes
    // 5906 ppm, 150.0124 dpi.
    EXPECT_NEAR(dotsPerInch(details.resolution->x, details.resolution->unit), xDpi, 0.013);
    EXPECT_NEAR(dotsPerInch(details.resolution->y, details.resolution->unit), yDpi, 0.013);
}

struct MetadataCase {
    const char* name;
    const char* first;
    const char* second;
};

class MetadataKept : public testing::TestWithParam<MetadataCase> {};

TEST_P(MetadataKept, ThroughTwoWrites) {
    const MetadataCase& c = GetParam();
    TempDir dir;
    const std::vector<uint8_t> icc = iccProfile("RGB ");
    auto details = std::make_shared<ImageFileDetails>();
    details->width = 16;
    details->height = 8;
    details->iccProfile = icc;
    details->resolution = Resolution{300.0, 150.0, ResolutionUnit::Inch};
    details->orientation = 6;
    const ImageFile image{patternDocument(plugInModeRGBColor, 8, 3, 16, 8, true), details};

    writeImage(dir / c.first, image);
    const ImageFile first = readImage(dir / c.first);
    expectMetadata(*first.details, icc, 6, 300.0, 150.0);
    writeImage(dir / c.second, first);
    const ImageFile second = readImage(dir / c.second);
    expectMetadata(*second.details, icc, 6, 300.0, 150.0);
}

INSTANTIATE_TEST_SUITE_P(Formats, MetadataKept,
                         testing::Values(MetadataCase{"TiffTiff", "a.tif", "b.tif"},
                                         MetadataCase{"TiffPng", "a.tif", "b.png"},
                                         MetadataCase{"TiffJpeg", "a.tif", "b.jpg"},
                                         MetadataCase{"PngPng", "a.png", "b.png"},
                                         MetadataCase{"PngTiff", "a.png", "b.tif"},
                                         MetadataCase{"PngJpeg", "a.png", "b.jpg"},
                                         MetadataCase{"JpegJpeg", "a.jpg", "b.jpg"},
                                         MetadataCase{"JpegTiff", "a.jpg", "b.tif"},
                                         MetadataCase{"JpegPng", "a.jpg", "b.png"}),
                         [](const testing::TestParamInfo<MetadataCase>& tested) {
                             return tested.param.name;
                         });

std::vector<uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(JpegMarkers, GoBackAsTheyWere) {
    TempDir dir;
    // Little-endian EXIF: Make "Abc" and orientation 8.
    std::vector<uint8_t> exif = bytesOf(std::string("Exif\0\0", 6));
    const std::vector<uint8_t> tiff = {'I',  'I',  42, 0, 8, 0, 0, 0,  // header
                                       2,    0,                        // two entries
                                       0x0f, 0x01, 2,  0, 4, 0, 0, 0, 'A', 'b', 'c', 0, 0x12, 0x01,
                                       3,    0,    1,  0, 0, 0, 8, 0, 0,   0,   0,   0, 0,    0};
    exif.insert(exif.end(), tiff.begin(), tiff.end());
    std::vector<uint8_t> xmp =
        bytesOf(std::string("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 42));
    const std::vector<uint8_t> icc = iccProfile("RGB ");
    std::vector<uint8_t> iccMarker = bytesOf(std::string("ICC_PROFILE\0\1\1", 14));
    iccMarker.insert(iccMarker.end(), icc.begin(), icc.end());
    writeJpegFile(dir / "in.jpg", 24, 16, 3,
                  {{JPEG_APP0 + 1, exif}, {JPEG_APP0 + 1, xmp}, {JPEG_APP0 + 2, iccMarker}});

    const ImageFile image = readImage(dir / "in.jpg");
    EXPECT_EQ(image.details->orientation, 8);
    EXPECT_EQ(image.details->iccProfile, icc);
    writeImage(dir / "out.jpg", image);
    const std::vector<Marker> markers = readJpegMarkers(dir / "out.jpg");
    EXPECT_EQ(markers, readJpegMarkers(dir / "in.jpg"));
    EXPECT_EQ(markers.size(), 3u);

    writeImage(dir / "out.tif", image);
    const ImageFile tiffImage = readImage(dir / "out.tif");
    EXPECT_EQ(tiffImage.details->orientation, 8);
    EXPECT_EQ(tiffImage.details->iccProfile, icc);
}

TEST(PngColourChunks, SrgbAndGammaAreKept) {
    TempDir dir;
    auto details = std::make_shared<ImageFileDetails>();
    details->width = 4;
    details->height = 4;
    details->srgbIntent = 1;
    details->gamma = 45455;
    writeImage(dir / "a.png", {patternDocument(plugInModeGrayScale, 8, 1, 4, 4), details});
    const ImageFile back = readImage(dir / "a.png");
    EXPECT_EQ(back.details->srgbIntent, 1);
    EXPECT_EQ(back.details->gamma, 45455u);
}

}  // namespace
}  // namespace imageio_test
