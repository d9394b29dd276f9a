// SPDX-License-Identifier: MIT
#include "engine/DetectionKernels.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/Detection.h"
#include "engine/PixelTraits.h"
#include "engine/RowLoop.h"

namespace nelvo {

namespace {

int32_t clampIndex(int64_t value, int32_t size) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, size - 1));
}

// Smaller and larger of two values. Written as comparisons that map onto the
// processors' min and max instructions, so that the network vectorises for
// float as well as for the integer types.
template <typename T>
inline T lower(T a, T b) {
    return b < a ? b : a;
}
template <typename T>
inline T upper(T a, T b) {
    return a < b ? b : a;
}

// Orders a pair in place: a becomes the smaller.
template <typename T>
inline void order(T& a, T& b) {
    const T low = lower(a, b);
    b = upper(a, b);
    a = low;
}

// The float engine re-sums its running window every this many columns, so
// that rounding from values that have left the window cannot pile up.
constexpr int32_t kFloatWindowRestart = 64;

}  // namespace

template <typename T>
T medianOfNine(T p0, T p1, T p2, T p3, T p4, T p5, T p6, T p7, T p8) {
    order(p1, p2);
    order(p4, p5);
    order(p7, p8);
    order(p0, p1);
    order(p3, p4);
    order(p6, p7);
    order(p1, p2);
    order(p4, p5);
    order(p7, p8);
    p3 = upper(p0, p3);
    p5 = lower(p5, p8);
    order(p4, p7);
    p6 = upper(p3, p6);
    p4 = upper(p1, p4);
    p2 = lower(p2, p5);
    p4 = lower(p4, p7);
    order(p4, p2);
    p4 = upper(p6, p4);
    return lower(p4, p2);
}

template <typename T>
void medianRow(const NelvoBuffer<T>& grey, int32_t tileSize, int32_t y, int32_t x0, int32_t x1,
               T* out) {
    const int32_t width = grey.width();
    const int32_t height = grey.height();
    const T* above = grey.row(clampIndex(int64_t{y} - tileSize, height));
    const T* centre = grey.row(y);
    const T* below = grey.row(clampIndex(int64_t{y} + tileSize, height));
    const auto clamped = [&](int32_t x) {
        const int32_t left = clampIndex(int64_t{x} - tileSize, width);
        const int32_t right = clampIndex(int64_t{x} + tileSize, width);
        return medianOfNine(above[left], above[x], above[right], centre[left], centre[x],
                            centre[right], below[left], below[x], below[right]);
    };
    // Columns whose samples need no clamping: tileSize <= x < width - tileSize.
    const auto innerBegin =
        static_cast<int32_t>(std::clamp<int64_t>(tileSize, int64_t{x0}, int64_t{x1}));
    const auto innerEnd = static_cast<int32_t>(
        std::clamp<int64_t>(int64_t{width} - tileSize, int64_t{innerBegin}, int64_t{x1}));
    int32_t x = x0;
    for (; x < innerBegin; ++x) {
        out[x] = clamped(x);
    }
    const std::ptrdiff_t t = tileSize;
    for (; x < innerEnd; ++x) {
        out[x] = medianOfNine(above[x - t], above[x], above[x + t], centre[x - t], centre[x],
                              centre[x + t], below[x - t], below[x], below[x + t]);
    }
    for (; x < x1; ++x) {
        out[x] = clamped(x);
    }
}

template <typename T>
void ContrastWindow<T>::startColumns(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median,
                                     int32_t y0, int32_t radius, int32_t c0, int32_t c1) {
    std::fill(greySum_.begin() + c0, greySum_.begin() + c1, First{0});
    std::fill(medianSum_.begin() + c0, medianSum_.begin() + c1, First{0});
    std::fill(greySquares_.begin() + c0, greySquares_.begin() + c1, Second{0});
    std::fill(medianSquares_.begin() + c0, medianSquares_.begin() + c1, Second{0});
    First* gs = greySum_.data();
    First* ms = medianSum_.data();
    Second* gq = greySquares_.data();
    Second* mq = medianSquares_.data();
    for (int32_t wy = y0 - radius; wy <= y0 + radius; ++wy) {
        const int32_t row = clampIndex(wy, grey.height());
        const T* g = grey.row(row);
        const T* m = median.row(row);
        for (int32_t c = c0; c < c1; ++c) {
            const auto gv = static_cast<Second>(g[c]);
            const auto mv = static_cast<Second>(m[c]);
            gs[c] += static_cast<First>(g[c]);
            ms[c] += static_cast<First>(m[c]);
            gq[c] += gv * gv;
            mq[c] += mv * mv;
        }
    }
}

template <typename T>
void ContrastWindow<T>::slideColumns(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median,
                                     int32_t leaving, int32_t entering, int32_t c0, int32_t c1) {
    const T* gOut = grey.row(leaving);
    const T* mOut = median.row(leaving);
    const T* gIn = grey.row(entering);
    const T* mIn = median.row(entering);
    First* gs = greySum_.data();
    First* ms = medianSum_.data();
    Second* gq = greySquares_.data();
    Second* mq = medianSquares_.data();
    for (int32_t c = c0; c < c1; ++c) {
        const auto gi = static_cast<Second>(gIn[c]);
        const auto go = static_cast<Second>(gOut[c]);
        const auto mi = static_cast<Second>(mIn[c]);
        const auto mo = static_cast<Second>(mOut[c]);
        if constexpr (std::is_same_v<T, float>) {
            gs[c] = gs[c] + gi - go;
            ms[c] = ms[c] + mi - mo;
            gq[c] = gq[c] + gi * gi - go * go;
            mq[c] = mq[c] + mi * mi - mo * mo;
        } else {
            // Unsigned: the difference wraps, the column total does not.
            gs[c] += static_cast<First>(gIn[c]) - static_cast<First>(gOut[c]);
            ms[c] += static_cast<First>(mIn[c]) - static_cast<First>(mOut[c]);
            gq[c] += gi * gi - go * go;
            mq[c] += mi * mi - mo * mo;
        }
    }
}

template <typename T>
void ContrastWindow<T>::sumWindows(int32_t left, int32_t right, int32_t width, int32_t radius) {
    const First* gs = greySum_.data();
    const First* ms = medianSum_.data();
    const Second* gq = greySquares_.data();
    const Second* mq = medianSquares_.data();
    First g1{0}, m1{0};
    Second g2{0}, m2{0};
    for (int32_t x = left; x < right; ++x) {
        const bool restart =
            x == left || (std::is_same_v<T, float> && (x - left) % kFloatWindowRestart == 0);
        if (restart) {
            g1 = m1 = First{0};
            g2 = m2 = Second{0};
            for (int32_t wx = x - radius; wx <= x + radius; ++wx) {
                const int32_t c = clampIndex(wx, width);
                g1 += gs[c];
                m1 += ms[c];
                g2 += gq[c];
                m2 += mq[c];
            }
        } else {
            const int32_t in = clampIndex(int64_t{x} + radius, width);
            const int32_t out = clampIndex(int64_t{x} - radius - 1, width);
            if constexpr (std::is_same_v<T, float>) {
                g1 = g1 + gs[in] - gs[out];
                m1 = m1 + ms[in] - ms[out];
                g2 = g2 + gq[in] - gq[out];
                m2 = m2 + mq[in] - mq[out];
            } else {
                g1 += gs[in] - gs[out];
                m1 += ms[in] - ms[out];
                g2 += gq[in] - gq[out];
                m2 += mq[in] - mq[out];
            }
        }
        const auto i = static_cast<std::size_t>(x - left);
        greyWindow_[i] = g1;
        medianWindow_[i] = m1;
        greySquaresWindow_[i] = g2;
        medianSquaresWindow_[i] = m2;
    }
}

namespace {

// Population variance of a window of n values from their sum and the sum of
// their squares. Integer sums give the exact variance, rounded once; the
// running Welford update of the plain pass rounds at every step, and the two
// agree to well within the contrast's tolerance of 1e-5.
template <typename First, typename Second>
float varianceOf(First sum, Second squares, int64_t n) {
    if constexpr (std::is_same_v<First, double>) {
        const double mean = sum / static_cast<double>(n);
        const double variance = squares / static_cast<double>(n) - mean * mean;
        return static_cast<float>(std::max(variance, 0.0));
    } else {
        // n <= 41 * 41 and values below 2^16: n * squares < 2^52, sum^2 < 2^52.
        const int64_t scaled = n * static_cast<int64_t>(squares) -
                               static_cast<int64_t>(sum) * static_cast<int64_t>(sum);
        return static_cast<float>(static_cast<double>(scaled) / static_cast<double>(n * n));
    }
}

}  // namespace

template <typename T>
void ContrastWindow<T>::rateBand(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median,
                                 NelvoBuffer<float>& contrast, const VRect& b, int32_t y0,
                                 int32_t y1, const EngineSettings& settings,
                                 const StageHooks& hooks) {
    const int32_t width = grey.width();
    const int32_t height = grey.height();
    const int32_t radius = std::min(effectiveTileSize(settings.tileSize), kMaxContrastRadius);
    const int64_t n = int64_t{2 * radius + 1} * (2 * radius + 1);
    // Columns that the windows of the region's pixels reach.
    const int32_t c0 = std::max(b.left - radius, 0);
    const int32_t c1 = std::min(b.right + radius, width);
    const auto columns = static_cast<std::size_t>(width);
    const auto regionWidth = static_cast<std::size_t>(b.width());
    greySum_.resize(columns);
    medianSum_.resize(columns);
    greySquares_.resize(columns);
    medianSquares_.resize(columns);
    greyWindow_.resize(regionWidth);
    medianWindow_.resize(regionWidth);
    greySquaresWindow_.resize(regionWidth);
    medianSquaresWindow_.resize(regionWidth);

    const bool darkOnly = settings.darkDefects && !settings.brightDefects;
    const bool brightOnly = settings.brightDefects && !settings.darkDefects;
    for (int32_t y = y0; y < y1; ++y) {
        hooks.advance(1);
        if (y == y0) {
            startColumns(grey, median, y0, radius, c0, c1);
        } else {
            slideColumns(grey, median, clampIndex(int64_t{y} - radius - 1, height),
                         clampIndex(int64_t{y} + radius, height), c0, c1);
        }
        sumWindows(b.left, b.right, width, radius);
        const T* g = grey.row(y);
        const T* m = median.row(y);
        float* out = contrast.row(y);
        forPolledSpans(b.left, b.right, kDetectPollColumns, hooks, [&](int32_t x0, int32_t x1) {
            for (int32_t x = x0; x < x1; ++x) {
                const T gv = g[x];
                const T mv = m[x];
                if ((darkOnly && gv >= mv) || (brightOnly && mv >= gv)) {
                    out[x] = 0.0f;
                    continue;
                }
                float d;
                if constexpr (std::is_same_v<T, float>) {
                    d = std::fabs(gv - mv);
                } else {
                    d = static_cast<float>(
                        std::abs(static_cast<int32_t>(gv) - static_cast<int32_t>(mv)));
                }
                float cd = 0.0f;
                if (d >= PixelTraits<T>::differenceThreshold) {
                    const auto i = static_cast<std::size_t>(x - b.left);
                    const float varG = varianceOf(greyWindow_[i], greySquaresWindow_[i], n);
                    const float varM = varianceOf(medianWindow_[i], medianSquaresWindow_[i], n);
                    const float sdDiff = std::sqrt(varG) - std::sqrt(varM);
                    cd = sdDiff * sdDiff / (varG + varM + 1.0f);
                }
                out[x] = std::clamp(PixelTraits<T>::rating(cd, d), 0.0f, 1.0f);
            }
        });
    }
}

#define NELVO_INSTANTIATE_DETECTION_KERNELS(T)                                                 \
    template T medianOfNine<T>(T, T, T, T, T, T, T, T, T);                                     \
    template void medianRow<T>(const NelvoBuffer<T>&, int32_t, int32_t, int32_t, int32_t, T*); \
    template class ContrastWindow<T>;

NELVO_INSTANTIATE_DETECTION_KERNELS(unsigned char)
NELVO_INSTANTIATE_DETECTION_KERNELS(unsigned short)
NELVO_INSTANTIATE_DETECTION_KERNELS(float)

}  // namespace nelvo
