// SPDX-License-Identifier: MIT
// The about box's colours as 0xRRGGBB, for every window layer.
#pragma once

#include <cstdint>

namespace nelvo {

inline constexpr std::uint32_t kAboutBackground = 0x101B29;
inline constexpr std::uint32_t kAboutText = 0xC9D3DE;
inline constexpr std::uint32_t kAboutBorder = 0x3A5A7C;
inline constexpr std::uint32_t kAboutTitle = 0x60ADF9;  // RGB 96, 173, 249

}  // namespace nelvo
