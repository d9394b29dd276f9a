// SPDX-License-Identifier: MIT
// The range a module takes for each integer key, asked of the module itself:
// the host keeps no copy of its limits.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace filterhost {

class PluginModule;

// The values a key was clamped to at each end; nothing at an end the module
// leaves open.
struct KeyRange {
    std::optional<int32_t> low;
    std::optional<int32_t> high;
};

// Runs the filter silently on one pixel, once with every key of `keys` at the
// lowest integer a descriptor holds and once at the highest, and reads back
// the values it recorded as used. A key it did not record has no entry.
std::map<uint32_t, KeyRange> probeKeyRanges(PluginModule& module,
                                            const std::vector<uint32_t>& keys);

}  // namespace filterhost
