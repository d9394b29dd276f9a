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

// The conversions above as tables, for loops over whole pictures.
struct SixteenBitTables {
    uint16_t host[65536];     // hostFrom16
    uint8_t isSecond[65536];  // 1 where fileFrom16 does not give the value back
    // At 2h, fileFrom16(h); at 2h + 1, the other value that reads as h (or
    // fileFrom16(h) again where there is none).
    uint16_t file[2 * 32769];

    static const SixteenBitTables& get() {
        static const SixteenBitTables tables = [] {
            SixteenBitTables t{};
            for (uint32_t h = 0; h <= 32768; ++h)
                t.file[2 * h] = t.file[2 * h + 1] = fileFrom16(static_cast<uint16_t>(h));
            for (uint32_t v = 0; v < 65536; ++v) {
                const auto value = static_cast<uint16_t>(v);
                const uint16_t h = hostFrom16(value);
                t.host[v] = h;
                t.isSecond[v] = fileFrom16(h) != value ? 1 : 0;
                if (t.isSecond[v] != 0) t.file[2u * h + 1] = value;
            }
            return t;
        }();
        return tables;
    }
};

}  // namespace filterhost
