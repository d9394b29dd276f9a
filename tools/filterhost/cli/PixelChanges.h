// SPDX-License-Identifier: MIT
// How much of a picture a step changed: the pixels whose samples differ.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace filterhost {

// Pixels of `pixelBytes` bytes each at which `before` and `after` (the same
// length) differ in any byte. With `mask`, also one byte per pixel: 255 where
// changed, 0 elsewhere.
uint64_t countChangedPixels(std::span<const uint8_t> before, std::span<const uint8_t> after,
                            std::size_t pixelBytes, std::vector<uint8_t>* mask = nullptr);

// "N of M pixels changed (S %)".
std::string describeChanges(uint64_t changed, uint64_t total);

}  // namespace filterhost
