// SPDX-License-Identifier: MIT
// The preview's 8-bit display copies: host samples of 8, 16 and 32 bits per channel to
// interleaved bytes, the 8-bit display mode of each host image mode, and the marker
// colour painted over defect pixels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nelvo {

// The host's 16-bit range is 0..32768: v * 2 / 257 truncated maps 32768 to 255 and 16384
// to 127. Values above 32768 (not a valid host sample) give 255 instead of wrapping.
constexpr std::uint8_t sample16To8(std::uint16_t v) {
    const unsigned scaled = v * 2u / 257u;
    return static_cast<std::uint8_t>(scaled > 255u ? 255u : scaled);
}

// 32-bit float samples, white at 1.0: clamped to 0..1, times 255, rounded to nearest.
// NaN gives 0.
std::uint8_t sampleFloatTo8(float v);

// Where loadSource reads: the host's input buffer and its layout.
struct SourceLayout {
    const void* data;
    std::ptrdiff_t rowBytes;
    std::ptrdiff_t columnBytes;
    int depth;  // bits per channel: 8, 16 or 32
    int channels;
    int width, height;
};

// Appends channels x width x height bytes to `destination`, row by row, pixel by pixel,
// channel by channel. Unknown depths leave `destination` unwritten.
void loadSource(const SourceLayout& source, std::uint8_t* destination);

// The 8-bit image mode handed to the host's display routine for a host image mode.
int displayModeFor(int imageMode);

// A marker colour word 0x00BBGGRR as the 32-bit surface stores it: 0x00RRGGBB.
constexpr std::uint32_t markerToSurface(std::uint32_t colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

// Writes markerToSurface(colour) into every pixel whose map byte is not 0.
void paintDefects(std::uint32_t* pixels, const std::uint8_t* defectMap, std::size_t count,
                  std::uint32_t colour);

}  // namespace nelvo
