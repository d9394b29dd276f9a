// SPDX-License-Identifier: MIT
// The values readPresetFile() builds while it parses a preset file: booleans, integers,
// reals and arrays of these, kept in a dictionary until the keys are transferred.
#pragma once

#include <memory>
#include <type_traits>
#include <vector>

namespace nelvo {

enum class PresetParamType { Bool = 0, Int = 1, Float = 2, Array = 3 };

class IPresetParam {
  public:
    virtual ~IPresetParam() = default;
    virtual PresetParamType type() const = 0;
};

template <typename T>
requires std::is_same_v<T, bool> || std::is_same_v<T, int> || std::is_same_v<T, float>
class SimplePresetParam final : public IPresetParam {
  public:
    explicit SimplePresetParam(T v) : value(v) {}

    PresetParamType type() const override {
        if constexpr (std::is_same_v<T, bool>) {
            return PresetParamType::Bool;
        } else if constexpr (std::is_same_v<T, int>) {
            return PresetParamType::Int;
        } else {
            return PresetParamType::Float;
        }
    }

    T value;
};

class ArrayPresetParam final : public IPresetParam {
  public:
    PresetParamType type() const override { return PresetParamType::Array; }

    std::vector<std::unique_ptr<IPresetParam>> items;  // in document order
};

}  // namespace nelvo
