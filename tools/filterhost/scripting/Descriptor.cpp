// SPDX-License-Identifier: MIT
#include "scripting/Descriptor.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "PIActions.h"

namespace filterhost {
namespace {

constexpr uint8_t kMagic[4] = {'N', 'D', 'S', 'C'};
constexpr uint16_t kFormatVersion = 1;
// A descriptor of ours holds a handful of keys; anything larger is damage.
constexpr uint32_t kMaxEntries = 4096;
constexpr uint32_t kMaxIntegers = 1 << 20;

enum Tag : uint8_t { kTagInteger = 1, kTagUnitFloat = 2, kTagBoolean = 3, kTagIntegers = 4 };

void put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

class Reader {
  public:
    explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    bool u8(uint8_t& value) {
        if (at_ + 1 > bytes_.size()) return false;
        value = bytes_[at_++];
        return true;
    }
    bool u16(uint16_t& value) {
        if (at_ + 2 > bytes_.size()) return false;
        value = static_cast<uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
        at_ += 2;
        return true;
    }
    bool u32(uint32_t& value) {
        if (at_ + 4 > bytes_.size()) return false;
        value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<uint32_t>(bytes_[at_ + static_cast<std::size_t>(i)]) << (8 * i);
        at_ += 4;
        return true;
    }
    bool u64(uint64_t& value) {
        uint32_t lo = 0, hi = 0;
        if (!u32(lo) || !u32(hi)) return false;
        value = (uint64_t{hi} << 32) | lo;
        return true;
    }
    std::size_t remaining() const { return bytes_.size() - at_; }

  private:
    std::span<const uint8_t> bytes_;
    std::size_t at_ = 0;
};

}  // namespace

uint32_t typeCode(const DescriptorValue& value) {
    switch (value.index()) {
        case 0:
            return typeInteger;
        case 1:
            return typeUnitFloat;
        case 2:
            return typeBoolean;
        default:
            return typeIntegers;
    }
}

const DescriptorValue* Descriptor::find(uint32_t key) const {
    for (const Entry& entry : entries_)
        if (entry.key == key) return &entry.value;
    return nullptr;
}

void Descriptor::put(uint32_t key, DescriptorValue value) {
    for (Entry& entry : entries_) {
        if (entry.key == key) {
            entry.value = std::move(value);
            return;
        }
    }
    entries_.push_back({key, std::move(value)});
}

void Descriptor::erase(uint32_t key) {
    std::erase_if(entries_, [key](const Entry& entry) { return entry.key == key; });
}

std::vector<uint8_t> Descriptor::flatten() const {
    std::vector<uint8_t> out(std::begin(kMagic), std::end(kMagic));
    out.push_back(static_cast<uint8_t>(kFormatVersion & 0xFF));
    out.push_back(static_cast<uint8_t>(kFormatVersion >> 8));
    put32(out, static_cast<uint32_t>(entries_.size()));
    for (const Entry& entry : entries_) {
        put32(out, entry.key);
        std::vector<uint8_t> payload;
        uint8_t tag = 0;
        if (const auto* i = std::get_if<int32_t>(&entry.value)) {
            tag = kTagInteger;
            put32(payload, static_cast<uint32_t>(*i));
        } else if (const auto* f = std::get_if<UnitFloat>(&entry.value)) {
            tag = kTagUnitFloat;
            put32(payload, f->unit);
            const auto bits = std::bit_cast<uint64_t>(f->value);
            put32(payload, static_cast<uint32_t>(bits));
            put32(payload, static_cast<uint32_t>(bits >> 32));
        } else if (const auto* b = std::get_if<bool>(&entry.value)) {
            tag = kTagBoolean;
            payload.push_back(*b ? 1 : 0);
        } else {
            tag = kTagIntegers;
            const auto& list = std::get<std::vector<int32_t>>(entry.value);
            put32(payload, static_cast<uint32_t>(list.size()));
            for (int32_t v : list) put32(payload, static_cast<uint32_t>(v));
        }
        out.push_back(tag);
        put32(out, static_cast<uint32_t>(payload.size()));
        out.insert(out.end(), payload.begin(), payload.end());
    }
    return out;
}

std::optional<Descriptor> Descriptor::unflatten(std::span<const uint8_t> bytes) {
    if (bytes.size() < 4 || std::memcmp(bytes.data(), kMagic, 4) != 0) return std::nullopt;
    Reader in(bytes.subspan(4));
    uint16_t version = 0;
    uint32_t count = 0;
    if (!in.u16(version) || version != kFormatVersion) return std::nullopt;
    if (!in.u32(count) || count > kMaxEntries) return std::nullopt;
    Descriptor descriptor;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t key = 0, length = 0;
        uint8_t tag = 0;
        if (!in.u32(key) || !in.u8(tag) || !in.u32(length)) return std::nullopt;
        if (length > in.remaining()) return std::nullopt;
        if (descriptor.find(key) != nullptr) return std::nullopt;
        switch (tag) {
            case kTagInteger: {
                uint32_t v = 0;
                if (length != 4 || !in.u32(v)) return std::nullopt;
                descriptor.entries_.push_back({key, static_cast<int32_t>(v)});
                break;
            }
            case kTagUnitFloat: {
                UnitFloat f;
                uint64_t bits = 0;
                if (length != 12 || !in.u32(f.unit) || !in.u64(bits)) return std::nullopt;
                f.value = std::bit_cast<double>(bits);
                descriptor.entries_.push_back({key, f});
                break;
            }
            case kTagBoolean: {
                uint8_t v = 0;
                if (length != 1 || !in.u8(v) || v > 1) return std::nullopt;
                descriptor.entries_.push_back({key, v == 1});
                break;
            }
            case kTagIntegers: {
                uint32_t n = 0;
                if (length < 4 || !in.u32(n) || n > kMaxIntegers || length != 4 + 4 * uint64_t{n})
                    return std::nullopt;
                std::vector<int32_t> list(n);
                for (int32_t& v : list) {
                    uint32_t raw = 0;
                    if (!in.u32(raw)) return std::nullopt;
                    v = static_cast<int32_t>(raw);
                }
                descriptor.entries_.push_back({key, std::move(list)});
                break;
            }
            default:
                return std::nullopt;
        }
    }
    if (in.remaining() != 0) return std::nullopt;
    return descriptor;
}

}  // namespace filterhost
