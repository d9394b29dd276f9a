// SPDX-License-Identifier: MIT
// 16-bit samples of files and editors (0..65535) and the host's 16-bit range
// (0..32768): both ways rounded to nearest; host values above 32768 go back
// as 65535. Two outside values can read as one host value, so a writer that
// must keep untouched samples exact writes back the value it read wherever the
// host value did not change.
#pragma once

#include <cstdint>

namespace filterhost {

inline uint16_t hostFrom16(uint16_t v) {
    return static_cast<uint16_t>((uint32_t{v} * 65536u + 65535u) / 131070u);
}

inline uint16_t fileFrom16(uint16_t h) {
    if (h >= 32768) return 65535;
    return static_cast<uint16_t>((uint32_t{h} * 131070u + 32768u) / 65536u);
}

}  // namespace filterhost
