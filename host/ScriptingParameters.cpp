// SPDX-License-Identifier: MIT
#include "host/ScriptingParameters.h"

#include <algorithm>

#include "resources/pipl/PluginIdentity.h"
#include "settings/ParameterTable.h"

namespace nelvo {

void readParameters(const PSActionDescriptorProcs& suite, PIActionDescriptor descriptor,
                    FilterParameters& parameters) {
    for (const Parameter& row : parameterTable()) {
        const DescriptorKeyID key = row.scriptingKey;
        switch (row.kind) {
            case ParameterKind::Boolean: {
                Boolean value = 0;
                if (suite.GetBoolean(descriptor, key, &value) == noErr)
                    *row.flag(parameters) = value != 0;
                break;
            }
            case ParameterKind::Integer: {
                int32_t value = 0;
                if (suite.GetInteger(descriptor, key, &value) == noErr)
                    *row.integers(parameters) =
                        row.scriptingRange ? row.scriptingRange->clamp(value) : value;
                break;
            }
            case ParameterKind::Integers4: {
                int32_t values[4] = {};
                if (suite.GetIntegers(descriptor, key, 4, values) == noErr)
                    std::copy(values, values + 4, row.integers(parameters));
                break;
            }
            case ParameterKind::Percent: {
                DescriptorUnitID unit = 0;
                double value = 0;
                if (suite.GetUnitFloat(descriptor, key, &unit, &value) == noErr)
                    *row.number(parameters) = value;
                break;
            }
        }
    }
}

void writeParameters(const PSActionDescriptorProcs& suite, const FilterParameters& parameters,
                     PIActionDescriptor descriptor) {
    const Parameter& windowFrame = parameterNamed("windowFrame");
    for (const Parameter& row : parameterTable()) {
        const DescriptorKeyID key = row.scriptingKey;
        switch (row.kind) {
            case ParameterKind::Boolean:
                suite.PutBoolean(descriptor, key, *row.flag(parameters) ? 1 : 0);
                break;
            case ParameterKind::Integer:
                suite.PutInteger(descriptor, key, *row.integers(parameters));
                break;
            case ParameterKind::Integers4: {
                const int32_t* values = row.integers(parameters);
                // An unset window frame (all zero) is left out of the descriptor,
                // so that replaying it keeps the dialog's own placement.
                if (&row == &windowFrame &&
                    std::all_of(values, values + 4, [](int32_t v) { return v == 0; })) {
                    suite.Erase(descriptor, key);
                } else {
                    // The published function takes the list as non-const.
                    int32_t copy[4];
                    std::copy(values, values + 4, copy);
                    suite.PutIntegers(descriptor, key, 4, copy);
                }
                break;
            }
            case ParameterKind::Percent:
                suite.PutUnitFloat(descriptor, key, unitPercent, *row.number(parameters));
                break;
        }
    }
}

std::optional<bool> readScriptingParameters(CallContext& context) {
    const PSActionDescriptorProcs* descriptors = context.suites.optionalDescriptors();
    const PSDescriptorRegistryProcs* registry =
        descriptors != nullptr ? context.suites.optionalRegistry() : nullptr;
    FilterParameters& parameters = *context.parameters;

    PIActionDescriptor stored = nullptr;
    if (registry != nullptr && registry->Get(kPluginUUID, &stored) == noErr && stored != nullptr) {
        readParameters(*descriptors, stored, parameters);
        descriptors->Free(stored);
    }

    PIDescriptorParameters* scripting = context.record->descriptorParameters;
    if (scripting != nullptr && scripting->descriptor != nullptr) {
        // Without the descriptor suite the host's descriptor cannot be read:
        // the parameter handle's values stand, and the play information
        // still decides about the dialog.
        if (descriptors == nullptr) return scripting->playInfo == plugInDialogDisplay;
        PIActionDescriptor given = nullptr;
        if (descriptors->HandleToDescriptor(scripting->descriptor, &given) != noErr ||
            given == nullptr) {
            return std::nullopt;
        }
        readParameters(*descriptors, given, parameters);
        descriptors->Free(given);
        return scripting->playInfo == plugInDialogDisplay;
    }
    return context.persistent->showDialogNext != 0;
}

void recordDescriptor(CallContext& context) {
    const PSActionDescriptorProcs* descriptors = context.suites.optionalDescriptors();
    PIDescriptorParameters* scripting = context.record->descriptorParameters;
    if (descriptors == nullptr || scripting == nullptr) return;  // a host that cannot record

    PIActionDescriptor recorded = nullptr;
    if (descriptors->Make(&recorded) != noErr || recorded == nullptr) return;
    writeParameters(*descriptors, *context.parameters, recorded);
    if (scripting->descriptor != nullptr) {
        context.suites.handles().Dispose(scripting->descriptor);
        scripting->descriptor = nullptr;
    }
    PIDescriptorHandle handle = nullptr;
    if (descriptors->AsHandle(recorded, &handle) == noErr) scripting->descriptor = handle;
    scripting->recordInfo = plugInDialogOptional;
    descriptors->Free(recorded);
}

void recordParameters(CallContext& context) {
    recordDescriptor(context);
    const PSActionDescriptorProcs* descriptors = context.suites.optionalDescriptors();
    const PSDescriptorRegistryProcs* registry = context.suites.optionalRegistry();
    if (descriptors == nullptr || registry == nullptr) return;
    PIActionDescriptor confirmed = nullptr;
    if (descriptors->Make(&confirmed) == noErr && confirmed != nullptr) {
        writeParameters(*descriptors, *context.parameters, confirmed);
        registry->Register(kPluginUUID, confirmed, true);
        descriptors->Free(confirmed);
    }
}

}  // namespace nelvo
