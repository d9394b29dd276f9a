// SPDX-License-Identifier: MIT
// Reading and writing the parameter record through the host's descriptor suite.
#include <gtest/gtest.h>

#include "ScriptingFixture.h"
#include "host/ScriptingParameters.h"
#include "resources/pipl/PluginIdentity.h"
#include "settings/ParameterTable.h"

namespace {

using nelvo::FilterParameters;

FilterParameters defaults() {
    FilterParameters p{};
    nelvo::setDefaults(p);
    return p;
}

class Parameters : public ScriptingFixture {
  protected:
    PIActionDescriptor make() {
        PIActionDescriptor d = nullptr;
        EXPECT_EQ(descriptors->Make(&d), kSPNoError);
        return d;
    }
};

TEST_F(Parameters, IntegersAreClampedOnReading) {
    struct Case {
        const char* member;
        int32_t given;
        int32_t expected;
    };
    const Case cases[] = {
        {"detectionIntensity", 0, 1}, {"detectionIntensity", 25, 20}, {"tileSize", 100, 100},
        {"tileSize", 101, 100},       {"brushIntensity", -11, -10},   {"brushSize", -5, 1},
        {"eraserSize", 1000, 100},    {"windowState", 7, 2},
    };
    for (const Case& c : cases) {
        const nelvo::Parameter& row = nelvo::parameterNamed(c.member);
        PIActionDescriptor d = make();
        descriptors->PutInteger(d, row.scriptingKey, c.given);
        FilterParameters p = defaults();
        nelvo::readParameters(*descriptors, d, p);
        EXPECT_EQ(*row.integers(p), c.expected) << c.member << " " << c.given;
        descriptors->Free(d);
    }
}

TEST_F(Parameters, MissingOrMistypedKeysLeaveTheirFields) {
    PIActionDescriptor d = make();
    descriptors->PutBoolean(d, PIFourCC('t', 'i', 'l', 'E'), 1);  // wrong type
    int32_t three[3] = {1, 2, 3};
    descriptors->PutIntegers(d, PIFourCC('d', 'e', 'f', 'C'), 3, three);  // wrong count
    descriptors->PutInteger(d, PIFourCC('b', 'r', 'i', 'T'), 1);          // wrong type
    FilterParameters p = defaults();
    p.engine.tileSize = 33;
    nelvo::readParameters(*descriptors, d, p);
    FilterParameters expected = defaults();
    expected.engine.tileSize = 33;
    EXPECT_EQ(p, expected);
    descriptors->Free(d);
}

TEST_F(Parameters, WriteThenReadRoundTripsEveryField) {
    FilterParameters written = defaults();
    written.previewPrecision = true;
    written.zoom = 37.5;
    written.windowFrame[0] = 10;
    written.windowFrame[3] = -4;
    written.windowState = 2;
    written.ignoreSelection = true;
    written.engine = {false, true, 20, 50, {1, 2, 3, 4}, true, 100, -10, 1};
    PIActionDescriptor d = make();
    nelvo::writeParameters(*descriptors, written, d);

    uint32_t count = 0;
    descriptors->GetCount(d, &count);
    ASSERT_EQ(count, 14u);
    const char* order[] = {"preC", "darK", "briT", "detI", "tilE", "defC", "adaP",
                           "brsS", "brsI", "ersS", "zooM", "winF", "winT", "ignS"};
    for (uint32_t i = 0; i < count; ++i) {
        DescriptorKeyID key = 0;
        descriptors->GetKey(d, i, &key);
        EXPECT_EQ(key, PIFourCC(order[i][0], order[i][1], order[i][2], order[i][3])) << i;
    }
    DescriptorUnitID unit = 0;
    double zoom = 0;
    ASSERT_EQ(descriptors->GetUnitFloat(d, PIFourCC('z', 'o', 'o', 'M'), &unit, &zoom), kSPNoError);
    EXPECT_EQ(unit, unitPercent);
    EXPECT_EQ(zoom, 37.5);

    FilterParameters read = defaults();
    nelvo::readParameters(*descriptors, d, read);
    EXPECT_EQ(read, written);
    descriptors->Free(d);
}

TEST_F(Parameters, AllZeroWindowFrameErasesTheKey) {
    PIActionDescriptor d = make();
    int32_t frame[4] = {1, 2, 3, 4};
    descriptors->PutIntegers(d, PIFourCC('w', 'i', 'n', 'F'), 4, frame);
    nelvo::writeParameters(*descriptors, defaults(), d);
    Boolean has = 1;
    descriptors->HasKey(d, PIFourCC('w', 'i', 'n', 'F'), &has);
    EXPECT_EQ(has, 0);
    uint32_t count = 0;
    descriptors->GetCount(d, &count);
    EXPECT_EQ(count, 13u);
    descriptors->Free(d);
}

}  // namespace

namespace {

// Recording after a confirmed dialog, against the host's suites.
TEST_F(Parameters, RecordingReplacesTheHostsDescriptorAndUpdatesTheRegistry) {
    FilterRecord record{};
    PIDescriptorParameters scripting{};
    scripting.recordInfo = plugInDialogNone;
    filterhost::Descriptor old;
    old.put(PIFourCC('o', 'l', 'd', '!'), int32_t{1});
    scripting.descriptor = services.scripting().makeHandle(old);
    record.descriptorParameters = &scripting;
    record.sSPBasic = services.basicSuite();
    FilterParameters parameters = defaults();
    parameters.engine.tileSize = 31;
    parameters.zoom = 150.0;

    nelvo::CallContext context;
    context.record = &record;
    context.parameters = &parameters;
    context.suites.begin(services.basicSuite());
    nelvo::recordParameters(context);
    context.suites.releaseAll();

    ASSERT_NE(scripting.descriptor, nullptr);
    EXPECT_EQ(services.liveHandles(), 1u) << "the old descriptor handle is disposed of";
    EXPECT_EQ(scripting.recordInfo, plugInDialogOptional);
    const auto recorded = services.scripting().readHandle(scripting.descriptor);
    ASSERT_TRUE(recorded.has_value());
    EXPECT_EQ(recorded->find(PIFourCC('o', 'l', 'd', '!')), nullptr);
    EXPECT_EQ(std::get<int32_t>(*recorded->find(PIFourCC('t', 'i', 'l', 'E'))), 31);
    EXPECT_EQ(std::get<filterhost::UnitFloat>(*recorded->find(PIFourCC('z', 'o', 'o', 'M'))),
              (filterhost::UnitFloat{unitPercent, 150.0}));
    const filterhost::Descriptor* registered =
        services.scripting().registryEntry(nelvo::kPluginUUID);
    ASSERT_NE(registered, nullptr);
    EXPECT_EQ(*registered, *recorded);
    services.disposeHandle(scripting.descriptor);
    EXPECT_EQ(services.scripting().liveDescriptors(), 0u);
    EXPECT_TRUE(services.problems().empty());
}

}  // namespace
