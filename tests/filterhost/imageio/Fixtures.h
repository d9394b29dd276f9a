// SPDX-License-Identifier: MIT
// Documents and files for the image file tests. Files that the readers are
// tested on are written with libtiff, libpng and libjpeg directly, so that a
// fault shared by our reader and writer cannot hide itself.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "imageio/ImageFiles.h"

namespace imageio_test {

namespace fs = std::filesystem;
using filterhost::Document;
using filterhost::ImageFile;
using filterhost::ImageFileDetails;

// A document with a deterministic pattern that includes each depth's extremes
// (0 and the maximum; negative and above-white values in float). `smooth`
// gives a gentle gradient instead, for lossy formats.
Document patternDocument(int16_t mode, int32_t depth, int16_t planes, int32_t width, int32_t height,
                         bool smooth = false);

template <typename T, typename Bytes>
T sample(const Bytes& bytes, std::size_t index) {
    T value;
    std::memcpy(&value, bytes.data() + index * sizeof(T), sizeof(T));
    return value;
}

template <typename T, typename Bytes>
void setSample(Bytes& bytes, std::size_t index, T value) {
    std::memcpy(bytes.data() + index * sizeof(T), &value, sizeof(T));
}

// Packs values into native-order samples of `bits` bits (8, 16, or 32 float).
std::vector<uint8_t> packSamples(const std::vector<double>& values, int bits);

std::vector<uint8_t> readBytes(const fs::path& path);
void writeBytes(const fs::path& path, const std::vector<uint8_t>& bytes);

// Names in a folder, to check that nothing was left behind.
std::vector<std::string> folderEntries(const fs::path& folder);

// A TIFF written with libtiff from interleaved native-order samples.
struct TiffFileLayout {
    uint32_t width = 1;
    uint32_t height = 1;
    uint16_t bits = 8;
    uint16_t samplesPerPixel = 1;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t predictor = PREDICTOR_NONE;
    uint32_t tileWidth = 0;  // 0: strips
    uint32_t tileLength = 0;
    uint32_t rowsPerStrip = 0;  // 0: libtiff's default
    std::vector<uint16_t> extraKinds;
    std::vector<uint16_t> colourMap;  // palette: 3 × 2^bits entries
};
void writeTiffFile(const fs::path& path, const TiffFileLayout& spec,
                   const std::vector<uint8_t>& samples);

// What a TIFF file says about its storage, and its samples (contiguous files
// only, native order), read with libtiff.
struct TiffTags {
    uint16_t compression = 0;
    uint16_t photometric = 0;
    uint16_t planar = 0;
    uint16_t bits = 0;
    uint16_t samplesPerPixel = 0;
    uint16_t predictor = 0;
    uint32_t tileWidth = 0;
    uint32_t tileLength = 0;
};
TiffTags readTiffTags(const fs::path& path);
std::vector<uint8_t> readTiffSamples(const fs::path& path);

// A PNG written with libpng from packed rows (rowBytes each, big-endian at 16
// bits, as stored in the file).
struct PngFileLayout {
    uint32_t width = 1;
    uint32_t height = 1;
    int bits = 8;
    int colourType = 0;  // PNG_COLOR_TYPE_...
    bool interlaced = false;
    std::vector<uint8_t> palette;       // RGB triples
    std::vector<uint8_t> transparency;  // tRNS: alpha per palette entry
};
void writePngFile(const fs::path& path, const PngFileLayout& spec,
                  const std::vector<uint8_t>& rows);

// The 16-bit samples of a PNG file, read with libpng.
std::vector<uint16_t> readPng16(const fs::path& path);

// An APPn marker of a JPEG file as libjpeg reads it.
struct Marker {
    int code;
    std::vector<uint8_t> data;
    bool operator==(const Marker&) const = default;
};
// Writes a smooth width × height JPEG with libjpeg directly: grey (1), RGB (3)
// or CMYK (4) components, with the given markers after the JFIF header.
void writeJpegFile(const fs::path& path, int width, int height, int components,
                   const std::vector<Marker>& markers);
std::vector<Marker> readJpegMarkers(const fs::path& path);

// A small ICC profile with a valid header and one private tag ('RGB ' or 'GRAY').
std::vector<uint8_t> iccProfile(const char colourSpace[4]);

// Expects `call` to throw HostError whose message is one line starting with
// "<file>: " and containing `fragment`.
void expectHostError(const std::function<void()>& call, const fs::path& file,
                     const std::string& fragment = "");

}  // namespace imageio_test
