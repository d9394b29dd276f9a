// SPDX-License-Identifier: MIT
#include "module/TerminologyResource.h"

#include "PIActions.h"
#include "module/ByteReader.h"

#include <tuple>
#include <utility>

namespace filterhost {
namespace {

// A string that a number follows, aligned to a word after it.
std::string text(ByteReader& in) {
    std::string value = in.pascalString();
    in.alignTo(2);
    return value;
}

// A name and its description: one pair, aligned once after both.
std::pair<std::string, std::string> namePair(ByteReader& in) {
    std::string name = in.pascalString();
    std::string description = in.pascalString();
    in.alignTo(2);
    return {std::move(name), std::move(description)};
}

// Counts are small in any real terminology; a huge one is damage.
int16_t count(ByteReader& in) {
    const int16_t n = in.i16();
    if (n < 0 || n > 1024) in.fail("implausible count");
    return n;
}

}  // namespace

TerminologyInfo parseTerminology(std::span<const uint8_t> bytes) {
    ByteReader in(bytes, "terminology");
    TerminologyInfo info;
    info.majorVersion = in.u8();
    info.minorVersion = in.u8();
    info.language = in.i16();
    info.script = in.i16();
    for (int16_t s = count(in); s > 0; --s) {
        TerminologySuite suite;
        std::tie(suite.name, suite.description) = namePair(in);
        suite.id = in.u32();
        suite.level = in.i16();
        suite.version = in.i16();
        for (int16_t e = count(in); e > 0; --e) {
            TerminologyEvent event;
            std::tie(event.name, event.description) = namePair(in);
            event.classID = in.u32();
            event.eventID = in.u32();
            event.replyType = in.u32();
            event.replyDescription = text(in);
            event.replyFlags = in.i16();
            event.directType = in.u32();
            event.directDescription = text(in);
            event.directFlags = in.i16();
            for (int16_t p = count(in); p > 0; --p) {
                TerminologyParameter parameter;
                parameter.name = text(in);
                parameter.key = in.u32();
                parameter.type = in.u32();
                parameter.description = text(in);
                parameter.flags = in.i16();
                event.parameters.push_back(std::move(parameter));
            }
            suite.events.push_back(std::move(event));
        }
        suite.classes = in.i16();
        suite.comparisonOperators = in.i16();
        suite.enumerations = in.i16();
        info.suites.push_back(std::move(suite));
    }
    if (!in.atEnd()) in.fail("trailing bytes");
    return info;
}

KeyKinds keyKinds(const TerminologyInfo& terminology) {
    KeyKinds kinds;
    for (const auto& suite : terminology.suites) {
        for (const auto& event : suite.events) {
            for (const auto& parameter : event.parameters) {
                if (parameter.type == typeInteger) kinds[parameter.key] = ValueKind::Integer;
                if (parameter.type == typeBoolean) kinds[parameter.key] = ValueKind::Boolean;
                // Floats with a unit are recorded as unit floats.
                if (parameter.type == typeFloat) kinds[parameter.key] = ValueKind::UnitFloat;
            }
        }
    }
    return kinds;
}

}  // namespace filterhost
