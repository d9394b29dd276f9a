// SPDX-License-Identifier: MIT
#include "cli/CompareImages.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "HostError.h"
#include "PIFilter.h"
#include "cli/FilePaths.h"
#include "cli/PixelChanges.h"
#include "cli/StopSignals.h"
#include "imageio/ImageFiles.h"
#include "util/FileAccess.h"
#include "util/SafeWrite.h"

namespace filterhost {
namespace {

// One sample on the 0..255 display scale.
uint8_t display(const Document& d, const uint8_t* sample) {
    if (d.depth == 16) {
        uint16_t v;
        std::memcpy(&v, sample, 2);
        return static_cast<uint8_t>(std::min<uint32_t>(v, 32768) * 255 / 32768);
    }
    if (d.depth == 32) {
        float v;
        std::memcpy(&v, sample, 4);
        if (!(v > 0)) return 0;
        return static_cast<uint8_t>(std::min(v, 1.0f) * 255.0f + 0.5f);
    }
    return *sample;
}

// An RGB view of the document for the eye: grey and Lab lightness as grey,
// CMYK through the plain ink formula, other colour modes as they are.
void toRgb(const Document& d, std::vector<uint8_t>& rgb, int32_t stride, int32_t left) {
    const std::size_t sample = d.sampleBytes();
    for (int32_t y = 0; y < d.height; ++y) {
        for (int32_t x = 0; x < d.width; ++x) {
            const uint8_t* p = d.pixels.data() + static_cast<std::size_t>(y) * d.rowBytes() +
                               static_cast<std::size_t>(x) * d.pixelBytes();
            uint8_t* out =
                rgb.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) +
                              static_cast<std::size_t>(left + x)) *
                                 3;
            const auto c = [&](int i) {
                return display(d, p + static_cast<std::size_t>(i) * sample);
            };
            const bool cmyk = d.imageMode == plugInModeCMYKColor || d.imageMode == plugInModeCMYK64;
            const bool lab = d.imageMode == plugInModeLabColor || d.imageMode == plugInModeLab48;
            if (cmyk && d.planes >= 4) {
                for (int i = 0; i < 3; ++i)
                    out[i] = static_cast<uint8_t>((255 - c(i)) * (255 - c(3)) / 255);
            } else if (lab || d.planes < 3) {
                out[0] = out[1] = out[2] = c(0);
            } else {
                for (int i = 0; i < 3; ++i) out[i] = c(i);
            }
        }
    }
}

// One sample on a 0..1 scale, whatever the depth (16-bit 32768 is 1; float
// clamped to 0..1, NaN as 0).
double unitSample(const Document& d, std::size_t index) {
    const uint8_t* p = d.pixels.data() + index * d.sampleBytes();
    if (d.depth == 16) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return std::min(v / 32768.0, 1.0);
    }
    if (d.depth == 32) {
        float v;
        std::memcpy(&v, p, 4);
        if (!(v > 0)) return 0.0;
        return std::min(static_cast<double>(v), 1.0);
    }
    return *p / 255.0;
}

// The samples of both on a 0..1 scale, so that files of different depths
// compare; a pixel changed when any of its samples did.
struct Difference {
    std::vector<uint8_t> changedMask;
    uint64_t changed = 0;
    double squaredError = 0.0;
};

Difference difference(const Document& a, const Document& b) {
    Difference result;
    const auto pixels = static_cast<std::size_t>(a.width) * static_cast<std::size_t>(a.height);
    const auto planes = static_cast<std::size_t>(a.planes);
    result.changedMask.assign(pixels, 0);
    for (std::size_t p = 0; p < pixels; ++p) {
        bool changed = false;
        for (std::size_t c = 0; c < planes; ++c) {
            const double d = unitSample(a, p * planes + c) - unitSample(b, p * planes + c);
            changed = changed || d != 0.0;
            result.squaredError += d * d;
        }
        if (!changed) continue;
        result.changedMask[p] = 255;
        ++result.changed;
    }
    return result;
}

std::string describePsnr(double squaredError, std::size_t samples) {
    if (squaredError == 0.0) return "PSNR: infinite (the images are equal)";
    const double meanSquared = squaredError / static_cast<double>(samples);
    char text[64];
    std::snprintf(text, sizeof text, "PSNR: %.2f dB", -10.0 * std::log10(meanSquared));
    return text;
}

void writePng(nelvo::util::SafeWrite& file, const std::vector<uint8_t>& samples, int32_t width,
              int32_t height, uint32_t format) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = format;
    std::FILE* stream = nelvo::util::openStdioFile(file.temporaryPath(), "wb");
    if (stream == nullptr)
        throw HostError(file.target().string() + ": cannot write: " + std::strerror(errno));
    const bool written = png_image_write_to_stdio(&image, stream, 0, samples.data(), 0, nullptr);
    const bool closed = std::fclose(stream) == 0;
    if (!written) {
        const std::string why = image.message;
        png_image_free(&image);
        throw HostError(file.target().string() + ": " + why);
    }
    if (!closed)
        throw HostError(file.target().string() + ": cannot write: " + std::strerror(errno));
}

void checkPngOutput(const std::filesystem::path& output, const CompareOptions& options) {
    std::string extension = output.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension != ".png")
        throw HostError(output.string() + ": compare writes PNG files; name it .png");
    checkFolderTakesFile(output);
    refuseOverwriting(output, options.before, "BEFORE");
    refuseOverwriting(output, options.after, "AFTER");
}

}  // namespace

void compareImages(const CompareOptions& options, std::ostream& out) {
    checkPngOutput(options.output, options);
    if (options.maskOut) {
        checkPngOutput(*options.maskOut, options);
        if (sameFile(*options.maskOut, options.output))
            throw HostError(options.maskOut->string() + ": is also the side-by-side picture");
    }
    const ImageFile a = readImage(options.before);
    const ImageFile b = readImage(options.after);
    if (a.document.width != b.document.width || a.document.height != b.document.height) {
        throw HostError(options.after.string() + ": not the size of " + options.before.string());
    }
    if (a.document.planes != b.document.planes) {
        throw HostError(options.after.string() + ": not the number of channels of " +
                        options.before.string());
    }
    const int32_t width = a.document.width * 2;
    std::vector<uint8_t> rgb(static_cast<std::size_t>(width) *
                             static_cast<std::size_t>(a.document.height) * 3);
    toRgb(a.document, rgb, width, 0);
    toRgb(b.document, rgb, width, a.document.width);
    const Difference diff = difference(a.document, b.document);

    try {
        nelvo::util::SafeWrite picture(options.output);
        writePng(picture, rgb, width, a.document.height, PNG_FORMAT_RGB);
        std::optional<nelvo::util::SafeWrite> mask;
        if (options.maskOut) {
            mask.emplace(*options.maskOut);
            writePng(*mask, diff.changedMask, a.document.width, a.document.height, PNG_FORMAT_GRAY);
        }
        if (StopSignals::requested())
            throw HostError(options.output.string() + ": stopped; nothing written");
        picture.commit();
        if (mask) mask->commit();
    } catch (const std::system_error& e) {
        throw HostError(e.what());
    }
    const uint64_t pixels = diff.changedMask.size();
    out << "filterhost: " << options.output.string() << "\n";
    out << "filterhost: " << describeChanges(diff.changed, pixels) << "\n";
    out << "filterhost: "
        << describePsnr(diff.squaredError, pixels * static_cast<std::size_t>(a.document.planes))
        << "\n";
}

}  // namespace filterhost
