// SPDX-License-Identifier: MIT
// Fit, zoom, pan and visible-area arithmetic of the preview.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ui/shared/PreviewGeometry.h"

using namespace nelvo;

namespace {

struct FitCase {
    int imageWidth, imageHeight, clientWidth, clientHeight;
    double zoom;
    IntRect display;
};

class FitToWindow : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitToWindow, GivesZoomAndPlacement) {
    const FitCase& c = GetParam();
    const ZoomedView v =
        fitToWindow(c.imageWidth, c.imageHeight, {0, 0, c.clientWidth, c.clientHeight});
    EXPECT_DOUBLE_EQ(v.zoom, c.zoom);
    EXPECT_EQ(v.display, c.display);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitToWindow,
    ::testing::Values(
        // smaller than the client both ways: zoom 1, centred
        FitCase{200, 100, 400, 300, 1.0, {100, 100, 300, 200}},
        FitCase{1, 1, 400, 300, 1.0, {199, 149, 200, 150}},
        // wide: full width, centred vertically
        FitCase{1000, 500, 500, 500, 0.5, {0, 125, 500, 375}},
        // exactly the client's size is not smaller: second branch, still zoom 1
        FitCase{400, 300, 400, 300, 1.0, {0, 0, 400, 300}},
        // tall: full height, centred horizontally
        FitCase{100, 1000, 500, 500, 0.5, {225, 0, 275, 500}},
        // 60000 x 10 is a line no taller than a pixel
        FitCase{60000, 10, 1000, 700, 1000.0 / 60000, {0, 350, 1000, 350}},
        // no area, or no client: zoom 1, no division by zero
        FitCase{0, 0, 400, 300, 1.0, {200, 150, 200, 150}},
        FitCase{0, 50, 400, 300, 1.0, {200, 125, 200, 175}},
        FitCase{200, 100, 0, 0, 1.0, {0, 0, 200, 100}}),
    [](const ::testing::TestParamInfo<FitCase>& param) {
        const FitCase& c = param.param;
        return std::to_string(c.imageWidth) + "x" + std::to_string(c.imageHeight) + "_in_" +
               std::to_string(c.clientWidth) + "x" + std::to_string(c.clientHeight);
    });

struct KeepCase {
    IntRect display;
    IntRect expected;
};

class KeepInView : public ::testing::TestWithParam<KeepCase> {};

TEST_P(KeepInView, CentresOrClosesGaps) {
    EXPECT_EQ(keepInView(GetParam().display, {0, 0, 400, 300}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeepInView,
    ::testing::Values(KeepCase{{-50, -50, 150, 100}, {100, 75, 300, 225}},  // narrower: centred
                      KeepCase{{30, 20, 830, 620}, {0, 0, 800, 600}},       // gap left/top
                      KeepCase{{-500, -400, 300, 200}, {-400, -300, 400, 300}},  // gap right
                      KeepCase{{-10, -20, 790, 580}, {-10, -20, 790, 580}}));    // covers: kept

TEST(ZoomAround, KeepsTheImagePointUnderTheAnchor) {
    const IntRect client{0, 0, 400, 300};
    const IntRect zoomed = zoomAround({0, 0, 400, 300}, 400, 300, 2.0, {200, 150}, client);
    EXPECT_EQ(zoomed, (IntRect{-199, -149, 601, 451}));
    // The image point under the anchor: (200 - left) / zoom stays 200 up to rounding.
    EXPECT_NEAR((200 - zoomed.left) / 2.0, 200, 0.5);
    // Around a corner point: that point stays.
    const IntRect corner = zoomAround({0, 0, 400, 300}, 400, 300, 2.0, {0, 0}, client);
    EXPECT_EQ(corner.left, 0);
    EXPECT_EQ(corner.top, 0);
}

TEST(ZoomAround, ShrinkingBelowTheClientCentres) {
    const IntRect r = zoomAround({-199, -149, 601, 451}, 400, 300, 0.5, {10, 10}, {0, 0, 400, 300});
    EXPECT_EQ(r, (IntRect{100, 75, 300, 225}));
}

TEST(ZoomAround, HugeZoomsSaturateInsteadOfOverflowing) {
    const IntRect r = zoomAround({0, 0, 400, 300}, 60000, 10, 1e12, {200, 150}, {0, 0, 400, 300});
    EXPECT_LE(r.left, 0);
    EXPECT_GE(r.right, 400);
}

TEST(CenterOn, BringsTheFractionToTheCentre) {
    const IntRect client{0, 0, 400, 300};
    const IntRect r = centerOn({-199, -149, 601, 451}, client, 0.25f, 0.75f);
    EXPECT_EQ(r.left, 200 - 200);  // left + 800 * 0.25 = 200
    EXPECT_EQ(r.top, 150 - 450);   // top + 600 * 0.75 = 150
    // Past the edge: keepInView stops at the image border.
    EXPECT_EQ(centerOn({-199, -149, 601, 451}, client, 0.0f, 0.0f), (IntRect{0, 0, 800, 600}));
}

TEST(VisibleArea, FractionsOfTheImageInsideTheClient) {
    EXPECT_EQ(visibleArea({100, 100, 300, 200}, 400, 300), (ViewFraction{0, 0, 1, 1}));
    const ViewFraction f = visibleArea({-100, -60, 700, 540}, 400, 300);
    EXPECT_FLOAT_EQ(f.left, 100.0f / 800);
    EXPECT_FLOAT_EQ(f.top, 60.0f / 600);
    EXPECT_FLOAT_EQ(f.right, 500.0f / 800);
    EXPECT_FLOAT_EQ(f.bottom, 360.0f / 600);
    // An axis without extent counts as wholly visible.
    EXPECT_EQ(visibleArea({0, 350, 1000, 350}, 1000, 700), (ViewFraction{0, 0, 1, 1}));
}

TEST(ImageAreaToClient, RoundsOutwards) {
    EXPECT_EQ(imageAreaToClient({10, 20, 210, 120}, 0.5, 3, 3, 5, 5), (IntRect{11, 21, 13, 23}));
    EXPECT_EQ(imageAreaToClient({-5, 0, 795, 600}, 2.0, 0, 0, 1, 1), (IntRect{-5, 0, -3, 2}));
}

TEST(TruncateToInt, TowardZeroAndSaturating) {
    EXPECT_EQ(truncateToInt(2.9), 2);
    EXPECT_EQ(truncateToInt(-2.9), -2);
    EXPECT_EQ(truncateToInt(1e300), 1 << 29);
    EXPECT_EQ(truncateToInt(-1e300), -(1 << 29));
    EXPECT_EQ(truncateToInt(std::nan("")), 0);
}

}  // namespace
