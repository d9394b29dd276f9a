// SPDX-License-Identifier: MIT
// Sample values: the 16-bit mapping to 0..32768 and back, exact write-back of
// untouched 16-bit samples, and the host's conventions for min-is-white grey,
// CMYK and Lab.
#include <gtest/gtest.h>

#include <numeric>

#include "Fixtures.h"
#include "PIFilter.h"
#include "support/TempDir.h"

namespace imageio_test {
namespace {

using filterhost::readImage;
using filterhost::writeImage;

// Every 16-bit value once, as a 256 × 256 grey TIFF written by libtiff.
fs::path everySixteenBitValue(const TempDir& dir) {
    std::vector<uint8_t> samples(65536 * 2);
    for (std::size_t v = 0; v < 65536; ++v) setSample(samples, v, static_cast<uint16_t>(v));
    TiffFileLayout spec;
    spec.width = 256;
    spec.height = 256;
    spec.bits = 16;
    writeTiffFile(dir / "all.tif", spec, samples);
    return dir / "all.tif";
}

TEST(Sixteen, FileValuesMapToTheHostRangeRoundedToNearest) {
    TempDir dir;
    const ImageFile image = readImage(everySixteenBitValue(dir));
    EXPECT_EQ(image.document.imageMode, plugInModeGray16);
    // file value -> round(v * 32768 / 65535)
    const std::pair<uint16_t, uint16_t> cases[] = {
        {0, 0},         {1, 1},         {2, 1},         {3, 2},         {32767, 16384},
        {32768, 16384}, {32769, 16385}, {65533, 32767}, {65534, 32767}, {65535, 32768},
    };
    for (const auto& [file, host] : cases) {
        EXPECT_EQ(sample<uint16_t>(image.document.pixels, file), host) << "file value " << file;
    }
}

TEST(Sixteen, UntouchedSamplesAreWrittenBackExactly) {
    TempDir dir;
    const ImageFile image = readImage(everySixteenBitValue(dir));
    std::vector<uint16_t> every(65536);
    std::iota(every.begin(), every.end(), uint16_t{0});

    writeImage(dir / "out.tif", image);
    const std::vector<uint8_t> tiff = readTiffSamples(dir / "out.tif");
    ASSERT_EQ(tiff.size(), every.size() * 2);
    for (std::size_t v = 0; v < every.size(); ++v) {
        ASSERT_EQ(sample<uint16_t>(tiff, v), every[v]) << "file value " << v;
    }
    writeImage(dir / "out.png", image);
    EXPECT_EQ(readPng16(dir / "out.png"), every);
}

TEST(Sixteen, ChangedSamplesAreMappedBack) {
    TempDir dir;
    ImageFile image = readImage(everySixteenBitValue(dir));
    auto& pixels = image.document.pixels;
    // {pixel (= its file value), new host value, file value written}
    const uint16_t cases[][3] = {
        {1, 2, 4},            // round(2 * 65535 / 32768) = round(3.99994)
        {2, 1, 2},            // 2 and 1 both read as 1: still untouched
        {3, 1, 2},            // 3 reads as 2; changed to 1, which goes back as 2
        {100, 12345, 24690},  // round(24689.62)
        {200, 16384, 32768},  // the middle: round(32767.5) rounds up
        {300, 32768, 65535}, {400, 40000, 65535},  // above the host's white
        {65535, 0, 0},
    };
    // Whoever sets samples outside the tile server says so, as the server does.
    for (const auto& c : cases) {
        if (sample<uint16_t>(pixels, c[0]) != c[1]) image.document.changes.mark(c[0]);
        setSample(pixels, c[0], c[1]);
    }
    writeImage(dir / "out.tif", image);
    const std::vector<uint8_t> written = readTiffSamples(dir / "out.tif");
    for (const auto& c : cases) {
        EXPECT_EQ(sample<uint16_t>(written, c[0]), c[2]) << "pixel " << c[0];
    }
    EXPECT_EQ(sample<uint16_t>(written, 5), 5);  // a neighbour left alone
}

// One pixel of a TIFF written by libtiff, read into the host's convention,
// and the file written back from it by us, compared sample for sample.
struct ConventionCase {
    const char* name;
    uint16_t photometric;
    uint16_t bits;
    std::vector<double> file;
    int16_t mode;
    std::vector<double> host;
};

class Convention : public testing::TestWithParam<ConventionCase> {};

TEST_P(Convention, FileSamplesBecomeHostSamplesAndGoBackUnchanged) {
    const ConventionCase& c = GetParam();
    TempDir dir;
    TiffFileLayout spec;
    spec.bits = c.bits;
    spec.samplesPerPixel = static_cast<uint16_t>(c.file.size());
    spec.photometric = c.photometric;
    spec.sampleFormat = c.bits == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT;
    const std::vector<uint8_t> file = packSamples(c.file, c.bits);
    writeTiffFile(dir / "in.tif", spec, file);

    const ImageFile image = readImage(dir / "in.tif");
    EXPECT_EQ(image.document.imageMode, c.mode);
    EXPECT_EQ(image.document.pixels, packSamples(c.host, c.bits));

    writeImage(dir / "out.tif", image);
    EXPECT_EQ(readTiffTags(dir / "out.tif").photometric, c.photometric);
    EXPECT_EQ(readTiffSamples(dir / "out.tif"), file);
}

// Lab a and b in CIELab files are signed: 0x80 is -128, 0x8000 is -32768.
INSTANTIATE_TEST_SUITE_P(
    Tiff, Convention,
    testing::Values(
        ConventionCase{"MinIsWhite8", PHOTOMETRIC_MINISWHITE, 8, {200}, plugInModeGrayScale, {55}},
        ConventionCase{"MinIsWhite16", PHOTOMETRIC_MINISWHITE, 16, {0}, plugInModeGray16, {32768}},
        ConventionCase{
            "MinIsWhite32", PHOTOMETRIC_MINISWHITE, 32, {0.25}, plugInModeGray32, {0.75}},
        ConventionCase{"Cmyk8",
                       PHOTOMETRIC_SEPARATED,
                       8,
                       {255, 0, 128, 10},
                       plugInModeCMYKColor,
                       {0, 255, 127, 245}},
        ConventionCase{"Cmyk16",
                       PHOTOMETRIC_SEPARATED,
                       16,
                       {65535, 0, 1, 32767},
                       plugInModeCMYK64,
                       {0, 32768, 32767, 16384}},
        ConventionCase{
            "CieLab8", PHOTOMETRIC_CIELAB, 8, {255, 0x80, 0x7f}, plugInModeLabColor, {255, 0, 255}},
        ConventionCase{
            "CieLab8Neutral", PHOTOMETRIC_CIELAB, 8, {0, 0, 0}, plugInModeLabColor, {0, 128, 128}},
        ConventionCase{"CieLab16",
                       PHOTOMETRIC_CIELAB,
                       16,
                       {65535, 0x8000, 0},
                       plugInModeLab48,
                       {32768, 0, 16384}},
        ConventionCase{
            "IccLab8", PHOTOMETRIC_ICCLAB, 8, {100, 128, 3}, plugInModeLabColor, {100, 128, 3}}),
    [](const testing::TestParamInfo<ConventionCase>& tested) { return tested.param.name; });

}  // namespace
}  // namespace imageio_test
