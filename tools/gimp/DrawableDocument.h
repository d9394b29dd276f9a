// SPDX-License-Identifier: MIT
// A GIMP drawable as the host's document and back, through GEGL buffers.
//
// Integer precisions are read in the perceptual encoding at their own depth
// (8 or 16 bits), the samples a file of that depth holds, so that a result
// equals `filterhost run` on the same file. Float precisions (half, float,
// double, 32-bit integer) are read as 32-bit float samples in the image's own
// encoding, linear light staying linear, as a float TIFF holds them. Alpha is
// kept aside and written back untouched; the selection becomes the host's
// mask, its bounds the filter rectangle.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "session/Document.h"

namespace filterhost::gimp {

struct DrawableDocument {
    Document document;
    int32_t drawable = -1;
    std::string format;           // the babl format read and written
    int32_t samplesPerPixel = 0;  // colour samples and alpha
    std::vector<uint8_t> read;    // the drawable as read, in `format`
};

// Throws std::runtime_error for an indexed drawable or one the filter has no
// mode for. `useSelection` false filters the whole drawable.
DrawableDocument readDrawable(int32_t image, int32_t drawable, bool useSelection);

// Writes the filtered document to the drawable's shadow buffer, merges it as
// one undo step and updates the filtered area. 16-bit samples the filter left
// alone get back the exact value read. The samples as read are overwritten.
void writeDrawable(DrawableDocument& source);

}  // namespace filterhost::gimp
