// SPDX-License-Identifier: MIT
// PNG files through libpng: 8 and 16 bits, grey and RGB, with or without
// alpha. Palette and 1-, 2- and 4-bit images are expanded to 8-bit RGB or
// grey, a transparent colour (tRNS) to an alpha channel.
#include <png.h>
// libtiff's own int16, uint32... would clash with the plug-in interface's.
#define TIFF_DISABLE_DEPRECATED
#include <tiffio.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "imageio/ImageFilesInternal.h"
#include "util/FileAccess.h"

namespace filterhost::imagefiles {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kCauseSize = 256;
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// libpng leaves its calls by longjmp on an error, after this handler has kept
// its message.
void onPngError(png_structp png, png_const_charp message) {
    auto* cause = static_cast<char*>(png_get_error_ptr(png));
    std::snprintf(cause, kCauseSize, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// libpng's own reader says only "Read Error" at the end of a truncated file.
void readFromFile(png_structp png, png_bytep data, size_t length) {
    auto* file = static_cast<FILE*>(png_get_io_ptr(png));
    if (std::fread(data, 1, length, file) != length) {
        png_error(png, std::ferror(file) != 0 ? "cannot read the file" : "the file is truncated");
    }
}

// Runs libpng calls; false when libpng reported an error. The calls leave by
// longjmp, so `calls` must not hold objects with destructors while it calls
// libpng; everything it needs is made before.
template <typename Calls>
bool pngCalls(png_structp png, Calls&& calls) {
    if (setjmp(png_jmpbuf(png))) return false;
    calls();
    return true;
}

class PngFile {
  public:
    PngFile(const fs::path& file, bool write, const fs::path& shown)
        : shown_(shown), write_(write) {
        file_ = nelvo::util::openStdioFile(file, write ? "wb" : "rb");
        if (file_ == nullptr) {
            fail(std::string("cannot open the file: ") + std::strerror(errno));
        }
        png_ =
            write ? png_create_write_struct(PNG_LIBPNG_VER_STRING, cause_, onPngError, onPngWarning)
                  : png_create_read_struct(PNG_LIBPNG_VER_STRING, cause_, onPngError, onPngWarning);
        if (png_ != nullptr) info_ = png_create_info_struct(png_);
        if (info_ == nullptr) {
            release();
            fail("not enough memory for libpng");
        }
    }
    ~PngFile() { release(); }
    PngFile(const PngFile&) = delete;
    PngFile& operator=(const PngFile&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    FILE* file() const { return file_; }

    // Closes the file, reporting a failed flush.
    void close() {
        FILE* file = file_;
        file_ = nullptr;
        if (std::fclose(file) != 0) fail("cannot write the file");
    }

    [[noreturn]] void fail(const std::string& what) const {
        imagefiles::fail(shown_, cause_[0] == 0 ? what : what + " (" + cause_ + ")");
    }

  private:
    void release() {
        if (write_) {
            png_destroy_write_struct(&png_, &info_);
        } else {
            png_destroy_read_struct(&png_, &info_, nullptr);
        }
        if (file_ != nullptr) std::fclose(file_);
        file_ = nullptr;
    }

    fs::path shown_;
    bool write_;
    char cause_[kCauseSize] = {};
    FILE* file_ = nullptr;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

void readMetadata(const PngFile& png, ImageFileDetails& details) {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(png.png(), png.info(), &name, &compression, &profile, &length) != 0) {
        details.iccProfile.assign(profile, profile + length);
        details.iccName = name != nullptr ? name : "";
    }
    png_uint_32 x = 0;
    png_uint_32 y = 0;
    int unit = 0;
    if (png_get_pHYs(png.png(), png.info(), &x, &y, &unit) != 0 && x > 0 && y > 0) {
        if (unit == PNG_RESOLUTION_METER) {
            details.resolution = Resolution{x / 100.0, y / 100.0, ResolutionUnit::Centimetre};
        } else {
            details.resolution = Resolution{double(x), double(y), ResolutionUnit::None};
        }
    }
    int intent = 0;
    if (png_get_sRGB(png.png(), png.info(), &intent) != 0) details.srgbIntent = intent;
    png_fixed_point gamma = 0;
    if (png_get_gAMA_fixed(png.png(), png.info(), &gamma) != 0 && gamma > 0) {
        details.gamma = static_cast<uint32_t>(gamma);
    }
    png_uint_32 exifSize = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(png.png(), png.info(), &exifSize, &exif) != 0 && exif != nullptr) {
        details.exif.assign(exif, exif + exifSize);
        details.orientation = exifOrientation(details.exif);
    }
}

png_uint_32 pixelsPerMetre(double perUnit, ResolutionUnit unit) {
    double value = perUnit;
    if (unit == ResolutionUnit::Inch) value = perUnit / 0.0254;
    if (unit == ResolutionUnit::Centimetre) value = perUnit * 100.0;
    return static_cast<png_uint_32>(std::clamp(std::lround(value), 1L, 0x7fffffffL));
}

// Deflate expands its input at most 1032 times: a file too small to hold the
// compressed rows its header claims is refused before they are allocated.
void checkCompressedSize(const fs::path& path, png_uint_32 width, png_uint_32 height, int bits,
                         int colourType) {
    int samples = 1;
    if (colourType == PNG_COLOR_TYPE_RGB) samples = 3;
    if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) samples = 2;
    if (colourType == PNG_COLOR_TYPE_RGB_ALPHA) samples = 4;
    const uint64_t rowBytes = (uint64_t{width} * static_cast<uint64_t>(samples * bits) + 7) / 8;
    const uint64_t raw = uint64_t{height} * (rowBytes + 1);  // a filter byte per row
    constexpr uint64_t kDeflateBound = 1032;
    std::error_code error;
    const uintmax_t fileSize = fs::file_size(path, error);
    if (!error && fileSize < raw / kDeflateBound)
        fail(path, "the file holds far less image data than its header claims (" +
                       std::to_string(fileSize) + " bytes)");
}

}  // namespace

ImageFile readPng(const fs::path& path) {
    PngFile png(path, false, path);
    png_structp p = png.png();
    png_infop info = png.info();
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bits = 0;
    int colourType = 0;
    int interlace = 0;
    if (!pngCalls(p, [&] {
            png_set_read_fn(p, png.file(), readFromFile);
            png_set_user_limits(p, static_cast<png_uint_32>(kMaxImageSide),
                                static_cast<png_uint_32>(kMaxImageSide));
            png_read_info(p, info);
            png_get_IHDR(p, info, &width, &height, &bits, &colourType, &interlace, nullptr,
                         nullptr);
            if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(p);
            if (colourType == PNG_COLOR_TYPE_GRAY && bits < 8) png_set_expand_gray_1_2_4_to_8(p);
            if (png_get_valid(p, info, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(p);
            if (bits == 16 && kLittleEndian) png_set_swap(p);
            png_set_interlace_handling(p);
            png_read_update_info(p, info);
        })) {
        png.fail("not a readable PNG file");
    }
    const int channels = png_get_channels(p, info);
    const int depth = png_get_bit_depth(p, info);
    const bool colour = (png_get_color_type(p, info) & PNG_COLOR_MASK_COLOR) != 0;
    const ColourModel model = colour ? ColourModel::Rgb : ColourModel::Grey;
    const int16_t colourSamples = colourChannels(model);
    if ((depth != 8 && depth != 16) || channels < colourSamples) {
        png.fail("unexpected PNG layout after expansion");
    }
    checkImageSize(path, width, height, static_cast<uint64_t>(channels),
                   static_cast<uint64_t>(depth / 8));
    checkCompressedSize(path, width, height, bits, colourType);

    const std::size_t rowBytes =
        std::size_t{width} * static_cast<std::size_t>(channels * depth / 8);
    if (png_get_rowbytes(p, info) != rowBytes) png.fail("unexpected PNG row size");
    auto details = std::make_shared<ImageFileDetails>();
    details->format = ImageFormat::Png;
    details->source = path;
    ImageFile image;
    image.document.allocate(static_cast<int32_t>(width), static_cast<int32_t>(height),
                            colourSamples, *modeFor(model, depth), depth);
    details->width = image.document.width;
    details->height = image.document.height;
    SampleSplitter splitter(
        channels,
        std::vector<SampleCoding>(static_cast<std::size_t>(colourSamples), SampleCoding::Plain),
        image.document, *details);
    const std::size_t pixelBytes = rowBytes / width;
    const auto samplesPerPixel = static_cast<std::size_t>(channels);
    if (interlace == PNG_INTERLACE_NONE) {
        // Row by row straight into the document.
        std::vector<uint8_t> row(rowBytes);
        if (!pngCalls(p, [&] {
                for (std::size_t y = 0; y < height; ++y) {
                    png_read_row(p, row.data(), nullptr);
                    splitter.put(row.data(), pixelBytes, y * width, width, 0, samplesPerPixel);
                }
                png_read_end(p, info);
            })) {
            png.fail("cannot read the image data");
        }
    } else {
        // Interlaced rows are complete only after the last pass.
        std::vector<uint8_t> samples(rowBytes * height);
        std::vector<png_bytep> rows(height);
        for (std::size_t y = 0; y < height; ++y) rows[y] = samples.data() + y * rowBytes;
        if (!pngCalls(p, [&] {
                png_read_image(p, rows.data());
                png_read_end(p, info);
            })) {
            png.fail("cannot read the image data");
        }
        splitter.put(samples.data(), pixelBytes, 0, std::size_t{width} * height, 0,
                     samplesPerPixel);
    }
    readMetadata(png, *details);
    details->extraKinds.assign(static_cast<std::size_t>(details->extraSamples),
                               EXTRASAMPLE_UNASSALPHA);
    image.details = std::move(details);
    return image;
}

DocumentShape checkPngHolds(const fs::path& shown, const ImageFile& image) {
    const DocumentShape shape = documentShape(shown, image);
    const ImageFileDetails* details = image.details.get();
    if (shape.model != ColourModel::Grey && shape.model != ColourModel::Rgb) {
        fail(shown, std::string("PNG cannot hold ") + modelName(shape.model) + " images");
    }
    if (shape.depth == 32) fail(shown, "PNG cannot hold 32-bit float samples");
    if (shape.extraSamples > 1) fail(shown, "PNG cannot hold more than one extra sample (alpha)");
    if (shape.extraSamples == 1 && !details->extraKinds.empty() &&
        details->extraKinds[0] != EXTRASAMPLE_UNASSALPHA) {
        fail(shown, "PNG can hold only unassociated alpha as an extra sample");
    }
    return shape;
}

void writePng(const fs::path& target, const fs::path& shown, const ImageFile& image) {
    const DocumentShape shape = checkPngHolds(shown, image);
    const ImageFileDetails* details = image.details.get();
    const bool alpha = shape.extraSamples == 1;
    const int colourType = shape.model == ColourModel::Rgb
                               ? (alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB)
                               : (alpha ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY);

    const Document& document = image.document;
    const SampleJoiner joiner(
        image,
        std::vector<SampleCoding>(static_cast<std::size_t>(document.planes), SampleCoding::Plain));
    const auto width = static_cast<std::size_t>(document.width);
    const auto height = static_cast<std::size_t>(document.height);
    // One row of file samples at a time: libpng encodes as it goes.
    std::vector<uint8_t> row(width * joiner.pixelBytes());
    const std::vector<uint8_t> exif = exifToWrite(details);
    const std::string iccName =
        details != nullptr && !details->iccName.empty() ? details->iccName : "ICC profile";

    PngFile png(target, true, shown);
    png_structp p = png.png();
    png_infop info = png.info();
    if (!pngCalls(p, [&] {
            png_init_io(p, png.file());
            png_set_IHDR(p, info, static_cast<png_uint_32>(document.width),
                         static_cast<png_uint_32>(document.height), shape.depth, colourType,
                         PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
            if (details != nullptr) {
                if (!details->iccProfile.empty()) {
                    png_set_iCCP(p, info, iccName.c_str(), PNG_COMPRESSION_TYPE_BASE,
                                 details->iccProfile.data(),
                                 static_cast<png_uint_32>(details->iccProfile.size()));
                } else if (details->srgbIntent) {
                    png_set_sRGB(p, info, *details->srgbIntent);
                }
                if (details->gamma) {
                    png_set_gAMA_fixed(p, info, static_cast<png_fixed_point>(*details->gamma));
                }
                if (details->resolution) {
                    const Resolution& r = *details->resolution;
                    if (r.unit == ResolutionUnit::None) {
                        png_set_pHYs(p, info, pixelsPerMetre(r.x, r.unit),
                                     pixelsPerMetre(r.y, r.unit), PNG_RESOLUTION_UNKNOWN);
                    } else {
                        png_set_pHYs(p, info, pixelsPerMetre(r.x, r.unit),
                                     pixelsPerMetre(r.y, r.unit), PNG_RESOLUTION_METER);
                    }
                }
            }
            if (!exif.empty()) {
                png_set_eXIf_1(p, info, static_cast<png_uint_32>(exif.size()),
                               const_cast<png_bytep>(exif.data()));
            }
            png_write_info(p, info);
            if (shape.depth == 16 && kLittleEndian) png_set_swap(p);
            for (std::size_t y = 0; y < height; ++y) {
                joiner.get(row.data(), y * width, width);
                png_write_row(p, row.data());
            }
            png_write_end(p, info);
        })) {
        png.fail("cannot write the PNG file");
    }
    png.close();
}

}  // namespace filterhost::imagefiles
