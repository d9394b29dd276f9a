// SPDX-License-Identifier: MIT
// TIFF files through libtiff: 8- and 16-bit unsigned and 32-bit float samples;
// grey, RGB, CMYK and CIE Lab; contiguous or planar; strips or tiles; any
// compression libtiff decodes. Palette, fewer than 8 bits and YCbCr stored
// other than as JPEG are expanded through libtiff's RGBA reader to 8-bit grey
// or RGB.
// libtiff's own int16, uint32... would clash with the plug-in interface's.
#define TIFF_DISABLE_DEPRECATED
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "imageio/ImageFilesInternal.h"
#include "imageio/TiffOpen.h"

namespace filterhost::imagefiles {
namespace fs = std::filesystem;

namespace {

// libtiff reports through callbacks with a user pointer; the first error is
// kept as the cause, warnings are dropped.
int onTiffError(TIFF*, void* user, const char*, const char* format, va_list arguments) {
    auto* cause = static_cast<std::string*>(user);
    if (cause->empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        *cause = text;
        std::replace(cause->begin(), cause->end(), '\n', ' ');
    }
    return 1;
}

int onTiffWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

class TiffHandle {
  public:
    TiffHandle(const fs::path& file, const char* mode, const fs::path& shown) : shown_(shown) {
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        TIFFOpenOptionsSetErrorHandlerExtR(options, onTiffError, &cause_);
        TIFFOpenOptionsSetWarningHandlerExtR(options, onTiffWarning, nullptr);
        tif_ = openTiff(file, mode, options);
        TIFFOpenOptionsFree(options);
        if (tif_ == nullptr) fail("not a readable TIFF file");
    }
    ~TiffHandle() {
        if (tif_ != nullptr) TIFFClose(tif_);
    }
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;

    TIFF* get() const { return tif_; }

    // Fails with `what`, followed by libtiff's own words when it gave any.
    [[noreturn]] void fail(const std::string& what) const {
        imagefiles::fail(shown_, cause_.empty() ? what : what + " (" + cause_ + ")");
    }

  private:
    fs::path shown_;
    std::string cause_;
    TIFF* tif_ = nullptr;
};

template <typename T>
T field(TIFF* tif, uint32_t tag, T fallback) {
    T value = fallback;
    if (TIFFGetFieldDefaulted(tif, tag, &value) != 1) return fallback;
    return value;
}

std::vector<SampleCoding> codingOf(uint16_t photometric, ColourModel model) {
    std::vector<SampleCoding> coding(static_cast<std::size_t>(colourChannels(model)),
                                     SampleCoding::Plain);
    if (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_SEPARATED) {
        std::fill(coding.begin(), coding.end(), SampleCoding::Inverted);
    } else if (photometric == PHOTOMETRIC_CIELAB) {
        coding[1] = coding[2] = SampleCoding::SignedOffset;
    }
    return coding;
}

// The geometry of the stored samples: `chunkSamples` per pixel in each strip
// or tile, `planes` times over (planar) or once (contiguous).
struct Chunks {
    uint32_t width = 0;
    uint32_t height = 0;
    std::size_t samplesPerPixel = 0;
    std::size_t sampleBytes = 0;
    bool separate = false;
    bool tiled = false;
    uint32_t tileWidth = 0;
    uint32_t tileLength = 0;
    uint32_t rowsPerStrip = 0;

    std::size_t chunkSamples() const { return separate ? 1 : samplesPerPixel; }
    uint16_t planes() const { return separate ? static_cast<uint16_t>(samplesPerPixel) : 1; }
    uint32_t across() const { return tiled ? tileWidth : width; }
    uint32_t down() const { return tiled ? tileLength : rowsPerStrip; }
};

// Calls row(chunkOffset, pixel, columns) for each row that the block at
// (x, y) shares with the image: its offset in the chunk buffer (rows of
// across() pixels), the image's row-major index of its first pixel, and its
// width in pixels.
template <typename Row>
void forEachRow(const Chunks& c, uint32_t x, uint32_t y, Row&& row) {
    const uint32_t columns = std::min(c.across(), c.width - x);
    const uint32_t rows = std::min(c.down(), c.height - y);
    const std::size_t chunkPixel = c.chunkSamples() * c.sampleBytes;
    for (uint32_t r = 0; r < rows; ++r) {
        row(std::size_t{r} * c.across() * chunkPixel, (std::size_t{y} + r) * c.width + x,
            std::size_t{columns});
    }
}

std::size_t chunkBytes(const Chunks& c) {
    return std::size_t{c.across()} * c.down() * c.chunkSamples() * c.sampleBytes;
}

// Decodes strip by strip (or tile by tile) straight into the document, a row
// of strips or tiles (of every plane) at a time, as far down as asked.
class TiffRowsReader final : public ImageRowsReader {
  public:
    TiffRowsReader(std::unique_ptr<TiffHandle> tiff, const Chunks& chunks,
                   std::vector<SampleCoding> coding, Document& document,
                   std::shared_ptr<ImageFileDetails> details);

    void rowsNeeded(int32_t rows) override {
        const auto bottom = static_cast<uint32_t>(std::clamp<int64_t>(rows, 0, chunks_.height));
        for (; nextRow_ < bottom; nextRow_ += chunks_.down()) readChunkRow(nextRow_);
    }

  private:
    void readChunkRow(uint32_t y);

    std::unique_ptr<TiffHandle> tiff_;
    Chunks chunks_;
    std::shared_ptr<ImageFileDetails> details_;
    SampleSplitter splitter_;
    std::vector<uint8_t> buffer_;
    uint32_t nextRow_ = 0;  // the first row of the next chunk row to read
};

TiffRowsReader::TiffRowsReader(std::unique_ptr<TiffHandle> tiff, const Chunks& chunks,
                               std::vector<SampleCoding> coding, Document& document,
                               std::shared_ptr<ImageFileDetails> details)
    : tiff_(std::move(tiff)),
      chunks_(chunks),
      details_(std::move(details)),
      splitter_(static_cast<int32_t>(chunks.samplesPerPixel), std::move(coding), document,
                *details_) {
    const Chunks& c = chunks_;
    const std::size_t imageBytes =
        std::size_t{c.width} * c.height * c.samplesPerPixel * c.sampleBytes;
    // Tiles may overhang the image, but a damaged file can declare tiles of
    // any size: the buffer for one is held to the image's size or 64 MiB.
    const double chunk =
        double(c.across()) * double(c.down()) * double(c.chunkSamples() * c.sampleBytes);
    if (chunk > double(std::max<std::size_t>(imageBytes, std::size_t{64} << 20))) {
        tiff_->fail("the tiles are larger than the image");
    }
    const auto libtiffSize = static_cast<std::size_t>(
        std::max<tmsize_t>(c.tiled ? TIFFTileSize(tiff_->get()) : TIFFStripSize(tiff_->get()), 0));
    if (libtiffSize < chunkBytes(c)) tiff_->fail("the strip or tile size does not match the image");
    buffer_.resize(libtiffSize);
}

void TiffRowsReader::readChunkRow(uint32_t y) {
    TIFF* tif = tiff_->get();
    const Chunks& c = chunks_;
    const std::size_t wanted = chunkBytes(c);
    const std::size_t stride = c.chunkSamples() * c.sampleBytes;
    for (uint16_t plane = 0; plane < c.planes(); ++plane) {
        for (uint32_t x = 0; x < c.width; x += c.across()) {
            tmsize_t got = 0;
            std::size_t need = wanted;
            if (c.tiled) {
                got = TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x, y, 0, plane), buffer_.data(),
                                          static_cast<tmsize_t>(buffer_.size()));
            } else {
                const uint32_t rows = std::min(c.rowsPerStrip, c.height - y);
                need = std::size_t{rows} * c.width * c.chunkSamples() * c.sampleBytes;
                // Strips whose samples are the document's bytes are
                // decoded into the document itself.
                uint8_t* rowsInPlace =
                    c.separate
                        ? nullptr
                        : splitter_.documentBytesAt(std::size_t{y} * c.width, c.samplesPerPixel);
                got = TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y, plane),
                                           rowsInPlace != nullptr ? rowsInPlace : buffer_.data(),
                                           static_cast<tmsize_t>(need));
                if (rowsInPlace != nullptr && got >= 0 && static_cast<std::size_t>(got) >= need)
                    continue;
            }
            if (got < 0 || static_cast<std::size_t>(got) < need) {
                tiff_->fail(std::string("cannot read the image data at row ") + std::to_string(y) +
                            (got >= 0 ? " (incomplete)" : ""));
            }
            forEachRow(c, x, y, [&](std::size_t from, std::size_t pixel, std::size_t count) {
                splitter_.put(buffer_.data() + from, stride, pixel, count, c.separate ? plane : 0,
                              c.chunkSamples());
            });
        }
    }
}

// Palette, bilevel and other low-bit or subsampled images, through libtiff's
// RGBA reader, in the order the rows are stored (the orientation tag is kept
// and written back, not applied).
std::vector<uint8_t> readThroughRgba(const TiffHandle& tiff, uint32_t width, uint32_t height,
                                     bool grey) {
    char message[1024] = {};
    TIFFRGBAImage reader;
    if (!TIFFRGBAImageOK(tiff.get(), message) ||
        !TIFFRGBAImageBegin(&reader, tiff.get(), 0, message)) {
        tiff.fail(message);
    }
    reader.req_orientation = reader.orientation;
    std::vector<uint32_t> raster;
    try {
        raster.resize(std::size_t{width} * height);
    } catch (...) {
        TIFFRGBAImageEnd(&reader);
        throw;
    }
    const int ok = TIFFRGBAImageGet(&reader, raster.data(), width, height);
    TIFFRGBAImageEnd(&reader);
    if (!ok) tiff.fail("cannot read the image data");
    const std::size_t channels = grey ? 1 : 3;
    std::vector<uint8_t> samples(raster.size() * channels);
    for (std::size_t p = 0; p < raster.size(); ++p) {
        samples[p * channels] = static_cast<uint8_t>(TIFFGetR(raster[p]));
        if (grey) continue;
        samples[p * channels + 1] = static_cast<uint8_t>(TIFFGetG(raster[p]));
        samples[p * channels + 2] = static_cast<uint8_t>(TIFFGetB(raster[p]));
    }
    return samples;
}

void readMetadata(TIFF* tif, ImageFileDetails& details) {
    uint32_t iccSize = 0;
    void* icc = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &iccSize, &icc) == 1 && icc != nullptr) {
        const auto* bytes = static_cast<const uint8_t*>(icc);
        details.iccProfile.assign(bytes, bytes + iccSize);
    }
    float x = 0.0f;
    float y = 0.0f;
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) == 1 && x > 0.0f) {
        if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y) != 1 || !(y > 0.0f)) y = x;
        const auto unit = field<uint16_t>(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        details.resolution = Resolution{x, y,
                                        unit == RESUNIT_INCH         ? ResolutionUnit::Inch
                                        : unit == RESUNIT_CENTIMETER ? ResolutionUnit::Centimetre
                                                                     : ResolutionUnit::None};
    }
    const auto orientation = field<uint16_t>(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    details.orientation = orientation >= 1 && orientation <= 8 ? orientation : 1;
}

bool keepsCompression(uint16_t compression, int32_t depth, uint16_t photometric,
                      std::size_t samplesPerPixel, bool separate) {
    if (!TIFFIsCODECConfigured(compression)) return false;
    switch (compression) {
        case COMPRESSION_NONE:
        case COMPRESSION_LZW:
        case COMPRESSION_PACKBITS:
        case COMPRESSION_ADOBE_DEFLATE:
        case COMPRESSION_DEFLATE:
        case COMPRESSION_LZMA:
        case COMPRESSION_ZSTD:
        case COMPRESSION_LERC:
            return true;
        case COMPRESSION_WEBP:
            // Lossless WebP drops the colour under transparent pixels, so
            // only RGB without alpha is kept as WebP.
            return depth == 8 && photometric == PHOTOMETRIC_RGB && !separate &&
                   samplesPerPixel == 3;
        default:
            // JPEG, whose re-encoding would change pixels the filter left alone
            // (the output is then LZW), and the codecs that cannot encode these
            // samples (bilevel, old-style JPEG).
            return false;
    }
}

}  // namespace

bool lossyTiffCompression(uint16_t compression) {
    return compression == COMPRESSION_JPEG || compression == COMPRESSION_OJPEG;
}

namespace {

bool takesPredictor(uint16_t compression) {
    return compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE ||
           compression == COMPRESSION_DEFLATE || compression == COMPRESSION_LZMA ||
           compression == COMPRESSION_ZSTD;
}

bool photometricFits(uint16_t photometric, ColourModel model, int32_t depth) {
    switch (model) {
        case ColourModel::Grey:
            return photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
        case ColourModel::Rgb:
            return photometric == PHOTOMETRIC_RGB ||
                   (photometric == PHOTOMETRIC_YCBCR && depth == 8);
        case ColourModel::Cmyk:
            return photometric == PHOTOMETRIC_SEPARATED;
        case ColourModel::Lab:
            break;
    }
    return photometric == PHOTOMETRIC_CIELAB || photometric == PHOTOMETRIC_ICCLAB;
}

uint16_t defaultPhotometric(ColourModel model) {
    switch (model) {
        case ColourModel::Grey:
            return PHOTOMETRIC_MINISBLACK;
        case ColourModel::Rgb:
            return PHOTOMETRIC_RGB;
        case ColourModel::Cmyk:
            return PHOTOMETRIC_SEPARATED;
        case ColourModel::Lab:
            break;
    }
    return PHOTOMETRIC_CIELAB;
}

// How many times its stored size a codec can expand to at most (deflate's
// bound is 1032, a PackBits run 128 bytes from 2, LZW and JPEG far below the
// figure used), or 0 for codecs not bounded here.
uint64_t expansionBound(uint16_t compression) {
    switch (compression) {
        case COMPRESSION_NONE:
            return 1;
        case COMPRESSION_PACKBITS:
            return 64;
        case COMPRESSION_DEFLATE:
        case COMPRESSION_ADOBE_DEFLATE:
            return 1032;
        case COMPRESSION_LZW:
        case COMPRESSION_JPEG:
            return 8192;
        default:
            return 0;
    }
}

// Before anything the size of the image is allocated: every strip or tile
// lies inside the file, and the file holds enough data to expand to what the
// header claims, so that a small damaged file cannot make the reader take
// gigabytes of memory.
void checkStoredData(const TiffHandle& tiff, const fs::path& path, uint16_t compression) {
    TIFF* tif = tiff.get();
    std::error_code error;
    const uintmax_t fileSize = fs::file_size(path, error);
    if (error) fail(path, "cannot tell the size of the file");
    const bool tiled = TIFFIsTiled(tif) != 0;
    const uint32_t chunks = tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    const char* kind = tiled ? "tile" : "strip";
    uint64_t stored = 0;
    for (uint32_t i = 0; i < chunks; ++i) {
        int failed = 0;
        const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, i, &failed);
        const uint64_t bytes = TIFFGetStrileByteCountWithErr(tif, i, &failed);
        if (failed != 0 || bytes == 0)
            fail(path, std::string("the ") + kind + " " + std::to_string(i) + " is missing");
        if (offset > fileSize || bytes > fileSize - offset)
            fail(path, std::string("the ") + kind + " " + std::to_string(i) +
                           " lies past the end of the file");
        stored += bytes;
    }
    const uint64_t claimed =
        uint64_t{chunks} * (tiled ? TIFFTileSize64(tif) : TIFFStripSize64(tif));
    const uint64_t bound = expansionBound(compression);
    // Uncompressed, the last strip of each plane may stop at the image's last
    // row; at least half of what full strips would hold is there.
    const uint64_t needed = bound == 1 ? claimed / 2 : claimed;
    if (bound != 0 && stored < (needed + bound - 1) / bound)
        fail(path, "the file holds far less image data than its header claims (" +
                       std::to_string(stored) + " bytes stored)");
}

}  // namespace

std::unique_ptr<ImageRowsReader> startTiffRows(const fs::path& path, ImageFile& image) {
    // Read, not mapped ("m"): every page of a mapped file that has been read
    // stays resident beside the document it was read into, which doubles the
    // peak memory of a large scan.
    auto tiff = std::make_unique<TiffHandle>(path, "rm", path);
    TIFF* tif = tiff->get();
    // Filtering the first page alone and writing it would drop the others.
    if (const tdir_t pages = TIFFNumberOfDirectories(tif); pages > 1) {
        fail(path, "holds " + std::to_string(pages) +
                       " pages; only single-page TIFF files are filtered, so that no page is lost");
    }
    uint32_t width = 0;
    uint32_t height = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    const auto bits = field<uint16_t>(tif, TIFFTAG_BITSPERSAMPLE, 1);
    const auto samplesPerPixel = field<uint16_t>(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    const auto sampleFormat = field<uint16_t>(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    const auto planar = field<uint16_t>(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    const auto compression = field<uint16_t>(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    uint16_t photometric = 0;
    if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) != 1) {
        fail(path, "the file does not say how its colours are stored (no photometric tag)");
    }
    uint16_t extraCount = 0;
    uint16_t* extraKinds = nullptr;
    TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds);

    auto details = std::make_shared<ImageFileDetails>();
    details->format = ImageFormat::Tiff;
    details->source = path;
    TiffLayout layout;
    layout.compression = compression;
    layout.photometric = photometric;
    layout.planar = planar;
    // Asking a codec without a predictor for one is an error in libtiff.
    if (takesPredictor(compression)) {
        layout.predictor = field<uint16_t>(tif, TIFFTAG_PREDICTOR, PREDICTOR_NONE);
    }
    layout.bigEndian = TIFFIsBigEndian(tif) != 0;
    layout.bigTiff = TIFFIsBigTIFF(tif) != 0;
    if (TIFFIsTiled(tif)) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &layout.tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &layout.tileLength);
        if (layout.tileWidth == 0 || layout.tileLength == 0) fail(path, "the tiles are empty");
    }
    readMetadata(tif, *details);

    // Images only libtiff's RGBA reader can expand.
    const bool grey =
        photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    const bool expand = photometric == PHOTOMETRIC_PALETTE || (grey && bits < 8) ||
                        (photometric == PHOTOMETRIC_YCBCR && compression != COMPRESSION_JPEG);
    if (expand) {
        if (samplesPerPixel > (photometric == PHOTOMETRIC_YCBCR ? 3 : 1)) {
            fail(path, "palette, YCbCr or " + std::to_string(bits) +
                           "-bit images with extra samples are not supported");
        }
        checkImageSize(path, width, height, 4, 1);
        checkStoredData(*tiff, path, compression);
        const std::vector<uint8_t> samples = readThroughRgba(*tiff, width, height, grey);
        const ColourModel model = grey ? ColourModel::Grey : ColourModel::Rgb;
        image = ImageFile{};
        image.document.allocate(static_cast<int32_t>(width), static_cast<int32_t>(height),
                                colourChannels(model), *modeFor(model, 8), 8);
        layout.photometric = grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB;
        layout.planar = PLANARCONFIG_CONTIG;
        details->width = image.document.width;
        details->height = image.document.height;
        details->tiff = layout;
        splitSamples(samples.data(), colourChannels(model),
                     std::vector<SampleCoding>(static_cast<std::size_t>(colourChannels(model)),
                                               SampleCoding::Plain),
                     image.document, *details);
        image.details = std::move(details);
        return nullptr;
    }

    ColourModel model = ColourModel::Grey;
    switch (photometric) {
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_MINISWHITE:
            model = ColourModel::Grey;
            break;
        case PHOTOMETRIC_RGB:
            model = ColourModel::Rgb;
            break;
        case PHOTOMETRIC_YCBCR:
            // JPEG-compressed YCbCr: libjpeg turns it into RGB.
            if (TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB) != 1) {
                tiff->fail("cannot decode its YCbCr data");
            }
            TIFFGetFieldDefaulted(tif, TIFFTAG_YCBCRSUBSAMPLING, &layout.ycbcrSubsampling[0],
                                  &layout.ycbcrSubsampling[1]);
            model = ColourModel::Rgb;
            break;
        case PHOTOMETRIC_SEPARATED: {
            const auto inks = field<uint16_t>(tif, TIFFTAG_INKSET, INKSET_CMYK);
            uint16_t inkCount = 4;
            TIFFGetField(tif, TIFFTAG_NUMBEROFINKS, &inkCount);
            if (inks != INKSET_CMYK || inkCount != 4) {
                fail(path, "separated images other than CMYK (4 inks) are not supported");
            }
            model = ColourModel::Cmyk;
            break;
        }
        case PHOTOMETRIC_CIELAB:
        case PHOTOMETRIC_ICCLAB:
            model = ColourModel::Lab;
            break;
        default:
            fail(path,
                 "photometric interpretation " + std::to_string(photometric) + " is not supported");
    }

    if (bits != 8 && bits != 16 && bits != 32) {
        fail(path, std::to_string(bits) + "-bit samples are not supported");
    }
    const bool labSigned = model == ColourModel::Lab && sampleFormat == SAMPLEFORMAT_INT;
    if (bits == 32 && sampleFormat != SAMPLEFORMAT_IEEEFP) {
        fail(path, "32-bit integer samples are not supported (only 32-bit float)");
    }
    if (bits != 32 && sampleFormat != SAMPLEFORMAT_UINT && sampleFormat != SAMPLEFORMAT_VOID &&
        !labSigned) {
        fail(path, "signed or floating-point samples of " + std::to_string(bits) +
                       " bits are not supported");
    }
    const std::optional<int16_t> mode = modeFor(model, bits);
    if (!mode) {
        fail(path, std::string(modelName(model)) + " images with " + std::to_string(bits) +
                       "-bit float samples are not supported");
    }
    const int16_t colour = colourChannels(model);
    const std::size_t samples = photometric == PHOTOMETRIC_YCBCR ? 3 : samplesPerPixel;
    if (samples < static_cast<std::size_t>(colour)) {
        fail(path, std::string(modelName(model)) + " needs " + std::to_string(colour) +
                       " samples per pixel, the file has " + std::to_string(samplesPerPixel));
    }
    checkImageSize(path, width, height, samples, bits / 8u);
    checkStoredData(*tiff, path, compression);

    Chunks chunks;
    chunks.width = width;
    chunks.height = height;
    chunks.samplesPerPixel = samples;
    chunks.sampleBytes = bits / 8u;
    chunks.separate = planar == PLANARCONFIG_SEPARATE;
    chunks.tiled = layout.tileWidth != 0;
    chunks.tileWidth = layout.tileWidth;
    chunks.tileLength = layout.tileLength;
    chunks.rowsPerStrip = std::min(field<uint32_t>(tif, TIFFTAG_ROWSPERSTRIP, height), height);
    if (!chunks.tiled && chunks.rowsPerStrip == 0) fail(path, "the strips are empty");

    image = ImageFile{};
    image.document.allocate(static_cast<int32_t>(width), static_cast<int32_t>(height), colour,
                            *mode, bits);
    details->width = image.document.width;
    details->height = image.document.height;
    details->tiff = layout;
    auto reader = std::make_unique<TiffRowsReader>(
        std::move(tiff), chunks, codingOf(photometric, model), image.document, details);
    details->extraKinds.assign(static_cast<std::size_t>(details->extraSamples),
                               EXTRASAMPLE_UNSPECIFIED);
    for (std::size_t i = 0; i < details->extraKinds.size() && i < extraCount; ++i) {
        details->extraKinds[i] = extraKinds[i];
    }
    image.details = std::move(details);
    return reader;
}

ImageFile readTiff(const fs::path& path) {
    ImageFile image;
    if (const auto reader = startTiffRows(path, image)) reader->rowsNeeded(image.document.height);
    return image;
}

namespace {

// Writes a TIFF file row of strips (or tiles) by row, as the rows of the
// document become final, so that the file can be encoded while the filter
// still works further down. The calls into libtiff are the same, in the same
// order, whenever the rows come: the file does not depend on when they did.
class TiffWriter final : public ImageRowsWriter {
  public:
    TiffWriter(const fs::path& target, const fs::path& shown, const ImageFile& image);

    void rowsFinal(int32_t rows) override;
    void finish() override;
    int32_t rowsWritten() const override {
        return static_cast<int32_t>(std::min(nextRow_, chunks_.height));
    }

  private:
    // Encodes the strips or tiles of rows [y, y + chunks_.down()) of `plane`.
    void writeChunkRow(uint16_t plane, uint32_t y);

    const ImageFile& image_;
    std::unique_ptr<SampleJoiner> joiner_;
    std::unique_ptr<TiffHandle> tiff_;
    Chunks chunks_;
    bool partial_ = false;  // tiles overhang the image
    bool raw_ = false;      // samples written as they are
    std::vector<uint8_t> buffer_, row_;
    uint32_t nextRow_ = 0;  // the first row of the next chunk row to encode
    bool finished_ = false;
};

TiffWriter::TiffWriter(const fs::path& target, const fs::path& shown, const ImageFile& image)
    : image_(image) {
    const DocumentShape shape = documentShape(shown, image);
    const Document& document = image.document;
    const ImageFileDetails* details = image.details.get();
    const TiffLayout* kept = details != nullptr && details->tiff ? &*details->tiff : nullptr;
    const auto samples = static_cast<std::size_t>(document.planes + shape.extraSamples);

    uint16_t photometric = defaultPhotometric(shape.model);
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_ADOBE_DEFLATE;
    uint16_t predictor = shape.depth == 32 ? PREDICTOR_FLOATINGPOINT : PREDICTOR_HORIZONTAL;
    if (kept != nullptr) {
        if (photometricFits(kept->photometric, shape.model, shape.depth)) {
            photometric = kept->photometric;
        }
        planar =
            kept->planar == PLANARCONFIG_SEPARATE ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG;
        compression = kept->compression;
        predictor = kept->predictor;
    }
    const bool separate = planar == PLANARCONFIG_SEPARATE;
    if (!keepsCompression(compression, shape.depth, photometric, samples, separate)) {
        compression = COMPRESSION_LZW;
    }
    // YCbCr is only written as JPEG, contiguous, without extra samples.
    if (photometric == PHOTOMETRIC_YCBCR &&
        (compression != COMPRESSION_JPEG || samples != 3 || separate)) {
        photometric = PHOTOMETRIC_RGB;
    }
    const bool floatPredictor = predictor == PREDICTOR_FLOATINGPOINT && shape.depth == 32;
    const bool intPredictor = predictor == PREDICTOR_HORIZONTAL && shape.depth != 32;
    if (!takesPredictor(compression) || !(floatPredictor || intPredictor))
        predictor = PREDICTOR_NONE;

    joiner_ = std::make_unique<SampleJoiner>(image, codingOf(photometric, shape.model));
    const uint64_t storedBytes = static_cast<uint64_t>(document.width) *
                                 static_cast<uint64_t>(document.height) * joiner_->pixelBytes();
    std::string mode = "w";
    mode += kept != nullptr && kept->bigEndian ? "b" : "l";
    // Classic TIFF offsets end at 4 GiB.
    if ((kept != nullptr && kept->bigTiff) || storedBytes > (uint64_t{3} << 30)) mode += "8";

    tiff_ = std::make_unique<TiffHandle>(target, mode.c_str(), shown);
    TIFF* tif = tiff_->get();
    const auto width = static_cast<uint32_t>(document.width);
    const auto height = static_cast<uint32_t>(document.height);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(shape.depth));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(samples));
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT,
                 shape.depth == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, planar);
    if (TIFFSetField(tif, TIFFTAG_COMPRESSION, compression) != 1) {
        tiff_->fail("cannot use compression " + std::to_string(compression));
    }
    if (predictor != PREDICTOR_NONE) TIFFSetField(tif, TIFFTAG_PREDICTOR, predictor);
    if (compression == COMPRESSION_JPEG) TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 95);
    if (compression == COMPRESSION_WEBP) TIFFSetField(tif, TIFFTAG_WEBP_LOSSLESS, 1);
    if (photometric == PHOTOMETRIC_YCBCR) {
        TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, kept->ycbcrSubsampling[0],
                     kept->ycbcrSubsampling[1]);
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    if (photometric == PHOTOMETRIC_SEPARATED) TIFFSetField(tif, TIFFTAG_INKSET, INKSET_CMYK);
    if (shape.extraSamples > 0) {
        std::vector<uint16_t> kinds(static_cast<std::size_t>(shape.extraSamples),
                                    EXTRASAMPLE_UNSPECIFIED);
        for (std::size_t i = 0; i < kinds.size() && i < details->extraKinds.size(); ++i) {
            kinds[i] = details->extraKinds[i];
        }
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<uint16_t>(kinds.size()), kinds.data());
    }
    if (details != nullptr) {
        if (!details->iccProfile.empty()) {
            TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(details->iccProfile.size()),
                         details->iccProfile.data());
        }
        if (details->resolution) {
            const Resolution& r = *details->resolution;
            TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(r.x));
            TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(r.y));
            TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT,
                         r.unit == ResolutionUnit::Inch         ? RESUNIT_INCH
                         : r.unit == ResolutionUnit::Centimetre ? RESUNIT_CENTIMETER
                                                                : RESUNIT_NONE);
        }
        if (details->orientation != 1) TIFFSetField(tif, TIFFTAG_ORIENTATION, details->orientation);
    }

    chunks_.width = width;
    chunks_.height = height;
    chunks_.samplesPerPixel = samples;
    chunks_.sampleBytes = document.sampleBytes();
    chunks_.separate = separate;
    if (kept != nullptr && kept->tileWidth != 0) {
        chunks_.tiled = true;
        chunks_.tileWidth = kept->tileWidth;
        chunks_.tileLength = kept->tileLength;
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, chunks_.tileWidth);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, chunks_.tileLength);
    } else {
        chunks_.rowsPerStrip = std::min(TIFFDefaultStripSize(tif, 0), height);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, chunks_.rowsPerStrip);
    }

    // Each strip or tile is joined from the document as it is encoded; planar
    // files take one plane of a joined row at a time.
    buffer_.resize(chunkBytes(chunks_));
    row_.resize(separate ? std::size_t{chunks_.across()} * joiner_->pixelBytes() : 0);
    partial_ =
        chunks_.tiled && (width % chunks_.tileWidth != 0 || height % chunks_.tileLength != 0);
    // Uncompressed samples in this machine's byte order are already what the
    // file stores: written as they are, without libtiff copying each strip
    // into its own buffer first.
    raw_ = compression == COMPRESSION_NONE && TIFFIsByteSwapped(tif) == 0;
}

void TiffWriter::writeChunkRow(uint16_t plane, uint32_t y) {
    TIFF* tif = tiff_->get();
    const std::size_t sampleBytes = chunks_.sampleBytes;
    const std::size_t pixelBytes = joiner_->pixelBytes();
    for (uint32_t x = 0; x < chunks_.width; x += chunks_.across()) {
        // Tiles that overhang the image are zero there.
        if (partial_) std::fill(buffer_.begin(), buffer_.end(), uint8_t{0});
        forEachRow(chunks_, x, y, [&](std::size_t to, std::size_t pixel, std::size_t count) {
            if (!chunks_.separate) {
                joiner_->get(buffer_.data() + to, pixel, count);
                return;
            }
            joiner_->get(row_.data(), pixel, count);
            for (std::size_t i = 0; i < count; ++i) {
                std::memcpy(buffer_.data() + to + i * sampleBytes,
                            row_.data() + i * pixelBytes + plane * sampleBytes, sampleBytes);
            }
        });
        tmsize_t written = 0;
        if (chunks_.tiled) {
            const uint32_t tile = TIFFComputeTile(tif, x, y, 0, plane);
            const auto bytes = static_cast<tmsize_t>(buffer_.size());
            written = raw_ ? TIFFWriteRawTile(tif, tile, buffer_.data(), bytes)
                           : TIFFWriteEncodedTile(tif, tile, buffer_.data(), bytes);
        } else {
            const uint32_t strip = TIFFComputeStrip(tif, y, plane);
            const uint32_t rows = std::min(chunks_.rowsPerStrip, chunks_.height - y);
            const auto bytes = static_cast<tmsize_t>(std::size_t{rows} * chunks_.width *
                                                     chunks_.chunkSamples() * sampleBytes);
            written = raw_ ? TIFFWriteRawStrip(tif, strip, buffer_.data(), bytes)
                           : TIFFWriteEncodedStrip(tif, strip, buffer_.data(), bytes);
        }
        if (written < 0) tiff_->fail("cannot write the image data");
    }
}

void TiffWriter::rowsFinal(int32_t rows) {
    // Planar files store every row of the first plane before the second:
    // they wait for the whole image.
    if (chunks_.separate || finished_) return;
    const auto settled =
        static_cast<uint32_t>(std::clamp<int32_t>(rows, 0, image_.document.height));
    while (nextRow_ < chunks_.height &&
           (nextRow_ + chunks_.down() <= settled || settled == chunks_.height)) {
        writeChunkRow(0, nextRow_);
        nextRow_ += chunks_.down();
    }
}

void TiffWriter::finish() {
    if (finished_) return;
    for (uint16_t plane = 0; plane < chunks_.planes(); ++plane) {
        for (uint32_t y = plane == 0 ? nextRow_ : 0; y < chunks_.height; y += chunks_.down())
            writeChunkRow(plane, y);
    }
    nextRow_ = chunks_.height;
    finished_ = true;
    if (TIFFWriteDirectory(tiff_->get()) != 1) tiff_->fail("cannot write the image");
    // Closed before the caller flushes and renames the file.
    tiff_.reset();
}

}  // namespace

std::unique_ptr<ImageRowsWriter> startTiff(const fs::path& target, const fs::path& shown,
                                           const ImageFile& image) {
    return std::make_unique<TiffWriter>(target, shown, image);
}

}  // namespace filterhost::imagefiles
