// SPDX-License-Identifier: MIT
// Choosing the format of a file, writing through a temporary file, and masks.
#include "imageio/ImageFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <new>
#include <system_error>

#include "HostError.h"
#include "imageio/ImageFilesInternal.h"
#include "util/SafeWrite.h"

namespace filterhost {
namespace fs = std::filesystem;
using namespace imagefiles;

namespace {

// The formats by their first bytes.
bool isTiff(const uint8_t* head, std::size_t size) {
    if (size < 4) return false;
    const bool little =
        head[0] == 'I' && head[1] == 'I' && head[3] == 0 && (head[2] == 42 || head[2] == 43);
    const bool big =
        head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43);
    return little || big;
}

bool isPng(const uint8_t* head, std::size_t size) {
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    return size >= 8 && std::memcmp(head, kSignature, 8) == 0;
}

bool isJpeg(const uint8_t* head, std::size_t size) {
    return size >= 3 && head[0] == 0xff && head[1] == 0xd8 && head[2] == 0xff;
}

std::string lowerExtension(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

ImageFormat outputFormat(const fs::path& path) {
    const std::string extension = lowerExtension(path);
    if (extension == ".tif" || extension == ".tiff") return ImageFormat::Tiff;
    if (extension == ".png") return ImageFormat::Png;
    if (extension == ".jpg" || extension == ".jpeg") return ImageFormat::Jpeg;
    fail(path, "cannot tell the format from the extension '" + path.extension().string() +
                   "' (use .tif, .tiff, .png, .jpg or .jpeg)");
}

template <typename Function>
auto withMemoryErrors(const fs::path& path, Function&& function) {
    try {
        return function();
    } catch (const std::bad_alloc&) {
        fail(path, "not enough memory for the image");
    } catch (const std::length_error&) {
        fail(path, "not enough memory for the image");
    }
}

// Scales a document sample to 0..1.
double unitSample(const Document& document, std::size_t index) {
    const uint8_t* p = document.pixels.data() + index * document.sampleBytes();
    if (document.depth == 8) return *p / 255.0;
    if (document.depth == 16) {
        uint16_t value;
        std::memcpy(&value, p, sizeof value);
        return std::min(value / 32768.0, 1.0);
    }
    float value;
    std::memcpy(&value, p, sizeof value);
    if (!(value > 0.0f)) return 0.0;  // negative or NaN
    return std::min(static_cast<double>(value), 1.0);
}

}  // namespace

namespace {

// The format of a file, from its first bytes.
ImageFormat formatOf(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) fail(path, "no such file");
    if (!fs::is_regular_file(status)) fail(path, "not a regular file");
    std::ifstream stream(path, std::ios::binary);
    if (!stream) fail(path, std::string("cannot open the file: ") + std::strerror(errno));
    uint8_t head[8] = {};
    stream.read(reinterpret_cast<char*>(head), sizeof head);
    const auto size = static_cast<std::size_t>(stream.gcount());
    stream.close();
    if (size == 0) fail(path, "the file is empty");
    if (isTiff(head, size)) return ImageFormat::Tiff;
    if (isPng(head, size)) return ImageFormat::Png;
    if (isJpeg(head, size)) return ImageFormat::Jpeg;
    fail(path, "not a TIFF, PNG or JPEG file");
}

// A reader whose running out of memory is told as this file's failure.
class NamedRowsReader final : public ImageRowsReader {
  public:
    NamedRowsReader(fs::path path, std::unique_ptr<ImageRowsReader> reader)
        : path_(std::move(path)), reader_(std::move(reader)) {}
    void rowsNeeded(int32_t rows) override {
        withMemoryErrors(path_, [&] { reader_->rowsNeeded(rows); });
    }

  private:
    fs::path path_;
    std::unique_ptr<ImageRowsReader> reader_;
};

}  // namespace

ImageFile readImage(const fs::path& path) {
    const ImageFormat format = formatOf(path);
    return withMemoryErrors(path, [&] {
        switch (format) {
            case ImageFormat::Tiff:
                return readTiff(path);
            case ImageFormat::Png:
                return readPng(path);
            case ImageFormat::Jpeg:
                break;
        }
        return readJpeg(path);
    });
}

std::unique_ptr<ImageRowsReader> readImageInRows(const fs::path& path, ImageFile& image) {
    if (formatOf(path) != ImageFormat::Tiff) {
        image = readImage(path);
        return nullptr;
    }
    return withMemoryErrors(path, [&]() -> std::unique_ptr<ImageRowsReader> {
        std::unique_ptr<ImageRowsReader> reader = startTiffRows(path, image);
        if (!reader) return nullptr;
        return std::make_unique<NamedRowsReader>(path, std::move(reader));
    });
}

void checkWritable(const fs::path& path, const ImageFile* image) {
    const ImageFormat format = outputFormat(path);
    if (image != nullptr) {
        if (format == ImageFormat::Png) checkPngHolds(path, *image);
        if (format == ImageFormat::Jpeg) checkJpegHolds(path, *image);
    }
}

namespace {

// Refuses writing over the file the image was read from.
void checkNotTheSource(const fs::path& path, const ImageFile& image) {
    if (image.details && !image.details->source.empty()) {
        std::error_code error;
        if (fs::equivalent(path, image.details->source, error)) {
            fail(path, "is the file the image was read from; it is never overwritten");
        }
    }
}

// A writer whose running out of memory is told as this output's failure.
class NamedRowsWriter final : public ImageRowsWriter {
  public:
    NamedRowsWriter(fs::path path, std::unique_ptr<ImageRowsWriter> writer)
        : path_(std::move(path)), writer_(std::move(writer)) {}
    void rowsFinal(int32_t rows) override {
        withMemoryErrors(path_, [&] { writer_->rowsFinal(rows); });
    }
    void finish() override {
        withMemoryErrors(path_, [&] { writer_->finish(); });
    }
    int32_t rowsWritten() const override { return writer_->rowsWritten(); }

  private:
    fs::path path_;
    std::unique_ptr<ImageRowsWriter> writer_;
};

}  // namespace

bool writtenInRows(const fs::path& path) {
    return outputFormat(path) == ImageFormat::Tiff;
}

std::unique_ptr<ImageRowsWriter> startWritingInRows(nelvo::util::SafeWrite& file,
                                                    const ImageFile& image) {
    const fs::path& path = file.target();
    if (!writtenInRows(path)) return nullptr;
    documentShape(path, image);
    checkNotTheSource(path, image);
    return withMemoryErrors(path, [&]() -> std::unique_ptr<ImageRowsWriter> {
        return std::make_unique<NamedRowsWriter>(path,
                                                 startTiff(file.temporaryPath(), path, image));
    });
}

void writeImageTo(nelvo::util::SafeWrite& file, const ImageFile& image) {
    const fs::path& path = file.target();
    const ImageFormat format = outputFormat(path);
    if (format == ImageFormat::Tiff) {
        startWritingInRows(file, image)->finish();
        return;
    }
    documentShape(path, image);
    checkNotTheSource(path, image);
    withMemoryErrors(path, [&] {
        switch (format) {
            case ImageFormat::Png:
                writePng(file.temporaryPath(), path, image);
                break;
            case ImageFormat::Jpeg:
                writeJpeg(file.temporaryPath(), path, image);
                break;
            case ImageFormat::Tiff:
                break;
        }
    });
}

std::optional<std::string> lossyWriteNote(const fs::path& path, const ImageFile& image) {
    const ImageFormat format = outputFormat(path);
    if (format == ImageFormat::Jpeg)
        return path.string() + ": JPEG re-encoding changes pixels beyond the filter's";
    const ImageFileDetails* details = image.details.get();
    if (format == ImageFormat::Tiff && details != nullptr && details->tiff &&
        lossyTiffCompression(details->tiff->compression))
        return path.string() +
               ": written with LZW compression, not the input's lossy JPEG compression";
    return std::nullopt;
}

void writeImage(const fs::path& path, const ImageFile& image) {
    outputFormat(path);
    try {
        nelvo::util::SafeWrite file(path);
        writeImageTo(file, image);
        file.commit();
    } catch (const std::system_error& e) {
        fail(path, e.what());
    }
}

std::vector<uint8_t> readMask(const fs::path& path, int32_t width, int32_t height) {
    const ImageFile mask = readImage(path);
    const Document& document = mask.document;
    if (document.width != width || document.height != height) {
        fail(path, "mask is " + std::to_string(document.width) + "×" +
                       std::to_string(document.height) + ", the image is " + std::to_string(width) +
                       "×" + std::to_string(height));
    }
    const std::optional<ColourModel> model = modelOfMode(document.imageMode);
    const auto pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const auto planes = static_cast<std::size_t>(document.planes);
    // Lab's lightness alone; the mean of a and b around their middle says
    // nothing about how much of a pixel is selected.
    const std::size_t used = model == ColourModel::Lab ? 1 : planes;
    std::vector<uint8_t> selection(pixels);
    for (std::size_t p = 0; p < pixels; ++p) {
        double sum = 0.0;
        for (std::size_t c = 0; c < used; ++c) sum += unitSample(document, p * planes + c);
        selection[p] = static_cast<uint8_t>(std::lround(sum / static_cast<double>(used) * 255.0));
    }
    return selection;
}

}  // namespace filterhost
