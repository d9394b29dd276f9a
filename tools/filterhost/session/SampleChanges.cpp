// SPDX-License-Identifier: MIT
#include "session/SampleChanges.h"

#include <algorithm>
#include <cstring>

namespace filterhost {

void SampleChanges::track(std::size_t samples) {
    samples_ = samples;
    bits_.assign((samples + 63) / 64, 0);
}

void SampleChanges::copy(uint8_t* to, const uint8_t* from, std::size_t first, std::size_t count,
                         std::size_t sampleBytes) {
    // A filter changes few samples: whole blocks that compare equal are
    // skipped at the speed of memcmp, and only the others are looked at one
    // sample at a time.
    constexpr std::size_t kBlock = 64;
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(kBlock, count - done);
        const std::size_t offset = done * sampleBytes;
        if (std::memcmp(to + offset, from + offset, n * sampleBytes) != 0) {
            for (std::size_t i = 0; i < n; ++i) {
                const std::size_t at = offset + i * sampleBytes;
                if (std::memcmp(to + at, from + at, sampleBytes) != 0) mark(first + done + i);
            }
            std::memcpy(to + offset, from + offset, n * sampleBytes);
        }
        done += n;
    }
}

uint64_t SampleChanges::changedPixels(std::size_t planes) const {
    if (planes == 0) return 0;
    uint64_t count = 0;
    // The pixel after the last one counted, so that a pixel whose samples
    // span two words is counted once.
    std::size_t next = 0;
    for (std::size_t w = 0; w < bits_.size(); ++w) {
        uint64_t word = bits_[w];
        while (word != 0) {
            const auto bit = static_cast<std::size_t>(__builtin_ctzll(word));
            const std::size_t pixel = (w * 64 + bit) / planes;
            if (pixel >= next) {
                ++count;
                next = pixel + 1;
            }
            word &= word - 1;
        }
    }
    return count;
}

}  // namespace filterhost
