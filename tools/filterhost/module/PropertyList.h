// SPDX-License-Identifier: MIT
// Reads a filter module's property list (PiPL) resource.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace filterhost {

struct Terminology {
    int32_t version = 0;
    uint32_t classID = 0;
    uint32_t eventID = 0;
    int16_t resourceID = 0;
    std::string scope;
};

struct FilterCase {
    uint8_t inputHandling = 0;
    uint8_t outputHandling = 0;
    uint8_t flags1 = 0;
    uint8_t flags2 = 0;
};

struct PluginInfo {
    uint32_t kind = 0;
    std::string name;
    std::string category;
    int32_t version = 0;
    std::string entryPoint;
    std::vector<uint8_t> modes;  // bit field, bit 7 of byte 0 = mode 0
    std::optional<Terminology> terminology;
    std::string enableExpression;
    int32_t maxHeight = 0;
    int32_t maxWidth = 0;
    std::vector<uint8_t> layerSupport;
    std::vector<FilterCase> filterCases;

    bool supportsMode(int imageMode) const;
};

// Parses and validates a Windows-layout PiPL. Throws std::runtime_error naming
// what is wrong; never reads past the end of `bytes`.
PluginInfo parsePropertyList(std::span<const uint8_t> bytes);

std::string fourCCText(uint32_t code);

}  // namespace filterhost
