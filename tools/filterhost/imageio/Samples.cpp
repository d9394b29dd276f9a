// SPDX-License-Identifier: MIT
// Colour models and modes, size limits, and the conversion between a file's
// interleaved samples and a document with its details.
#include <cstring>

#include "HostError.h"
#include "PIFilter.h"
#include "imageio/ImageFilesInternal.h"

namespace filterhost::imagefiles {
namespace {

struct ModeEntry {
    ColourModel model;
    int32_t depth;
    int16_t mode;
};

constexpr ModeEntry kModes[] = {
    {ColourModel::Grey, 8, plugInModeGrayScale}, {ColourModel::Grey, 16, plugInModeGray16},
    {ColourModel::Grey, 32, plugInModeGray32},   {ColourModel::Rgb, 8, plugInModeRGBColor},
    {ColourModel::Rgb, 16, plugInModeRGB48},     {ColourModel::Rgb, 32, plugInModeRGB96},
    {ColourModel::Cmyk, 8, plugInModeCMYKColor}, {ColourModel::Cmyk, 16, plugInModeCMYK64},
    {ColourModel::Lab, 8, plugInModeLabColor},   {ColourModel::Lab, 16, plugInModeLab48},
};

template <typename T>
T load(const uint8_t* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

template <typename T>
void store(uint8_t* p, T value) {
    std::memcpy(p, &value, sizeof value);
}

uint8_t code8(uint8_t v, SampleCoding coding) {
    switch (coding) {
        case SampleCoding::Inverted:
            return static_cast<uint8_t>(255 - v);
        case SampleCoding::SignedOffset:
            return static_cast<uint8_t>(v ^ 0x80u);
        case SampleCoding::Plain:
            break;
    }
    return v;
}

uint16_t code16(uint16_t v, SampleCoding coding) {
    switch (coding) {
        case SampleCoding::Inverted:
            return static_cast<uint16_t>(65535 - v);
        case SampleCoding::SignedOffset:
            return static_cast<uint16_t>(v ^ 0x8000u);
        case SampleCoding::Plain:
            break;
    }
    return v;
}

float codeFloat(float v, SampleCoding coding) {
    return coding == SampleCoding::Inverted ? 1.0f - v : v;
}

}  // namespace

int16_t colourChannels(ColourModel model) {
    switch (model) {
        case ColourModel::Grey:
            return 1;
        case ColourModel::Cmyk:
            return 4;
        case ColourModel::Rgb:
        case ColourModel::Lab:
            break;
    }
    return 3;
}

const char* modelName(ColourModel model) {
    switch (model) {
        case ColourModel::Grey:
            return "grey";
        case ColourModel::Rgb:
            return "RGB";
        case ColourModel::Cmyk:
            return "CMYK";
        case ColourModel::Lab:
            break;
    }
    return "Lab";
}

std::optional<int16_t> modeFor(ColourModel model, int32_t depth) {
    for (const ModeEntry& entry : kModes)
        if (entry.model == model && entry.depth == depth) return entry.mode;
    return std::nullopt;
}

std::optional<ColourModel> modelOfMode(int16_t mode) {
    for (const ModeEntry& entry : kModes)
        if (entry.mode == mode) return entry.model;
    return std::nullopt;
}

void fail(const std::filesystem::path& file, const std::string& cause) {
    throw HostError(file.string() + ": " + cause);
}

void checkImageSize(const std::filesystem::path& file, uint64_t width, uint64_t height,
                    uint64_t samplesPerPixel, uint64_t bytesPerSample) {
    if (width == 0 || height == 0) fail(file, "the image is empty (0 pixels wide or high)");
    const auto maxSide = static_cast<uint64_t>(kMaxImageSide);
    if (width > maxSide || height > maxSide) {
        fail(file, "the image is " + std::to_string(width) + "×" + std::to_string(height) +
                       " pixels, more than " + std::to_string(maxSide) + " on a side");
    }
    // Both sides are at most 2e6, so the pixel count fits; the byte count is
    // compared by division so that it cannot overflow.
    const uint64_t pixels = width * height;
    const uint64_t pixelBytes = std::max<uint64_t>(samplesPerPixel * bytesPerSample, 1);
    if (pixels > kMaxImageBytes / pixelBytes) {
        fail(file, "the image is " + std::to_string(width) + "×" + std::to_string(height) +
                       " pixels, too large to hold in memory");
    }
}

void splitSamples(const uint8_t* samples, int32_t samplesPerPixel,
                  const std::vector<SampleCoding>& coding, Document& document,
                  ImageFileDetails& details) {
    const auto pixels =
        static_cast<std::size_t>(document.width) * static_cast<std::size_t>(document.height);
    const auto colour = static_cast<std::size_t>(document.planes);
    const auto total = static_cast<std::size_t>(samplesPerPixel);
    const std::size_t extra = total - colour;
    const std::size_t bytes = document.sampleBytes();
    details.extraSamples = static_cast<int16_t>(extra);
    details.extras.assign(pixels * extra * bytes, 0);
    if (document.depth == 16) details.originalSamples.assign(pixels * colour, 0);

    uint8_t* out = document.pixels.data();
    for (std::size_t p = 0; p < pixels; ++p) {
        const uint8_t* in = samples + p * total * bytes;
        for (std::size_t c = 0; c < colour; ++c) {
            const uint8_t* from = in + c * bytes;
            uint8_t* to = out + (p * colour + c) * bytes;
            if (document.depth == 8) {
                *to = code8(*from, coding[c]);
            } else if (document.depth == 16) {
                const uint16_t original = code16(load<uint16_t>(from), coding[c]);
                details.originalSamples[p * colour + c] = original;
                store(to, hostFrom16(original));
            } else {
                store(to, codeFloat(load<float>(from), coding[c]));
            }
        }
        if (extra > 0)
            std::memcpy(&details.extras[p * extra * bytes], in + colour * bytes, extra * bytes);
    }
}

std::vector<uint8_t> joinSamples(const ImageFile& image, const std::vector<SampleCoding>& coding) {
    const Document& document = image.document;
    const ImageFileDetails* details = image.details.get();
    const auto pixels =
        static_cast<std::size_t>(document.width) * static_cast<std::size_t>(document.height);
    const auto colour = static_cast<std::size_t>(document.planes);
    const std::size_t extra =
        details != nullptr ? static_cast<std::size_t>(details->extraSamples) : 0;
    const std::size_t total = colour + extra;
    const std::size_t bytes = document.sampleBytes();
    const bool haveOriginals = details != nullptr && document.depth == 16 &&
                               details->originalSamples.size() == pixels * colour;

    std::vector<uint8_t> samples(pixels * total * bytes);
    const uint8_t* in = document.pixels.data();
    for (std::size_t p = 0; p < pixels; ++p) {
        uint8_t* out = samples.data() + p * total * bytes;
        for (std::size_t c = 0; c < colour; ++c) {
            const uint8_t* from = in + (p * colour + c) * bytes;
            uint8_t* to = out + c * bytes;
            if (document.depth == 8) {
                *to = code8(*from, coding[c]);
            } else if (document.depth == 16) {
                const uint16_t host = load<uint16_t>(from);
                uint16_t value = fileFrom16(host);
                if (haveOriginals) {
                    const uint16_t original = details->originalSamples[p * colour + c];
                    if (hostFrom16(original) == host) value = original;
                }
                store(to, code16(value, coding[c]));
            } else {
                store(to, codeFloat(load<float>(from), coding[c]));
            }
        }
        if (extra > 0)
            std::memcpy(out + colour * bytes, &details->extras[p * extra * bytes], extra * bytes);
    }
    return samples;
}

DocumentShape documentShape(const std::filesystem::path& file, const ImageFile& image) {
    const Document& document = image.document;
    const std::optional<ColourModel> model = modelOfMode(document.imageMode);
    if (!model)
        fail(file, "image mode " + std::to_string(document.imageMode) + " cannot be written");
    if (modeFor(*model, document.depth) != document.imageMode ||
        document.planes != colourChannels(*model)) {
        fail(file, "the document's mode, depth and planes do not agree");
    }
    if (document.width <= 0 || document.height <= 0) fail(file, "the document is empty");
    const auto pixels =
        static_cast<std::size_t>(document.width) * static_cast<std::size_t>(document.height);
    if (document.pixels.size() != document.rowBytes() * static_cast<std::size_t>(document.height)) {
        fail(file, "the document's pixels do not fill its size");
    }
    DocumentShape shape{*model, document.depth, 0};
    if (const ImageFileDetails* details = image.details.get()) {
        const auto extra = static_cast<std::size_t>(details->extraSamples);
        if (details->width != document.width || details->height != document.height ||
            details->extras.size() != pixels * extra * document.sampleBytes()) {
            fail(file, "the document no longer matches the file it was read from");
        }
        shape.extraSamples = details->extraSamples;
    }
    return shape;
}

}  // namespace filterhost::imagefiles
