// SPDX-License-Identifier: MIT
// The brush, eraser and zoom arithmetic without a window: image coordinates, the stroke's
// trace and its burning into the marking map, the cursor size, zoom levels, texts, the
// slider, typed input and the navigator's placement and drags.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dialog/MarkingTools.h"
#include "dialog/ZoomNavigation.h"

namespace nelvo {
namespace {

TEST(MarkingTools, ImageCoordinatesRoundHalfUpFromTheDisplayCorner) {
    struct Case {
        IntPoint client;
        IntRect display;
        double zoom;
        IntPoint image;
    };
    const Case cases[] = {
        {{110, 0}, {100, 0, 400, 200}, 0.5, {20, 0}},  // 10 screen pixels at zoom 0.5
        {{103, 7}, {100, 5, 1300, 805}, 2.0, {2, 1}},  // 1.5 + 0.5 truncated
        {{-50, -50}, {-400, -300, 800, 600}, 1.0, {350, 250}},
        {{99, 0}, {100, 0, 400, 200}, 1.0, {0, 0}},   // -0.5 truncates toward zero
        {{90, 0}, {100, 0, 400, 200}, 1.0, {-9, 0}},  // beyond the left edge
    };
    for (const Case& c : cases) {
        const IntPoint p = imagePoint(c.client, c.display, c.zoom);
        EXPECT_EQ(p, c.image) << c.client.x << "," << c.client.y << " at zoom " << c.zoom;
    }
}

TEST(MarkingTools, TraceColoursAndPen) {
    EXPECT_EQ(brushTraceColour(-10), 0xFF181818u);
    EXPECT_EQ(brushTraceColour(0), 0xFF404040u);
    EXPECT_EQ(brushTraceColour(10), 0xFF686868u);
    EXPECT_EQ(penWidth(5), 11);
}

struct Canvas {
    int width, height;
    std::vector<std::uint32_t> words;
    Canvas(int w, int h) : width(w), height(h), words(static_cast<std::size_t>(w * h), 0) {}
    std::uint32_t at(int x, int y) const { return words[static_cast<std::size_t>(y * width + x)]; }
    int touched() const {
        int n = 0;
        for (std::uint32_t w : words) n += w != 0;
        return n;
    }
    // Paints a segment as the dialog does: draw, then halve the alpha in the dirty box.
    IntRect stroke(IntPoint a, IntPoint b, int size, std::uint32_t colour) {
        drawStrokeSegment(words.data(), width, height, a, b, size, colour);
        const IntRect r = strokeDirtyRect(a, b, size, width, height);
        halveTraceAlpha(words.data(), width, r);
        return r;
    }
};

TEST(MarkingTools, AClickPaintsARoundDotTwiceTheSizePlusOneAcross) {
    for (const int size : {1, 3, 10}) {
        Canvas c(64, 64);
        c.stroke({30, 30}, {30, 30}, size, brushTraceColour(10));
        int across = 0, down = 0;
        for (int i = 0; i < 64; ++i) {
            across += c.at(i, 30) != 0;
            down += c.at(30, i) != 0;
        }
        EXPECT_EQ(across, 2 * size + 1) << size;
        EXPECT_EQ(down, 2 * size + 1) << size;
        EXPECT_EQ(c.at(30, 30), 0x80686868u);  // half opacity, colour kept
        if (size < 3) continue;                // a 3 pixel pen's dot is a 3 x 3 square
        EXPECT_EQ(c.at(30 - size, 30 - size), 0u) << "round, not square: " << size;
        // About the disc's area.
        const double area = M_PI * (size + 0.5) * (size + 0.5);
        EXPECT_NEAR(c.touched(), area, 0.1 * area) << size;
    }
}

TEST(MarkingTools, DirtyRectangleCoversTheSegmentAndClipsToTheImage) {
    EXPECT_EQ(strokeDirtyRect({10, 20}, {4, 30}, 2, 100, 100), (IntRect{1, 17, 13, 33}));
    EXPECT_EQ(strokeDirtyRect({1, 1}, {98, 1}, 3, 100, 50), (IntRect{0, 0, 100, 5}));
    const IntRect outside = strokeDirtyRect({-20, -20}, {-10, -10}, 2, 100, 100);
    EXPECT_LE(outside.width(), 0);

    // Drawing never leaves the dirty rectangle, also near and beyond the image edges.
    Canvas c(40, 30);
    const IntRect r = c.stroke({-3, 5}, {45, 28}, 4, kEraserTraceColour);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if (c.at(x, y) != 0) {
                EXPECT_TRUE(x >= r.left && x < r.right && y >= r.top && y < r.bottom)
                    << x << "," << y;
                EXPECT_EQ(c.at(x, y), 0x80800000u);
            }
}

TEST(MarkingTools, AStrokeChangesEachByteOnceAndStrokesAccumulate) {
    Canvas c(50, 20);
    IntRect bounds;
    // A scribble crossing the same pixels again and again.
    for (const auto& [a, b] : {std::pair<IntPoint, IntPoint>{{5, 10}, {40, 10}},
                               {{40, 10}, {5, 10}},
                               {{5, 10}, {40, 11}}})
        bounds = unite(bounds, c.stroke(a, b, 2, brushTraceColour(10)));
    std::vector<std::uint8_t> map(50 * 20, 128);
    const std::int64_t touched = applyBrushTrace(c.words.data(), 50, bounds, 10, map.data());
    EXPECT_EQ(touched, c.touched());
    EXPECT_EQ(map[10 * 50 + 20], 228);
    EXPECT_EQ(map[0], 128);  // untouched
    applyBrushTrace(c.words.data(), 50, bounds, 10, map.data());
    EXPECT_EQ(map[10 * 50 + 20], 255);  // clamped

    // Intensity 0 changes nothing; -10 lowers.
    std::vector<std::uint8_t> neutral(50 * 20, 128);
    applyBrushTrace(c.words.data(), 50, bounds, 0, neutral.data());
    EXPECT_EQ(neutral, std::vector<std::uint8_t>(50 * 20, 128));
    applyBrushTrace(c.words.data(), 50, bounds, -10, neutral.data());
    EXPECT_EQ(neutral[10 * 50 + 20], 28);

    // Erased bytes become 0; a +10 stroke later takes them to 100, still below neutral.
    applyEraserTrace(c.words.data(), 50, bounds, map.data());
    EXPECT_EQ(map[10 * 50 + 20], 0);
    applyBrushTrace(c.words.data(), 50, bounds, 10, map.data());
    EXPECT_EQ(map[10 * 50 + 20], 100);
}

TEST(MarkingTools, CursorDiameterFollowsSizeAndZoom) {
    EXPECT_EQ(cursorDiameter(5, 1.0), 11u);
    EXPECT_EQ(cursorDiameter(5, 2.0), 22u);
    EXPECT_EQ(cursorDiameter(1, 1.0 / 6), 1u);  // 0.5 + 0.5: the crosshair
    EXPECT_EQ(cursorDiameter(100, 0.125), 25u);
    EXPECT_EQ(cursorDiameter(3, std::nan("")), 0u);
}

TEST(ZoomNavigation, TextAndSliderForAZoom) {
    struct Case {
        double zoom;
        const char* text;
        int slider;
    };
    const Case cases[] = {{1.0 / 6, "16.7 %", 17}, {1.5, "150.0 %", 150}, {0.047, "4.7 %", 10},
                          {2.0, "200.0 %", 200},   {0.125, "12.5 %", 13}, {3.0, "300.0 %", 300},
                          {8.0, "800.0 %", 800},   {9.0, "900.0 %", 800}};
    for (const Case& c : cases) {
        EXPECT_EQ(zoomText(c.zoom), c.text) << c.zoom;
        EXPECT_EQ(zoomSliderPosition(c.zoom), c.slider) << c.zoom;
    }
}

TEST(ZoomNavigation, StepsBetweenLevelsAndStopsAtTheEnds) {
    EXPECT_EQ(zoomLevelAbove(1.5), 2.0);
    EXPECT_EQ(zoomLevelBelow(1.5), 1.0);
    EXPECT_EQ(zoomLevelAbove(1.0), 2.0);  // strictly above
    EXPECT_EQ(zoomLevelBelow(1.0), 2.0 / 3);
    EXPECT_EQ(zoomLevelAbove(2.0), 4.0);
    EXPECT_EQ(zoomLevelAbove(4.0), 8.0);
    EXPECT_EQ(zoomLevelBelow(8.0), 4.0);
    EXPECT_EQ(zoomLevelAbove(8.0), std::nullopt);
    EXPECT_EQ(zoomLevelBelow(0.125), std::nullopt);
    EXPECT_EQ(zoomLevelAbove(0.047), 0.125);  // a fitted zoom below every level
}

TEST(ZoomNavigation, TypedZoomIsClampedNeverRejected) {
    const std::pair<const char*, double> cases[] = {
        {"150", 1.5}, {"  150.0 %", 1.5}, {"5", 0.1},     {"1000", 8.0}, {"abc", 0.1},
        {"", 0.1},    {"+75", 0.75},      {"-80", 0.1},   {"1e2", 1.0},  {"33.3", 0.333},
        {"inf", 8.0}, {"nan", 0.1},       {"1e999", 8.0}, {"800", 8.0},  {"250", 2.5}};
    for (const auto& [text, zoom] : cases) EXPECT_DOUBLE_EQ(typedZoom(text), zoom) << text;
}

TEST(ZoomNavigation, WheelActions) {
    EXPECT_EQ(wheelActionFor(false, false, false), WheelAction::ScrollVertical);
    EXPECT_EQ(wheelActionFor(false, false, true), WheelAction::ScrollHorizontal);
    EXPECT_EQ(wheelActionFor(true, false, false), WheelAction::Zoom);
    EXPECT_EQ(wheelActionFor(false, true, false), WheelAction::Zoom);
    EXPECT_EQ(wheelActionFor(true, false, true), WheelAction::Zoom);  // Ctrl wins over Shift
    const struct {
        int delta, extent, distance;
    } scrolls[] = {
        {120, 800, 100},    // a notch away from the user: an eighth, the upper part comes in
        {-120, 800, -100},  // towards the user
        {-240, 800, -200},  // two notches at once
        {15, 800, 12},      // a fine-grained wheel or touchpad: a share of a notch
        {1, 800, 1},        // never nothing for a turn
        {-1, 800, -1},     {0, 800, 0}, {32767, 100, 100},  // never more than the view
    };
    for (const auto& c : scrolls)
        EXPECT_EQ(wheelScrollDistance(c.delta, c.extent), c.distance) << c.delta << " " << c.extent;
}

TEST(ZoomNavigation, BracketsStepTheToolSizeByATenthWithinItsRange) {
    const struct {
        int size;
        bool larger;
        int stepped;
    } cases[] = {{5, true, 6},    {5, false, 4},   {1, false, 1},    {40, true, 44},
                 {40, false, 36}, {99, true, 100}, {100, true, 100}, {19, false, 18}};
    for (const auto& c : cases)
        EXPECT_EQ(steppedToolSize(c.size, c.larger, 1, 100), c.stepped) << c.size << c.larger;
}

TEST(ZoomNavigation, NavigatorPlacementAndDrag) {
    EXPECT_EQ(navigatorOrigin(500, 100, 300, 40), (IntPoint{160, 140}));
    // Dragging the frame 20 of 300 navigator pixels to the right moves an 800 pixel wide
    // picture 52 pixels to the left.
    EXPECT_EQ(navigatorDragShift({-100, 0, 700, 600}, 20.0f / 300, 0), (IntPoint{-52, 0}));
    EXPECT_EQ(navigatorDragShift({0, 0, 800, 600}, -0.1f, 0.05f), (IntPoint{80, -29}));
    // The longer side takes the screen's navigator side; the gap grows with the screen.
    const NavigatorPlace normal = navigatorPlace(400, 600, 500, 100, normalScreenMetrics);
    EXPECT_EQ(normal.size, (Size2{200, 300}));
    EXPECT_EQ(normal.corner, (IntPoint{260, 140}));
    const NavigatorPlace large = navigatorPlace(600, 400, 500, 100, largeScreenMetrics);
    EXPECT_EQ(large.size, (Size2{450, 300}));
    EXPECT_EQ(large.corner, (IntPoint{-10, 160}));
}

// Back by itself only at the step from the whole picture to a part of it.
TEST(ZoomNavigation, TheNavigatorReopensOnlyWhenZoomingPastTheWholePicture) {
    NavigatorReopening reopening;
    const ViewFraction whole{0, 0, 1, 1}, part{0.2f, 0.1f, 0.7f, 0.6f}, wider{-0.1f, 0, 1.2f, 1};
    EXPECT_FALSE(reopening.follow(whole));
    EXPECT_TRUE(reopening.follow(part));
    EXPECT_FALSE(reopening.follow(part));   // panning while zoomed in
    EXPECT_FALSE(reopening.follow(wider));  // zoomed out beyond the picture: whole again
    EXPECT_TRUE(reopening.follow(part));
}

}  // namespace
}  // namespace nelvo
