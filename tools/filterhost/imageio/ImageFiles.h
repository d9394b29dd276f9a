// SPDX-License-Identifier: MIT
// Image files in and out of host documents: TIFF (libtiff), PNG (libpng),
// JPEG (libjpeg-turbo).
//
// Sample conventions of the document (the host's):
//  - 8-bit 0..255; 16-bit 0..32768, a file value v (0..65535) becoming
//    round(v * 32768 / 65535) and going back as round(h * 65535 / 32768);
//    32-bit float as stored in the file.
//  - Grey: 0 is black (min-is-white files are inverted on reading).
//  - CMYK: 0 is full ink, the maximum no ink (file values are inverted).
//  - Lab: L from 0 to the maximum, a and b offset so that 0 lies at the middle
//    of the range: 128 at 8 bits, 16384 at 16 bits. A file's signed a/b value s
//    is stored as the unsigned value s + 128 (s + 32768 at 16 bits), which at
//    16 bits is then mapped to 0..32768 like any other sample.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "session/Document.h"

namespace nelvo::util {
class SafeWrite;
}

namespace filterhost {

// Largest image accepted on either side, and the most memory the decoded
// samples of one image may take; larger declared sizes are refused before
// anything is allocated.
inline constexpr int64_t kMaxImageSide = 2'000'000;
inline constexpr uint64_t kMaxImageBytes = uint64_t{4} << 30;

enum class ImageFormat { Tiff, Png, Jpeg };

enum class ResolutionUnit { None, Inch, Centimetre };

// Pixels per unit; with ResolutionUnit::None only the ratio of x to y means
// anything.
struct Resolution {
    double x = 0.0;
    double y = 0.0;
    ResolutionUnit unit = ResolutionUnit::None;
};

// How a TIFF file stored its samples, kept so that a TIFF written from it is
// stored the same way.
struct TiffLayout {
    uint16_t compression = 1;  // COMPRESSION_...
    uint16_t photometric = 1;  // PHOTOMETRIC_...
    uint16_t planar = 1;       // PLANARCONFIG_...
    uint16_t predictor = 1;    // PREDICTOR_...
    bool bigEndian = false;
    bool bigTiff = false;
    uint32_t tileWidth = 0;  // 0 when stored in strips
    uint32_t tileLength = 0;
    uint16_t ycbcrSubsampling[2] = {2, 2};  // photometric YCbCr only
};

// An APPn marker of a JPEG file, without its length field.
struct JpegMarker {
    int code = 0;  // JPEG_APP0 + n
    std::vector<uint8_t> data;
};

// Everything of a file that the document does not hold but a written file
// must keep: format details, metadata (ICC profile, resolution, orientation),
// alpha planes (never filtered), and what it takes to write a 16-bit sample
// the filter left unchanged back exactly as it was read.
struct ImageFileDetails {
    ImageFormat format = ImageFormat::Tiff;
    std::filesystem::path source;  // the file read; never written to
    int32_t width = 0;             // the document's size when read
    int32_t height = 0;

    // Samples stored after the colour samples of each pixel (alpha and other
    // extra samples), `extraSamples` per pixel at the document's depth, rows
    // of width pixels without padding, holding the file's values (0..65535 at
    // 16 bits). Written back unchanged.
    int16_t extraSamples = 0;
    std::vector<uint8_t> extras;
    // What each extra sample is, as TIFF's EXTRASAMPLE_... codes (PNG's alpha
    // is EXTRASAMPLE_UNASSALPHA).
    std::vector<uint16_t> extraKinds;

    // 16-bit files only, one bit per colour sample in the document's order.
    // Two file values (after inversion or offset into the document's
    // convention) can read as the same host value; the bit is set where the
    // file held the one that the host value does not map back to. With the
    // document's record of changed samples this restores every unchanged
    // sample, at a sixteenth of the memory the samples themselves would take.
    std::vector<uint64_t> secondValues;

    std::vector<uint8_t> iccProfile;
    std::string iccName;  // PNG's name for the profile
    std::optional<Resolution> resolution;
    uint16_t orientation = 1;   // 1..8, as TIFF and EXIF number them
    std::vector<uint8_t> exif;  // EXIF data (TIFF structure), JPEG APP1 or PNG eXIf

    // PNG colour chunks: rendering intent of sRGB, gAMA × 100000.
    std::optional<int> srgbIntent;
    std::optional<uint32_t> gamma;

    // JPEG: the APP1 (EXIF, XMP) and APP2 (ICC) markers, written back as they
    // were into a JPEG file.
    std::vector<JpegMarker> jpegMarkers;

    // TIFF: how the samples were stored.
    std::optional<TiffLayout> tiff;
};

struct ImageFile {
    Document document;  // colour planes only, in the host's sample ranges
    std::shared_ptr<const ImageFileDetails> details;
};

// Reads an image (the format is recognised from the file's content); throws
// HostError "<file>: <cause>". Multi-page TIFF files give their first page.
ImageFile readImage(const std::filesystem::path& path);

// Reads the samples of an image as a filter comes to need them, so that the
// rows below the filter's reach wait in the file.
class ImageRowsReader {
  public:
    virtual ~ImageRowsReader() = default;
    // Rows [0, rows) of the document hold the file's samples after this; rows
    // read once are not read again. Throws HostError.
    virtual void rowsNeeded(int32_t rows) = 0;
};

// As readImage, into `image`, except that a TIFF file stored in strips or
// tiles has only its header read: its document is sized, untouched, and the
// reader returned fills it. Other files are read whole (the reader is null).
// `image` must stay where it is while the reader lives.
std::unique_ptr<ImageRowsReader> readImageInRows(const std::filesystem::path& path,
                                                 ImageFile& image);

// Writes `image` (its document possibly filtered) to `path`, in the format the
// extension names (.tif/.tiff, .png, .jpg/.jpeg), through a temporary file
// renamed into place, so that a failure leaves no output. `details` may be
// null (a document made by the host). A format that cannot hold the document
// (its mode, depth or extra samples) is refused, never converted. Throws
// HostError.
void writeImage(const std::filesystem::path& path, const ImageFile& image);

// Refuses, before any work, an output whose extension names no format or
// whose format cannot hold `image` (when given). Throws HostError.
void checkWritable(const std::filesystem::path& path, const ImageFile* image = nullptr);

// As writeImage, into `file`'s temporary file, leaving the commit to the
// caller, so that several outputs can appear together or not at all.
void writeImageTo(nelvo::util::SafeWrite& file, const ImageFile& image);

// Writes an image into a SafeWrite's temporary file while the filter still
// changes it: rows are encoded once they hold their final values, so that the
// whole output never waits in memory, and the file is the one writeImageTo
// writes. A writer that is dropped unfinished leaves its file incomplete, for
// the SafeWrite to remove.
class ImageRowsWriter {
  public:
    virtual ~ImageRowsWriter() = default;
    // Rows [0, rows) of the document are final: encodes what they complete.
    virtual void rowsFinal(int32_t rows) = 0;
    // Encodes the rest, once every row is final, and ends the file.
    virtual void finish() = 0;
    // Rows [0, rows) are in the file: the document need not hold them any more.
    virtual int32_t rowsWritten() const = 0;
};

// Whether an output of this name is written in rows (TIFF); the other formats
// are written whole by writeImageTo.
bool writtenInRows(const std::filesystem::path& path);

// A writer of `image` into `file` as its rows become final, for an output that
// is writtenInRows; null for the others. The image must outlive the writer, and the
// writer must be gone before the SafeWrite. Throws HostError.
std::unique_ptr<ImageRowsWriter> startWritingInRows(nelvo::util::SafeWrite& file,
                                                    const ImageFile& image);

// One line for the user when writing `image` to `path` is not as lossless as
// the count of changed pixels implies: a JPEG output re-encodes every pixel,
// and a JPEG-compressed TIFF input is written with LZW instead.
std::optional<std::string> lossyWriteNote(const std::filesystem::path& path,
                                          const ImageFile& image);

// Reads a selection mask: any image of exactly width × height pixels, turned
// into one byte per pixel (0 = not selected): grey scaled to 8 bits, RGB and
// CMYK the mean of the channels, Lab its lightness; extra samples ignored.
// Throws HostError.
std::vector<uint8_t> readMask(const std::filesystem::path& path, int32_t width, int32_t height);

}  // namespace filterhost
