// SPDX-License-Identifier: MIT
// Every parameter of the filter in one row: where it lives in the record, its
// default, how scripting records it, whether preset files carry it, the ranges
// scripting and the dialog allow, and its name in the scripting terminology.
// Defaults, the descriptor reader and writer, the terminology resource and the
// preset files all walk this table, so a new parameter is one new row.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

#include "settings/FilterParameters.h"

namespace nelvo {

// How a value travels in an action descriptor.
enum class ParameterKind : std::uint8_t {
    Boolean,    // a flag
    Integer,    // one 32-bit integer
    Integers4,  // a list of four 32-bit integers
    Percent,    // a unit float in percent
};

struct ParameterRange {
    std::int32_t low;
    std::int32_t high;

    constexpr std::int32_t clamp(std::int32_t value) const {
        return value < low ? low : value > high ? high : value;
    }
};

// Where a row's value lives in the record: a flag, one integer (or the first of
// four, for Integers4) or a number.
using ParameterField = std::variant<bool*, std::int32_t*, double*>;
using ParameterValue = std::variant<bool, std::int32_t, std::array<std::int32_t, 4>, double>;

// How preset files treat a row.
enum class PresetUse : std::uint8_t {
    None,              // not in preset files
    Stored,            // written and read back
    WrittenAsDefault,  // always written with its default, never read
};

struct Parameter {
    std::string_view member;  // the field's name, for messages
    ParameterKind kind;
    std::uint32_t scriptingKey;  // four-character descriptor key
    PresetUse presetUse;
    std::string_view presetKey;  // key in preset files, empty with PresetUse::None
    ParameterValue defaultValue;
    std::optional<ParameterRange> scriptingRange;  // clamped to when read from a descriptor
    std::optional<ParameterRange> dialogRange;     // the range of the dialog's control
    std::string_view terminologyName;              // empty: recorded without a terminology entry
    std::string_view terminologyDescription;
    ParameterField (*field)(FilterParameters&);

    const bool* flag(const FilterParameters& p) const { return std::get<bool*>(at(p)); }
    const std::int32_t* integers(const FilterParameters& p) const {
        return std::get<std::int32_t*>(at(p));
    }
    const double* number(const FilterParameters& p) const { return std::get<double*>(at(p)); }
    bool* flag(FilterParameters& p) const { return std::get<bool*>(field(p)); }
    std::int32_t* integers(FilterParameters& p) const { return std::get<std::int32_t*>(field(p)); }
    double* number(FilterParameters& p) const { return std::get<double*>(field(p)); }

  private:
    ParameterField at(const FilterParameters& p) const {
        // The accessors only take addresses; nothing is written through them here.
        return field(const_cast<FilterParameters&>(p));
    }
};

// The four-character code of a key written as its four characters.
constexpr std::uint32_t fourCharCode(const char (&text)[5]) {
    return (std::uint32_t{static_cast<unsigned char>(text[0])} << 24) |
           (std::uint32_t{static_cast<unsigned char>(text[1])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(text[2])} << 8) |
           std::uint32_t{static_cast<unsigned char>(text[3])};
}

// All rows, in the order the descriptor reads and writes them.
std::span<const Parameter> parameterTable();

// The row of a field, by its name; throws std::out_of_range for an unknown name.
const Parameter& parameterNamed(std::string_view member);

}  // namespace nelvo
