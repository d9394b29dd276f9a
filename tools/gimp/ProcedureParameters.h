// SPDX-License-Identifier: MIT
// The procedure's own parameters, after run mode, image and drawable: one per
// parameter the module's terminology names, in its order, typed by its kind,
// so that scripts call the filter with explicit settings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "module/PluginModule.h"
#include "scripting/Descriptor.h"
#include "scripting/DescriptorJson.h"

namespace filterhost::gimp {

struct ProcedureParameter {
    std::string name;  // the terminology's name, lower case, words joined by '-'
    std::string description;
    uint32_t key = 0;
    ValueKind kind = ValueKind::Integer;
};

// Throws std::runtime_error for a module without a readable terminology.
std::vector<ProcedureParameter> procedureParameters(const PluginModule& module);

// A parameter's value as the procedure receives it: integers and booleans as
// whole numbers, unit floats as floats.
struct ParameterValue {
    int32_t integer = 0;
    double real = 0.0;
};

// The descriptor a call with `values` (one per parameter) hands the module.
Descriptor descriptorFor(const std::vector<ProcedureParameter>& parameters,
                         const std::vector<ParameterValue>& values);

}  // namespace filterhost::gimp
