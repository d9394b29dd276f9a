// SPDX-License-Identifier: MIT
#include "engine/reference/ReferenceEngine.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <type_traits>

namespace nelvo::reference {

namespace {

template <typename T>
float maxValue() {
    if constexpr (std::is_same_v<T, unsigned char>) return 255.0f;
    if constexpr (std::is_same_v<T, unsigned short>) return 32768.0f;
    return 1.0f;
}

template <typename T>
const T* pixelAt(const void* data, int32_t rowBytes, int32_t columnBytes, int32_t y, int32_t x) {
    const char* row = static_cast<const char*>(data) + static_cast<std::ptrdiff_t>(y) * rowBytes;
    const std::ptrdiff_t step = columnBytes / static_cast<int32_t>(sizeof(T));
    return reinterpret_cast<const T*>(row) + x * step;
}

// Float sources: NaN and negatives count as 0, anything above 1e6 (infinity
// included) as 1e6.
float safe(float v) {
    if (std::isnan(v) || v <= 0.0f) return 0.0f;
    if (v > 1.0e6f) return 1.0e6f;
    return v;
}

template <typename T>
T grey(const T* c, int32_t channels, int32_t model) {
    if (model == 2 && channels >= 4) {
        float p[4];
        for (int i = 0; i < 4; ++i) {
            if constexpr (std::is_same_v<T, unsigned char>) {
                p[i] = static_cast<float>(c[i]) / 255.0f;
            } else if constexpr (std::is_same_v<T, unsigned short>) {
                p[i] = static_cast<float>(c[i]) * (1.0f / 32768.0f);
            } else {
                p[i] = safe(c[i]);
            }
        }
        float ink = ((p[1] + p[0]) + p[2]) * p[3] / 3.0f;
        if constexpr (std::is_same_v<T, float>) {
            if (ink < 0.0f) ink = 0.0f;
            if (ink > 1.0f) ink = 1.0f;
            return ink;
        } else {
            if (ink < 0.0f) return 0;
            if (ink > 1.0f) return static_cast<T>(maxValue<T>());
            return static_cast<T>(ink * maxValue<T>());
        }
    }
    if (model == 3) {
        if constexpr (std::is_same_v<T, float>) {
            return safe(c[0]);
        } else {
            return c[0];
        }
    }
    float sum = 0.0f;
    for (int32_t i = 0; i < channels; ++i) {
        if constexpr (std::is_same_v<T, float>) {
            sum = sum + std::pow(safe(c[i]), 5.0f / 9.0f);
        } else {
            sum = sum + static_cast<float>(c[i]);
        }
    }
    return static_cast<T>(sum / static_cast<float>(channels));
}

VRect clipRect(int64_t t, int64_t l, int64_t b, int64_t r, int32_t w, int32_t h) {
    if (r < 0 || w < l || b < 0 || h < t) return VRect{0, 0, 0, 0};
    return VRect{static_cast<int32_t>(std::max<int64_t>(t, 0)),
                 static_cast<int32_t>(std::max<int64_t>(l, 0)),
                 static_cast<int32_t>(std::min<int64_t>(b, h)),
                 static_cast<int32_t>(std::min<int64_t>(r, w))};
}

int32_t clampTo(int64_t v, int32_t size) {
    if (v < 0) return 0;
    if (v > size - 1) return size - 1;
    return static_cast<int32_t>(v);
}

}  // namespace

template <typename T>
Plane<T> greyPlane(const void* data, int32_t rowBytes, int32_t columnBytes, int32_t width,
                   int32_t height, int32_t channels, int32_t colourModel) {
    Plane<T> out(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            out.at(y, x) =
                grey(pixelAt<T>(data, rowBytes, columnBytes, y, x), channels, colourModel);
        }
    }
    return out;
}

template <typename T>
DetectRegions detect(const Plane<T>& grey, Plane<T>& median, Plane<float>& contrast,
                     const EngineSettings& settings, const VRect& clip, int32_t mapWidth,
                     const VRect& tile, int64_t mapOffset, bool tiled) {
    const int32_t W = std::min(tile.right - tile.left, grey.width);
    const int32_t H = std::min(tile.bottom - tile.top, grey.height);
    const int64_t ts = std::max(settings.tileSize, 1);

    const VRect R = tiled ? clip : tile;
    int64_t dy = 0;
    int64_t dx = 0;
    if (tiled && mapWidth > 0) {
        dy = mapOffset / mapWidth;
        dx = mapOffset % mapWidth;
    }

    DetectRegions regions;
    const VRect A =
        clipRect(R.top - ts - dy, R.left - ts - dx, R.bottom + ts - dy, R.right + ts - dx, W, H);
    regions.median = A;
    for (int32_t y = A.top; y < A.bottom; ++y) {
        for (int32_t x = A.left; x < A.right; ++x) {
            T v[9];
            int n = 0;
            const int64_t rows[3] = {y - ts, y, y + ts};
            const int64_t cols[3] = {x - ts, x, x + ts};
            for (int64_t ry : rows) {
                for (int64_t cx : cols) {
                    v[n++] = grey.at(clampTo(ry, H), clampTo(cx, W));
                }
            }
            for (int i = 0; i <= 4; ++i) {
                int smallest = i;
                for (int j = i; j < 9; ++j) {
                    if (v[j] < v[smallest]) smallest = j;
                }
                const T swap = v[i];
                v[i] = v[smallest];
                v[smallest] = swap;
            }
            median.at(y, x) = v[4];
        }
    }

    const VRect B = clipRect(R.top - dy, R.left - dx, R.bottom - dy, R.right - dx, W, H);
    regions.contrast = B;
    const bool dark = settings.darkDefects;
    const bool bright = settings.brightDefects;
    float threshold;
    // The deviation term's denominator floor: one grey level squared on the
    // type's scale for the integer types, one 8-bit level squared for float.
    float floor = 1.0f;
    if constexpr (std::is_same_v<T, unsigned char>) {
        threshold = 2.0f;
    } else if constexpr (std::is_same_v<T, unsigned short>) {
        threshold = 514.0f;
    } else {
        threshold = 2.0f / 255.0f;
        floor = 1.0f / (255.0f * 255.0f);
    }
    for (int32_t y = B.top; y < B.bottom; ++y) {
        for (int32_t x = B.left; x < B.right; ++x) {
            const T g = grey.at(y, x);
            const T m = median.at(y, x);
            if ((dark && !bright && g >= m) || (bright && !dark && m >= g)) {
                contrast.at(y, x) = 0.0f;
                continue;
            }
            float d;
            if constexpr (std::is_same_v<T, float>) {
                d = std::fabs(g - m);
            } else {
                d = static_cast<float>(std::abs(static_cast<int>(g) - static_cast<int>(m)));
            }
            float cd = 0.0f;
            if (d >= threshold) {
                const int64_t r = std::min<int64_t>(ts, 20);
                float n = 0.0f;
                float meanG = 0.0f, m2G = 0.0f, meanM = 0.0f, m2M = 0.0f;
                for (int64_t wy = y - r; wy <= y + r; ++wy) {
                    for (int64_t wx = x - r; wx <= x + r; ++wx) {
                        const int32_t cy = clampTo(wy, H);
                        const int32_t cx = clampTo(wx, W);
                        n = n + 1.0f;
                        const float vg = static_cast<float>(grey.at(cy, cx));
                        const float deltaG = vg - meanG;
                        meanG = meanG + deltaG / n;
                        m2G = m2G + (vg - meanG) * deltaG;
                        const float vm = static_cast<float>(median.at(cy, cx));
                        const float deltaM = vm - meanM;
                        meanM = meanM + deltaM / n;
                        m2M = m2M + (vm - meanM) * deltaM;
                    }
                }
                const float varG = m2G / n;
                const float varM = m2M / n;
                const float diff = std::sqrt(varG) - std::sqrt(varM);
                cd = diff * diff / (varG + varM + floor);
            }
            float rating;
            if constexpr (std::is_same_v<T, unsigned char>) {
                rating = (0.75f * cd * 255.0f + 0.25f * d) / 255.0f;
            } else if constexpr (std::is_same_v<T, unsigned short>) {
                rating = (0.75f * cd * 32768.0f + 0.25f * d) * (1.0f / 32768.0f);
            } else {
                rating = 0.75f * cd + 0.25f * d;
            }
            if (rating < 0.0f) rating = 0.0f;
            if (rating > 1.0f) rating = 1.0f;
            contrast.at(y, x) = rating;
        }
    }
    return regions;
}

float markThreshold(int32_t detectionIntensity, uint8_t markByte) {
    const float k = static_cast<float>(detectionIntensity) / 20.0f;
    float h = static_cast<float>(markByte) / 255.0f;
    h = h + h;
    h = h - 1.0f;
    const float v = h < 0.0f ? k * h + k : (1.0f - k) * h + k;
    return 1.0f - v;
}

Plane<uint8_t> markDefects(const Plane<float>& contrast, const uint8_t* selection,
                           int32_t selectionRowBytes, int64_t mapOffset, int32_t detectionIntensity,
                           const uint8_t* markingMap, int32_t mapWidth) {
    Plane<uint8_t> defects(contrast.width, contrast.height);
    for (int32_t y = 0; y < contrast.height; ++y) {
        for (int32_t x = 0; x < contrast.width; ++x) {
            if (selection != nullptr &&
                selection[static_cast<int64_t>(y) * selectionRowBytes + x] == 0) {
                defects.at(y, x) = 0;
                continue;
            }
            const uint8_t b = markingMap == nullptr
                                  ? uint8_t{128}
                                  : markingMap[mapOffset + static_cast<int64_t>(y) * mapWidth + x];
            defects.at(y, x) = contrast.at(y, x) > markThreshold(detectionIntensity, b) ? 1 : 0;
        }
    }
    return defects;
}

int64_t minimumSpeckSize(int32_t tileSize) {
    const int64_t side = 2 * static_cast<int64_t>(std::max(tileSize, 1)) + 1;
    return side - static_cast<int64_t>(static_cast<float>(side) * 80.0f / 100.0f);
}

namespace {

struct Node {
    Node* parent;
    uint32_t label;
    uint32_t count;
};

}  // namespace

void removeSpecks(Plane<uint8_t>& defects, int32_t tileSize, LabellingStats* stats) {
    const int32_t W = defects.width;
    const int32_t H = defects.height;
    Plane<uint32_t> labels(W, H);
    std::vector<std::unique_ptr<Node>> owned;
    std::vector<Node*> nodes;
    uint64_t steps = 0;
    const auto newNode = [&]() {
        owned.push_back(std::make_unique<Node>());
        Node* node = owned.back().get();
        node->parent = node;
        node->label = static_cast<uint32_t>(nodes.size());
        node->count = 0;
        nodes.push_back(node);
    };
    const auto rootOf = [&](Node* node) {
        while (node->parent != node) {
            node = node->parent;
            ++steps;
        }
        return node;
    };
    newNode();

    for (int32_t y = 0; y < H; ++y) {
        for (int32_t x = 0; x < W; ++x) {
            if (defects.at(y, x) == 0) {
                labels.at(y, x) = 0;
                continue;
            }
            uint32_t collected[4];
            int n = 0;
            const auto collect = [&](int32_t ny, int32_t nx) {
                if (ny < 0 || nx < 0 || nx >= W) return;
                if (labels.at(ny, nx) != 0) collected[n++] = labels.at(ny, nx);
            };
            collect(y, x - 1);
            collect(y - 1, x);
            collect(y - 1, x - 1);
            collect(y - 1, x + 1);
            uint32_t label;
            if (n == 0) {
                label = static_cast<uint32_t>(nodes.size());
                newNode();
            } else {
                label = collected[0];
                for (int i = 1; i < n; ++i) label = std::min(label, collected[i]);
                for (int i = 0; i < n; ++i) {
                    if (collected[i] == label) continue;
                    Node* lRoot = rootOf(nodes[collected[i]]);
                    Node* minRoot = rootOf(nodes[label]);
                    lRoot->parent = minRoot;
                }
            }
            labels.at(y, x) = label;
            nodes[label]->count += 1;
        }
    }

    std::vector<uint32_t> rootTable;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        Node* r = rootOf(nodes[i]);
        rootTable.push_back(r->label);
        if (r != nodes[i]) r->count += nodes[i]->count;
    }

    const int64_t minSize = minimumSpeckSize(tileSize);
    for (int32_t y = 0; y < H; ++y) {
        for (int32_t x = 0; x < W; ++x) {
            if (defects.at(y, x) != 0 &&
                nodes[rootTable[labels.at(y, x)]]->count <= static_cast<uint64_t>(minSize)) {
                defects.at(y, x) = 0;
            }
        }
    }
    if (stats != nullptr) {
        stats->nodes = nodes.size();
        stats->parentSteps = steps;
    }
}

template <typename T>
void dissolveDefects(const Plane<uint8_t>& defects, void* data, int32_t rowBytes,
                     int32_t columnBytes, int32_t channels) {
    const int32_t W = defects.width;
    const int32_t H = defects.height;
    // Bit 7: still a defect after this pass; bit 6: pending; bits 0-5: count.
    Plane<uint8_t> work(W, H);
    for (int32_t y = 0; y < H; ++y) {
        for (int32_t x = 0; x < W; ++x) {
            work.at(y, x) = defects.at(y, x) != 0 ? 0x40 : 0;
        }
    }
    const auto pixel = [&](int32_t y, int32_t x) {
        return const_cast<T*>(pixelAt<T>(data, rowBytes, columnBytes, y, x));
    };
    // An intact float pixel with a value that is not finite or beyond 65504
    // (the half-float range) is never a source; a defect is, once filled.
    Plane<uint8_t> unusable(W, H);
    if constexpr (std::is_same_v<T, float>) {
        for (int32_t y = 0; y < H; ++y) {
            for (int32_t x = 0; x < W; ++x) {
                const T* p = pixel(y, x);
                if (defects.at(y, x) != 0) continue;
                for (int32_t c = 0; c < channels; ++c) {
                    if (!std::isfinite(p[c]) || std::fabs(p[c]) > 65504.0f) unusable.at(y, x) = 1;
                }
            }
        }
    }
    const auto isSource = [&](int32_t y, int32_t x) {
        return (work.at(y, x) & 0x40) == 0 && unusable.at(y, x) == 0;
    };
    const int weights[4] = {0, 9, 4, 1};

    int pass = 0;
    int64_t pending;
    do {
        pending = 0;
        pass = pass + 1;
        for (int32_t y = 0; y < H; ++y) {
            for (int32_t x = 0; x < W; ++x) {
                uint8_t& b = work.at(y, x);
                if ((b & 0x40) == 0) {
                    b = static_cast<uint8_t>(b & ~0x3F);
                } else {
                    int count = 0;
                    for (int dy = -3; dy <= 3; ++dy) {
                        for (int dx = -3; dx <= 3; ++dx) {
                            if (dy == 0 && dx == 0) continue;
                            const int32_t ny = y + dy;
                            const int32_t nx = x + dx;
                            if (ny < 0 || ny >= H || nx < 0 || nx >= W) continue;
                            if (isSource(ny, nx)) ++count;
                        }
                    }
                    b = static_cast<uint8_t>((b & ~0x3F) | count);
                    pending = pending + 1;
                }
                b = static_cast<uint8_t>((b & 0x40) != 0 ? (b | 0x80) : (b & ~0x80));
            }
        }
        for (int k = 48; k >= 1; --k) {
            for (int32_t y = 0; y < H; ++y) {
                for (int32_t x = 0; x < W; ++x) {
                    if ((work.at(y, x) & 0x3F) != k) continue;
                    std::vector<float> acc(static_cast<std::size_t>(channels), 0.0f);
                    int wsum = 0;
                    for (int dy = -3; dy <= 3; ++dy) {
                        for (int dx = -3; dx <= 3; ++dx) {
                            const int32_t ny = y + dy;
                            const int32_t nx = x + dx;
                            if (ny < 0 || ny >= H || nx < 0 || nx >= W) continue;
                            if (!isSource(ny, nx)) continue;
                            const int w = weights[std::max(std::abs(dy), std::abs(dx))];
                            wsum = wsum + w;
                            const T* s = pixel(ny, nx);
                            for (int32_t c = 0; c < channels; ++c) {
                                acc[static_cast<std::size_t>(c)] =
                                    acc[static_cast<std::size_t>(c)] +
                                    static_cast<float>(w) * static_cast<float>(s[c]);
                            }
                        }
                    }
                    T* p = pixel(y, x);
                    for (int32_t c = 0; c < channels; ++c) {
                        p[c] = static_cast<T>(acc[static_cast<std::size_t>(c)] /
                                              static_cast<float>(wsum));
                    }
                    work.at(y, x) = static_cast<uint8_t>(work.at(y, x) & ~0x80);
                    pending = pending - 1;
                }
            }
        }
        for (int32_t y = 0; y < H; ++y) {
            for (int32_t x = 0; x < W; ++x) {
                uint8_t& b = work.at(y, x);
                b = static_cast<uint8_t>((b & 0x80) != 0 ? (b | 0x40) : (b & ~0x40));
            }
        }
    } while (pending > 0 && pass < 10);
}

#define REFERENCE_INSTANTIATE(T)                                                                 \
    template Plane<T> greyPlane<T>(const void*, int32_t, int32_t, int32_t, int32_t, int32_t,     \
                                   int32_t);                                                     \
    template DetectRegions detect<T>(const Plane<T>&, Plane<T>&, Plane<float>&,                  \
                                     const EngineSettings&, const VRect&, int32_t, const VRect&, \
                                     int64_t, bool);                                             \
    template void dissolveDefects<T>(const Plane<uint8_t>&, void*, int32_t, int32_t, int32_t);

REFERENCE_INSTANTIATE(unsigned char)
REFERENCE_INSTANTIATE(unsigned short)
REFERENCE_INSTANTIATE(float)

}  // namespace nelvo::reference
