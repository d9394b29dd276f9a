// SPDX-License-Identifier: MIT
// The host's action descriptors: ordered key/value records, and their
// flattened form in a handle.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace filterhost {

struct UnitFloat {
    uint32_t unit = 0;
    double value = 0;
    bool operator==(const UnitFloat&) const = default;
};

using DescriptorValue = std::variant<int32_t, UnitFloat, bool, std::vector<int32_t>>;

class Descriptor {
  public:
    struct Entry {
        uint32_t key;
        DescriptorValue value;
        bool operator==(const Entry&) const = default;
    };

    const DescriptorValue* find(uint32_t key) const;
    // Replaces the value of an existing key in place, or appends the key.
    void put(uint32_t key, DescriptorValue value);
    // Appends a key the descriptor does not hold yet, without looking for it:
    // for building large descriptors from sources whose keys are unique.
    void append(uint32_t key, DescriptorValue value) {
        entries_.push_back({key, std::move(value)});
    }
    void erase(uint32_t key);
    void clear() { entries_.clear(); }
    const std::vector<Entry>& entries() const { return entries_; }
    bool operator==(const Descriptor&) const = default;

    // Versioned binary form: "NDSC", u16 version, u32 count, then per entry
    // u32 key, u8 type, u32 payload length, payload; little-endian.
    std::vector<uint8_t> flatten() const;
    // Refuses (nullopt) anything that is not exactly such a form: wrong magic
    // or version, a length past the end, an unknown type, a payload whose
    // length does not fit its type, duplicate keys, trailing bytes.
    static std::optional<Descriptor> unflatten(std::span<const uint8_t> bytes);

  private:
    std::vector<Entry> entries_;
};

// Descriptor value type codes as the suite reports them ('long', 'UntF', ...).
uint32_t typeCode(const DescriptorValue& value);

}  // namespace filterhost
