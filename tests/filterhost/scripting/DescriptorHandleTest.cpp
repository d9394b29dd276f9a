// SPDX-License-Identifier: MIT
// Flattened descriptors: exact round trips, and damage refused without reading
// past the end.
#include <gtest/gtest.h>

#include "PIActions.h"
#include "scripting/Descriptor.h"

using filterhost::Descriptor;
using filterhost::UnitFloat;

namespace {

Descriptor sample() {
    Descriptor d;
    d.put(PIFourCC('d', 'e', 't', 'I'), int32_t{-12});
    d.put(PIFourCC('d', 'a', 'r', 'K'), true);
    d.put(PIFourCC('z', 'o', 'o', 'M'), UnitFloat{unitPercent, 37.5});
    d.put(PIFourCC('d', 'e', 'f', 'C'), std::vector<int32_t>{255, 0, -1, 2147483647});
    return d;
}

TEST(DescriptorHandle, RoundTripKeepsKeysOrderAndValues) {
    const Descriptor d = sample();
    const auto back = Descriptor::unflatten(d.flatten());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, d);
    EXPECT_EQ(Descriptor::unflatten(Descriptor{}.flatten()), Descriptor{});
}

TEST(DescriptorHandle, PutReplacesInPlaceAndEraseRemoves) {
    Descriptor d = sample();
    d.put(PIFourCC('d', 'a', 'r', 'K'), false);
    EXPECT_EQ(d.entries()[1].key, PIFourCC('d', 'a', 'r', 'K'));
    EXPECT_EQ(std::get<bool>(d.entries()[1].value), false);
    d.erase(PIFourCC('d', 'a', 'r', 'K'));
    d.erase(PIFourCC('n', 'o', 'n', 'e'));
    EXPECT_EQ(d.entries().size(), 3u);
}

TEST(DescriptorHandle, EveryTruncationAndTrailingByteIsRefused) {
    const std::vector<uint8_t> bytes = sample().flatten();
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        EXPECT_FALSE(Descriptor::unflatten(std::span(bytes.data(), length)).has_value()) << length;
    }
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(Descriptor::unflatten(longer).has_value());
}

TEST(DescriptorHandle, DamagedFieldsAreRefused) {
    const std::vector<uint8_t> good = sample().flatten();
    struct Damage {
        const char* what;
        std::size_t offset;
        uint8_t value;
    };
    // Offsets: magic 0..3, version 4..5, count 6..9, first entry key 10..13,
    // tag 14, length 15..18, payload 19..22; second entry tag at 27, payload 32.
    const Damage cases[] = {
        {"magic", 0, 'X'},
        {"version", 4, 2},
        {"count", 6, 5},
        {"huge count", 9, 0x7F},
        {"unknown tag", 14, 9},
        {"wrong length", 15, 5},
        {"length past end", 18, 0x40},
        {"boolean not 0 or 1", 32, 2},
        {"duplicate key", 23, 'd'},
    };
    for (const Damage& c : cases) {
        std::vector<uint8_t> bytes = good;
        bytes[c.offset] = c.value;
        if (std::string(c.what) == "duplicate key") {
            // Make the second key equal to the first.
            std::copy(good.begin() + 10, good.begin() + 14, bytes.begin() + 23);
        }
        EXPECT_FALSE(Descriptor::unflatten(bytes).has_value()) << c.what;
    }
}

}  // namespace
