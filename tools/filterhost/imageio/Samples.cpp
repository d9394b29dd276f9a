// SPDX-License-Identifier: MIT
// Colour models and modes, size limits, and the conversion between a file's
// interleaved samples and a document with its details.
#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

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

bool bitAt(const std::vector<uint64_t>& bits, std::size_t i) {
    return (bits[i >> 6] >> (i & 63)) & 1u;
}

// The 16-bit mapping both ways, looked up rather than computed: about 40 ms
// each way for the 72 million samples of a 24-megapixel RGB picture.
struct SixteenBitTables {
    uint16_t host[65536];  // by file value
    // By host value, the file value it maps back to, then the other one read
    // as it: one table, so that choosing costs an index and not a branch,
    // which the bits of a photograph mispredict half the time (with the
    // branch, writing that picture took twice as long).
    uint16_t file[2 * 65536];
    const uint16_t* second() const { return file + 65536; }
};

const SixteenBitTables& sixteen() {
    static const std::unique_ptr<const SixteenBitTables> tables = [] {
        auto t = std::make_unique<SixteenBitTables>();
        for (uint32_t v = 0; v < 65536; ++v) {
            const auto value = static_cast<uint16_t>(v);
            t->host[v] = hostFrom16(value);
            t->file[v] = fileFrom16(value);
            t->file[65536 + v] = secondFileValue(value);
        }
        return t;
    }();
    return *tables;
}

// A 16-bit file value (in the document's convention) into the document at
// sample index `i`, noting whether it is the second value of its host value.
void putSixteen(const SixteenBitTables& tables, uint8_t* to, uint16_t value,
                std::vector<uint64_t>& second, std::size_t i) {
    const uint16_t host = tables.host[value];
    store(to, host);
    second[i >> 6] |= uint64_t{tables.file[host] != value} << (i & 63);
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

SampleSplitter::SampleSplitter(int32_t samplesPerPixel, std::vector<SampleCoding> coding,
                               Document& document, ImageFileDetails& details)
    : coding_(std::move(coding)), document_(document), details_(details) {
    const auto pixels =
        static_cast<std::size_t>(document.width) * static_cast<std::size_t>(document.height);
    colour_ = static_cast<std::size_t>(document.planes);
    extra_ = static_cast<std::size_t>(samplesPerPixel) - colour_;
    bytes_ = document.sampleBytes();
    details.extraSamples = static_cast<int16_t>(extra_);
    details.extras.assign(pixels * extra_ * bytes_, 0);
    if (document.depth == 16) {
        details.secondValues.assign((pixels * colour_ + 63) / 64, 0);
        document.changes.track(pixels * colour_);
    }
    plain_ = std::all_of(coding_.begin(), coding_.end(),
                         [](SampleCoding c) { return c == SampleCoding::Plain; });
}

uint8_t* SampleSplitter::documentBytesAt(std::size_t pixel, std::size_t samplesPerPixel) const {
    if (!plain_ || bytes_ != 1 || extra_ != 0 || samplesPerPixel != colour_) return nullptr;
    return document_.pixels.data() + pixel * colour_;
}

void SampleSplitter::put(const uint8_t* from, std::size_t stride, std::size_t pixel,
                         std::size_t count, std::size_t first, std::size_t samples) {
    const std::size_t last = first + samples;
    const std::size_t colourEnd = std::min(last, colour_);
    uint8_t* pixels = document_.pixels.data();
    // Plain 8-bit pixels without extra samples are the document's bytes.
    if (plain_ && bytes_ == 1 && extra_ == 0 && first == 0 && samples == colour_ &&
        stride == colour_) {
        std::memcpy(pixels + pixel * colour_, from, count * colour_);
        return;
    }
    // Plain 16-bit samples: the mapping alone, in a loop the compiler can
    // keep tight.
    if (plain_ && bytes_ == 2 && extra_ == 0) {
        const SixteenBitTables& tables = sixteen();
        std::vector<uint64_t>& second = details_.secondValues;
        if (first == 0 && samples == colour_ && stride == colour_ * 2) {
            // A run of whole pixels: the second-value bits are gathered a
            // word at a time.
            const std::size_t begin = pixel * colour_;
            const std::size_t end = begin + count * colour_;
            for (std::size_t i = begin; i < end;) {
                const std::size_t stop = std::min(end, (i | 63) + 1);
                uint64_t bits = 0;
                for (; i < stop; ++i, from += 2) {
                    const uint16_t value = load<uint16_t>(from);
                    const uint16_t host = tables.host[value];
                    store(pixels + i * 2, host);
                    bits |= uint64_t{tables.file[host] != value} << (i & 63);
                }
                second[(stop - 1) >> 6] |= bits;
            }
            return;
        }
        for (std::size_t p = pixel; p < pixel + count; ++p, from += stride) {
            for (std::size_t c = first; c < colourEnd; ++c) {
                const std::size_t i = p * colour_ + c;
                putSixteen(tables, pixels + i * 2, load<uint16_t>(from + (c - first) * 2), second,
                           i);
            }
        }
        return;
    }
    for (std::size_t p = pixel; p < pixel + count; ++p, from += stride) {
        for (std::size_t c = first; c < colourEnd; ++c) {
            const uint8_t* in = from + (c - first) * bytes_;
            uint8_t* to = pixels + (p * colour_ + c) * bytes_;
            if (bytes_ == 1) {
                *to = code8(*in, coding_[c]);
            } else if (bytes_ == 2) {
                putSixteen(sixteen(), to, code16(load<uint16_t>(in), coding_[c]),
                           details_.secondValues, p * colour_ + c);
            } else {
                store(to, codeFloat(load<float>(in), coding_[c]));
            }
        }
        if (last > colour_) {
            const std::size_t e = std::max(first, colour_);
            std::memcpy(&details_.extras[(p * extra_ + e - colour_) * bytes_],
                        from + (e - first) * bytes_, (last - e) * bytes_);
        }
    }
}

void splitSamples(const uint8_t* samples, int32_t samplesPerPixel,
                  const std::vector<SampleCoding>& coding, Document& document,
                  ImageFileDetails& details) {
    SampleSplitter splitter(samplesPerPixel, coding, document, details);
    const auto total = static_cast<std::size_t>(samplesPerPixel);
    const auto pixels =
        static_cast<std::size_t>(document.width) * static_cast<std::size_t>(document.height);
    splitter.put(samples, total * document.sampleBytes(), 0, pixels, 0, total);
}

SampleJoiner::SampleJoiner(const ImageFile& image, std::vector<SampleCoding> coding)
    : image_(image), coding_(std::move(coding)) {
    const Document& document = image.document;
    const ImageFileDetails* details = image.details.get();
    const auto pixels =
        static_cast<std::size_t>(document.width) * static_cast<std::size_t>(document.height);
    colour_ = static_cast<std::size_t>(document.planes);
    extra_ = details != nullptr ? static_cast<std::size_t>(details->extraSamples) : 0;
    bytes_ = document.sampleBytes();
    haveSecond_ = details != nullptr && document.depth == 16 &&
                  details->secondValues.size() == (pixels * colour_ + 63) / 64 &&
                  document.changes.samples() == pixels * colour_;
    plain_ = std::all_of(coding_.begin(), coding_.end(),
                         [](SampleCoding c) { return c == SampleCoding::Plain; });
}

void SampleJoiner::get(uint8_t* out, std::size_t pixel, std::size_t count) const {
    const Document& document = image_.document;
    const ImageFileDetails* details = image_.details.get();
    const std::size_t total = colour_ + extra_;
    const uint8_t* in = document.pixels.data();
    if (plain_ && bytes_ == 1 && extra_ == 0) {
        std::memcpy(out, in + pixel * colour_, count * colour_);
        return;
    }
    if (plain_ && bytes_ == 2 && extra_ == 0) {
        const SixteenBitTables& tables = sixteen();
        const std::size_t begin = pixel * colour_;
        const std::size_t end = begin + count * colour_;
        const uint64_t* second = haveSecond_ ? details->secondValues.data() : nullptr;
        const uint64_t* changed = haveSecond_ ? document.changes.words() : nullptr;
        for (std::size_t i = begin; i < end;) {
            const std::size_t stop = std::min(end, (i | 63) + 1);
            const std::size_t w = i >> 6;
            // The samples still as read whose file value was the second one.
            const uint64_t keep = second != nullptr ? second[w] & ~changed[w] : 0;
            for (; i < stop; ++i, out += 2) {
                const uint16_t host = load<uint16_t>(in + i * 2);
                store(out, tables.file[((keep >> (i & 63)) & 1u) << 16 | host]);
            }
        }
        return;
    }
    for (std::size_t p = pixel; p < pixel + count; ++p, out += total * bytes_) {
        for (std::size_t c = 0; c < colour_; ++c) {
            const uint8_t* from = in + (p * colour_ + c) * bytes_;
            uint8_t* to = out + c * bytes_;
            if (bytes_ == 1) {
                *to = code8(*from, coding_[c]);
            } else if (bytes_ == 2) {
                store(to,
                      code16(sixteenToWrite(load<uint16_t>(from), p * colour_ + c), coding_[c]));
            } else {
                store(to, codeFloat(load<float>(from), coding_[c]));
            }
        }
        if (extra_ > 0)
            std::memcpy(out + colour_ * bytes_, &details->extras[p * extra_ * bytes_],
                        extra_ * bytes_);
    }
}

uint16_t SampleJoiner::sixteenToWrite(uint16_t host, std::size_t i) const {
    if (haveSecond_ && bitAt(image_.details->secondValues, i) &&
        !image_.document.changes.changed(i))
        return sixteen().second()[host];
    return sixteen().file[host];
}

std::size_t SampleJoiner::pixelBytes() const {
    return (colour_ + extra_) * bytes_;
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
