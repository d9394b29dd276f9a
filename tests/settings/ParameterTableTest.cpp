// SPDX-License-Identifier: MIT
// The parameter table: the defaults it gives a new record, and the facts every
// reader of the table relies on (one row per field, unique keys, defaults in range).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "settings/ParameterTable.h"

namespace {

using nelvo::FilterParameters;
using nelvo::Parameter;
using nelvo::ParameterKind;
using nelvo::parameterTable;

TEST(ParameterTable, DefaultsOfANewRecord) {
    FilterParameters p{};
    p.engine.tileSize = -1;
    p.windowFrame[2] = 7;
    nelvo::setDefaults(p);

    FilterParameters expected{};
    expected.previewPrecision = false;
    expected.zoom = 1.0;
    expected.windowState = 1;
    expected.ignoreSelection = false;
    expected.engine = {true, false, 8, 8, {255, 0, 0, 255}, false, 20, 10, 10};
    EXPECT_EQ(p, expected);

    nelvo::EngineSettings engine{};
    nelvo::setDefaults(engine);
    EXPECT_EQ(engine, expected.engine);
}

TEST(ParameterTable, EveryFieldHasOneRowWithItsOwnKeys) {
    FilterParameters p{};
    std::set<const void*> fields;
    std::set<std::uint32_t> keys;
    std::set<std::string> presetKeys;
    for (const Parameter& row : parameterTable()) {
        const void* field = std::visit([](auto* f) -> const void* { return f; }, row.field(p));
        EXPECT_TRUE(fields.insert(field).second) << row.member;
        EXPECT_TRUE(keys.insert(row.scriptingKey).second) << row.member;
        if (row.presetUse != nelvo::PresetUse::None) {
            EXPECT_FALSE(row.presetKey.empty()) << row.member;
            EXPECT_TRUE(presetKeys.insert(std::string(row.presetKey)).second) << row.member;
        }
        EXPECT_EQ(row.terminologyName.empty(), row.terminologyDescription.empty()) << row.member;
    }
    // previewPrecision, zoom, windowFrame, windowState, ignoreSelection and the
    // nine engine settings.
    EXPECT_EQ(fields.size(), 14u);
    EXPECT_EQ(presetKeys.size(), 9u);
}

TEST(ParameterTable, DefaultsLieInsideTheirRanges) {
    FilterParameters p{};
    nelvo::setDefaults(p);
    for (const Parameter& row : parameterTable()) {
        if (row.kind == ParameterKind::Integer) {
            ASSERT_TRUE(row.scriptingRange.has_value()) << row.member;
            const int32_t value = *row.integers(p);
            EXPECT_EQ(row.scriptingRange->clamp(value), value) << row.member;
            if (row.dialogRange) {
                EXPECT_EQ(row.dialogRange->clamp(value), value) << row.member;
            }
        }
        if (row.dialogRange && row.scriptingRange) {
            // The dialog never offers a value scripting would refuse.
            EXPECT_GE(row.dialogRange->low, row.scriptingRange->low) << row.member;
            EXPECT_LE(row.dialogRange->high, row.scriptingRange->high) << row.member;
        }
    }
}

TEST(ParameterTable, RangesOfTheDialogAndOfScripting) {
    const auto& tile = nelvo::parameterNamed("tileSize");
    EXPECT_EQ(tile.scriptingRange->high, 100);
    EXPECT_EQ(tile.dialogRange->high, 50);
    EXPECT_EQ(tile.dialogRange->clamp(51), 50);
    const auto& intensity = nelvo::parameterNamed("detectionIntensity");
    EXPECT_EQ(intensity.dialogRange->low, 1);
    EXPECT_EQ(intensity.dialogRange->high, 20);
    EXPECT_THROW(nelvo::parameterNamed("noSuchField"), std::out_of_range);
}

}  // namespace
