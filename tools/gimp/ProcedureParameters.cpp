// SPDX-License-Identifier: MIT
#include "ProcedureParameters.h"

#include <cctype>
#include <stdexcept>

#include "PIActions.h"
#include "module/TerminologyResource.h"

namespace filterhost::gimp {

namespace {

// Script-Fu and the procedure browser name parameters in lower case with dashes.
std::string parameterName(const std::string& terminologyName) {
    std::string name;
    for (const char c : terminologyName) {
        if (std::isalnum(static_cast<unsigned char>(c)) != 0)
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (!name.empty() && name.back() != '-')
            name += '-';
    }
    while (!name.empty() && name.back() == '-') name.pop_back();
    return name;
}

}  // namespace

std::vector<ProcedureParameter> procedureParameters(const PluginModule& module) {
    const auto& terminology = module.info().terminology;
    if (!terminology) throw std::runtime_error("the module has no scripting terminology");
    const auto bytes = module.resource(kTerminologyResource, terminology->resourceID);
    if (!bytes) throw std::runtime_error("the module's terminology resource is missing");
    std::vector<ProcedureParameter> parameters;
    for (const auto& suite : parseTerminology(*bytes).suites) {
        for (const auto& event : suite.events) {
            for (const auto& p : event.parameters) {
                ProcedureParameter parameter;
                parameter.name = parameterName(p.name);
                parameter.description = p.description.empty() ? p.name : p.description;
                parameter.key = p.key;
                if (p.type == typeBoolean)
                    parameter.kind = ValueKind::Boolean;
                else if (p.type == typeFloat || p.type == typeUnitFloat)
                    parameter.kind = ValueKind::UnitFloat;
                else if (p.type == typeInteger)
                    parameter.kind = ValueKind::Integer;
                else
                    continue;  // a kind a procedure parameter cannot carry
                parameters.push_back(parameter);
            }
        }
    }
    return parameters;
}

Descriptor descriptorFor(const std::vector<ProcedureParameter>& parameters,
                         const std::vector<ParameterValue>& values) {
    Descriptor descriptor;
    for (std::size_t i = 0; i < parameters.size() && i < values.size(); ++i) {
        const ProcedureParameter& p = parameters[i];
        switch (p.kind) {
            case ValueKind::Boolean:
                descriptor.put(p.key, values[i].integer != 0);
                break;
            case ValueKind::UnitFloat:
                descriptor.put(p.key, UnitFloat{unitPercent, values[i].real});
                break;
            default:
                descriptor.put(p.key, values[i].integer);
                break;
        }
    }
    return descriptor;
}

}  // namespace filterhost::gimp
