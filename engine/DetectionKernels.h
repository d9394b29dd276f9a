// SPDX-License-Identifier: MIT
// The fast kernels of detect, beside the plain per-pixel ones in Detection.h
// that they must match:
//  - the median of 9 by a sorting network, so that a row of medians is a
//    straight run of min/max operations the compiler vectorises;
//  - the contrast window statistics by running sums, so that a pixel costs
//    the same whatever the window radius.
// On a 24-megapixel 8-bit photograph on 2 cores detect takes 50 ms at tile
// size 1, 57 ms at 8 and 59 ms at 50; the per-pixel pass, about 4.8 s at 8.
#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

#include "engine/Detection.h"
#include "engine/Geometry.h"
#include "engine/NelvoBuffer.h"
#include "engine/StageHooks.h"
#include "settings/FilterParameters.h"

namespace nelvo {

// Median of 9 values by Paeth's 19-comparator network. For values without
// NaN it returns the same value as any other exact median, the partial
// selection sort included; grey planes never hold NaN.
template <typename T>
T medianOfNine(T p0, T p1, T p2, T p3, T p4, T p5, T p6, T p7, T p8);

// median[y][x] for x in [x0, x1): the median of the grey values at rows
// y - T, y, y + T and columns x - T, x, x + T, clamped into the plane.
template <typename T>
void medianRow(const NelvoBuffer<T>& grey, int32_t tileSize, int32_t y, int32_t x0, int32_t x1,
               T* out);

// Rows of the contrast pass are handled in bands of this many rows: a band
// sums its first window from scratch and then slides it one row at a time.
// Band boundaries depend only on the region, never on the threads, so the
// float engine's sums are rounded the same way on any number of threads.
inline constexpr int32_t kContrastBandRows = 64;

// Running column and window sums of grey and median values and their
// squares, for one band of rows at a time. Integer engines sum exactly in
// integers (unsigned arithmetic that wraps on the way but not in a window's
// total); the float engine sums in double precision.
template <typename T>
class ContrastWindow {
  public:
    // Rates the rows [y0, y1) of region `b` (plane coordinates) into
    // `contrast`: advance(1) at the start of each row and polls at every
    // column that is a multiple of 64, as the plain pass does. With
    // options.spread (integer engines), also the median window's spread of
    // every pixel of the rows.
    void rateBand(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median,
                  NelvoBuffer<float>& contrast, const VRect& b, int32_t y0, int32_t y1,
                  const EngineSettings& settings, const StageHooks& hooks,
                  const RateOptions& options = {});

  private:
    using First = std::conditional_t<std::is_same_v<T, float>, double, uint32_t>;
    using Second =
        std::conditional_t<std::is_same_v<T, float>, double,
                           std::conditional_t<std::is_same_v<T, uint8_t>, uint32_t, uint64_t>>;

    // Sums the window rows of row y0 of a band from scratch.
    void startColumns(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median, int32_t y0,
                      int32_t radius, int32_t c0, int32_t c1);
    // Moves the column sums down one row: `leaving` rows out, `entering` in.
    void slideColumns(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median, int32_t leaving,
                      int32_t entering, int32_t c0, int32_t c1);
    // Repeats the edge columns' sums into the padding beside the plane.
    void padColumns(int32_t width, int32_t radius, int32_t c0, int32_t c1);
    // quantisedDeviation of the median windows of `count` pixels from the
    // region's left edge, from the row's prefix sums (integer engines).
    void writeSpread(uint16_t* out, int32_t count, int32_t side, int64_t n, float levelScale) const;
    // Prefix sums of `count` padded column sums from plane column `from`
    // (integer engines); the grey sums' only `withGrey`.
    void prefixColumns(int32_t from, int32_t count, bool withGrey);

    // Column sums over the window's rows, at plane column + kPad, with
    // kPad columns of padding on each side so that a window never needs
    // its coordinates clamped.
    static constexpr int32_t kPad = kMaxContrastRadius + 1;
    std::vector<First> greySum_, medianSum_;
    std::vector<Second> greySquares_, medianSquares_;
    std::vector<First> greyPrefix_, medianPrefix_;
    std::vector<Second> greySquaresPrefix_, medianSquaresPrefix_;
    // Columns of one span whose ratings need the window statistics: a flag
    // per column, then the list.
    std::vector<uint8_t> needs_;
    std::vector<int32_t> rated_;
};

}  // namespace nelvo
