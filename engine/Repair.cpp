// SPDX-License-Identifier: MIT
#include "engine/Repair.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "engine/FlagScan.h"
#include "engine/PixelTraits.h"
#include "engine/RowLoop.h"

namespace nelvo {

template <typename T>
void copyImage(const ConstInterleaved<T>& in, const Interleaved<T>& out, int32_t channels,
               PlaneSize size, const StageHooks& hooks) {
    // Pixels without padding between them copy as one block per span.
    const bool packed = in.step() == channels && out.step() == channels;
    forEachRow(size.height, int64_t{size.width} * channels, [&](int32_t y) {
        hooks.advance(1);
        forPolledSpans(0, size.width, kRowPollColumns, hooks, [&](int32_t x0, int32_t x1) {
            const T* source = in.pixel(y, x0);
            T* target = out.pixel(y, x0);
            if (packed) {
                std::memmove(target, source,
                             static_cast<std::size_t>(x1 - x0) *
                                 static_cast<std::size_t>(channels) * sizeof(T));
                return;
            }
            for (int32_t x = x0; x < x1; ++x, source += in.step(), target += out.step()) {
                std::copy(source, source + channels, target);
            }
        });
    });
}

template <typename T>
void dimImage(const Interleaved<T>& image, int32_t channels, const uint8_t* mask,
              int32_t maskRowBytes, PlaneSize size, const StageHooks& hooks) {
    forEachRow(size.height, int64_t{size.width} * channels, [&](int32_t y) {
        if (hooks.isCancelled()) {
            return;
        }
        const uint8_t* selected = mask + static_cast<std::ptrdiff_t>(y) * maskRowBytes;
        T* pixel = image.row(y);
        for (int32_t x = 0; x < size.width; ++x, pixel += image.step()) {
            if (selected[x] != 0) continue;
            for (int32_t c = 0; c < channels; ++c) {
                pixel[c] = storePixel<T>(static_cast<float>(pixel[c]) * 0.5f);
            }
        }
    });
}

namespace {

// Pending map values: a source, a pixel still to fill, and a pixel that is
// neither: a float pixel whose values are not finite or beyond any image
// (above the half-float range, the widest that high-dynamic-range work
// uses). Such a pixel would spread into every pixel filled from it, so it
// is never a source; flagged, it is filled like any defect.
constexpr uint8_t kSource = 0;
constexpr uint8_t kPending = 1;
constexpr uint8_t kUnusable = 2;
constexpr float kLargestSourceValue = 65504.0f;

template <typename T>
bool usableSource(const T* pixel, int32_t channels) {
    if constexpr (std::is_same_v<T, float>) {
        for (int32_t c = 0; c < channels; ++c) {
            if (!(std::fabs(pixel[c]) <= kLargestSourceValue)) return false;
        }
    }
    return true;
}

// The pending map's starting row: defects pending, other pixels sources
// unless unusable. Answers the number of pending pixels.
template <typename T>
int32_t startRow(const uint8_t* flags, const Interleaved<T>& image, int32_t channels, int32_t y,
                 int32_t width, uint8_t* pending) {
    int32_t flagged = 0;
    for (int32_t x = 0; x < width; ++x) {
        pending[x] = flags[x] != 0 ? kPending : kSource;
        flagged += pending[x];
    }
    if constexpr (std::is_same_v<T, float>) {
        const T* pixel = image.row(y);
        for (int32_t x = 0; x < width; ++x, pixel += image.step()) {
            if (pending[x] == kSource && !usableSource(pixel, channels)) pending[x] = kUnusable;
        }
    }
    return flagged;
}

// Per-pixel repair state. The pending flags, which other rows read, live in a
// map of their own and change only in the commit loop; the count and
// next-state bits are written by the pixel's own row only. So no byte is
// written while another thread reads it.
constexpr uint8_t kNextStateBit = 0x80;
constexpr uint8_t kCountBits = 0x3F;

// Weight of a window position by its ring, max(|dy|, |dx|): (4 - ring)^2.
constexpr int32_t kRingWeight[kRepairRadius + 1] = {0, 9, 4, 1};

int32_t ringWeight(int32_t dy, int32_t dx) {
    return kRingWeight[std::max(std::abs(dy), std::abs(dx))];
}

class RepairMap {
  public:
    // The fast repair keeps its count and next-state bits in its row lists
    // and asks for the pending flags only, which it writes before reading.
    RepairMap(PlaneSize size, bool withState)
        : width_(size.width),
          height_(size.height),
          pending_(std::make_unique_for_overwrite<uint8_t[]>(area(size))),
          state_(withState ? std::make_unique<uint8_t[]>(area(size)) : nullptr) {}

    uint8_t* pending(int32_t y) { return pending_.get() + offset(y); }
    const uint8_t* pending(int32_t y) const { return pending_.get() + offset(y); }
    uint8_t* state(int32_t y) { return state_.get() + offset(y); }

    // Window rows and columns of (y, x) inside the plane.
    int32_t firstRow(int32_t y) const { return std::max(y - kRepairRadius, 0); }
    int32_t lastRow(int32_t y) const { return std::min(y + kRepairRadius, height_ - 1); }
    int32_t firstColumn(int32_t x) const { return std::max(x - kRepairRadius, 0); }
    int32_t lastColumn(int32_t x) const { return std::min(x + kRepairRadius, width_ - 1); }

    // Intact pixels in the window of (y, x).
    uint8_t countSources(int32_t y, int32_t x) const {
        uint8_t count = 0;
        for (int32_t wy = firstRow(y); wy <= lastRow(y); ++wy) {
            const uint8_t* flags = pending(wy);
            for (int32_t wx = firstColumn(x); wx <= lastColumn(x); ++wx) {
                count = static_cast<uint8_t>(count + (flags[wx] == kSource ? 1 : 0));
            }
        }
        return count;
    }

    // countSources for a pixel whose window lies inside the plane: a fixed
    // 7 x 7 loop without bounds, which the compiler unrolls.
    int32_t countInterior(int32_t y, int32_t x) const {
        int32_t count = 0;
        for (int32_t wy = y - kRepairRadius; wy <= y + kRepairRadius; ++wy) {
            const uint8_t* flags = pending(wy) + x - kRepairRadius;
            for (int32_t i = 0; i < 2 * kRepairRadius + 1; ++i) {
                count += flags[i] == kSource ? 1 : 0;
            }
        }
        return count;
    }

    bool interior(int32_t y, int32_t x) const {
        return y >= kRepairRadius && y < height_ - kRepairRadius && x >= kRepairRadius &&
               x < width_ - kRepairRadius;
    }

  private:
    static std::size_t area(PlaneSize size) {
        return static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
    }
    std::ptrdiff_t offset(int32_t y) const { return static_cast<std::ptrdiff_t>(y) * width_; }

    int32_t width_;
    int32_t height_;
    std::unique_ptr<uint8_t[]> pending_;
    std::unique_ptr<uint8_t[]> state_;
};

// Accumulators for one pixel's channels: on the stack for up to 4 channels,
// on the heap beyond.
class ChannelSums {
  public:
    explicit ChannelSums(int32_t channels) : channels_(channels) {
        if (channels > kInline) {
            heap_.resize(static_cast<std::size_t>(channels));
        }
    }
    float* data() { return channels_ > kInline ? heap_.data() : inline_; }

  private:
    static constexpr int32_t kInline = 4;
    int32_t channels_;
    float inline_[kInline] = {};
    std::vector<float> heap_;
};

// Fills pixel (y, x) with the weighted mean of its window's intact pixels.
template <typename T>
void fillPixel(const RepairMap& map, const Interleaved<T>& image, int32_t channels, int32_t y,
               int32_t x, float* sums, T* target) {
    std::fill(sums, sums + channels, 0.0f);
    int32_t weightSum = 0;
    for (int32_t wy = map.firstRow(y); wy <= map.lastRow(y); ++wy) {
        const uint8_t* flags = map.pending(wy);
        for (int32_t wx = map.firstColumn(x); wx <= map.lastColumn(x); ++wx) {
            if (flags[wx] != kSource) continue;
            const int32_t weight = ringWeight(wy - y, wx - x);
            const auto w = static_cast<float>(weight);
            const T* source = image.pixel(wy, wx);
            weightSum += weight;
            for (int32_t c = 0; c < channels; ++c) {
                sums[c] += w * static_cast<float>(source[c]);
            }
        }
    }
    const auto divisor = static_cast<float>(weightSum);
    for (int32_t c = 0; c < channels; ++c) {
        target[c] = storePixel<T>(sums[c] / divisor);
    }
}

// Ring weights of the 7 x 7 window, row by row.
constexpr std::array<std::array<int32_t, 7>, 7> kWindowWeights = [] {
    std::array<std::array<int32_t, 7>, 7> weights{};
    for (int32_t dy = -kRepairRadius; dy <= kRepairRadius; ++dy) {
        for (int32_t dx = -kRepairRadius; dx <= kRepairRadius; ++dx) {
            const int32_t ring = std::max(dy < 0 ? -dy : dy, dx < 0 ? -dx : dx);
            weights[static_cast<std::size_t>(dy + kRepairRadius)]
                   [static_cast<std::size_t>(dx + kRepairRadius)] = kRingWeight[ring];
        }
    }
    return weights;
}();

template <typename T, std::size_t Channels>
void fillInterior(const RepairMap& map, const Interleaved<T>& image, int32_t y, int32_t x,
                  T* target) {
    int32_t sums[Channels] = {};
    int32_t weightSum = 0;
    const std::ptrdiff_t step = image.step();
    for (int32_t dy = -kRepairRadius; dy <= kRepairRadius; ++dy) {
        const uint8_t* flags = map.pending(y + dy) + x - kRepairRadius;
        const T* source = image.pixel(y + dy, x - kRepairRadius);
        const auto& weights = kWindowWeights[static_cast<std::size_t>(dy + kRepairRadius)];
        for (std::size_t i = 0; i < 7; ++i) {
            const int32_t weight = weights[i] & -static_cast<int32_t>(flags[i] == kSource);
            weightSum += weight;
            for (std::size_t c = 0; c < Channels; ++c) {
                sums[c] += weight * static_cast<int32_t>(source[c]);
            }
            source += step;
        }
    }
    const auto divisor = static_cast<float>(weightSum);
    for (std::size_t c = 0; c < Channels; ++c) {
        target[c] = storePixel<T>(static_cast<float>(sums[c]) / divisor);
    }
}

// fillPixel for integer pixels of at most 4 channels whose whole window lies
// inside the plane. Weighted sums of 8- and 16-bit values stay below 2^24
// (at most 160 x 32768), so the single-precision sums of fillPixel are exact
// integers and sum the same in any order: here they are summed in integers,
// non-sources masked to weight 0 instead of branched over. The branches on
// the irregular pending flags mispredicted often enough to make fillPixel
// the repair's main cost. Reading the values of pending pixels is safe only
// because the fast repair writes no pixel during its fill loops.
template <typename T>
void fillInterior(const RepairMap& map, const Interleaved<T>& image, int32_t channels, int32_t y,
                  int32_t x, T* target) {
    static_assert(!std::is_same_v<T, float>);
    switch (channels) {
        case 1:
            return fillInterior<T, 1>(map, image, y, x, target);
        case 2:
            return fillInterior<T, 2>(map, image, y, x, target);
        case 3:
            return fillInterior<T, 3>(map, image, y, x, target);
        default:
            return fillInterior<T, 4>(map, image, y, x, target);
    }
}

// The repair as its loops are described: each pass reads the whole state
// map once to count and 48 more times to fill.
template <typename T>
void dissolvePlain(const FlagRows& defects, const Interleaved<T>& image, int32_t channels,
                   PlaneSize size, const StageHooks& hooks) {
    const int32_t width = size.width;
    const int32_t height = size.height;
    RepairMap map(size, true);

    forEachRow(height, width, [&](int32_t y) {
        startRow(defects.row(y), image, channels, y, width, map.pending(y));
    });

    std::atomic<int64_t> pendingPixels{0};
    int32_t pass = 0;
    do {
        pendingPixels.store(0, std::memory_order_relaxed);
        ++pass;

        forEachRow(height, int64_t{width} * 4, [&](int32_t y) {
            if (hooks.isCancelled()) return;
            const uint8_t* pending = map.pending(y);
            uint8_t* state = map.state(y);
            int64_t rowPending = 0;
            for (int32_t x = 0; x < width; ++x) {
                if (pending[x] != kPending) {
                    state[x] = 0;
                } else {
                    state[x] = static_cast<uint8_t>(kNextStateBit | map.countSources(y, x));
                    ++rowPending;
                }
            }
            pendingPixels.fetch_add(rowPending, std::memory_order_relaxed);
        });

        hooks.beginPhase(kFillSteps);
        for (int32_t step = kFillSteps; step >= 1; --step) {
            hooks.advance(1);
            forEachRow(height, width, [&](int32_t y) {
                if (hooks.isCancelled()) return;
                const uint8_t* pending = map.pending(y);
                uint8_t* state = map.state(y);
                ChannelSums sums(channels);
                int64_t rowFilled = 0;
                for (int32_t x = 0; x < width; ++x) {
                    if ((state[x] & kCountBits) != step || pending[x] != kPending) continue;
                    fillPixel(map, image, channels, y, x, sums.data(), image.pixel(y, x));
                    state[x] = static_cast<uint8_t>(state[x] & ~kNextStateBit);
                    ++rowFilled;
                }
                pendingPixels.fetch_sub(rowFilled, std::memory_order_relaxed);
            });
        }

        forEachRow(height, width, [&](int32_t y) {
            if (hooks.isCancelled()) return;
            uint8_t* pending = map.pending(y);
            const uint8_t* state = map.state(y);
            for (int32_t x = 0; x < width; ++x) {
                if (pending[x] == kPending && (state[x] & kNextStateBit) == 0) pending[x] = kSource;
            }
        });
    } while (pendingPixels.load(std::memory_order_relaxed) > 0 && pass < kMaxRepairPasses);
}

// Pending pixels of each row, kept apart from the pending map. A row's
// entries sit in one stretch of `entries`, sorted by neighbour count from 48
// down to 0 after each counting loop, so that fill step k finds its pixels
// at the row's cursor and the 48 steps together walk each list once. A pass
// costs in proportion to the pixels still pending, not to the plane: on
// 24 MP with 0.5 % of pixels flagged the repair fell from 760 ms (50 scans
// of the plane per pass) to about 20 ms.
class PendingRows {
  public:
    // Entry: neighbour count in bits 32-37, the filled flag in bit 40, the
    // column in bits 0-31. Sorting the entries in descending order sorts by
    // count, and by column within a count.
    static constexpr uint64_t kFilled = uint64_t{1} << 40;
    static constexpr int kCountShift = 32;

    static int32_t column(uint64_t entry) { return static_cast<int32_t>(entry & 0xFFFFFFFFu); }
    static int32_t count(uint64_t entry) {
        return static_cast<int32_t>((entry >> kCountShift) & kCountBits);
    }
    static uint64_t make(int32_t x, int32_t count) {
        return (static_cast<uint64_t>(count) << kCountShift) | static_cast<uint32_t>(x);
    }

    explicit PendingRows(int32_t rows)
        : start_(static_cast<std::size_t>(rows) + 1, 0),
          length_(static_cast<std::size_t>(rows), 0),
          cursor_(static_cast<std::size_t>(rows), 0) {}

    // Lays out the rows once their initial lengths are known.
    void allocate() {
        int64_t total = 0;
        for (std::size_t y = 0; y < length_.size(); ++y) {
            start_[y] = total;
            total += length_[y];
        }
        start_[length_.size()] = total;
        entries_.resize(static_cast<std::size_t>(total));
    }

    uint64_t* row(int32_t y) { return entries_.data() + start_[static_cast<std::size_t>(y)]; }
    int64_t start(int32_t y) const { return start_[static_cast<std::size_t>(y)]; }
    int64_t total() const { return start_.back(); }
    int32_t& length(int32_t y) { return length_[static_cast<std::size_t>(y)]; }
    int32_t& cursor(int32_t y) { return cursor_[static_cast<std::size_t>(y)]; }

  private:
    std::vector<int64_t> start_;
    std::vector<int32_t> length_;
    std::vector<int32_t> cursor_;
    std::vector<uint64_t> entries_;
};

template <typename T>
void dissolveFast(const FlagRows& defects, const Interleaved<T>& image, int32_t channels,
                  PlaneSize size, const StageHooks& hooks) {
    const int32_t width = size.width;
    const int32_t height = size.height;
    RepairMap map(size, false);
    PendingRows rows(height);

    forEachRow(height, width, [&](int32_t y) {
        rows.length(y) = startRow(defects.row(y), image, channels, y, width, map.pending(y));
    });
    rows.allocate();
    forEachRow(height, width / 8 + 1, [&](int32_t y) {
        uint64_t* entries = rows.row(y);
        int32_t n = 0;
        forEachFlag(defects.row(y), width,
                    [&](int32_t x) { entries[n++] = PendingRows::make(x, 0); });
    });

    // The values of the pixels filled in a pass, one slot per entry. The
    // fill loops leave the image alone, so that they read pixels no thread
    // writes; the commit loop copies the values in.
    std::vector<T> filled(static_cast<std::size_t>(rows.total()) *
                          static_cast<std::size_t>(channels));
    const auto filledValue = [&](int32_t y, int32_t i) {
        return filled.data() + (rows.start(y) + i) * channels;
    };

    std::atomic<int64_t> pendingPixels{0};
    // Pixels per neighbour count in the current pass, to size each fill
    // step's row loop.
    std::array<std::atomic<int64_t>, kFillSteps + 1> perCount{};
    int32_t pass = 0;
    do {
        pendingPixels.store(0, std::memory_order_relaxed);
        for (auto& n : perCount) n.store(0, std::memory_order_relaxed);
        ++pass;
        int64_t listed = 0;
        for (int32_t y = 0; y < height; ++y) listed += rows.length(y);

        forEachRow(height, std::max<int64_t>(listed * 48 / std::max(height, 1), 1), [&](int32_t y) {
            uint64_t* entries = rows.row(y);
            const int32_t n = rows.length(y);
            if (hooks.isCancelled()) {
                // Nothing of this row is filled in this pass.
                rows.cursor(y) = n;
                return;
            }
            int64_t histogram[kFillSteps + 1] = {};
            for (int32_t i = 0; i < n; ++i) {
                const int32_t x = PendingRows::column(entries[i]);
                const int32_t count =
                    map.interior(y, x) ? map.countInterior(y, x) : map.countSources(y, x);
                entries[i] = PendingRows::make(x, count);
                ++histogram[count];
            }
            std::sort(entries, entries + n, std::greater<>());
            rows.cursor(y) = 0;
            for (int32_t k = 1; k <= kFillSteps; ++k) {
                if (histogram[k] != 0) perCount[static_cast<std::size_t>(k)] += histogram[k];
            }
            pendingPixels.fetch_add(n, std::memory_order_relaxed);
        });

        hooks.beginPhase(kFillSteps);
        for (int32_t step = kFillSteps; step >= 1; --step) {
            hooks.advance(1);
            const int64_t pixels = perCount[static_cast<std::size_t>(step)].load();
            if (pixels == 0 && !hooks.polled()) continue;
            const int64_t work = pixels * (kFillSteps + 1) * channels;
            forEachRow(height, std::max<int64_t>(work / std::max(height, 1), 1), [&](int32_t y) {
                if (hooks.isCancelled()) return;
                uint64_t* entries = rows.row(y);
                const int32_t n = rows.length(y);
                int32_t& i = rows.cursor(y);
                // Entries of higher counts left by a cancelled step stay
                // unfilled.
                while (i < n && PendingRows::count(entries[i]) > step) ++i;
                ChannelSums sums(channels);
                int64_t count = 0;
                const bool innerRow = y >= kRepairRadius && y < height - kRepairRadius;
                for (; i < n && PendingRows::count(entries[i]) == step; ++i) {
                    const int32_t x = PendingRows::column(entries[i]);
                    if constexpr (!std::is_same_v<T, float>) {
                        if (channels <= 4 && innerRow && x >= kRepairRadius &&
                            x < width - kRepairRadius) {
                            fillInterior(map, image, channels, y, x, filledValue(y, i));
                            entries[i] |= PendingRows::kFilled;
                            ++count;
                            continue;
                        }
                    }
                    fillPixel(map, image, channels, y, x, sums.data(), filledValue(y, i));
                    entries[i] |= PendingRows::kFilled;
                    ++count;
                }
                pendingPixels.fetch_sub(count, std::memory_order_relaxed);
            });
        }

        forEachRow(height, std::max<int64_t>(listed / std::max(height, 1), 1), [&](int32_t y) {
            if (hooks.isCancelled()) return;
            uint64_t* entries = rows.row(y);
            uint8_t* pending = map.pending(y);
            int32_t kept = 0;
            for (int32_t i = 0; i < rows.length(y); ++i) {
                if ((entries[i] & PendingRows::kFilled) != 0) {
                    const int32_t x = PendingRows::column(entries[i]);
                    const T* value = filledValue(y, i);
                    std::copy(value, value + channels, image.pixel(y, x));
                    pending[x] = kSource;
                } else {
                    entries[kept++] = entries[i];
                }
            }
            rows.length(y) = kept;
        });
    } while (pendingPixels.load(std::memory_order_relaxed) > 0 && pass < kMaxRepairPasses);
}

}  // namespace

template <typename T>
void dissolveImage(const FlagRows& defects, const Interleaved<T>& image, int32_t channels,
                   PlaneSize size, const StageHooks& hooks, RepairPath path) {
    if (path == RepairPath::plain) {
        dissolvePlain(defects, image, channels, size, hooks);
    } else {
        dissolveFast(defects, image, channels, size, hooks);
    }
}

template <typename T>
void repairArea(const FlagRows& defects, const ConstInterleaved<T>& in, const Interleaved<T>& out,
                int32_t channels, PlaneSize size, const VRect& area, const StageHooks& hooks) {
    const VRect target{std::clamp(area.top, 0, size.height), std::clamp(area.left, 0, size.width),
                       std::clamp(area.bottom, 0, size.height),
                       std::clamp(area.right, 0, size.width)};
    if (target.width() <= 0 || target.height() <= 0) {
        return;
    }
    const VRect context{std::max(target.top - kRepairReach, 0),
                        std::max(target.left - kRepairReach, 0),
                        std::min(target.bottom + kRepairReach, size.height),
                        std::min(target.right + kRepairReach, size.width)};
    const PlaneSize contextSize{context.width(), context.height()};
    const int32_t pixelBytes = channels * static_cast<int32_t>(sizeof(T));
    const int32_t copyRowBytes = contextSize.width * pixelBytes;
    std::vector<T> copy(static_cast<std::size_t>(contextSize.width) *
                        static_cast<std::size_t>(contextSize.height) *
                        static_cast<std::size_t>(channels));
    const Interleaved<T> repaired(copy.data(), copyRowBytes, pixelBytes);
    const StageHooks quiet = hooks.cancelOnly();
    copyImage(
        ConstInterleaved<T>(in.pixel(context.top, context.left), in.rowBytes(), in.columnBytes()),
        repaired, channels, contextSize, quiet);
    dissolveImage(FlagRows{defects.row(context.top) + context.left, defects.rowBytes}, repaired,
                  channels, contextSize, quiet);
    if (quiet.isCancelled()) {
        return;
    }
    copyImage(
        ConstInterleaved<T>(repaired.pixel(target.top - context.top, target.left - context.left),
                            copyRowBytes, pixelBytes),
        Interleaved<T>(out.pixel(target.top, target.left), out.rowBytes(), out.columnBytes()),
        channels, PlaneSize{target.width(), target.height()}, quiet);
}

#define NELVO_INSTANTIATE_REPAIR(T)                                                               \
    template void copyImage<T>(const ConstInterleaved<T>&, const Interleaved<T>&, int32_t,        \
                               PlaneSize, const StageHooks&);                                     \
    template void dimImage<T>(const Interleaved<T>&, int32_t, const uint8_t*, int32_t, PlaneSize, \
                              const StageHooks&);                                                 \
    template void dissolveImage<T>(const FlagRows&, const Interleaved<T>&, int32_t, PlaneSize,    \
                                   const StageHooks&, RepairPath);                                \
    template void repairArea<T>(const FlagRows&, const ConstInterleaved<T>&,                      \
                                const Interleaved<T>&, int32_t, PlaneSize, const VRect&,          \
                                const StageHooks&);

NELVO_INSTANTIATE_REPAIR(unsigned char)
NELVO_INSTANTIATE_REPAIR(unsigned short)
NELVO_INSTANTIATE_REPAIR(float)

}  // namespace nelvo
