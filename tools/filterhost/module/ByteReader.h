// SPDX-License-Identifier: MIT
// Bounds-checked little-endian reader over untrusted bytes.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace filterhost {

class ByteReader {
  public:
    ByteReader(std::span<const uint8_t> bytes, std::string what)
        : bytes_(bytes), what_(std::move(what)) {}

    std::size_t offset() const { return offset_; }
    std::size_t remaining() const { return bytes_.size() - offset_; }
    bool atEnd() const { return offset_ == bytes_.size(); }

    uint8_t u8() {
        need(1);
        return bytes_[offset_++];
    }
    int16_t i16() {
        const uint16_t lo = u8();
        const uint16_t hi = u8();
        return static_cast<int16_t>(lo | (hi << 8));
    }
    uint32_t u32() {
        uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) value |= static_cast<uint32_t>(u8()) << shift;
        return value;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    std::span<const uint8_t> take(std::size_t count) {
        need(count);
        auto part = bytes_.subspan(offset_, count);
        offset_ += count;
        return part;
    }
    std::string pascalString() {
        const std::size_t length = u8();
        auto part = take(length);
        return std::string(part.begin(), part.end());
    }
    void skip(std::size_t count) { take(count); }
    void alignTo(std::size_t multiple) {
        while (offset_ % multiple != 0) skip(1);
    }

    [[noreturn]] void fail(const std::string& why) const {
        throw std::runtime_error(what_ + ": " + why + " at byte " + std::to_string(offset_));
    }

  private:
    void need(std::size_t count) const {
        if (count > remaining()) fail("truncated");
    }

    std::span<const uint8_t> bytes_;
    std::string what_;
    std::size_t offset_ = 0;
};

}  // namespace filterhost
