// SPDX-License-Identifier: MIT
#include "engine/Repair.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <vector>

#include "engine/Detection.h"
#include "engine/PixelTraits.h"
#include "engine/RowLoop.h"

namespace nelvo {

template <typename T>
void copyImage(const ConstInterleaved<T>& in, const Interleaved<T>& out, int32_t channels,
               PlaneSize size, const StageHooks& hooks) {
    forEachRow(size.height, int64_t{size.width} * channels, [&](int32_t y) {
        hooks.advance(1);
        forPolledSpans(0, size.width, kRowPollColumns, hooks, [&](int32_t x0, int32_t x1) {
            const T* source = in.pixel(y, x0);
            T* target = out.pixel(y, x0);
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
    explicit RepairMap(PlaneSize size)
        : width_(size.width),
          height_(size.height),
          pending_(static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height)),
          state_(pending_.size(), 0) {}

    uint8_t* pending(int32_t y) { return pending_.data() + offset(y); }
    const uint8_t* pending(int32_t y) const { return pending_.data() + offset(y); }
    uint8_t* state(int32_t y) { return state_.data() + offset(y); }

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
                count = static_cast<uint8_t>(count + (flags[wx] == 0 ? 1 : 0));
            }
        }
        return count;
    }

  private:
    std::ptrdiff_t offset(int32_t y) const { return static_cast<std::ptrdiff_t>(y) * width_; }

    int32_t width_;
    int32_t height_;
    std::vector<uint8_t> pending_;
    std::vector<uint8_t> state_;
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
               int32_t x, float* sums) {
    std::fill(sums, sums + channels, 0.0f);
    int32_t weightSum = 0;
    for (int32_t wy = map.firstRow(y); wy <= map.lastRow(y); ++wy) {
        const uint8_t* flags = map.pending(wy);
        for (int32_t wx = map.firstColumn(x); wx <= map.lastColumn(x); ++wx) {
            if (flags[wx] != 0) continue;
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
    T* target = image.pixel(y, x);
    for (int32_t c = 0; c < channels; ++c) {
        target[c] = storePixel<T>(sums[c] / divisor);
    }
}

}  // namespace

template <typename T>
void dissolveImage(const NelvoBuffer<uint8_t>& defects, const Interleaved<T>& image,
                   int32_t channels, PlaneSize size, const StageHooks& hooks) {
    const int32_t width = size.width;
    const int32_t height = size.height;
    RepairMap map(size);

    forEachRow(height, width, [&](int32_t y) {
        const uint8_t* flags = defects.row(y);
        uint8_t* pending = map.pending(y);
        for (int32_t x = 0; x < width; ++x) {
            pending[x] = flags[x] != 0 ? 1 : 0;
        }
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
                if (pending[x] == 0) {
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
                    if ((state[x] & kCountBits) != step || pending[x] == 0) continue;
                    fillPixel(map, image, channels, y, x, sums.data());
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
                pending[x] = (state[x] & kNextStateBit) != 0 ? 1 : 0;
            }
        });
    } while (pendingPixels.load(std::memory_order_relaxed) > 0 && pass < kMaxRepairPasses);
}

#define NELVO_INSTANTIATE_REPAIR(T)                                                               \
    template void copyImage<T>(const ConstInterleaved<T>&, const Interleaved<T>&, int32_t,        \
                               PlaneSize, const StageHooks&);                                     \
    template void dimImage<T>(const Interleaved<T>&, int32_t, const uint8_t*, int32_t, PlaneSize, \
                              const StageHooks&);                                                 \
    template void dissolveImage<T>(const NelvoBuffer<uint8_t>&, const Interleaved<T>&, int32_t,   \
                                   PlaneSize, const StageHooks&);

NELVO_INSTANTIATE_REPAIR(unsigned char)
NELVO_INSTANTIATE_REPAIR(unsigned short)
NELVO_INSTANTIATE_REPAIR(float)

}  // namespace nelvo
