// SPDX-License-Identifier: MIT
// JPEG files through libjpeg-turbo: 8-bit grey and RGB (YCbCr in the file).
// The APP1 (EXIF, XMP) and APP2 (ICC) markers are kept and written back as
// they were; output quality is 95.
#include <cstdio>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

// After jpeglib.h, whose configuration decides which messages exist.
#include <jerror.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "imageio/ImageFilesInternal.h"
#include "util/FileAccess.h"

namespace filterhost::imagefiles {
namespace fs = std::filesystem;

namespace {

constexpr int kQuality = 95;
constexpr std::size_t kMaxMarkerData = 65533;
constexpr char kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};

// libjpeg's error manager, extended with the place to jump to: its default
// error_exit ends the process.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char cause[JMSG_LENGTH_MAX];
};

[[noreturn]] void onJpegError(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->cause);
    std::longjmp(errors->jump, 1);
}

// Warnings of damaged data (a truncated file, corrupt entropy-coded data) end
// the read: libjpeg would fill the rest of the image with grey. Other warnings
// are dropped.
void onJpegMessage(j_common_ptr info, int level) {
    if (level >= 0) return;
    switch (info->err->msg_code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_MUST_RESYNC:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_ARITH_BAD_CODE:
        case JWRN_NOT_SEQUENTIAL:
        case JWRN_BOGUS_PROGRESSION:
            onJpegError(info);
        default:
            break;
    }
}

// Runs libjpeg calls; false when libjpeg reported an error. The calls leave by
// longjmp, so `calls` must not hold objects with destructors while it calls
// libjpeg; everything it needs is made before.
template <typename Calls>
bool jpegCalls(JpegErrors& errors, Calls&& calls) {
    if (setjmp(errors.jump)) return false;
    calls();
    return true;
}

class JpegFile {
  public:
    JpegFile(const fs::path& file, bool write, const fs::path& shown)
        : shown_(shown), write_(write) {
        file_ = nelvo::util::openStdioFile(file, write ? "wb" : "rb");
        if (file_ == nullptr) fail(std::string("cannot open the file: ") + std::strerror(errno));
        std::memset(&errors_, 0, sizeof errors_);
        jpeg_std_error(&errors_.manager);
        errors_.manager.error_exit = onJpegError;
        errors_.manager.emit_message = onJpegMessage;
        compress_.err = &errors_.manager;
        decompress_.err = &errors_.manager;
        const bool made = jpegCalls(errors_, [&] {
            if (write) {
                jpeg_create_compress(&compress_);
                jpeg_stdio_dest(&compress_, file_);
            } else {
                jpeg_create_decompress(&decompress_);
                jpeg_stdio_src(&decompress_, file_);
            }
        });
        if (!made) {
            std::fclose(file_);
            fail("not enough memory for libjpeg");
        }
        created_ = true;
    }
    ~JpegFile() {
        if (created_) {
            if (write_) {
                jpeg_destroy_compress(&compress_);
            } else {
                jpeg_destroy_decompress(&decompress_);
            }
        }
        if (file_ != nullptr) std::fclose(file_);
    }
    JpegFile(const JpegFile&) = delete;
    JpegFile& operator=(const JpegFile&) = delete;

    JpegErrors& errors() { return errors_; }
    jpeg_compress_struct& compress() { return compress_; }
    jpeg_decompress_struct& decompress() { return decompress_; }

    void close() {
        FILE* file = file_;
        file_ = nullptr;
        if (std::fclose(file) != 0) fail("cannot write the file");
    }

    [[noreturn]] void fail(const std::string& what) const {
        imagefiles::fail(shown_, errors_.cause[0] == 0 ? what : what + " (" + errors_.cause + ")");
    }

  private:
    fs::path shown_;
    bool write_;
    bool created_ = false;
    FILE* file_ = nullptr;
    JpegErrors errors_;
    jpeg_compress_struct compress_{};
    jpeg_decompress_struct decompress_{};
};

void readMetadata(jpeg_decompress_struct& info, ImageFileDetails& details) {
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker != nullptr;
         marker = marker->next) {
        details.jpegMarkers.push_back(
            {marker->marker,
             std::vector<uint8_t>(marker->data, marker->data + marker->data_length)});
        const bool exif = marker->marker == JPEG_APP0 + 1 &&
                          marker->data_length > sizeof kExifHeader &&
                          std::memcmp(marker->data, kExifHeader, sizeof kExifHeader) == 0;
        if (exif && details.exif.empty()) {
            details.exif.assign(marker->data + sizeof kExifHeader,
                                marker->data + marker->data_length);
            details.orientation = exifOrientation(details.exif);
        }
    }
    if (info.saw_JFIF_marker && info.density_unit != 0 && info.X_density > 0 &&
        info.Y_density > 0) {
        details.resolution =
            Resolution{double(info.X_density), double(info.Y_density),
                       info.density_unit == 1 ? ResolutionUnit::Inch : ResolutionUnit::Centimetre};
    }
}

uint16_t density(double value) {
    return static_cast<uint16_t>(std::clamp(std::lround(value), 1L, 65535L));
}

// JFIF holds whole dots per inch or per centimetre; of the two, the unit in
// which the resolution rounds the least (118.11 per cm is 300 per inch).
void setDensity(jpeg_compress_struct& info, const Resolution& r) {
    if (r.unit == ResolutionUnit::None) {
        info.density_unit = 0;
        info.X_density = density(r.x);
        info.Y_density = density(r.y);
        return;
    }
    const double toInch = r.unit == ResolutionUnit::Inch ? 1.0 : 2.54;
    const double xInch = r.x * toInch;
    const double yInch = r.y * toInch;
    auto roundingError = [](double x, double y) {
        return std::abs(density(x) - x) / x + std::abs(density(y) - y) / y;
    };
    const bool inch = roundingError(xInch, yInch) <= roundingError(xInch / 2.54, yInch / 2.54);
    info.density_unit = inch ? 1 : 2;
    info.X_density = density(inch ? xInch : xInch / 2.54);
    info.Y_density = density(inch ? yInch : yInch / 2.54);
}

}  // namespace

ImageFile readJpeg(const fs::path& path) {
    JpegFile jpeg(path, false, path);
    jpeg_decompress_struct& info = jpeg.decompress();
    if (!jpegCalls(jpeg.errors(), [&] {
            info.mem->max_memory_to_use = static_cast<long>(kMaxImageBytes);
            jpeg_save_markers(&info, JPEG_APP0 + 1, 0xffff);
            jpeg_save_markers(&info, JPEG_APP0 + 2, 0xffff);
            jpeg_read_header(&info, TRUE);
        })) {
        jpeg.fail("not a readable JPEG file");
    }
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        fail(path, "CMYK JPEG images are not supported (convert it to TIFF)");
    }
    if (info.num_components != (grey ? 1 : 3)) {
        fail(path, "JPEG images with " + std::to_string(info.num_components) +
                       " components are not supported");
    }
    checkImageSize(path, info.image_width, info.image_height, grey ? 1 : 3, 1);
    const ColourModel model = grey ? ColourModel::Grey : ColourModel::Rgb;
    const auto width = static_cast<int32_t>(info.image_width);
    const auto height = static_cast<int32_t>(info.image_height);

    auto details = std::make_shared<ImageFileDetails>();
    details->format = ImageFormat::Jpeg;
    details->source = path;
    details->width = width;
    details->height = height;
    readMetadata(info, *details);

    ImageFile image;
    image.document.allocate(width, height, colourChannels(model), *modeFor(model, 8), 8);
    const std::size_t rowBytes = image.document.rowBytes();
    uint8_t* pixels = image.document.pixels.data();
    JOCTET* icc = nullptr;
    unsigned int iccSize = 0;
    const bool read = jpegCalls(jpeg.errors(), [&] {
        if (!jpeg_read_icc_profile(&info, &icc, &iccSize)) icc = nullptr;
        info.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = pixels + std::size_t{info.output_scanline} * rowBytes;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
    });
    if (icc != nullptr) {
        details->iccProfile.assign(icc, icc + iccSize);
        std::free(icc);
    }
    if (!read) jpeg.fail("cannot read the image data");
    image.details = std::move(details);
    return image;
}

DocumentShape checkJpegHolds(const fs::path& shown, const ImageFile& image) {
    const DocumentShape shape = documentShape(shown, image);
    if (shape.model != ColourModel::Grey && shape.model != ColourModel::Rgb) {
        fail(shown, std::string("JPEG cannot hold ") + modelName(shape.model) + " images");
    }
    if (shape.depth != 8) {
        fail(shown, "JPEG cannot hold " + std::to_string(shape.depth) + "-bit samples");
    }
    if (shape.extraSamples > 0) fail(shown, "JPEG cannot hold alpha or other extra samples");
    return shape;
}

void writeJpeg(const fs::path& target, const fs::path& shown, const ImageFile& image) {
    const DocumentShape shape = checkJpegHolds(shown, image);
    const ImageFileDetails* details = image.details.get();

    // The markers read from a JPEG file go back as they were; otherwise the
    // EXIF block and the ICC profile are written afresh.
    std::vector<JpegMarker> markers;
    const std::vector<uint8_t>* icc = nullptr;
    if (details != nullptr && details->format == ImageFormat::Jpeg) {
        markers = details->jpegMarkers;
    } else if (details != nullptr) {
        const std::vector<uint8_t> exif = exifToWrite(details);
        if (!exif.empty()) {
            if (exif.size() + sizeof kExifHeader > kMaxMarkerData) {
                fail(shown, "the EXIF data is too large for a JPEG file");
            }
            JpegMarker marker{JPEG_APP0 + 1, std::vector<uint8_t>(kExifHeader, kExifHeader + 6)};
            marker.data.insert(marker.data.end(), exif.begin(), exif.end());
            markers.push_back(std::move(marker));
        }
        if (!details->iccProfile.empty()) icc = &details->iccProfile;
    }
    for (const JpegMarker& marker : markers) {
        if (marker.data.size() > kMaxMarkerData) fail(shown, "a JPEG marker is too large");
    }

    const Document& document = image.document;
    const std::size_t rowBytes = document.rowBytes();
    const uint8_t* pixels = document.pixels.data();
    JpegFile jpeg(target, true, shown);
    jpeg_compress_struct& info = jpeg.compress();
    info.image_width = static_cast<JDIMENSION>(document.width);
    info.image_height = static_cast<JDIMENSION>(document.height);
    info.input_components = document.planes;
    info.in_color_space = shape.model == ColourModel::Grey ? JCS_GRAYSCALE : JCS_RGB;
    const bool written = jpegCalls(jpeg.errors(), [&] {
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, kQuality, TRUE);
        if (details != nullptr && details->resolution) setDensity(info, *details->resolution);
        jpeg_start_compress(&info, TRUE);
        for (const JpegMarker& marker : markers) {
            jpeg_write_marker(&info, marker.code, marker.data.data(),
                              static_cast<unsigned int>(marker.data.size()));
        }
        if (icc != nullptr) {
            jpeg_write_icc_profile(&info, icc->data(), static_cast<unsigned int>(icc->size()));
        }
        while (info.next_scanline < info.image_height) {
            // libjpeg takes non-const rows but only reads them.
            JSAMPROW row =
                const_cast<JSAMPROW>(pixels + std::size_t{info.next_scanline} * rowBytes);
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
    });
    if (!written) jpeg.fail("cannot write the JPEG file");
    jpeg.close();
}

}  // namespace filterhost::imagefiles
