// SPDX-License-Identifier: MIT
// The module's scripting terminology, read back through the host.
#include <gtest/gtest.h>

#include <string>

#include "PIActions.h"
#include "module/PluginModule.h"
#include "module/TerminologyResource.h"

using namespace filterhost;
using namespace std::string_literals;

namespace {

// The module's terminology resource as the published layout has it, written
// out by hand: integers little-endian, four-character codes as little-endian
// words (so reversed), Pascal strings, a zero byte wherever the next number
// would start at an odd offset. A name and its description are one pair and
// are aligned once after both.
// clang-format off
const std::string kTerminologyBytes =
    "\x01\x00"s            // version 1.0
    "\x00\x00\x00\x00"s  // English, Roman script
    "\x01\x00"s            // one suite
    "\x08" "Brenwick" "\x20" "dust and scratch removal plug-in"s  // 42 bytes: no pad
    "olVn" "\x01\x00" "\x01\x00" "\x01\x00"s  // ID, level, version, one event
    "\x05" "Nelvo" "\x20" "dust and scratch removal plug-in" "\x00"s  // 39 bytes, pad
    "olVn" "olVn" "llun"s            // class, ID, reply type
    "\x00" "\x00" "\x00\x00"s        // reply description, pad, flags
    "RmI#" "\x00" "\x00" "\x00\xB0"s // direct type, description, pad, flags
    "\x0A\x00"s                      // ten parameters
    "\x10" "defect detection" "\x00" "Ited" "gnol" "\x17" "defect detection amount" "\x00\x00"s
    "\x09" "tile size" "Elit" "gnol" "\x10" "defect tile size" "\x00" "\x00\x00"s
    "\x0A" "brush size" "\x00" "Ssrb" "gnol" "\x11" "defect brush size" "\x00\x00"s
    "\x0F" "brush intensity" "Isrb" "gnol" "\x16" "defect brush intensity" "\x00" "\x00\x00"s
    "\x0B" "eraser size" "Ssre" "gnol" "\x12" "defect eraser size" "\x00" "\x00\x00"s
    "\x11" "preview precision" "Cerp" "loob" "\x18" "fast vs accurate preview" "\x00" "\x00\x00"s
    "\x0C" "dark defects" "\x00" "Krad" "loob" "\x0C" "dark defects" "\x00" "\x00\x00"s
    "\x0E" "bright defects" "\x00" "Tirb" "loob" "\x0E" "bright defects" "\x00" "\x00\x00"s
    "\x10" "ignore selection" "\x00" "Sngi" "loob" "\x13" "filter entire image" "\x00\x00"s
    "\x04" "zoom" "\x00" "Mooz" "buod" "\x13" "preview zoom factor" "\x00\x00"s
    "\x00\x00" "\x00\x00" "\x00\x00"s;  // no classes, comparison operators, enumerations
// clang-format on

TEST(Terminology, ModuleResourceIsThePublishedLayoutByteForByte) {
    ASSERT_EQ(kTerminologyBytes.size(), 572u);
    const auto module = PluginModule::load(NELVO_MODULE_PATH);
    const auto bytes = module->resource(PIFourCC('a', 'e', 't', 'e'), 16000);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), kTerminologyBytes);
}

TEST(Terminology, ParserReadsThePublishedLayout) {
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(kTerminologyBytes.data()),
                                         kTerminologyBytes.size());
    const TerminologyInfo info = parseTerminology(bytes);
    ASSERT_EQ(info.suites.size(), 1u);
    EXPECT_EQ(info.suites[0].name, "Brenwick");
    EXPECT_EQ(info.suites[0].description, "dust and scratch removal plug-in");
    EXPECT_EQ(info.suites[0].id, PIFourCC('n', 'V', 'l', 'o'));
    ASSERT_EQ(info.suites[0].events.size(), 1u);
    const TerminologyEvent& event = info.suites[0].events[0];
    EXPECT_EQ(event.name, "Nelvo");
    EXPECT_EQ(event.description, "dust and scratch removal plug-in");
    EXPECT_EQ(static_cast<uint16_t>(event.directFlags), 0xB000);
    ASSERT_EQ(event.parameters.size(), 10u);
    EXPECT_EQ(event.parameters[9].name, "zoom");
    EXPECT_EQ(event.parameters[9].type, PIFourCC('d', 'o', 'u', 'b'));
    EXPECT_EQ(event.parameters[9].description, "preview zoom factor");
}

TEST(Terminology, NamesTheFilterAndItsTenParameters) {
    const auto module = PluginModule::load(NELVO_MODULE_PATH);
    const auto bytes = module->resource(PIFourCC('a', 'e', 't', 'e'), 16000);
    ASSERT_TRUE(bytes.has_value());
    const TerminologyInfo info = parseTerminology(*bytes);
    EXPECT_EQ(info.majorVersion, 1);
    EXPECT_EQ(info.minorVersion, 0);
    EXPECT_EQ(info.language, 0);
    EXPECT_EQ(info.script, 0);
    ASSERT_EQ(info.suites.size(), 1u);
    const TerminologySuite& suite = info.suites[0];
    EXPECT_EQ(suite.name, "Brenwick");
    EXPECT_EQ(suite.description, "dust and scratch removal plug-in");
    EXPECT_EQ(suite.id, PIFourCC('n', 'V', 'l', 'o'));
    EXPECT_EQ(suite.level, 1);
    EXPECT_EQ(suite.version, 1);
    EXPECT_EQ(suite.classes + suite.comparisonOperators + suite.enumerations, 0);
    ASSERT_EQ(suite.events.size(), 1u);
    const TerminologyEvent& event = suite.events[0];
    EXPECT_EQ(event.name, "Nelvo");
    EXPECT_EQ(event.description, "dust and scratch removal plug-in");
    EXPECT_EQ(event.classID, PIFourCC('n', 'V', 'l', 'o'));
    EXPECT_EQ(event.eventID, PIFourCC('n', 'V', 'l', 'o'));
    EXPECT_EQ(event.replyType, typeNull);
    EXPECT_EQ(event.replyDescription, "");
    EXPECT_EQ(event.replyFlags, 0);
    EXPECT_EQ(event.directType, PIFourCC('#', 'I', 'm', 'R'));
    EXPECT_EQ(event.directDescription, "");
    EXPECT_EQ(static_cast<uint16_t>(event.directFlags), 0xB000);

    struct Expected {
        const char* name;
        const char* key;
        const char* type;
        const char* description;
    };
    const Expected expected[] = {
        {"defect detection", "detI", "long", "defect detection amount"},
        {"tile size", "tilE", "long", "defect tile size"},
        {"brush size", "brsS", "long", "defect brush size"},
        {"brush intensity", "brsI", "long", "defect brush intensity"},
        {"eraser size", "ersS", "long", "defect eraser size"},
        {"preview precision", "preC", "bool", "fast vs accurate preview"},
        {"dark defects", "darK", "bool", "dark defects"},
        {"bright defects", "briT", "bool", "bright defects"},
        {"ignore selection", "ignS", "bool", "filter entire image"},
        {"zoom", "zooM", "doub", "preview zoom factor"},
    };
    ASSERT_EQ(event.parameters.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const TerminologyParameter& p = event.parameters[i];
        const Expected& e = expected[i];
        EXPECT_EQ(p.name, e.name);
        EXPECT_EQ(p.key, PIFourCC(e.key[0], e.key[1], e.key[2], e.key[3])) << e.name;
        EXPECT_EQ(p.type, PIFourCC(e.type[0], e.type[1], e.type[2], e.type[3])) << e.name;
        EXPECT_EQ(p.description, e.description);
        EXPECT_EQ(p.flags, 0);
    }
}

TEST(Terminology, TruncatedResourceIsRefused) {
    const auto module = PluginModule::load(NELVO_MODULE_PATH);
    const auto bytes = *module->resource(PIFourCC('a', 'e', 't', 'e'), 16000);
    for (std::size_t length = 0; length < bytes.size(); length += 7) {
        EXPECT_THROW(parseTerminology(bytes.first(length)), std::runtime_error) << length;
    }
}

}  // namespace
