// SPDX-License-Identifier: MIT
#include "engine/AdaptiveDetection.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <vector>

#include "engine/PixelTraits.h"
#include "engine/RowLoop.h"
#include "engine/TileSize.h"

namespace nelvo {

namespace {

int32_t clampIndex(int64_t value, int32_t size) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, size - 1));
}

// The formula behind the lookup tables, in single precision, rounded half up
// for the integer engines.
template <typename T>
T toneFormula(T grey, Polarity polarity) {
    using Traits = PixelTraits<T>;
    const float m = Traits::maxFloat;
    const auto g = static_cast<float>(grey);
    float toned;
    if (polarity == Polarity::dark) {
        toned = m * std::pow(std::max(g, 0.0f) / m, kAdaptiveDarkGamma);
    } else {
        toned = m - m * std::pow(std::max(m - g, 0.0f) / m, kAdaptiveBrightGamma);
    }
    if constexpr (std::is_same_v<T, float>) {
        return toned;
    } else {
        const float rounded = std::floor(toned + 0.5f);
        return static_cast<T>(std::clamp(rounded, 0.0f, 65535.0f));
    }
}

// Rows are summed in bands; a band starts its column sums from scratch.
constexpr int32_t kBoxBandRows = 64;

// Sums of level(y, x) over the (2r + 1)^2 window around every pixel of rows
// [y0, y1), coordinates clamped into the width x height plane, handed to
// emit(y, x, sum). Column sums slide down the band; a row's window sums come
// from prefix sums over the clamped columns. Integers: exact in any order.
template <typename Level, typename Emit>
void boxSumBand(int32_t width, int32_t height, int32_t r, int32_t y0, int32_t y1, int32_t x0,
                int32_t x1, const Level& level, const Emit& emit) {
    std::vector<int64_t> columns(static_cast<std::size_t>(width), 0);
    for (int32_t wy = y0 - r; wy <= y0 + r; ++wy) {
        const int32_t row = clampIndex(wy, height);
        for (int32_t x = 0; x < width; ++x) {
            columns[static_cast<std::size_t>(x)] += level(row, x);
        }
    }
    const int32_t padded = (x1 - x0) + 2 * r;
    std::vector<int64_t> prefix(static_cast<std::size_t>(padded) + 1, 0);
    for (int32_t y = y0; y < y1; ++y) {
        if (y > y0) {
            const int32_t leaving = clampIndex(int64_t{y} - r - 1, height);
            const int32_t entering = clampIndex(int64_t{y} + r, height);
            for (int32_t x = 0; x < width; ++x) {
                columns[static_cast<std::size_t>(x)] += level(entering, x) - level(leaving, x);
            }
        }
        for (int32_t i = 0; i < padded; ++i) {
            const int32_t column = clampIndex(int64_t{x0} - r + i, width);
            prefix[static_cast<std::size_t>(i) + 1] =
                prefix[static_cast<std::size_t>(i)] + columns[static_cast<std::size_t>(column)];
        }
        for (int32_t x = x0; x < x1; ++x) {
            const auto a = static_cast<std::size_t>(x - x0);
            emit(y, x, prefix[a + static_cast<std::size_t>(2 * r + 1)] - prefix[a]);
        }
    }
}

// Sums of level(y, x) over the clamped window around (y, x), one value at a
// time: the plain path.
template <typename Level>
int64_t windowSum(int32_t width, int32_t height, int32_t r, int32_t y, int32_t x,
                  const Level& level) {
    int64_t sum = 0;
    for (int32_t wy = y - r; wy <= y + r; ++wy) {
        for (int32_t wx = x - r; wx <= x + r; ++wx) {
            sum += level(clampIndex(wy, height), clampIndex(wx, width));
        }
    }
    return sum;
}

// The tone map of one polarity for every grey value of an integer type.
template <typename T>
std::vector<T> toneTable(Polarity polarity) {
    const std::size_t entries = static_cast<std::size_t>(PixelTraits<T>::max) + 1;
    std::vector<T> table(entries);
    for (std::size_t v = 0; v < entries; ++v) {
        table[v] = toneFormula(static_cast<T>(v), polarity);
    }
    return table;
}

// The tables of both polarities, made once per process.
template <typename T>
const std::vector<T>& toneTableOf(Polarity polarity) {
    static const std::vector<T> dark = toneTable<T>(Polarity::dark);
    static const std::vector<T> bright = toneTable<T>(Polarity::bright);
    return polarity == Polarity::dark ? dark : bright;
}

// The 8-bit tone map of two neighbouring pixels at once, indexed by the two
// bytes as they lie in memory: half the look-ups, from a table of 128 KB.
const std::vector<uint16_t>& pairToneTableOf(Polarity polarity) {
    const auto make = [](Polarity p) {
        const std::vector<uint8_t>& single = toneTableOf<uint8_t>(p);
        std::vector<uint16_t> pairs(std::size_t{1} << 16);
        for (std::size_t v = 0; v < pairs.size(); ++v) {
            const std::array<uint8_t, 2> bytes{single[v & 0xffu], single[v >> 8]};
            const std::array<uint8_t, 2> in{static_cast<uint8_t>(v & 0xffu),
                                            static_cast<uint8_t>(v >> 8)};
            uint16_t key = 0;
            uint16_t value = 0;
            std::memcpy(&key, in.data(), 2);
            std::memcpy(&value, bytes.data(), 2);
            pairs[key] = value;
        }
        return pairs;
    };
    static const std::vector<uint16_t> dark = make(Polarity::dark);
    static const std::vector<uint16_t> bright = make(Polarity::bright);
    return polarity == Polarity::dark ? dark : bright;
}

// Grey values above the white value (16-bit hosts allow up to 65535) keep
// the table's last entry, as toneMapped does.
template <typename T>
void mapRow(Polarity polarity, const T* in, T* out, int32_t width) {
    if constexpr (std::is_same_v<T, uint8_t>) {
        const std::vector<uint16_t>& pairs = pairToneTableOf(polarity);
        int32_t x = 0;
        for (; x + 1 < width; x += 2) {
            uint16_t key = 0;
            std::memcpy(&key, in + x, 2);
            std::memcpy(out + x, &pairs[key], 2);
        }
        if (x < width) {
            out[x] = toneTableOf<uint8_t>(polarity)[in[x]];
        }
    } else {
        const std::vector<T>& table = toneTableOf<T>(polarity);
        const std::size_t last = table.size() - 1;
        for (int32_t x = 0; x < width; ++x) {
            out[x] = table[std::min<std::size_t>(in[x], last)];
        }
    }
}

// Rows of the texture box's bands. Integer sums are exact whatever the
// bands, so they are cut long: a band starts its 61 column sums afresh.
constexpr int32_t kTextureBandRows = 256;

float upper(float a, float b) {
    return a < b ? b : a;
}

// out = max(out, rating - rise) (`First`: max(0, rating - rise)) for `count`
// pixels with the box sums `sum`: textureRise in a loop that vectorises.
template <bool First>
void combineRow(const int32_t* __restrict sum, const float* __restrict rating,
                float* __restrict out, int32_t count, float brightRise) {
    for (int32_t i = 0; i < count; ++i) {
        const float candidate = rating[i] - textureRiseOfSum(sum[i], brightRise);
        out[i] = upper(First ? 0.0f : out[i], candidate);
    }
}

// out = max(0, out - rise): the first plane's combine when its ratings were
// written straight into the contrast plane.
void combineRowInPlace(const int32_t* __restrict sum, float* __restrict out, int32_t count,
                       float brightRise) {
    for (int32_t i = 0; i < count; ++i) {
        out[i] = upper(0.0f, out[i] - textureRiseOfSum(sum[i], brightRise));
    }
}

// The combine of both polarities' ratings in one plane, the bright ones
// negated: max(0, rating - rise) with the rise of the rating's own plane.
// Every pixel has a rating of at most one polarity, the other's being 0,
// whose candidate 0 - rise never exceeds 0: this equals combining the two
// planes one after the other.
void combineMergedRow(const int32_t* __restrict darkSum, const int32_t* __restrict brightSum,
                      float* __restrict out, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const float rating = out[i];
        const float dark = upper(0.0f, rating - textureRiseOfSum(darkSum[i], 0.0f));
        const float bright =
            upper(0.0f, -rating - textureRiseOfSum(brightSum[i], kAdaptiveBrightRise));
        out[i] = rating >= 0.0f ? dark : bright;
    }
}

// Column sums of one plane's deviations over the 61 rows around the current
// row, kept between r columns of padding on each side that repeat the edge
// columns' sums, and the row's 61 x 61 box sums.
class TextureBox {
  public:
    TextureBox(int32_t width, int32_t count)
        : padded_(static_cast<std::size_t>(width) + 2 * kAdaptiveTextureRadius, 0),
          box_(static_cast<std::size_t>(count)),
          width_(width) {}

    // The loops take the width as a local: stores through an int32_t
    // pointer could change a member of that type, and reloading it would
    // keep them from vectorising.
    void start(const NelvoBuffer<uint16_t>& spread, int32_t y0) {
        int32_t* column = padded_.data() + kAdaptiveTextureRadius;
        const int32_t width = width_;
        for (int32_t y = y0 - kAdaptiveTextureRadius; y <= y0 + kAdaptiveTextureRadius; ++y) {
            const uint16_t* row = spread.row(clampIndex(y, spread.height()));
            for (int32_t x = 0; x < width; ++x) {
                column[x] += row[x];
            }
        }
    }

    void slide(const NelvoBuffer<uint16_t>& spread, int32_t y) {
        constexpr int32_t r = kAdaptiveTextureRadius;
        const uint16_t* entering = spread.row(clampIndex(int64_t{y} + r, spread.height()));
        const uint16_t* leaving = spread.row(clampIndex(int64_t{y} - r - 1, spread.height()));
        int32_t* column = padded_.data() + r;
        const int32_t width = width_;
        for (int32_t x = 0; x < width; ++x) {
            column[x] += int32_t{entering[x]} - int32_t{leaving[x]};
        }
    }

    // Fills the padding and returns the padded column sums from plane column
    // `left` - r on: the window of plane column x is [x - left, x - left + 61).
    const int32_t* padded(int32_t left) {
        constexpr int32_t r = kAdaptiveTextureRadius;
        const int32_t* column = padded_.data() + r;
        std::fill(padded_.begin(), padded_.begin() + r, column[0]);
        std::fill(padded_.begin() + r + width_, padded_.end(), column[width_ - 1]);
        return padded_.data() + left;
    }

    int32_t* box() { return box_.data(); }

  private:
    std::vector<int32_t> padded_;
    std::vector<int32_t> box_;
    int32_t width_;
};

// A row's box sums of every plane from their padded column sums `p`: a
// running sum per plane that moves by the entering minus the leaving column,
// so that each plane's chain of dependent additions is one add long and the
// planes' chains run side by side.
template <std::size_t Planes>
void boxRow(const std::array<const int32_t*, Planes>& p, const std::array<int32_t*, Planes>& box,
            int32_t count) {
    constexpr int32_t side = 2 * kAdaptiveTextureRadius + 1;
    std::array<int32_t, Planes> running{};
    for (std::size_t plane = 0; plane < Planes; ++plane) {
        for (int32_t i = 0; i < side; ++i) {
            running[plane] += p[plane][i];
        }
        box[plane][0] = running[plane];
    }
    for (int32_t i = 1; i < count; ++i) {
        for (std::size_t plane = 0; plane < Planes; ++plane) {
            running[plane] += p[plane][i + side - 1] - p[plane][i - 1];
            box[plane][i] = running[plane];
        }
    }
}

// Hands every row y of region b with the 61 x 61 box sums of each of
// `spreads` (clamped at the plane's edges) over the row's columns to
// combine(y, sums): column sums slide down a band, a running sum goes along
// each row.
template <std::size_t Planes, typename Combine>
void forTextureRows(const std::array<const NelvoBuffer<uint16_t>*, Planes>& spreads, const VRect& b,
                    const StageHooks& hooks, const Combine& combine) {
    const int32_t width = spreads[0]->width();
    const int32_t bands = (b.height() + kTextureBandRows - 1) / kTextureBandRows;
    const auto work = int64_t{b.width()} * kTextureBandRows * 6 * static_cast<int64_t>(Planes);
    forEachRow(bands, work, [&](int32_t band) {
        if (hooks.isCancelled()) {
            return;
        }
        const int32_t y0 = b.top + band * kTextureBandRows;
        const int32_t y1 = std::min(y0 + kTextureBandRows, b.bottom);
        std::vector<TextureBox> boxes;
        boxes.reserve(Planes);
        for (const NelvoBuffer<uint16_t>* spread : spreads) {
            boxes.emplace_back(width, b.width());
            boxes.back().start(*spread, y0);
        }
        std::array<const int32_t*, Planes> columns{};
        std::array<int32_t*, Planes> sums{};
        for (int32_t y = y0; y < y1; ++y) {
            for (std::size_t plane = 0; plane < Planes; ++plane) {
                if (y > y0) {
                    boxes[plane].slide(*spreads[plane], y);
                }
                columns[plane] = boxes[plane].padded(b.left);
                sums[plane] = boxes[plane].box();
            }
            boxRow<Planes>(columns, sums, b.width());
            combine(y, sums);
        }
    });
}

// contrast = max(contrast, rating - rise) over region b (`first`: max(0,
// rating - rise)), with the rise from the box sums of `spread`.
void combineWithTexture(const NelvoBuffer<uint16_t>& spread, const NelvoBuffer<float>& rating,
                        NelvoBuffer<float>& contrast, const VRect& b, Polarity polarity, bool first,
                        const StageHooks& hooks) {
    const float brightRise = polarity == Polarity::bright ? kAdaptiveBrightRise : 0.0f;
    forTextureRows<1>({&spread}, b, hooks, [&](int32_t y, const std::array<int32_t*, 1>& sums) {
        const float* rated = rating.row(y) + b.left;
        float* out = contrast.row(y) + b.left;
        if (&rating == &contrast) {
            combineRowInPlace(sums[0], out, b.width(), brightRise);
        } else if (first) {
            combineRow<true>(sums[0], rated, out, b.width(), brightRise);
        } else {
            combineRow<false>(sums[0], rated, out, b.width(), brightRise);
        }
    });
}

// The combine of both polarities' ratings merged in `contrast` (the bright
// ones negated) over region b, with each one's rise from its own spread.
void combineMergedWithTexture(const NelvoBuffer<uint16_t>& darkSpread,
                              const NelvoBuffer<uint16_t>& brightSpread,
                              NelvoBuffer<float>& contrast, const VRect& b,
                              const StageHooks& hooks) {
    forTextureRows<2>({&darkSpread, &brightSpread}, b, hooks,
                      [&](int32_t y, const std::array<int32_t*, 2>& sums) {
                          combineMergedRow(sums[0], sums[1], contrast.row(y) + b.left, b.width());
                      });
}

}  // namespace

template <typename T>
T toneMapped(T grey, Polarity polarity) {
    if constexpr (std::is_same_v<T, float>) {
        return toneFormula(grey, polarity);
    } else {
        return toneFormula(std::min<T>(grey, PixelTraits<T>::max), polarity);
    }
}

template <typename T>
int64_t textureLevel(T median) {
    if constexpr (std::is_same_v<T, float>) {
        // Sixteen times white keeps 41 * 41 squares below 2^53.
        return static_cast<int64_t>(std::clamp(median, 0.0f, 16.0f) * 65536.0f);
    } else {
        return median;
    }
}

template <typename T>
float adaptiveDifferenceThreshold() {
    return kAdaptiveDifferenceLevels * (PixelTraits<T>::maxFloat / 255.0f);
}

template <typename T>
float textureLevelScale() {
    if constexpr (std::is_same_v<T, float>) {
        return 255.0f / 65536.0f;
    } else {
        return 255.0f / PixelTraits<T>::maxFloat;
    }
}

float deviationInLevels(int64_t sum, int64_t squares, int64_t n, float levelScale) {
    const int64_t scaled = n * squares - sum * sum;
    const double perSquare = 1.0 / static_cast<double>(n * n);
    const auto variance = static_cast<float>(static_cast<double>(scaled) * perSquare);
    return std::sqrt(std::max(variance, 0.0f)) * levelScale;
}

template <typename T>
void AdaptiveScratch<T>::fit(const PlaneSize& extent, PlaneAllocator& allocator, bool withRating,
                             bool withBrightSpread) {
    if (!toned || toned->width() != extent.width || toned->height() != extent.height) {
        release();
        toned = std::make_unique<NelvoBuffer<T>>(extent, allocator);
        spread = std::make_unique<NelvoBuffer<uint16_t>>(extent, allocator);
    }
    if (withRating && !rating) {
        rating = std::make_unique<NelvoBuffer<float>>(extent, allocator);
    }
    if (withBrightSpread && !brightSpread) {
        brightSpread = std::make_unique<NelvoBuffer<uint16_t>>(extent, allocator);
    }
}

template <typename T>
void AdaptiveScratch<T>::release() {
    toned.reset();
    rating.reset();
    spread.reset();
    brightSpread.reset();
}

template <typename T>
void detectAdaptiveOnCpu(const NelvoBuffer<T>& grey, NelvoBuffer<T>& median,
                         NelvoBuffer<float>& contrast, const DetectRegions& regions,
                         const EngineSettings& settings, AdaptiveScratch<T>& scratch,
                         PlaneAllocator& allocator, const StageHooks& hooks, DetectPath path) {
    const VRect& b = regions.contrast;
    if (b.width() <= 0 || b.height() <= 0) {
        return;
    }
    const int32_t width = grey.width();
    const int32_t height = grey.height();
    const bool fast = path == DetectPath::fast;
    const int32_t tileSize = effectiveTileSize(settings.tileSize);
    const int32_t radius = std::min(tileSize, kMaxContrastRadius);
    const int64_t windowCount = int64_t{2 * radius + 1} * (2 * radius + 1);
    const float levelScale = textureLevelScale<T>();
    // The texture box reaches 30 pixels beyond the rated region and the
    // deviations another window beyond that, so medians, ratings and
    // deviations are made over the whole plane.
    const VRect whole{0, 0, height, width};
    // The fast integer path rates straight into the contrast plane, inside
    // the rated region only, and lowers the ratings by the rise in place;
    // with both polarities on, the bright plane's ratings join the dark
    // one's there, negated, and one pass applies each one's rise. The float
    // engine and the plain path rate into a plane of their own and combine
    // one polarity at a time.
    // Neither polarity asked for rates both, as the standard rating does.
    const bool dark = settings.darkDefects || !settings.brightDefects;
    const bool bright = settings.brightDefects || !settings.darkDefects;
    constexpr bool tables = !std::is_same_v<T, float>;
    const bool inPlace = tables && fast;
    const bool merged = inPlace && dark && bright;
    scratch.fit(PlaneSize{width, height}, allocator, !inPlace, merged);
    NelvoBuffer<T>& toned = *scratch.toned;
    NelvoBuffer<T>& tonedMedian = median;

    bool first = true;
    const StageHooks quiet = hooks.cancelOnly();

    // Both tone maps are non-decreasing and the median of 9 picks one of its
    // values, so the tone-mapped median of the grey plane would equal the
    // median of the tone-mapped plane. Taking the medians of each tone-mapped
    // plane is faster all the same: the median's sorting network runs in
    // vector lanes, a table look-up per pixel does not (24 MP 8-bit, dark and
    // bright: about 6 ms less than one median pass plus two look-ups per
    // pixel and plane).
    const std::array<Polarity, 2> polarities{Polarity::dark, Polarity::bright};
    for (const Polarity polarity : polarities) {
        const bool on = polarity == Polarity::dark ? dark : bright;
        if (!on || hooks.isCancelled()) {
            continue;
        }
        const bool joins = merged && polarity == Polarity::bright;
        NelvoBuffer<uint16_t>& spread = joins ? *scratch.brightSpread : *scratch.spread;
        bool mapped = false;
        if constexpr (tables) {
            if (fast) {
                forEachRow(height, width,
                           [&](int32_t y) { mapRow(polarity, grey.row(y), toned.row(y), width); });
                mapped = true;
            }
        }
        if (!mapped) {
            forEachRow(height, int64_t{width} * 40, [&](int32_t y) {
                for (int32_t x = 0; x < width; ++x) {
                    toned.row(y)[x] = toneMapped(grey.row(y)[x], polarity);
                }
            });
        }
        // Progress: the first plane's median and rating passes report their
        // rows, as the standard detection's two passes do; a second plane's
        // only poll.
        const StageHooks& passHooks = first ? hooks : quiet;
        medianOnCpu(toned, tonedMedian, whole, tileSize, passHooks, path);
        EngineSettings one = settings;
        one.darkDefects = polarity == Polarity::dark;
        one.brightDefects = polarity == Polarity::bright;
        RateOptions options;
        options.differenceThreshold = adaptiveDifferenceThreshold<T>();
        if (tables && fast) {
            options.spread = &spread;
            options.levelScale = levelScale;
        }
        NelvoBuffer<float>& target = inPlace ? contrast : *scratch.rating;
        if (inPlace) {
            options.rated = b;
            options.mergeNegated = joins;
        }
        rateOnCpu(toned, tonedMedian, target, whole, one, passHooks, path, options);
        if (hooks.isCancelled()) {
            return;
        }
        const auto level = [&](int32_t y, int32_t x) {
            return textureLevel(tonedMedian.row(y)[x]);
        };
        const auto square = [&](int32_t y, int32_t x) {
            const int64_t v = textureLevel(tonedMedian.row(y)[x]);
            return v * v;
        };
        if (fast) {
            if (!tables) {
                const int32_t bands = (height + kBoxBandRows - 1) / kBoxBandRows;
                forEachRow(bands, int64_t{width} * kBoxBandRows * 8, [&](int32_t band) {
                    const int32_t y0 = band * kBoxBandRows;
                    const int32_t y1 = std::min(y0 + kBoxBandRows, height);
                    std::vector<int64_t> sums(static_cast<std::size_t>(width) * kBoxBandRows);
                    const auto at = [width, y0](int32_t y, int32_t x) {
                        return static_cast<std::size_t>(y - y0) * static_cast<std::size_t>(width) +
                               static_cast<std::size_t>(x);
                    };
                    boxSumBand(width, height, radius, y0, y1, 0, width, level,
                               [&](int32_t y, int32_t x, int64_t sum) { sums[at(y, x)] = sum; });
                    boxSumBand(width, height, radius, y0, y1, 0, width, square,
                               [&](int32_t y, int32_t x, int64_t squares) {
                                   spread.row(y)[x] = quantisedDeviation(deviationInLevels(
                                       sums[at(y, x)], squares, windowCount, levelScale));
                               });
                });
            }
            if (joins) {
                combineMergedWithTexture(*scratch.spread, spread, contrast, b, hooks);
            } else if (!merged) {
                combineWithTexture(spread, target, contrast, b, polarity, first, hooks);
            }
            first = false;
            continue;
        }
        forEachRow(height, int64_t{width} * windowCount * 2, [&](int32_t y) {
            for (int32_t x = 0; x < width; ++x) {
                const int64_t sum = windowSum(width, height, radius, y, x, level);
                const int64_t squares = windowSum(width, height, radius, y, x, square);
                spread.row(y)[x] =
                    quantisedDeviation(deviationInLevels(sum, squares, windowCount, levelScale));
            }
        });
        forEachRow(b.height(), int64_t{b.width()} * 61 * 61, [&](int32_t i) {
            const int32_t y = b.top + i;
            float* out = contrast.row(y);
            for (int32_t x = b.left; x < b.right; ++x) {
                const int64_t box =
                    windowSum(width, height, kAdaptiveTextureRadius, y, x,
                              [&](int32_t wy, int32_t wx) { return int64_t{spread.row(wy)[wx]}; });
                const float candidate = scratch.rating->row(y)[x] - textureRise(box, polarity);
                out[x] = std::max(first ? 0.0f : out[x], candidate);
            }
        });
        first = false;
    }
}

#define NELVO_INSTANTIATE_ADAPTIVE(T)                                                \
    template T toneMapped<T>(T, Polarity);                                           \
    template int64_t textureLevel<T>(T);                                             \
    template float textureLevelScale<T>();                                           \
    template float adaptiveDifferenceThreshold<T>();                                 \
    template struct AdaptiveScratch<T>;                                              \
    template void detectAdaptiveOnCpu<T>(const NelvoBuffer<T>&, NelvoBuffer<T>&,     \
                                         NelvoBuffer<float>&, const DetectRegions&,  \
                                         const EngineSettings&, AdaptiveScratch<T>&, \
                                         PlaneAllocator&, const StageHooks&, DetectPath);

NELVO_INSTANTIATE_ADAPTIVE(unsigned char)
NELVO_INSTANTIATE_ADAPTIVE(unsigned short)
NELVO_INSTANTIATE_ADAPTIVE(float)

}  // namespace nelvo
