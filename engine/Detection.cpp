// SPDX-License-Identifier: MIT
#include "engine/Detection.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <type_traits>
#include <utility>

#include <tbb/enumerable_thread_specific.h>

#include "engine/DetectionKernels.h"
#include "engine/PixelTraits.h"
#include "engine/RowLoop.h"

namespace nelvo {

namespace {

// 5/9 in single precision: the float engine's grey exponent.
constexpr float kGreyExponent = 5.0f / 9.0f;

// Marking byte that leaves the threshold at about 1 - k.
constexpr uint8_t kNeutralMark = 128;

// Channel value scaled to 0..1 for the ink formula.
template <typename T>
float inkUnit(T value) {
    if constexpr (std::is_same_v<T, float>) {
        return sanitizeSource(value);
    } else {
        return PixelTraits<T>::unit(value);
    }
}

// Grey values of `width` packed pixels of an integer type, summed and divided
// in integers. greyValue divides the sum in single precision and truncates;
// the two agree: a quotient that is not a whole number lies at least 1/n from
// the next one, more than the rounding of a float below 2^24 / n.
template <typename T, int Channels>
void averageRow(const T* pixels, T* out, int32_t width) {
    using Sum = std::conditional_t<sizeof(T) == 1, uint16_t, uint32_t>;
    for (int32_t x = 0; x < width; ++x) {
        Sum sum = 0;
        for (int c = 0; c < Channels; ++c) {
            sum = static_cast<Sum>(sum + pixels[x * Channels + c]);
        }
        out[x] = static_cast<T>(sum / Channels);
    }
}

int32_t clampIndex(int64_t value, int32_t size) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, size - 1));
}

}  // namespace

template <typename T>
T greyValue(const T* pixel, int32_t channels, int16_t colourModel) {
    using Traits = PixelTraits<T>;
    if (colourModel == kModelCmyk && channels >= 4) {
        const float p0 = inkUnit(pixel[0]);
        const float p1 = inkUnit(pixel[1]);
        const float p2 = inkUnit(pixel[2]);
        const float p3 = inkUnit(pixel[3]);
        const float ink = ((p1 + p0) + p2) * p3 / 3.0f;
        if constexpr (std::is_same_v<T, float>) {
            return std::clamp(ink, 0.0f, 1.0f);
        } else {
            if (ink < 0.0f) return 0;
            if (ink > 1.0f) return Traits::max;
            return storePixel<T>(ink * Traits::maxFloat);
        }
    }
    if (colourModel == kModelLab) {
        if constexpr (std::is_same_v<T, float>) {
            return sanitizeSource(pixel[0]);
        } else {
            return pixel[0];
        }
    }
    float sum = 0.0f;
    for (int32_t c = 0; c < channels; ++c) {
        if constexpr (std::is_same_v<T, float>) {
            sum += std::pow(sanitizeSource(pixel[c]), kGreyExponent);
        } else {
            sum += static_cast<float>(pixel[c]);
        }
    }
    return storePixel<T>(sum / static_cast<float>(channels));
}

template <typename T>
void loadGrey(const ConstInterleaved<T>& image, int32_t channels, int16_t colourModel,
              NelvoBuffer<T>& grey, const StageHooks& hooks) {
    if (hooks.isCancelled()) {
        return;
    }
    const int32_t width = grey.width();
    // Integer engines averaging tightly packed pixels of 1, 3 or 4 channels
    // (every RGB and grey image the hosts hand over) take a loop the compiler
    // vectorises; the others go pixel by pixel.
    const bool averages = colourModel != kModelCmyk && colourModel != kModelLab;
    const bool packed =
        image.step() == channels && (channels == 1 || channels == 3 || channels == 4);
    forEachRow(grey.height(), int64_t{width} * channels, [&](int32_t y) {
        if (hooks.isCancelled()) {
            return;
        }
        const T* pixel = image.row(y);
        T* out = grey.row(y);
        if constexpr (!std::is_same_v<T, float>) {
            if (averages && packed) {
                switch (channels) {
                    case 1:
                        std::copy(pixel, pixel + width, out);
                        return;
                    case 3:
                        averageRow<T, 3>(pixel, out, width);
                        return;
                    default:
                        averageRow<T, 4>(pixel, out, width);
                        return;
                }
            }
        }
        for (int32_t x = 0; x < width; ++x, pixel += image.step()) {
            out[x] = greyValue(pixel, channels, colourModel);
        }
    });
}

VRect clipToPlane(int64_t top, int64_t left, int64_t bottom, int64_t right, int32_t width,
                  int32_t height) {
    if (right < 0 || width < left || bottom < 0 || height < top) {
        return {};
    }
    return {static_cast<int32_t>(std::max<int64_t>(top, 0)),
            static_cast<int32_t>(std::max<int64_t>(left, 0)),
            static_cast<int32_t>(std::min<int64_t>(bottom, height)),
            static_cast<int32_t>(std::min<int64_t>(right, width))};
}

DetectRegions detectRegions(const VRect& clip, int32_t mapWidth, const VRect& tile,
                            int64_t mapOffset, bool tiled, int32_t tileSize, PlaneSize planes) {
    const VRect& rated = tiled ? clip : tile;
    int64_t dy = 0;
    int64_t dx = 0;
    if (tiled && mapWidth > 0) {
        dy = mapOffset / mapWidth;
        dx = mapOffset % mapWidth;
    }
    const int64_t t = effectiveTileSize(tileSize);
    DetectRegions regions;
    regions.median = clipToPlane(rated.top - t - dy, rated.left - t - dx, rated.bottom + t - dy,
                                 rated.right + t - dx, planes.width, planes.height);
    regions.contrast = clipToPlane(rated.top - dy, rated.left - dx, rated.bottom - dy,
                                   rated.right - dx, planes.width, planes.height);
    return regions;
}

template <typename T>
T sparseMedian(const NelvoBuffer<T>& grey, int32_t tileSize, int32_t y, int32_t x) {
    const int32_t width = grey.width();
    const int32_t height = grey.height();
    const int32_t columns[3] = {clampIndex(int64_t{x} - tileSize, width), x,
                                clampIndex(int64_t{x} + tileSize, width)};
    const T* rows[3] = {grey.row(clampIndex(int64_t{y} - tileSize, height)), grey.row(y),
                        grey.row(clampIndex(int64_t{y} + tileSize, height))};
    T values[9];
    int n = 0;
    for (const T* row : rows) {
        for (int32_t column : columns) {
            values[n++] = row[column];
        }
    }
    // Partial selection sort: after five rounds position 4 holds the median.
    for (int i = 0; i < 5; ++i) {
        int smallest = i;
        for (int j = i + 1; j < 9; ++j) {
            if (values[j] < values[smallest]) {
                smallest = j;
            }
        }
        std::swap(values[i], values[smallest]);
    }
    return values[4];
}

namespace {

// Population mean and variance by Welford's running update.
struct RunningVariance {
    float mean = 0.0f;
    float m2 = 0.0f;

    void add(float value, float n) {
        const float delta = value - mean;
        mean = mean + delta / n;
        m2 = m2 + (value - mean) * delta;
    }
};

template <typename T>
float windowContrast(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median, int32_t radius,
                     int32_t y, int32_t x) {
    const int32_t width = grey.width();
    const int32_t height = grey.height();
    RunningVariance g;
    RunningVariance m;
    int32_t n = 0;
    for (int32_t wy = y - radius; wy <= y + radius; ++wy) {
        const int32_t row = clampIndex(wy, height);
        const T* greyRow = grey.row(row);
        const T* medianRow = median.row(row);
        for (int32_t wx = x - radius; wx <= x + radius; ++wx) {
            const int32_t column = clampIndex(wx, width);
            ++n;
            const auto count = static_cast<float>(n);
            g.add(static_cast<float>(greyRow[column]), count);
            m.add(static_cast<float>(medianRow[column]), count);
        }
    }
    const auto count = static_cast<float>(n);
    const float varG = g.m2 / count;
    const float varM = m.m2 / count;
    const float sdDiff = std::sqrt(varG) - std::sqrt(varM);
    return sdDiff * sdDiff / (varG + varM + PixelTraits<T>::deviationFloor);
}

}  // namespace

template <typename T>
float contrastRating(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median,
                     const EngineSettings& settings, int32_t y, int32_t x) {
    return contrastRating(grey, median, settings, y, x, PixelTraits<T>::differenceThreshold);
}

template <typename T>
float contrastRating(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median,
                     const EngineSettings& settings, int32_t y, int32_t x,
                     float differenceThreshold) {
    const T g = grey.at(y, x);
    const T m = median.at(y, x);
    const bool darkOnly = settings.darkDefects && !settings.brightDefects;
    const bool brightOnly = settings.brightDefects && !settings.darkDefects;
    if ((darkOnly && g >= m) || (brightOnly && m >= g)) {
        return 0.0f;
    }
    float d;
    if constexpr (std::is_same_v<T, float>) {
        d = std::fabs(g - m);
    } else {
        d = static_cast<float>(std::abs(static_cast<int32_t>(g) - static_cast<int32_t>(m)));
    }
    float cd = 0.0f;
    if (d >= differenceThreshold) {
        const int32_t radius = std::min(effectiveTileSize(settings.tileSize), kMaxContrastRadius);
        cd = windowContrast(grey, median, radius, y, x);
    }
    return std::clamp(PixelTraits<T>::rating(cd, d), 0.0f, 1.0f);
}

template <typename T>
void medianOnCpu(const NelvoBuffer<T>& grey, NelvoBuffer<T>& median, const VRect& a,
                 int32_t tileSize, const StageHooks& hooks, DetectPath path) {
    const bool fast = path == DetectPath::fast;
    forEachRow(a.height(), int64_t{a.width()} * (fast ? 2 : 9), [&](int32_t i) {
        hooks.advance(1);
        const int32_t y = a.top + i;
        T* out = median.row(y);
        forPolledSpans(a.left, a.right, kDetectPollColumns, hooks, [&](int32_t x0, int32_t x1) {
            if (fast) {
                medianRow(grey, tileSize, y, x0, x1, out);
                return;
            }
            for (int32_t x = x0; x < x1; ++x) {
                out[x] = sparseMedian(grey, tileSize, y, x);
            }
        });
    });
}

template <typename T>
void rateOnCpu(const NelvoBuffer<T>& grey, const NelvoBuffer<T>& median,
               NelvoBuffer<float>& contrast, const VRect& b, const EngineSettings& settings,
               const StageHooks& hooks, DetectPath path, const RateOptions& options) {
    const int32_t radius = std::min(effectiveTileSize(settings.tileSize), kMaxContrastRadius);
    if (path == DetectPath::fast) {
        // One band per task: a band's rows share their running sums. About
        // 16 operations per pixel whatever the radius, plus the first
        // window of each band.
        const int32_t bands = (b.height() + kContrastBandRows - 1) / kContrastBandRows;
        tbb::enumerable_thread_specific<ContrastWindow<T>> windows;
        forEachRow(bands, int64_t{b.width()} * kContrastBandRows * 16, [&](int32_t band) {
            const int32_t y0 = b.top + band * kContrastBandRows;
            const int32_t y1 = std::min(y0 + kContrastBandRows, b.bottom);
            windows.local().rateBand(grey, median, contrast, b, y0, y1, settings, hooks, options);
        });
        return;
    }
    const int64_t window = int64_t{2 * radius + 1} * (2 * radius + 1);
    const float threshold = options.differenceThreshold > 0.0f
                                ? options.differenceThreshold
                                : PixelTraits<T>::differenceThreshold;
    forEachRow(b.height(), int64_t{b.width()} * window, [&](int32_t i) {
        hooks.advance(1);
        const int32_t y = b.top + i;
        float* out = contrast.row(y);
        forPolledSpans(b.left, b.right, kDetectPollColumns, hooks, [&](int32_t x0, int32_t x1) {
            for (int32_t x = x0; x < x1; ++x) {
                out[x] = contrastRating(grey, median, settings, y, x, threshold);
            }
        });
    });
}

template <typename T>
void detectOnCpu(const NelvoBuffer<T>& grey, NelvoBuffer<T>& median, NelvoBuffer<float>& contrast,
                 const DetectRegions& regions, const EngineSettings& settings,
                 const StageHooks& hooks, DetectPath path) {
    medianOnCpu(grey, median, regions.median, effectiveTileSize(settings.tileSize), hooks, path);
    rateOnCpu(grey, median, contrast, regions.contrast, settings, hooks, path);
}

float markThreshold(float k, uint8_t markByte) {
    float h = static_cast<float>(markByte) / 255.0f;
    h = h + h;
    h = h - 1.0f;
    const float v = h < 0.0f ? k * h + k : (1.0f - k) * h + k;
    return 1.0f - v;
}

namespace {

// Flags of [x0, x1) against one threshold; a loop the compiler vectorises.
void markAgainst(const float* rating, float threshold, uint8_t* out, int32_t x0, int32_t x1) {
    for (int32_t x = x0; x < x1; ++x) {
        out[x] = rating[x] > threshold ? 1 : 0;
    }
}

// Whether the bytes of [x0, x1) all equal bytes[x0].
bool uniform(const uint8_t* bytes, int32_t x0, int32_t x1) {
    uint8_t differs = 0;
    for (int32_t x = x0; x < x1; ++x) {
        differs |= static_cast<uint8_t>(bytes[x] ^ bytes[x0]);
    }
    return differs == 0;
}

// Columns looked at together for a run of equal marking bytes.
constexpr int32_t kMarkRun = 64;

}  // namespace

void markDefectPlane(const NelvoBuffer<float>& contrast, NelvoBuffer<uint8_t>& defects,
                     PlaneSize size, const MarkInputs& inputs, const StageHooks& hooks) {
    const float k = static_cast<float>(inputs.detectionIntensity) / 20.0f;
    // The threshold of every marking byte, computed once per call.
    float thresholds[256];
    for (int b = 0; b < 256; ++b) {
        thresholds[b] = markThreshold(k, static_cast<uint8_t>(b));
    }
    const float neutralThreshold = thresholds[kNeutralMark];
    forEachRow(size.height, size.width, [&](int32_t y) {
        const float* rating = contrast.row(y);
        uint8_t* out = defects.row(y);
        const uint8_t* selection =
            inputs.selection == nullptr
                ? nullptr
                : inputs.selection + static_cast<std::ptrdiff_t>(y) * inputs.selectionRowBytes;
        const uint8_t* marks = inputs.markingMap == nullptr
                                   ? nullptr
                                   : inputs.markingMap + inputs.mapOffset +
                                         static_cast<std::ptrdiff_t>(y) * inputs.mapWidth;
        forPolledSpans(0, size.width, kRowPollColumns, hooks, [&](int32_t x0, int32_t x1) {
            for (int32_t run = x0; run < x1; run += kMarkRun) {
                const int32_t end = std::min(run + kMarkRun, x1);
                // Mostly the map is neutral or painted in patches: a run of
                // one marking byte compares against one threshold.
                if (selection == nullptr && (marks == nullptr || uniform(marks, run, end))) {
                    markAgainst(rating,
                                marks == nullptr ? neutralThreshold : thresholds[marks[run]], out,
                                run, end);
                    continue;
                }
                for (int32_t x = run; x < end; ++x) {
                    if (selection != nullptr && selection[x] == 0) {
                        out[x] = 0;
                        continue;
                    }
                    const float threshold =
                        marks == nullptr ? neutralThreshold : thresholds[marks[x]];
                    out[x] = rating[x] > threshold ? 1 : 0;
                }
            }
        });
    });
}

#define NELVO_INSTANTIATE_DETECTION(T)                                                             \
    template T greyValue<T>(const T*, int32_t, int16_t);                                           \
    template void loadGrey<T>(const ConstInterleaved<T>&, int32_t, int16_t, NelvoBuffer<T>&,       \
                              const StageHooks&);                                                  \
    template T sparseMedian<T>(const NelvoBuffer<T>&, int32_t, int32_t, int32_t);                  \
    template float contrastRating<T>(const NelvoBuffer<T>&, const NelvoBuffer<T>&,                 \
                                     const EngineSettings&, int32_t, int32_t);                     \
    template void detectOnCpu<T>(const NelvoBuffer<T>&, NelvoBuffer<T>&, NelvoBuffer<float>&,      \
                                 const DetectRegions&, const EngineSettings&, const StageHooks&,   \
                                 DetectPath);                                                      \
    template void medianOnCpu<T>(const NelvoBuffer<T>&, NelvoBuffer<T>&, const VRect&, int32_t,    \
                                 const StageHooks&, DetectPath);                                   \
    template void rateOnCpu<T>(const NelvoBuffer<T>&, const NelvoBuffer<T>&, NelvoBuffer<float>&,  \
                               const VRect&, const EngineSettings&, const StageHooks&, DetectPath, \
                               const RateOptions&);

NELVO_INSTANTIATE_DETECTION(unsigned char)
NELVO_INSTANTIATE_DETECTION(unsigned short)
NELVO_INSTANTIATE_DETECTION(float)

}  // namespace nelvo
