// SPDX-License-Identifier: MIT
#include "resources/pipl/ModuleResources.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <utility>

#include "PIActions.h"
#include "PIProperties.h"
#include "resources/pipl/PluginIdentity.h"
#include "resources/pipl/ResourceWriter.h"
#include "settings/ParameterTable.h"

namespace nelvo {
namespace {

// Appends one property: header, data written by `body`, padding to 4 bytes.
void property(ResourceWriter& out, OSType key, const std::function<void(ResourceWriter&)>& body) {
    out.fourCC(kPhotoshopSignature);
    out.fourCC(key);
    out.i32(0);
    const std::size_t lengthAt = out.size();
    out.i32(0);
    const std::size_t start = out.size();
    body(out);
    out.patch32(lengthAt, static_cast<uint32_t>(out.size() - start));
    out.padTo(4);
}

// Supported modes: grey scale, RGB, CMYK, HSL, HSB, duotone, Lab.
constexpr uint8_t kModesByte0 = 0x5E;
constexpr uint8_t kModesByte1 = 0xC0;

// Filters layer masks, works with blank data, copies source to destination,
// does not write outside the selection; the second set may write outside it.
constexpr uint8_t kCaseFlagsNoSelection = 0x06;
constexpr uint8_t kCaseFlagsSelection = 0x0E;

std::vector<uint8_t> buildPropertyList() {
    ResourceWriter out;
    out.i16(kPIPLReservedWord);
    out.i32(kCurrentPiPLVersion);
    out.i32(11);
    property(out, PIKindProperty, [](ResourceWriter& w) { w.fourCC(kFilterModuleKind); });
    property(out, PINameProperty, [](ResourceWriter& w) { w.pascalString(kMenuName); });
    property(out, PICategoryProperty, [](ResourceWriter& w) { w.pascalString(kMenuCategory); });
    property(out, PIVersionProperty, [](ResourceWriter& w) { w.i32(0x00040000); });
    property(out, PIWin64X86CodeProperty, [](ResourceWriter& w) { w.cString("PluginMain"); });
    property(out, PISupportedModesProperty, [](ResourceWriter& w) {
        w.u8(kModesByte0);
        w.u8(kModesByte1);
    });
    property(out, PIHasTerminologyProperty, [](ResourceWriter& w) {
        w.i32(0);
        w.fourCC(kPluginClassID);
        w.fourCC(kPluginEventID);
        w.i16(kResourceID);
        w.cString(kPluginUUID);
    });
    property(out, PIEnableInfoProperty, [](ResourceWriter& w) { w.cString(kEnableExpression); });
    property(out, PIFilterMaxSize32Property, [](ResourceWriter& w) {
        w.i32(2000000);
        w.i32(2000000);
    });
    property(out, PIFilterLayerSupportProperty, [](ResourceWriter& w) {
        w.u8(0x80);
        w.u8(0);
        w.u8(0);
        w.u8(0);
    });
    property(out, PIFilterCaseInfoProperty, [](ResourceWriter& w) {
        const uint8_t flags[filterCaseCount] = {kCaseFlagsNoSelection, kCaseFlagsSelection,
                                                kCaseFlagsSelection,   kCaseFlagsNoSelection,
                                                kCaseFlagsSelection,   kCaseFlagsNoSelection,
                                                kCaseFlagsSelection};
        for (uint8_t flag : flags) {
            w.u8(inWhiteMat);
            w.u8(outWhiteMat);
            w.u8(flag);
            w.u8(0);
        }
    });
    return out.bytes();
}

// The terminology names the parameters grouped by type: the integers, then the
// flags, then the zoom, each group in the descriptor's order. Rows without a
// name travel in the descriptor only.
constexpr std::pair<ParameterKind, OSType> kTerminologyTypes[] = {
    {ParameterKind::Integer, typeInteger},
    {ParameterKind::Boolean, typeBoolean},
    {ParameterKind::Percent, typeFloat},
};

constexpr int kDirectParameterFlags = 0xB000;
constexpr const char kDescription[] = "dust and scratch removal plug-in";

std::vector<uint8_t> buildTerminology() {
    ResourceWriter out;
    // The layout aligns to a word after each string that a number follows;
    // a name and its description are one pair, aligned once after both.
    const auto text = [&out](std::string_view s) {
        out.pascalString(s);
        out.padTo(2);
    };
    const auto namePair = [&out](const char* name, const char* description) {
        out.pascalString(name);
        out.pascalString(description);
        out.padTo(2);
    };
    out.u8(1);  // version 1.0
    out.u8(0);
    out.i16(kAeteLanguageEnglish);
    out.i16(kAeteScriptRoman);
    out.i16(1);  // suites
    namePair(kMenuCategory, kDescription);
    out.fourCC(kPluginClassID);
    out.i16(1);  // level
    out.i16(1);  // version
    out.i16(1);  // events
    namePair("Nelvo", kDescription);
    out.fourCC(kPluginClassID);
    out.fourCC(kPluginEventID);
    out.fourCC(typeNull);
    text("");
    out.i16(0);
    out.fourCC(typeImageReference);
    text("");
    out.i16(kDirectParameterFlags);
    const auto named = [](const Parameter& row) { return !row.terminologyName.empty(); };
    out.i16(static_cast<int32_t>(std::ranges::count_if(parameterTable(), named)));
    for (const auto& [kind, type] : kTerminologyTypes) {
        for (const Parameter& row : parameterTable()) {
            if (row.kind != kind || !named(row)) continue;
            text(row.terminologyName);
            out.fourCC(row.scriptingKey);
            out.fourCC(type);
            text(row.terminologyDescription);
            out.i16(0);
        }
    }
    out.i16(0);  // classes
    out.i16(0);  // comparison operators
    out.i16(0);  // enumerations
    return out.bytes();
}

}  // namespace

const std::vector<uint8_t>& propertyListResource() {
    static const std::vector<uint8_t> bytes = buildPropertyList();
    return bytes;
}

const std::vector<uint8_t>& terminologyResource() {
    static const std::vector<uint8_t> bytes = buildTerminology();
    return bytes;
}

}  // namespace nelvo
