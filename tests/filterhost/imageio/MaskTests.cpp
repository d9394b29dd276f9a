// SPDX-License-Identifier: MIT
// Selection masks: any image turned into one byte per pixel, of exactly the
// image's size.
#include <gtest/gtest.h>

#include "Fixtures.h"
#include "HostError.h"
#include "PIFilter.h"
#include "support/TempDir.h"

namespace imageio_test {
namespace {

using filterhost::readMask;
using filterhost::writeImage;

struct MaskCase {
    const char* name;
    const char* file;
    int16_t mode;
    int32_t depth;
    int16_t planes;
    std::vector<double> samples;  // host values, one row
    bool alpha;                   // with a transparent alpha plane
    std::vector<uint8_t> expected;
};

class Mask : public testing::TestWithParam<MaskCase> {};

TEST_P(Mask, BecomesOneBytePerPixel) {
    const MaskCase& c = GetParam();
    TempDir dir;
    const auto width = static_cast<int32_t>(c.samples.size() / static_cast<std::size_t>(c.planes));
    ImageFile image{Document{}, nullptr};
    image.document.allocate(width, 1, c.planes, c.mode, c.depth);
    const std::vector<uint8_t> packed = packSamples(c.samples, c.depth);
    image.document.pixels.assign(packed.begin(), packed.end());
    if (c.alpha) {
        auto details = std::make_shared<ImageFileDetails>();
        details->width = width;
        details->height = 1;
        details->extraSamples = 1;
        details->extras.assign(static_cast<std::size_t>(width) * image.document.sampleBytes(), 0);
        image.details = details;
    }
    writeImage(dir / c.file, image);
    EXPECT_EQ(readMask(dir / c.file, width, 1), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, Mask,
    testing::Values(
        MaskCase{
            "Grey8", "m.png", plugInModeGrayScale, 8, 1, {0, 1, 200, 255}, false, {0, 1, 200, 255}},
        // 16384 / 32768 * 255 = 127.5
        MaskCase{
            "Grey16", "m.tif", plugInModeGray16, 16, 1, {0, 16384, 32768}, false, {0, 128, 255}},
        MaskCase{
            "Grey32", "m.tif", plugInModeGray32, 32, 1, {-1.0, 0.5, 2.0}, false, {0, 128, 255}},
        MaskCase{
            "Rgb8", "m.png", plugInModeRGBColor, 8, 3, {10, 20, 30, 255, 255, 0}, false, {20, 170}},
        MaskCase{"AlphaIgnored", "m.png", plugInModeGrayScale, 8, 1, {0, 90}, true, {0, 90}},
        MaskCase{"Cmyk8",
                 "m.tif",
                 plugInModeCMYKColor,
                 8,
                 4,
                 {0, 0, 0, 0, 255, 255, 255, 255},
                 false,
                 {0, 255}},
        MaskCase{"LabLightness", "m.tif", plugInModeLabColor, 8, 3, {200, 0, 255}, false, {200}}),
    [](const testing::TestParamInfo<MaskCase>& tested) { return tested.param.name; });

TEST(Mask, OfAnotherSizeIsRefused) {
    TempDir dir;
    writeImage(dir / "m.png", {patternDocument(plugInModeGrayScale, 8, 1, 3, 2), nullptr});
    for (const auto& [width, height] : {std::pair{4, 2}, std::pair{3, 1}}) {
        try {
            readMask(dir / "m.png", width, height);
            ADD_FAILURE() << "no error for " << width << "×" << height;
        } catch (const filterhost::HostError& e) {
            EXPECT_EQ(std::string(e.what()),
                      (dir / "m.png").string() + ": mask is 3×2, the image is " +
                          std::to_string(width) + "×" + std::to_string(height));
        }
    }
}

}  // namespace
}  // namespace imageio_test
