// SPDX-License-Identifier: MIT
// Synthetic images, defect planes and byte maps for the engine tests, all
// drawn from a seeded generator so every run sees the same data.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace nelvo::testing {

class Rng {
  public:
    explicit Rng(uint64_t seed) : engine_(seed) {}

    // Uniform integer in [lo, hi].
    int64_t between(int64_t lo, int64_t hi) {
        const auto span = static_cast<uint64_t>(hi - lo) + 1;
        return lo + static_cast<int64_t>(engine_() % span);
    }
    // Uniform in [0, 1).
    float unit() { return static_cast<float>(engine_() >> 40) / static_cast<float>(1 << 24); }
    bool chance(float p) { return unit() < p; }

  private:
    std::mt19937_64 engine_;
};

template <typename T>
constexpr float whiteOf() {
    if constexpr (std::is_same_v<T, unsigned char>) return 255.0f;
    if constexpr (std::is_same_v<T, unsigned short>) return 32768.0f;
    return 1.0f;
}

// A value given as a share of white (0..1, more for float) in the pixel type.
template <typename T>
T fromShare(float share) {
    if constexpr (std::is_same_v<T, float>) {
        return share;
    } else {
        return static_cast<T>(std::clamp(share, 0.0f, 1.0f) * whiteOf<T>());
    }
}

// An interleaved image as a caller owns it, with optional padding after each
// pixel's values and at the end of each row.
template <typename T>
class Image {
  public:
    Image(int32_t width, int32_t height, int32_t channels, int32_t pixelPad = 0, int32_t rowPad = 0)
        : width_(width),
          height_(height),
          channels_(channels),
          pixelElements_(channels + pixelPad),
          rowElements_(width * (channels + pixelPad) + rowPad),
          values_(static_cast<std::size_t>(std::max(rowElements_, 0)) *
                      static_cast<std::size_t>(std::max(height, 0)) +
                  1) {}

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int32_t channels() const { return channels_; }
    int32_t rowBytes() const { return rowElements_ * static_cast<int32_t>(sizeof(T)); }
    int32_t columnBytes() const { return pixelElements_ * static_cast<int32_t>(sizeof(T)); }
    T* data() { return values_.data(); }
    const T* data() const { return values_.data(); }
    T* pixel(int32_t y, int32_t x) {
        return values_.data() + static_cast<std::ptrdiff_t>(y) * rowElements_ +
               static_cast<std::ptrdiff_t>(x) * pixelElements_;
    }
    const T* pixel(int32_t y, int32_t x) const {
        return values_.data() + static_cast<std::ptrdiff_t>(y) * rowElements_ +
               static_cast<std::ptrdiff_t>(x) * pixelElements_;
    }
    // Every stored element, padding included, for exact comparisons.
    const std::vector<T>& storage() const { return values_; }
    std::vector<T>& storage() { return values_; }

    void fill(T value) { std::fill(values_.begin(), values_.end(), value); }
    void setPixel(int32_t y, int32_t x, T value) {
        std::fill(pixel(y, x), pixel(y, x) + channels_, value);
    }

  private:
    int32_t width_;
    int32_t height_;
    int32_t channels_;
    int32_t pixelElements_;
    int32_t rowElements_;
    std::vector<T> values_;
};

// Uniform noise over [lo, hi] shares of white in every channel.
template <typename T>
void fillNoise(Image<T>& image, Rng& rng, float lo, float hi) {
    for (int32_t y = 0; y < image.height(); ++y) {
        for (int32_t x = 0; x < image.width(); ++x) {
            for (int32_t c = 0; c < image.channels(); ++c) {
                image.pixel(y, x)[c] = fromShare<T>(lo + (hi - lo) * rng.unit());
            }
        }
    }
}

// A smooth picture: gentle ramps and waves, a different phase per channel.
template <typename T>
void fillSmooth(Image<T>& image) {
    for (int32_t y = 0; y < image.height(); ++y) {
        for (int32_t x = 0; x < image.width(); ++x) {
            for (int32_t c = 0; c < image.channels(); ++c) {
                const float share = 0.45f +
                                    0.15f * std::sin(0.021f * static_cast<float>(x) +
                                                     0.9f * static_cast<float>(c)) +
                                    0.1f * std::cos(0.017f * static_cast<float>(y));
                image.pixel(y, x)[c] = fromShare<T>(share);
            }
        }
    }
}

// Small noise added to every value, +-amplitude shares of white.
template <typename T>
void addGrain(Image<T>& image, Rng& rng, float amplitude) {
    for (int32_t y = 0; y < image.height(); ++y) {
        for (int32_t x = 0; x < image.width(); ++x) {
            for (int32_t c = 0; c < image.channels(); ++c) {
                T& v = image.pixel(y, x)[c];
                const float share =
                    static_cast<float>(v) / whiteOf<T>() + amplitude * (2.0f * rng.unit() - 1.0f);
                v = fromShare<T>(std::max(share, 0.0f));
            }
        }
    }
}

// Square dust specks of the given side at random places, all channels set to
// `share` of white.
template <typename T>
void addSpecks(Image<T>& image, Rng& rng, int count, int32_t side, float share) {
    for (int i = 0; i < count; ++i) {
        const auto top = static_cast<int32_t>(rng.between(0, std::max(image.height() - side, 0)));
        const auto left = static_cast<int32_t>(rng.between(0, std::max(image.width() - side, 0)));
        for (int32_t y = top; y < std::min(top + side, image.height()); ++y) {
            for (int32_t x = left; x < std::min(left + side, image.width()); ++x) {
                image.setPixel(y, x, fromShare<T>(share));
            }
        }
    }
}

// A one-pixel-wide scratch from (y0, x0) to (y1, x1).
template <typename T>
void addScratch(Image<T>& image, int32_t y0, int32_t x0, int32_t y1, int32_t x1, float share) {
    const int32_t steps = std::max(std::abs(y1 - y0), std::abs(x1 - x0));
    for (int32_t i = 0; i <= steps; ++i) {
        const float t = steps == 0 ? 0.0f : static_cast<float>(i) / static_cast<float>(steps);
        const auto y = static_cast<int32_t>(
            std::lround(static_cast<float>(y0) + t * static_cast<float>(y1 - y0)));
        const auto x = static_cast<int32_t>(
            std::lround(static_cast<float>(x0) + t * static_cast<float>(x1 - x0)));
        if (y >= 0 && y < image.height() && x >= 0 && x < image.width()) {
            image.setPixel(y, x, fromShare<T>(share));
        }
    }
}

// Float values no photograph has: NaN, infinities, negatives and values far
// above white, sprinkled over a share of the values.
inline void addExtremeFloats(Image<float>& image, Rng& rng, float share) {
    const float extremes[] = {std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              -0.5f,
                              -0.0f,
                              3.5f,
                              1.0e30f,
                              std::numeric_limits<float>::denorm_min()};
    for (int32_t y = 0; y < image.height(); ++y) {
        for (int32_t x = 0; x < image.width(); ++x) {
            for (int32_t c = 0; c < image.channels(); ++c) {
                if (rng.chance(share)) {
                    image.pixel(y, x)[c] = extremes[rng.between(0, 7)];
                }
            }
        }
    }
}

// A width x height byte plane, row-major without padding.
struct BytePlane {
    BytePlane(int32_t w, int32_t h, uint8_t fill = 0)
        : width(w),
          height(h),
          bytes(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}

    uint8_t& at(int32_t y, int32_t x) {
        return bytes[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(x)];
    }
    uint8_t at(int32_t y, int32_t x) const {
        return bytes[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(x)];
    }

    int32_t width;
    int32_t height;
    std::vector<uint8_t> bytes;
};

// A plane drawn as text, one string per row: '#' (or any other character but
// '.') is 1, '.' is 0.
inline BytePlane planeFromArt(const std::vector<std::string>& rows) {
    BytePlane plane(rows.empty() ? 0 : static_cast<int32_t>(rows[0].size()),
                    static_cast<int32_t>(rows.size()));
    for (int32_t y = 0; y < plane.height; ++y) {
        for (int32_t x = 0; x < plane.width; ++x) {
            plane.at(y, x) =
                rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '.' ? 0 : 1;
        }
    }
    return plane;
}

// Defect planes of many shapes.
enum class DefectShape {
    scattered,   // isolated pixels with probability 0.08
    blobs,       // filled discs of radius 0 to 4
    lines,       // one-pixel lines in all directions, some crossing
    staircase,   // diagonal stripes over a solid lower half
    dense,       // half of all pixels, mostly one big component
    full,        // every pixel
    bigSquares,  // squares of side 20 to 70
};

inline void paintDisc(BytePlane& plane, int32_t cy, int32_t cx, int32_t radius) {
    for (int32_t y = cy - radius; y <= cy + radius; ++y) {
        for (int32_t x = cx - radius; x <= cx + radius; ++x) {
            if (y < 0 || y >= plane.height || x < 0 || x >= plane.width) continue;
            if ((y - cy) * (y - cy) + (x - cx) * (x - cx) <= radius * radius) plane.at(y, x) = 1;
        }
    }
}

inline BytePlane makeDefects(int32_t width, int32_t height, DefectShape shape, Rng& rng) {
    BytePlane plane(width, height);
    if (width <= 0 || height <= 0) return plane;
    const int64_t area = int64_t{width} * height;
    switch (shape) {
        case DefectShape::scattered:
            for (auto& b : plane.bytes) b = rng.chance(0.08f) ? 1 : 0;
            break;
        case DefectShape::blobs:
            for (int64_t i = 0; i < area / 150 + 1; ++i) {
                paintDisc(plane, static_cast<int32_t>(rng.between(0, height - 1)),
                          static_cast<int32_t>(rng.between(0, width - 1)),
                          static_cast<int32_t>(rng.between(0, 4)));
            }
            break;
        case DefectShape::lines:
            for (int64_t i = 0; i < area / 400 + 1; ++i) {
                int32_t y = static_cast<int32_t>(rng.between(0, height - 1));
                int32_t x = static_cast<int32_t>(rng.between(0, width - 1));
                const auto dy = static_cast<int32_t>(rng.between(-1, 1));
                const auto dx = static_cast<int32_t>(rng.between(-1, 1));
                for (int64_t n = rng.between(1, 40); n > 0; --n) {
                    if (y < 0 || y >= height || x < 0 || x >= width) break;
                    plane.at(y, x) = 1;
                    y += dy;
                    x += dx;
                }
            }
            break;
        case DefectShape::staircase:
            for (int32_t y = 0; y < height; ++y) {
                for (int32_t x = 0; x < width; ++x) {
                    plane.at(y, x) = y >= height / 2 || (x - y) % 3 == 0 ? 1 : 0;
                }
            }
            break;
        case DefectShape::dense:
            for (auto& b : plane.bytes) b = rng.chance(0.5f) ? 1 : 0;
            break;
        case DefectShape::full:
            std::fill(plane.bytes.begin(), plane.bytes.end(), uint8_t{1});
            break;
        case DefectShape::bigSquares:
            for (int64_t i = 0; i < area / 20000 + 1; ++i) {
                const auto side = static_cast<int32_t>(rng.between(20, 70));
                const auto top = static_cast<int32_t>(rng.between(0, std::max(height - side, 0)));
                const auto left = static_cast<int32_t>(rng.between(0, std::max(width - side, 0)));
                for (int32_t y = top; y < std::min(top + side, height); ++y) {
                    for (int32_t x = left; x < std::min(left + side, width); ++x)
                        plane.at(y, x) = 1;
                }
            }
            break;
    }
    return plane;
}

// Marking map: mostly neutral 128, with patches of erased (0), strong (255)
// and arbitrary marks.
inline BytePlane makeMarkingMap(int32_t width, int32_t height, Rng& rng) {
    BytePlane map(width, height, 128);
    for (auto& b : map.bytes) {
        const float r = rng.unit();
        if (r < 0.05f)
            b = 0;
        else if (r < 0.10f)
            b = 255;
        else if (r < 0.25f)
            b = static_cast<uint8_t>(rng.between(0, 255));
    }
    return map;
}

// Selection mask: about a fifth of the bytes 0, the rest arbitrary non-zero.
inline BytePlane makeSelection(int32_t width, int32_t height, Rng& rng) {
    BytePlane mask(width, height);
    for (auto& b : mask.bytes) b = rng.chance(0.2f) ? 0 : static_cast<uint8_t>(rng.between(1, 255));
    return mask;
}

}  // namespace nelvo::testing
