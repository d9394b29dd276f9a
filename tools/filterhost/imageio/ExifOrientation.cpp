// SPDX-License-Identifier: MIT
// EXIF orientation: reading it from a block, and the smallest block that states it.
#include "imageio/ImageFilesInternal.h"

namespace filterhost::imagefiles {
namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;

// Reads integers of an EXIF block in its byte order; out-of-range reads give
// nothing, so a damaged block never reads past its end.
class ExifReader {
  public:
    explicit ExifReader(const std::vector<uint8_t>& data) : data_(data) {
        if (data.size() >= 8 && data[0] == 'I' && data[1] == 'I') valid_ = true, little_ = true;
        if (data.size() >= 8 && data[0] == 'M' && data[1] == 'M') valid_ = true, little_ = false;
    }
    bool valid() const { return valid_; }

    std::optional<uint32_t> read(std::size_t offset, std::size_t size) const {
        if (offset > data_.size() || size > data_.size() - offset) return std::nullopt;
        uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            const uint32_t byte = data_[offset + (little_ ? size - 1 - i : i)];
            value = (value << 8) | byte;
        }
        return value;
    }

  private:
    const std::vector<uint8_t>& data_;
    bool valid_ = false;
    bool little_ = false;
};

}  // namespace

uint16_t exifOrientation(const std::vector<uint8_t>& exif) {
    const ExifReader reader(exif);
    if (!reader.valid()) return 1;
    const std::optional<uint32_t> ifd = reader.read(4, 4);
    if (!ifd) return 1;
    const std::optional<uint32_t> count = reader.read(*ifd, 2);
    if (!count) return 1;
    for (uint32_t i = 0; i < *count; ++i) {
        const std::size_t entry = std::size_t{*ifd} + 2 + std::size_t{i} * 12;
        const std::optional<uint32_t> tag = reader.read(entry, 2);
        const std::optional<uint32_t> type = reader.read(entry + 2, 2);
        const std::optional<uint32_t> value = reader.read(entry + 8, 2);
        if (!tag || !type || !value) return 1;
        if (*tag == kOrientationTag && *type == kTypeShort) {
            return *value >= 1 && *value <= 8 ? static_cast<uint16_t>(*value) : 1;
        }
    }
    return 1;
}

std::vector<uint8_t> minimalExif(uint16_t orientation) {
    // Big-endian header, IFD0 at 8 with one entry, no next IFD.
    return {'M',
            'M',
            0,
            42,
            0,
            0,
            0,
            8,  // header
            0,
            1,  // one entry
            0x01,
            0x12,
            0,
            kTypeShort,
            0,
            0,
            0,
            1,
            static_cast<uint8_t>(orientation >> 8),
            static_cast<uint8_t>(orientation & 0xff),
            0,
            0,  // orientation
            0,
            0,
            0,
            0};
}

std::vector<uint8_t> exifToWrite(const ImageFileDetails* details) {
    if (details == nullptr) return {};
    if (!details->exif.empty()) return details->exif;
    if (details->orientation != 1) return minimalExif(details->orientation);
    return {};
}

}  // namespace filterhost::imagefiles
