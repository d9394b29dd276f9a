// SPDX-License-Identifier: MIT
#include "cli/PixelChanges.h"

#include <cstdio>
#include <cstring>

namespace filterhost {

uint64_t countChangedPixels(std::span<const uint8_t> before, std::span<const uint8_t> after,
                            std::size_t pixelBytes, std::vector<uint8_t>* mask) {
    const std::size_t pixels =
        pixelBytes == 0 ? 0 : std::min(before.size(), after.size()) / pixelBytes;
    if (mask != nullptr) mask->assign(pixels, 0);
    uint64_t changed = 0;
    // Most of a cleaned picture is unchanged: blocks of pixels that agree are
    // passed over with one comparison.
    constexpr std::size_t kBlock = 256;
    for (std::size_t p = 0; p < pixels; ++p) {
        if (p % kBlock == 0 && p + kBlock <= pixels &&
            std::memcmp(before.data() + p * pixelBytes, after.data() + p * pixelBytes,
                        kBlock * pixelBytes) == 0) {
            p += kBlock - 1;
            continue;
        }
        if (std::memcmp(before.data() + p * pixelBytes, after.data() + p * pixelBytes,
                        pixelBytes) == 0)
            continue;
        ++changed;
        if (mask != nullptr) (*mask)[p] = 255;
    }
    return changed;
}

std::string describeChanges(uint64_t changed, uint64_t total) {
    const double share =
        total == 0 ? 0.0 : 100.0 * static_cast<double>(changed) / static_cast<double>(total);
    char text[96];
    std::snprintf(text, sizeof text, "%llu of %llu pixels changed (%.2f %%)",
                  static_cast<unsigned long long>(changed), static_cast<unsigned long long>(total),
                  share);
    return text;
}

}  // namespace filterhost
