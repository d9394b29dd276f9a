// SPDX-License-Identifier: MIT
#include "settings/FilterParameters.h"

#include <algorithm>
#include <type_traits>

#include "settings/ParameterTable.h"

namespace nelvo {

void setDefaults(FilterParameters& p) {
    for (const Parameter& row : parameterTable()) {
        std::visit(
            [&](const auto& value) {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, bool>) {
                    *row.flag(p) = value;
                } else if constexpr (std::is_same_v<T, std::int32_t>) {
                    *row.integers(p) = value;
                } else if constexpr (std::is_same_v<T, double>) {
                    *row.number(p) = value;
                } else {
                    std::copy(value.begin(), value.end(), row.integers(p));
                }
            },
            row.defaultValue);
    }
}

void setDefaults(EngineSettings& settings) {
    FilterParameters p{};
    setDefaults(p);
    settings = p.engine;
}

}  // namespace nelvo
