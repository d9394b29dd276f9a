// SPDX-License-Identifier: MIT
// A GIMP drawable as the host's document and back, through GEGL buffers.
//
// Integer precisions are read in the perceptual encoding at their own depth
// (8 or 16 bits), the samples a file of that depth holds, so that a result
// equals `filterhost run` on the same file; linear-light 8/16-bit images are
// filtered in that encoding too. Float precisions (half, float, double, 32-bit
// integer) are read as 32-bit float samples in the image's own encoding,
// linear light staying linear, as a float TIFF holds them. Only the samples
// the filter changed (the document's change record) are written back, turned
// into the drawable's own format, so every other sample, alpha included,
// stays bit for bit as it was, whatever the precision. The selection becomes
// the host's mask, its bounds the filter rectangle; GIMP blends feathered
// edges when it merges the shadow buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "session/Document.h"

namespace filterhost::gimp {

struct DrawableDocument {
    Document document;
    int32_t drawable = -1;
    std::string format;           // the babl format the document is read in
    int32_t samplesPerPixel = 0;  // colour samples and alpha
    std::vector<uint8_t> alpha;   // the alpha samples as read, in `format`'s type
    // 16-bit: one bit per colour sample, set where the value read is the one
    // of the two values a host value stands for that fileFrom16 does not give.
    std::vector<uint64_t> second;

    std::size_t pixelBytes() const {
        return static_cast<std::size_t>(samplesPerPixel) * document.sampleBytes();
    }
    // `count` pixels from pixel index `first` on, in `format`, into the
    // document and the extras, and back.
    void split(const uint8_t* from, std::size_t first, std::size_t count);
    void join(uint8_t* to, std::size_t first, std::size_t count) const;
};

// Throws std::runtime_error for an indexed drawable or one the filter has no
// mode for. `useSelection` false filters the whole drawable.
DrawableDocument readDrawable(int32_t image, int32_t drawable, bool useSelection);

// Writes the filter rectangle to the drawable's shadow buffer, every sample
// the filter left alone as it was read, merges it as one undo step and
// updates that area.
void writeDrawable(const DrawableDocument& source);

}  // namespace filterhost::gimp
