// SPDX-License-Identifier: MIT
// Little-endian byte writer for the Windows resource layouts.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace nelvo {

class ResourceWriter {
  public:
    void u8(uint8_t value) { bytes_.push_back(value); }
    void i16(int32_t value) {
        const auto v = static_cast<uint16_t>(value);
        u8(static_cast<uint8_t>(v & 0xFF));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void i32(int64_t value) {
        const auto v = static_cast<uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) u8(static_cast<uint8_t>((v >> shift) & 0xFF));
    }
    // A four-character code as a little-endian word, so its characters appear reversed.
    void fourCC(uint32_t code) { i32(code); }
    void cString(std::string_view text) {
        for (char c : text) u8(static_cast<uint8_t>(c));
        u8(0);
    }
    void pascalString(std::string_view text) {
        u8(static_cast<uint8_t>(text.size()));
        for (char c : text) u8(static_cast<uint8_t>(c));
    }
    void padTo(std::size_t multiple) {
        while (bytes_.size() % multiple != 0) u8(0);
    }
    std::size_t size() const { return bytes_.size(); }
    void patch32(std::size_t offset, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes_[offset + static_cast<std::size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

}  // namespace nelvo
