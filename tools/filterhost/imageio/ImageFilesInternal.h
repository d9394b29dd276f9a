// SPDX-License-Identifier: MIT
// What the TIFF, PNG and JPEG code share: colour models and modes, the
// conversion between a file's interleaved samples and a document, size limits,
// EXIF orientation and the per-format entry points.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imageio/ImageFiles.h"
#include "session/SixteenBit.h"

namespace filterhost::imagefiles {

using filterhost::fileFrom16;
using filterhost::hostFrom16;

enum class ColourModel { Grey, Rgb, Cmyk, Lab };

int16_t colourChannels(ColourModel model);
const char* modelName(ColourModel model);

// The document mode of a colour model at a depth, if the host has one.
std::optional<int16_t> modeFor(ColourModel model, int32_t depth);
std::optional<ColourModel> modelOfMode(int16_t mode);

// Throws HostError "<file>: <cause>".
[[noreturn]] void fail(const std::filesystem::path& file, const std::string& cause);

// Refuses empty images, sides over kMaxImageSide and decoded sizes over
// kMaxImageBytes.
void checkImageSize(const std::filesystem::path& file, uint64_t width, uint64_t height,
                    uint64_t samplesPerPixel, uint64_t bytesPerSample);

// The other file value that reads as `h`, if there is one; fileFrom16(h)
// otherwise.
inline uint16_t secondFileValue(uint16_t h) {
    const uint16_t first = fileFrom16(h);
    if (first < 65535 && hostFrom16(static_cast<uint16_t>(first + 1)) == h)
        return static_cast<uint16_t>(first + 1);
    if (first > 0 && hostFrom16(static_cast<uint16_t>(first - 1)) == h)
        return static_cast<uint16_t>(first - 1);
    return first;
}

// How a colour sample of a file becomes a document sample. Each is its own
// inverse. Inverted: max - v (1 - v for float). SignedOffset: a two's
// complement value moved to unsigned with 0 at the middle (v xor 0x80 / 0x8000).
enum class SampleCoding : uint8_t { Plain, Inverted, SignedOffset };

// Fills a document from a file's samples as they are decoded: the colour
// samples, then the extra ones, native byte order. The document must be
// allocated; `coding` has one entry per colour channel. Sets the details'
// extras and, at 16 bits, their second values, and starts tracking the
// document's changes.
class SampleSplitter {
  public:
    SampleSplitter(int32_t samplesPerPixel, std::vector<SampleCoding> coding, Document& document,
                   ImageFileDetails& details);
    // Samples [first, first + samples) of `count` pixels from pixel index
    // `pixel` on (row-major); in `from` each pixel's samples lie together,
    // one pixel `stride` bytes after the other.
    void put(const uint8_t* from, std::size_t stride, std::size_t pixel, std::size_t count,
             std::size_t first, std::size_t samples);
    // Where the samples of pixel `pixel` on go when the file's samples are
    // the document's bytes (8-bit, no coding, no extra samples), so that a
    // reader can decode straight into the document; null otherwise.
    uint8_t* documentBytesAt(std::size_t pixel, std::size_t samplesPerPixel) const;

  private:
    std::vector<SampleCoding> coding_;
    Document& document_;
    ImageFileDetails& details_;
    std::size_t colour_ = 0, extra_ = 0, bytes_ = 0;
    bool plain_ = false;  // no channel coded
};

// A whole image of interleaved samples, `samplesPerPixel` per pixel, rows
// without padding, through a SampleSplitter.
void splitSamples(const uint8_t* samples, int32_t samplesPerPixel,
                  const std::vector<SampleCoding>& coding, Document& document,
                  ImageFileDetails& details);

// The document's samples with the details' extras, interleaved as the
// splitter takes them, a run of pixels at a time, so that a writer needs no
// copy of the whole image. At 16 bits, a sample the document does not record
// as changed is written as the file value it was read from.
class SampleJoiner {
  public:
    SampleJoiner(const ImageFile& image, std::vector<SampleCoding> coding);
    // `count` pixels from pixel index `pixel` on, pixelBytes() each.
    void get(uint8_t* out, std::size_t pixel, std::size_t count) const;
    std::size_t pixelBytes() const;

  private:
    // The file value of host value `host` at sample index `i`.
    uint16_t sixteenToWrite(uint16_t host, std::size_t i) const;

    const ImageFile& image_;
    std::vector<SampleCoding> coding_;
    std::size_t colour_ = 0, extra_ = 0, bytes_ = 0;
    bool haveSecond_ = false;
    bool plain_ = false;  // no channel coded
};

// What writing a document needs to know of it, after checking that the
// document is consistent and that its details (if any) match it.
struct DocumentShape {
    ColourModel model = ColourModel::Grey;
    int32_t depth = 8;
    int16_t extraSamples = 0;
};
DocumentShape documentShape(const std::filesystem::path& file, const ImageFile& image);

// EXIF (a TIFF structure): the orientation of its first IFD, 1 when absent,
// and the smallest EXIF block that states an orientation.
uint16_t exifOrientation(const std::vector<uint8_t>& exif);
std::vector<uint8_t> minimalExif(uint16_t orientation);
// The EXIF block to write with a file: the one read, or one made for an
// orientation other than 1, or none.
std::vector<uint8_t> exifToWrite(const ImageFileDetails* details);

// Refuse, naming `shown`, a document that the format cannot hold.
DocumentShape checkPngHolds(const std::filesystem::path& shown, const ImageFile& image);
DocumentShape checkJpegHolds(const std::filesystem::path& shown, const ImageFile& image);

// Each writer writes `target` (a fresh temporary file) and names `shown` in
// its errors.
ImageFile readTiff(const std::filesystem::path& path);
// As readTiff, leaving the samples of files stored in strips or tiles to the
// reader returned (null when the image is read already).
std::unique_ptr<ImageRowsReader> startTiffRows(const std::filesystem::path& path, ImageFile& image);
// Whether a TIFF compression code loses detail (JPEG), so that it is not kept.
bool lossyTiffCompression(uint16_t compression);
std::unique_ptr<ImageRowsWriter> startTiff(const std::filesystem::path& target,
                                           const std::filesystem::path& shown,
                                           const ImageFile& image);
ImageFile readPng(const std::filesystem::path& path);
void writePng(const std::filesystem::path& target, const std::filesystem::path& shown,
              const ImageFile& image);
ImageFile readJpeg(const std::filesystem::path& path);
void writeJpeg(const std::filesystem::path& target, const std::filesystem::path& shown,
               const ImageFile& image);

}  // namespace filterhost::imagefiles
