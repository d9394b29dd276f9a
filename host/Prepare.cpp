// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cstdint>

#include "host/ImageModes.h"
#include "host/Selectors.h"

namespace nelvo {

namespace {
// The filter run never holds more than one host tile of working data, and
// hosts serve tiles of at most this side.
constexpr int64_t kTileSideEstimate = 512;
}  // namespace

void prepare(FilterRecord& record) {
    record.bufferSpace = 0;
    const VRect& rect = record.bigDocumentData->filterRect32;
    const int64_t width =
        std::clamp<int64_t>(int64_t{rect.right} - rect.left, 0, kTileSideEstimate);
    const int64_t height =
        std::clamp<int64_t>(int64_t{rect.bottom} - rect.top, 0, kTileSideEstimate);
    // Bytes per pixel as the host budgets them: one per input and output
    // channel, one for the defect flags, one for a selection mask.
    const int64_t channels = colourChannels(record.imageMode, record.planes);
    int64_t bytesPerPixel = 2 * channels + 1;
    if (record.maskData != nullptr) bytesPerPixel += 1;
    // Repair's working lists, should every pixel of a tile be flagged: a
    // pending byte, an 8-byte list entry and a slot for the filled values.
    const int64_t sampleBytes = record.depth == 32 ? 4 : record.depth == 16 ? 2 : 1;
    bytesPerPixel += 1 + 8 + channels * sampleBytes;
    const int64_t estimate = bytesPerPixel * width * height;
    if (estimate < record.maxSpace) record.maxSpace = static_cast<int32_t>(estimate);
}

void continueFilter(FilterRecord& record) {
    BigDocumentStruct& big = *record.bigDocumentData;
    big.inRect32 = VRect{0, 0, 0, 0};
    big.outRect32 = VRect{0, 0, 0, 0};
    big.maskRect32 = VRect{0, 0, 0, 0};
}

}  // namespace nelvo
