// SPDX-License-Identifier: MIT
// Reads a module's scripting terminology (aete) resource.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "scripting/DescriptorJson.h"

namespace filterhost {

struct TerminologyParameter {
    std::string name;
    uint32_t key = 0;
    uint32_t type = 0;
    std::string description;
    int16_t flags = 0;
};

struct TerminologyEvent {
    std::string name;
    std::string description;
    uint32_t classID = 0;
    uint32_t eventID = 0;
    uint32_t replyType = 0;
    std::string replyDescription;
    int16_t replyFlags = 0;
    uint32_t directType = 0;
    std::string directDescription;
    int16_t directFlags = 0;
    std::vector<TerminologyParameter> parameters;
};

struct TerminologySuite {
    std::string name;
    std::string description;
    uint32_t id = 0;
    int16_t level = 0;
    int16_t version = 0;
    std::vector<TerminologyEvent> events;
    int16_t classes = 0;
    int16_t comparisonOperators = 0;
    int16_t enumerations = 0;
};

struct TerminologyInfo {
    uint8_t majorVersion = 0;
    uint8_t minorVersion = 0;
    int16_t language = 0;
    int16_t script = 0;
    std::vector<TerminologySuite> suites;
};

// Throws std::runtime_error when the bytes are not a whole aete resource.
TerminologyInfo parseTerminology(std::span<const uint8_t> bytes);

// The value kinds of every parameter key the terminology names.
KeyKinds keyKinds(const TerminologyInfo& terminology);

}  // namespace filterhost
