// SPDX-License-Identifier: MIT
#include "cli/KeyRanges.h"

#include <limits>

#include "PIFilter.h"
#include "module/PluginModule.h"
#include "session/HostServices.h"
#include "session/HostSession.h"

namespace filterhost {
namespace {

// What the filter recorded for each key after a silent run on one pixel with
// every key at `extreme`.
std::optional<Descriptor> recordedAfter(PluginModule& module, const std::vector<uint32_t>& keys,
                                        int32_t extreme) {
    Descriptor given;
    for (const uint32_t key : keys) given.put(key, extreme);
    Document probe;
    probe.allocate(1, 1, 3, plugInModeRGBColor, 8);
    HostServices services;
    HostSession session(module, services);
    session.giveDescriptor(given, plugInDialogSilent);
    if (session.run(probe) != noErr) return std::nullopt;
    return session.recordedDescriptor();
}

std::optional<int32_t> clampedTo(const std::optional<Descriptor>& recorded, uint32_t key,
                                 int32_t extreme) {
    if (!recorded) return std::nullopt;
    const DescriptorValue* value = recorded->find(key);
    const auto* number = value != nullptr ? std::get_if<int32_t>(value) : nullptr;
    if (number == nullptr || *number == extreme) return std::nullopt;
    return *number;
}

}  // namespace

std::map<uint32_t, KeyRange> probeKeyRanges(PluginModule& module,
                                            const std::vector<uint32_t>& keys) {
    constexpr int32_t kLowest = std::numeric_limits<int32_t>::min();
    constexpr int32_t kHighest = std::numeric_limits<int32_t>::max();
    const std::optional<Descriptor> low = recordedAfter(module, keys, kLowest);
    const std::optional<Descriptor> high = recordedAfter(module, keys, kHighest);
    std::map<uint32_t, KeyRange> ranges;
    for (const uint32_t key : keys) {
        const bool recorded =
            (low && low->find(key) != nullptr) || (high && high->find(key) != nullptr);
        if (recorded)
            ranges[key] = KeyRange{clampedTo(low, key, kLowest), clampedTo(high, key, kHighest)};
    }
    return ranges;
}

}  // namespace filterhost
