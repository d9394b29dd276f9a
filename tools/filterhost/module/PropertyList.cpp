// SPDX-License-Identifier: MIT
#include "module/PropertyList.h"

#include <algorithm>
#include <stdexcept>

#include "PIProperties.h"
#include "module/ByteReader.h"

namespace filterhost {
namespace {

std::string cString(std::span<const uint8_t> data, const ByteReader& reader, const char* what) {
    const auto end = std::find(data.begin(), data.end(), uint8_t{0});
    if (end == data.end()) reader.fail(std::string(what) + " is not terminated");
    return std::string(data.begin(), end);
}

std::string pascalString(std::span<const uint8_t> data, const ByteReader& reader,
                         const char* what) {
    if (data.empty() || data[0] + 1u > data.size())
        reader.fail(std::string(what) + " is malformed");
    return std::string(data.begin() + 1, data.begin() + 1 + data[0]);
}

}  // namespace

std::string fourCCText(uint32_t code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((code >> shift) & 0xFF);
        text += (c >= 32 && c < 127) ? c : '?';
    }
    return text;
}

bool PluginInfo::supportsMode(int imageMode) const {
    if (imageMode < 0) return false;
    const auto byte = static_cast<std::size_t>(imageMode / 8);
    if (byte >= modes.size()) return false;
    return (modes[byte] & (0x80 >> (imageMode % 8))) != 0;
}

PluginInfo parsePropertyList(std::span<const uint8_t> bytes) {
    ByteReader reader(bytes, "property list");
    PluginInfo info;
    if (reader.i16() != kPIPLReservedWord) reader.fail("unknown layout");
    if (reader.i32() != kCurrentPiPLVersion) reader.fail("unknown version");
    const int32_t count = reader.i32();
    if (count < 0 || count > 1024) reader.fail("implausible property count");
    bool haveKind = false;
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t vendor = reader.u32();
        const uint32_t key = reader.u32();
        reader.i32();  // property ID
        const int32_t length = reader.i32();
        if (length < 0) reader.fail("negative property length");
        const auto data = reader.take(static_cast<std::size_t>(length));
        reader.alignTo(4);
        if (vendor != kPhotoshopSignature) continue;
        ByteReader field(data, "property '" + fourCCText(key) + "'");
        switch (key) {
            case PIKindProperty:
                info.kind = field.u32();
                haveKind = true;
                break;
            case PINameProperty:
                info.name = pascalString(data, reader, "name");
                break;
            case PICategoryProperty:
                info.category = pascalString(data, reader, "category");
                break;
            case PIVersionProperty:
                info.version = field.i32();
                break;
            case PIWin64X86CodeProperty:
                info.entryPoint = cString(data, reader, "entry point");
                break;
            case PISupportedModesProperty:
                if (data.size() < 2) reader.fail("mode field too short");
                info.modes.assign(data.begin(), data.end());
                break;
            case PIHasTerminologyProperty: {
                Terminology t;
                t.version = field.i32();
                t.classID = field.u32();
                t.eventID = field.u32();
                t.resourceID = field.i16();
                t.scope = cString(data.subspan(field.offset()), reader, "terminology scope");
                info.terminology = t;
                break;
            }
            case PIEnableInfoProperty:
                info.enableExpression = cString(data, reader, "enable expression");
                break;
            case PIFilterMaxSize32Property:
                info.maxHeight = field.i32();
                info.maxWidth = field.i32();
                break;
            case PIFilterLayerSupportProperty:
                info.layerSupport.assign(data.begin(), data.end());
                break;
            case PIFilterCaseInfoProperty:
                if (data.size() % 4 != 0) reader.fail("filter case info is not whole entries");
                for (std::size_t at = 0; at < data.size(); at += 4) {
                    info.filterCases.push_back(
                        {data[at], data[at + 1], data[at + 2], data[at + 3]});
                }
                break;
            default:
                break;
        }
    }
    if (!haveKind) reader.fail("no kind property");
    if (info.kind != kFilterModuleKind) reader.fail("not a filter module");
    if (info.name.empty()) reader.fail("no menu name");
    if (info.entryPoint.empty()) reader.fail("no 64-bit entry point");
    return info;
}

}  // namespace filterhost
