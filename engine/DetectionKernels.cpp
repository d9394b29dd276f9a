// SPDX-License-Identifier: MIT
#include "engine/DetectionKernels.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/AdaptiveDetection.h"
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
    if constexpr (std::is_same_v<T, uint16_t>) {
        // SSE2 has min and max for signed 16-bit lanes only. Flipping the top
        // bit maps unsigned order onto signed order, so the network runs on
        // the flipped values and flips its result back.
        const auto key = [](uint16_t v) { return static_cast<int16_t>(v ^ 0x8000u); };
        for (; x < innerEnd; ++x) {
            const int16_t m = medianOfNine(key(above[x - t]), key(above[x]), key(above[x + t]),
                                           key(centre[x - t]), key(centre[x]), key(centre[x + t]),
                                           key(below[x - t]), key(below[x]), key(below[x + t]));
            out[x] = static_cast<uint16_t>(static_cast<uint16_t>(m) ^ 0x8000u);
        }
    }
    for (; x < innerEnd; ++x) {
        out[x] = medianOfNine(above[x - t], above[x], above[x + t], centre[x - t], centre[x],
                              centre[x + t], below[x - t], below[x], below[x + t]);
    }
    for (; x < x1; ++x) {
        out[x] = clamped(x);
    }
}

namespace {

// One step down of the column sums over [c0, c1). The parameters are
// restricted so that the loop vectorises: through locals GCC ignores
// restrict, and for 8-bit rows, which may alias anything, the alias checks
// it would need instead are too many.
template <typename T, typename First, typename Second>
void slide(const T* __restrict gOut, const T* __restrict mOut, const T* __restrict gIn,
           const T* __restrict mIn, First* __restrict gs, First* __restrict ms,
           Second* __restrict gq, Second* __restrict mq, int32_t c0, int32_t c1) {
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

// Adds one row into the column sums over [c0, c1).
template <typename T, typename First, typename Second>
void addRow(const T* __restrict g, const T* __restrict m, First* __restrict gs,
            First* __restrict ms, Second* __restrict gq, Second* __restrict mq, int32_t c0,
            int32_t c1) {
    for (int32_t c = c0; c < c1; ++c) {
        const auto gv = static_cast<Second>(g[c]);
        const auto mv = static_cast<Second>(m[c]);
        gs[c] += static_cast<First>(g[c]);
        ms[c] += static_cast<First>(m[c]);
        gq[c] += gv * gv;
        mq[c] += mv * mv;
    }
}

}  // namespace

template <typename T>
void ContrastWindow<T>::slideColumns(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median,
                                     int32_t leaving, int32_t entering, int32_t c0, int32_t c1) {
    slide(grey.row(leaving), median.row(leaving), grey.row(entering), median.row(entering),
          greySum_.data() + kPad, medianSum_.data() + kPad, greySquares_.data() + kPad,
          medianSquares_.data() + kPad, c0, c1);
}

template <typename T>
void ContrastWindow<T>::startColumns(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median,
                                     int32_t y0, int32_t radius, int32_t c0, int32_t c1) {
    First* gs = greySum_.data() + kPad;
    First* ms = medianSum_.data() + kPad;
    Second* gq = greySquares_.data() + kPad;
    Second* mq = medianSquares_.data() + kPad;
    std::fill(gs + c0, gs + c1, First{0});
    std::fill(ms + c0, ms + c1, First{0});
    std::fill(gq + c0, gq + c1, Second{0});
    std::fill(mq + c0, mq + c1, Second{0});
    for (int32_t wy = y0 - radius; wy <= y0 + radius; ++wy) {
        const int32_t row = clampIndex(wy, grey.height());
        addRow(grey.row(row), median.row(row), gs, ms, gq, mq, c0, c1);
    }
}

template <typename T>
void ContrastWindow<T>::padColumns(int32_t width, int32_t radius, int32_t c0, int32_t c1) {
    // Columns outside the plane repeat its first and last column, as the
    // clamped window coordinates do.
    const auto pad = [&](auto& sums) {
        auto* s = sums.data() + kPad;
        if (c0 == 0) std::fill(s - radius, s, s[0]);
        if (c1 == width) std::fill(s + width, s + width + radius + 1, s[width - 1]);
    };
    pad(greySum_);
    pad(medianSum_);
    pad(greySquares_);
    pad(medianSquares_);
}

namespace {

// Population variance of a window of n values from their sum and the sum of
// their squares. Integer sums give the exact variance, rounded once. The
// plain pass's single-precision Welford update rounds at every step, most
// where the window's values are high against their spread: on a grainy
// 8-bit photograph the ratings of the two agree within 1e-5 except on about
// 1 pixel in 20000 at tile size 8 (up to 1.5e-5) and 1 in 1300 at 20 (up to
// 3.2e-5). The float engine's agree within 1e-7 on photographs and 5e-7 with
// grey values far above white.
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
void ContrastWindow<T>::prefixColumns(int32_t from, int32_t count, bool withGrey) {
    // Prefix sums over `count` padded columns from plane column `from`:
    // window [a, a + 2r + 1) of the row sums to prefix[a + 2r + 1] -
    // prefix[a]. Integer prefixes wrap; the difference of two does not.
    greyPrefix_.resize(static_cast<std::size_t>(count) + 1);
    medianPrefix_.resize(greyPrefix_.size());
    greySquaresPrefix_.resize(greyPrefix_.size());
    medianSquaresPrefix_.resize(greyPrefix_.size());
    const First* gs = greySum_.data() + kPad + from;
    const First* ms = medianSum_.data() + kPad + from;
    const Second* gq = greySquares_.data() + kPad + from;
    const Second* mq = medianSquares_.data() + kPad + from;
    First g1{0}, m1{0};
    Second g2{0}, m2{0};
    greyPrefix_[0] = medianPrefix_[0] = First{0};
    greySquaresPrefix_[0] = medianSquaresPrefix_[0] = Second{0};
    if (!withGrey) {
        for (int32_t i = 0; i < count; ++i) {
            m1 += ms[i];
            m2 += mq[i];
            const auto at = static_cast<std::size_t>(i) + 1;
            medianPrefix_[at] = m1;
            medianSquaresPrefix_[at] = m2;
        }
        return;
    }
    for (int32_t i = 0; i < count; ++i) {
        g1 += gs[i];
        m1 += ms[i];
        g2 += gq[i];
        m2 += mq[i];
        const auto at = static_cast<std::size_t>(i) + 1;
        greyPrefix_[at] = g1;
        medianPrefix_[at] = m1;
        greySquaresPrefix_[at] = g2;
        medianSquaresPrefix_[at] = m2;
    }
}

namespace {

// quantisedDeviation of `count` 8-bit median windows of n values from the
// row's prefix sums (windows [i, i + side)). n * squares and sum^2 stay
// below 2^38: exact in double, so this is deviationInLevels's formula, in a
// loop that vectorises (both sums also fit a signed 32-bit lane). The exact
// numerator is never negative and 8-bit deviations stay below 128 levels, so
// neither of its clamps is needed.
#define NELVO_BYTE_SPREAD_BODY                                                       \
    const double perSquare = 1.0 / static_cast<double>(n * n);                       \
    for (int32_t i = 0; i < count; ++i) {                                            \
        const auto a = static_cast<std::size_t>(i);                                  \
        const auto e = a + static_cast<std::size_t>(side);                           \
        const auto sum = static_cast<int32_t>(sums[e] - sums[a]);                    \
        const auto squareSum = static_cast<int32_t>(squares[e] - squares[a]);        \
        const auto total = static_cast<double>(sum);                                 \
        const double scaled =                                                        \
            static_cast<double>(n) * static_cast<double>(squareSum) - total * total; \
        const auto variance = static_cast<float>(scaled * perSquare);                \
        const float deviation = std::sqrt(variance) * levelScale;                    \
        out[i] = static_cast<uint16_t>(                                              \
            static_cast<int32_t>(deviation * static_cast<float>(kDeviationSteps)));  \
    }

void byteSpread(const uint32_t* __restrict sums, const uint32_t* __restrict squares,
                uint16_t* __restrict out, int32_t count, int32_t side, int64_t n,
                float levelScale) {
    NELVO_BYTE_SPREAD_BODY
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same loop in 256-bit lanes, four doubles at a time instead of two.
// Without fused multiply-adds (not part of this target), every operation is
// the same correctly rounded one, so the results are identical.
__attribute__((target("avx2"))) void byteSpreadAvx2(const uint32_t* __restrict sums,
                                                    const uint32_t* __restrict squares,
                                                    uint16_t* __restrict out, int32_t count,
                                                    int32_t side, int64_t n, float levelScale) {
    NELVO_BYTE_SPREAD_BODY
}

bool hasAvx2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}
#endif

#undef NELVO_BYTE_SPREAD_BODY

}  // namespace

template <typename T>
void ContrastWindow<T>::writeSpread(uint16_t* out, int32_t count, int32_t side, int64_t n,
                                    float levelScale) const {
    if constexpr (sizeof(T) == 1) {
#if defined(__x86_64__) && defined(__GNUC__)
        if (hasAvx2()) {
            byteSpreadAvx2(medianPrefix_.data(), medianSquaresPrefix_.data(), out, count, side, n,
                           levelScale);
            return;
        }
#endif
        byteSpread(medianPrefix_.data(), medianSquaresPrefix_.data(), out, count, side, n,
                   levelScale);
    } else {
        for (int32_t i = 0; i < count; ++i) {
            const auto a = static_cast<std::size_t>(i);
            const auto e = a + static_cast<std::size_t>(side);
            const First sum = medianPrefix_[e] - medianPrefix_[a];
            const Second squares = medianSquaresPrefix_[e] - medianSquaresPrefix_[a];
            out[i] = quantisedDeviation(deviationInLevels(
                static_cast<int64_t>(sum), static_cast<int64_t>(squares), n, levelScale));
        }
    }
}

template <typename T>
void ContrastWindow<T>::rateBand(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median,
                                 NelvoBuffer<float>& contrast, const VRect& b, int32_t y0,
                                 int32_t y1, const EngineSettings& settings,
                                 const StageHooks& hooks, const RateOptions& options) {
    using Traits = PixelTraits<T>;
    constexpr bool isFloat = std::is_same_v<T, float>;
    // Grey and median values as the cheap pass compares them.
    using Wide = std::conditional_t<isFloat, float, int32_t>;
    const int32_t width = grey.width();
    const int32_t height = grey.height();
    const int32_t radius = std::min(effectiveTileSize(settings.tileSize), kMaxContrastRadius);
    const int32_t side = 2 * radius + 1;
    const int64_t n = int64_t{side} * side;
    // Columns that the windows of the region's pixels reach.
    const int32_t c0 = std::max(b.left - radius, 0);
    const int32_t c1 = std::min(b.right + radius, width);
    const auto columns = static_cast<std::size_t>(width) + 2 * kPad;
    greySum_.resize(columns);
    medianSum_.resize(columns);
    greySquares_.resize(columns);
    medianSquares_.resize(columns);
    rated_.resize(static_cast<std::size_t>(kDetectPollColumns));
    needs_.resize(static_cast<std::size_t>(kDetectPollColumns));

    // The dark and bright rules as one test, sign * (grey - median) >= limit,
    // which the compiler turns into a vector compare: dark defects only skip
    // grey >= median, bright only skip median >= grey, both or neither skip
    // nothing.
    const bool darkOnly = settings.darkDefects && !settings.brightDefects;
    const bool brightOnly = settings.brightDefects && !settings.darkDefects;
    const Wide sign = darkOnly ? Wide{1} : brightOnly ? Wide{-1} : Wide{0};
    const Wide limit = darkOnly || brightOnly ? Wide{0} : Wide{1};
    // Integer differences reach a fractional threshold (adaptive
    // recognition's 16-bit one is 1028.02) where they reach its ceiling.
    const float thresholdValue = options.differenceThreshold > 0.0f ? options.differenceThreshold
                                                                    : Traits::differenceThreshold;
    const auto threshold = static_cast<Wide>(isFloat ? thresholdValue : std::ceil(thresholdValue));
    // With adaptive recognition's larger difference threshold few pixels need
    // the window statistics, while the medians' prefix sums are wanted for
    // every pixel's spread: the grey sums are then added up per rated pixel
    // instead of prefixed along the whole row.
    const bool sparse = options.spread != nullptr;
    // Columns whose ratings are written.
    const bool limited = sparse && options.rated.width() > 0 && options.rated.height() > 0;
    const int32_t s0 = limited ? std::max(b.left, options.rated.left) : b.left;
    const int32_t s1 = limited ? std::min(b.right, options.rated.right) : b.right;
    const bool merge = sparse && options.mergeNegated;
    for (int32_t y = y0; y < y1; ++y) {
        hooks.advance(1);
        if (y == y0) {
            startColumns(grey, median, y0, radius, c0, c1);
        } else {
            slideColumns(grey, median, clampIndex(int64_t{y} - radius - 1, height),
                         clampIndex(int64_t{y} + radius, height), c0, c1);
        }
        padColumns(width, radius, c0, c1);
        if constexpr (!isFloat) {
            prefixColumns(b.left - radius, b.width() + 2 * radius, !sparse);
        }
        if constexpr (!isFloat) {
            if (options.spread != nullptr) {
                writeSpread(options.spread->row(y) + b.left, b.width(), side, n,
                            options.levelScale);
            }
        }
        if (limited && (y < options.rated.top || y >= options.rated.bottom)) {
            continue;
        }
        const T* g = grey.row(y);
        const T* m = median.row(y);
        float* out = contrast.row(y);
        forPolledSpans(s0, s1, kDetectPollColumns, hooks, [&](int32_t x0, int32_t x1) {
            // Every pixel first gets the rating without window statistics,
            // in a loop free of branches; the pixels that need the statistics
            // are listed and rated again below. Taken pixel by pixel, the
            // two tests mispredicted often enough to cost more than all of
            // the running sums.
            uint8_t* needs = needs_.data();
            for (int32_t x = x0; x < x1; ++x) {
                const auto gv = static_cast<Wide>(g[x]);
                const auto mv = static_cast<Wide>(m[x]);
                const bool skip = sign * (gv - mv) >= limit;
                const Wide difference = std::abs(gv - mv);
                const auto d = static_cast<float>(difference);
                // std::clamp(rating, 0, 1) for a rating that is never NaN.
                const float plain = lower(upper(Traits::rating(0.0f, d), 0.0f), 1.0f);
                out[x] = skip ? (merge ? out[x] : 0.0f) : (merge ? -plain : plain);
                needs[x - x0] = static_cast<uint8_t>(!skip & (difference >= threshold));
            }
            int32_t listed = 0;
            for (int32_t x = x0; x < x1; ++x) {
                rated_[static_cast<std::size_t>(listed)] = x;
                listed += needs[x - x0];
            }
            for (int32_t i = 0; i < listed; ++i) {
                const int32_t x = rated_[static_cast<std::size_t>(i)];
                First g1{0}, m1{0};
                Second g2{0}, m2{0};
                if constexpr (isFloat) {
                    // Straight sums of the window's column sums: a float
                    // prefix over the row would carry the rounding of large
                    // values far beyond their windows.
                    const First* gs = greySum_.data() + kPad;
                    const First* ms = medianSum_.data() + kPad;
                    const Second* gq = greySquares_.data() + kPad;
                    const Second* mq = medianSquares_.data() + kPad;
                    for (int32_t c = x - radius; c <= x + radius; ++c) {
                        g1 += gs[c];
                        m1 += ms[c];
                        g2 += gq[c];
                        m2 += mq[c];
                    }
                } else {
                    const auto a = static_cast<std::size_t>(x - b.left);
                    const auto e = a + static_cast<std::size_t>(side);
                    m1 = medianPrefix_[e] - medianPrefix_[a];
                    m2 = medianSquaresPrefix_[e] - medianSquaresPrefix_[a];
                    if (sparse) {
                        // The same integer sums, from the window's column sums.
                        const First* gs = greySum_.data() + kPad;
                        const Second* gq = greySquares_.data() + kPad;
                        for (int32_t c = x - radius; c <= x + radius; ++c) {
                            g1 += gs[c];
                            g2 += gq[c];
                        }
                    } else {
                        g1 = greyPrefix_[e] - greyPrefix_[a];
                        g2 = greySquaresPrefix_[e] - greySquaresPrefix_[a];
                    }
                }
                const float varG = varianceOf(g1, g2, n);
                const float varM = varianceOf(m1, m2, n);
                const float sdDiff = std::sqrt(varG) - std::sqrt(varM);
                const float cd = sdDiff * sdDiff / (varG + varM + Traits::deviationFloor);
                float d;
                if constexpr (isFloat) {
                    d = std::fabs(g[x] - m[x]);
                } else {
                    d = static_cast<float>(
                        std::abs(static_cast<int32_t>(g[x]) - static_cast<int32_t>(m[x])));
                }
                const float rating = std::clamp(Traits::rating(cd, d), 0.0f, 1.0f);
                out[x] = merge ? -rating : rating;
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
