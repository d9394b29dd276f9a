// SPDX-License-Identifier: MIT
// One picture at three depths: the 16-bit and float copies are made exactly
// from the 8-bit one, and the three engines must find nearly the same defects.
// The dialog previews with the 8-bit engine, so this is what a user confirms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/Dissolve.h"
#include "engine/reference/Synthetic.h"
#include "tests/engine/TestAllocators.h"

namespace nelvo {
namespace {

using testing::Image;
using testing::Rng;

// Grain over smooth shading, a band of coarse texture, dark and bright
// specks of several sizes and two scratches.
Image<uint8_t> specksAndTexture(bool withDust = true) {
    Rng rng(7);
    Image<uint8_t> image(320, 240, 3);
    testing::fillSmooth(image);
    testing::addGrain(image, rng, 0.01f);
    for (int32_t y = 150; y < 200; ++y) {
        for (int32_t x = 0; x < image.width(); ++x) {
            const float wave = 0.08f * std::sin(0.7f * static_cast<float>(x)) *
                               std::cos(0.5f * static_cast<float>(y));
            for (int32_t c = 0; c < 3; ++c) {
                uint8_t& v = image.pixel(y, x)[c];
                v = static_cast<uint8_t>(
                    std::clamp(static_cast<float>(v) + 255.0f * wave, 0.0f, 255.0f));
            }
        }
    }
    if (!withDust) return image;
    testing::addSpecks(image, rng, 60, 2, 0.08f);
    testing::addSpecks(image, rng, 40, 3, 0.15f);
    testing::addSpecks(image, rng, 30, 2, 0.92f);
    testing::addScratch(image, 10, 40, 130, 70, 0.12f);
    testing::addScratch(image, 20, 250, 140, 230, 0.9f);
    return image;
}

template <typename T>
Image<T> convertedFrom(const Image<uint8_t>& in) {
    Image<T> out(in.width(), in.height(), in.channels());
    for (int32_t y = 0; y < in.height(); ++y) {
        for (int32_t x = 0; x < in.width(); ++x) {
            for (int32_t c = 0; c < in.channels(); ++c) {
                const uint32_t v = in.pixel(y, x)[c];
                if constexpr (std::is_same_v<T, float>) {
                    out.pixel(y, x)[c] = static_cast<float>(v) / 255.0f;
                } else {
                    // The host's mapping of 8-bit levels onto 0..32768, rounded.
                    out.pixel(y, x)[c] = static_cast<uint16_t>((v * 32768u + 127u) / 255u);
                }
            }
        }
    }
    return out;
}

// The defect flags at the default intensity and tile size, both defect types.
template <typename T>
std::vector<uint8_t> defectMap(const Image<T>& in) {
    EngineSettings settings{};
    setDefaults(settings);
    settings.darkDefects = true;
    settings.brightDefects = true;
    testing::CountingAllocator allocator;
    Dissolve<T> engine(0, 3, allocator);
    const VRect rect{0, 0, in.height(), in.width()};
    const PlaneSize size{in.width(), in.height()};
    const std::vector<uint8_t> map(static_cast<std::size_t>(size.width * size.height), 128);
    engine.setSource(in.data(), in.rowBytes(), in.columnBytes(), rect);
    engine.detect(settings, {}, size.width, rect, 0);
    engine.markDefects(nullptr, 0, size, 0, settings.detectionIntensity, map.data(), size.width);
    engine.removeSpecks(size, settings.tileSize);
    return {engine.defects()->data(), engine.defects()->data() + map.size()};
}

// Where two defect maps differ, over the whole image and over the dust that
// was put into the picture.
struct Agreement {
    double shareOfImage = 0.0;
    double shareOfDust = 0.0;
};

Agreement compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                  const std::vector<bool>& dust) {
    int64_t different = 0, differentOnDust = 0, dustPixels = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const bool differs = (a[i] != 0) != (b[i] != 0);
        different += differs ? 1 : 0;
        dustPixels += dust[i] ? 1 : 0;
        differentOnDust += differs && dust[i] ? 1 : 0;
    }
    return {static_cast<double>(different) / static_cast<double>(a.size()),
            static_cast<double>(differentOnDust) / static_cast<double>(dustPixels)};
}

double foundShare(const std::vector<uint8_t>& map, const std::vector<bool>& dust) {
    int64_t found = 0, dustPixels = 0;
    for (std::size_t i = 0; i < map.size(); ++i) {
        dustPixels += dust[i] ? 1 : 0;
        found += dust[i] && map[i] != 0 ? 1 : 0;
    }
    return static_cast<double>(found) / static_cast<double>(dustPixels);
}

// Measured on this picture (953 dust pixels, 1 % of the image): the 8-bit
// engine finds 44 % of the dust pixels, the 16-bit engine 40 %, the float
// engine 41 % (0 % with a variance floor of 1 on the 0..1 scale). The maps
// differ on 0.36 % (16-bit) and 0.44 % (float) of the image, and on 4 % and
// 12 % of the dust pixels. Most whole-image differences are the 8-bit
// engine's own: its truncated grey turns the grain of the textured band into
// level steps and flags some of them. The float engine averages channels as
// c^(5/9), which moves the grey differences of darker specks, so pixels near
// the threshold at a speck's rim go either way. The bounds leave room for
// both and still fail when a depth misses the dust that the others find (the
// old float floor: 0 % found, 0.94 % of the image different).
TEST(DepthAgreementTest, EightSixteenAndFloatEnginesFlagNearlyTheSamePixels) {
    const Image<uint8_t> eight = specksAndTexture(true);
    const Image<uint8_t> clean = specksAndTexture(false);
    std::vector<bool> dust(static_cast<std::size_t>(eight.width() * eight.height()));
    for (int32_t y = 0; y < eight.height(); ++y) {
        for (int32_t x = 0; x < eight.width(); ++x) {
            dust[static_cast<std::size_t>(y * eight.width() + x)] =
                !std::equal(eight.pixel(y, x), eight.pixel(y, x) + 3, clean.pixel(y, x));
        }
    }
    const std::vector<uint8_t> map8 = defectMap(eight);
    const std::vector<uint8_t> map16 = defectMap(convertedFrom<uint16_t>(eight));
    const std::vector<uint8_t> mapFloat = defectMap(convertedFrom<float>(eight));

    ASSERT_GT(foundShare(map8, dust), 0.35) << "the 8-bit engine must find the dust";
    for (const auto& [name, map] : {std::pair{"16-bit", &map16}, std::pair{"float", &mapFloat}}) {
        SCOPED_TRACE(name);
        const Agreement agreement = compare(map8, *map, dust);
        EXPECT_GT(foundShare(*map, dust), 0.35);
        EXPECT_LT(agreement.shareOfDust, 0.2);
        EXPECT_LT(agreement.shareOfImage, 0.006);
    }
}

}  // namespace
}  // namespace nelvo
