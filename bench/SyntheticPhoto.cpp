// SPDX-License-Identifier: MIT
#include "bench/SyntheticPhoto.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <type_traits>

#include <tbb/parallel_for.h>

namespace nelvo::bench {

namespace {

// A stateless integer hash: the same noise for the same coordinates.
uint32_t hash(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h =
        a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

// Uniform in [-0.5, 0.5).
float noise(uint32_t a, uint32_t b, uint32_t c) {
    return static_cast<float>(hash(a, b, c) >> 8) / 16777216.0f - 0.5f;
}

class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    // Uniform in [0, 1).
    float unit() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<float>(state_ >> 40) / 16777216.0f;
    }
    float between(float lo, float hi) { return lo + (hi - lo) * unit(); }

  private:
    uint64_t state_;
};

// Soft shapes of the scene: discs with blurred edges, each tinting the
// channels its own way.
struct Blob {
    float cy, cx, radius, softness;
    float tint[3];
};

float smoothstep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Paints a defect of `value` over the channels, covering `cover` (0..1).
void paint(Photo& photo, int32_t y, int32_t x, float value, float cover) {
    if (y < 0 || x < 0 || y >= photo.height || x >= photo.width) return;
    float* p =
        photo.values.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(photo.width) +
                               static_cast<std::size_t>(x)) *
                                  3;
    for (int c = 0; c < 3; ++c) p[c] = p[c] + (value - p[c]) * cover;
}

void addSpeck(Photo& photo, Random& random, float value) {
    const float cy = random.between(0.0f, static_cast<float>(photo.height));
    const float cx = random.between(0.0f, static_cast<float>(photo.width));
    const float radius = random.between(0.6f, 4.0f);
    const auto reach = static_cast<int32_t>(radius) + 2;
    const uint32_t shape = static_cast<uint32_t>(random.unit() * 1e6f);
    for (int32_t y = static_cast<int32_t>(cy) - reach; y <= static_cast<int32_t>(cy) + reach; ++y) {
        for (int32_t x = static_cast<int32_t>(cx) - reach; x <= static_cast<int32_t>(cx) + reach;
             ++x) {
            const float dy = static_cast<float>(y) + 0.5f - cy;
            const float dx = static_cast<float>(x) + 0.5f - cx;
            // Ragged outline: the radius varies with the direction.
            const float angle = std::atan2(dy, dx);
            const float edge =
                radius *
                (0.8f + 0.35f * noise(shape, static_cast<uint32_t>((angle + 4.0f) * 3.0f), 7));
            const float distance = std::sqrt(dy * dy + dx * dx);
            const float cover = 1.0f - smoothstep(edge - 0.7f, edge + 0.7f, distance);
            if (cover > 0.0f) paint(photo, y, x, value, cover * 0.9f);
        }
    }
}

// A curve of the given width walked in small steps with a slowly turning
// heading: hairs curl, scratches run nearly straight.
void addLine(Photo& photo, Random& random, float value, float length, float turn, float width,
             float heading) {
    float y = random.between(0.0f, static_cast<float>(photo.height));
    float x = random.between(0.0f, static_cast<float>(photo.width));
    float bend = 0.0f;
    for (float walked = 0.0f; walked < length; walked += 0.5f) {
        bend += random.between(-turn, turn);
        bend *= 0.98f;
        heading += bend;
        y += 0.5f * std::sin(heading);
        x += 0.5f * std::cos(heading);
        const auto reach = static_cast<int32_t>(width) + 1;
        for (int32_t py = static_cast<int32_t>(y) - reach; py <= static_cast<int32_t>(y) + reach;
             ++py) {
            for (int32_t px = static_cast<int32_t>(x) - reach;
                 px <= static_cast<int32_t>(x) + reach; ++px) {
                const float dy = static_cast<float>(py) + 0.5f - y;
                const float dx = static_cast<float>(px) + 0.5f - x;
                const float distance = std::sqrt(dy * dy + dx * dx);
                const float cover =
                    1.0f - smoothstep(width * 0.5f - 0.4f, width * 0.5f + 0.6f, distance);
                // Overlapping steps cover a pixel only as much as its
                // strongest step does.
                if (cover > 0.05f) paint(photo, py, px, value, cover * 0.35f);
            }
        }
    }
}

}  // namespace

Photo makePhoto(int32_t width, int32_t height) {
    Photo photo;
    photo.width = width;
    photo.height = height;
    photo.values.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);

    Random random(2024);
    std::vector<Blob> blobs(40);
    const float side = static_cast<float>(std::max(width, height));
    for (Blob& blob : blobs) {
        blob.cy = random.between(0.0f, static_cast<float>(height));
        blob.cx = random.between(0.0f, static_cast<float>(width));
        blob.radius = random.between(0.02f, 0.2f) * side;
        blob.softness = random.between(0.05f, 0.5f) * blob.radius;
        for (float& t : blob.tint) t = random.between(-0.25f, 0.25f);
    }

    // Scene and grain, row-parallel. The grain is film-like: a fine
    // component per pixel and a coarser one shared by 2 x 2 clumps, strongest
    // in the mid-tones.
    tbb::parallel_for(0, height, [&](int32_t y) {
        float* row =
            photo.values.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3;
        const float fy = static_cast<float>(y) / static_cast<float>(height);
        for (int32_t x = 0; x < width; ++x) {
            const float fx = static_cast<float>(x) / static_cast<float>(width);
            float base[3] = {0.35f + 0.25f * fy + 0.1f * std::sin(6.0f * fx),
                             0.40f + 0.15f * std::cos(4.0f * fx + 2.0f * fy),
                             0.55f - 0.3f * fy + 0.05f * std::sin(9.0f * fy)};
            for (const Blob& blob : blobs) {
                const float dy = static_cast<float>(y) - blob.cy;
                const float dx = static_cast<float>(x) - blob.cx;
                if (std::fabs(dy) > blob.radius + blob.softness ||
                    std::fabs(dx) > blob.radius + blob.softness) {
                    continue;
                }
                const float inside =
                    1.0f - smoothstep(blob.radius - blob.softness, blob.radius + blob.softness,
                                      std::sqrt(dy * dy + dx * dx));
                for (int c = 0; c < 3; ++c) base[c] += blob.tint[c] * inside;
            }
            const auto ux = static_cast<uint32_t>(x);
            const auto uy = static_cast<uint32_t>(y);
            const float clump = noise(ux / 2, uy / 2, 1);
            for (int c = 0; c < 3; ++c) {
                const float v = std::clamp(base[c], 0.02f, 0.98f);
                const float strength = 0.012f + 0.05f * v * (1.0f - v);
                const float grain =
                    strength * (0.7f * noise(ux, uy, 2 + static_cast<uint32_t>(c)) + 0.8f * clump);
                row[static_cast<std::size_t>(x) * 3 + static_cast<std::size_t>(c)] =
                    std::clamp(v + grain, 0.0f, 1.0f);
            }
        }
    });

    // Defects, sequential so that their order is fixed. Counts scale with
    // the area: about 1200 specks, 150 hairs and 8 scratches at 24 MP.
    const double area = static_cast<double>(width) * static_cast<double>(height) / 24.0e6;
    const auto specks = static_cast<int>(1200 * area) + 4;
    for (int i = 0; i < specks; ++i) {
        addSpeck(photo, random,
                 random.unit() < 0.7f ? random.between(0.0f, 0.12f) : random.between(0.88f, 1.0f));
    }
    const auto hairs = static_cast<int>(150 * area) + 2;
    for (int i = 0; i < hairs; ++i) {
        addLine(photo, random, random.between(0.0f, 0.1f), random.between(40.0f, 400.0f), 0.01f,
                random.between(1.0f, 2.2f), random.between(0.0f, 6.283f));
    }
    const auto scratches = static_cast<int>(8 * area) + 1;
    for (int i = 0; i < scratches; ++i) {
        addLine(photo, random, random.unit() < 0.5f ? 0.95f : 0.05f,
                random.between(0.1f, 0.9f) * static_cast<float>(height), 0.0005f, 1.0f,
                1.5708f + random.between(-0.05f, 0.05f));
    }
    return photo;
}

template <typename T>
std::vector<T> toPixels(const Photo& photo) {
    std::vector<T> pixels(photo.values.size());
    tbb::parallel_for(std::size_t{0}, pixels.size(), [&](std::size_t i) {
        const float v = photo.values[i];
        if constexpr (std::is_same_v<T, float>) {
            pixels[i] = v;
        } else if constexpr (std::is_same_v<T, uint16_t>) {
            pixels[i] = static_cast<uint16_t>(v * 32768.0f + 0.5f);
        } else {
            pixels[i] = static_cast<uint8_t>(v * 255.0f + 0.5f);
        }
    });
    return pixels;
}

template std::vector<uint8_t> toPixels<uint8_t>(const Photo&);
template std::vector<uint16_t> toPixels<uint16_t>(const Photo&);
template std::vector<float> toPixels<float>(const Photo&);

}  // namespace nelvo::bench
