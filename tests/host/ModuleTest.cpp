// SPDX-License-Identifier: MIT
// The real module driven through the real host.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "host/CallContext.h"
#include "module/PluginModule.h"
#include "resources/pipl/PluginIdentity.h"
#include "session/HostServices.h"
#include "session/HostSession.h"
#include "settings/FilterParameters.h"
#include "support/ModalCloser.h"
#include "support/TempDir.h"

using namespace filterhost;

namespace {

Document rgbDocument(int32_t width, int32_t height) {
    Document document;
    document.allocate(width, height, 3, plugInModeRGBColor, 8);
    return document;
}

class ModuleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        module = PluginModule::load(NELVO_MODULE_PATH);
        services.scripting().setRegistryPath(config / "registry.json");
    }

    // A replay that never asks for the dialog.
    static void silent(HostSession& session) {
        session.giveDescriptor(Descriptor{}, plugInDialogSilent);
    }

    template <typename T>
    T read(Handle handle) {
        HandleRecord* record = services.record(handle);
        EXPECT_NE(record, nullptr);
        EXPECT_GE(record->bytes.size(), sizeof(T));
        T value;
        std::memcpy(static_cast<void*>(&value), record->bytes.data(), sizeof(T));
        return value;
    }

    void expectCleanAudit() {
        for (const std::string& problem : services.problems()) ADD_FAILURE() << problem;
    }

    TempDir config;
    std::unique_ptr<PluginModule> module;
    HostServices services;
};

TEST_F(ModuleTest, PropertyListDescribesTheFilter) {
    const PluginInfo& info = module->info();
    EXPECT_EQ(info.category, "Brenwick");
    EXPECT_EQ(info.name, "Nelvo...");
    EXPECT_EQ(info.version, 0x00040000);
    EXPECT_EQ(info.entryPoint, "PluginMain");
    ASSERT_GE(info.modes.size(), 2u);
    EXPECT_EQ(info.modes[0], 0x5E);
    EXPECT_EQ(info.modes[1], 0xC0);
    ASSERT_TRUE(info.terminology.has_value());
    EXPECT_EQ(info.terminology->classID, PIFourCC('n', 'V', 'l', 'o'));
    EXPECT_EQ(info.terminology->eventID, PIFourCC('n', 'V', 'l', 'o'));
    EXPECT_EQ(info.terminology->resourceID, 16000);
    EXPECT_TRUE(std::regex_match(
        info.terminology->scope,
        std::regex("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}")));
    EXPECT_EQ(info.enableExpression, nelvo::kEnableExpression);
    EXPECT_EQ(info.maxHeight, 2000000);
    EXPECT_EQ(info.maxWidth, 2000000);
    ASSERT_FALSE(info.layerSupport.empty());
    EXPECT_EQ(info.layerSupport[0], 0x80);
    ASSERT_EQ(info.filterCases.size(), 7u);
    const uint8_t flags[7] = {0x06, 0x0E, 0x0E, 0x06, 0x0E, 0x06, 0x0E};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(info.filterCases[i].inputHandling, 4);
        EXPECT_EQ(info.filterCases[i].outputHandling, 4);
        EXPECT_EQ(info.filterCases[i].flags1, flags[i]) << "case " << i;
    }
    // Four-character codes are stored reversed, as the Windows layout has them.
    const auto bytes = *module->resource(kPIPropertiesResource, 16000);
    EXPECT_EQ(std::string(bytes.begin() + 10, bytes.begin() + 18), "MIB8dnik");
}

TEST_F(ModuleTest, FirstStartCreatesBothHandlesWithDefaultsAndSecondKeepsThem) {
    HostSession session(*module, services);
    silent(session);
    Document document = rgbDocument(64, 48);
    session.begin(document);
    ASSERT_EQ(session.call(filterSelectorStart), noErr);
    ASSERT_NE(session.parametersHandle(), nullptr);
    ASSERT_NE(session.dataWord(), 0);

    auto parameters = read<nelvo::FilterParameters>(session.parametersHandle());
    nelvo::FilterParameters defaults;
    nelvo::setDefaults(defaults);
    EXPECT_EQ(parameters, defaults);
    EXPECT_TRUE(parameters.engine.darkDefects);
    EXPECT_FALSE(parameters.engine.brightDefects);
    EXPECT_EQ(parameters.engine.detectionIntensity, 8);
    EXPECT_EQ(parameters.engine.defectColor[0], 255);
    EXPECT_EQ(parameters.engine.defectColor[3], 255);
    EXPECT_EQ(parameters.windowState, 1);
    EXPECT_EQ(parameters.zoom, 1.0);
    auto block = read<nelvo::PersistentBlock>(reinterpret_cast<Handle>(session.dataWord()));
    EXPECT_EQ(block.showDialogNext, 1);
    EXPECT_EQ(block.map, nullptr);
    expectCleanAudit();

    // The host keeps both; a later start finds them and leaves their contents.
    const Handle parametersHandle = session.parametersHandle();
    const intptr_t dataWord = session.dataWord();
    services.record(parametersHandle)->bytes[0] = 1;                    // previewPrecision
    services.record(reinterpret_cast<Handle>(dataWord))->bytes[0] = 0;  // showDialogNext
    Document other = rgbDocument(10, 10);
    // Again with no parameters given: the run recorded the ones it used in their place.
    silent(session);
    session.begin(other);
    ASSERT_EQ(session.call(filterSelectorStart), noErr);
    EXPECT_EQ(session.parametersHandle(), parametersHandle);
    EXPECT_EQ(session.dataWord(), dataWord);
    EXPECT_TRUE(read<nelvo::FilterParameters>(parametersHandle).previewPrecision);
    EXPECT_EQ(read<nelvo::PersistentBlock>(reinterpret_cast<Handle>(dataWord)).showDialogNext, 0);
    expectCleanAudit();
}

TEST_F(ModuleTest, PrepareProposesTheTileBudget) {
    HostSession session(*module, services);
    Document document = rgbDocument(3000, 2000);
    session.begin(document);
    ASSERT_EQ(session.call(filterSelectorPrepare), noErr);
    // 2 × 3 + 1, and 1 + 8 + 3 for repair's lists
    EXPECT_EQ(session.record().maxSpace, 19 * 512 * 512);
    EXPECT_EQ(session.record().bufferSpace, 0);
    EXPECT_EQ(session.bigDocument().PluginUsing32BitCoordinates, 1);

    session.begin(document);
    session.record().maxSpace = 1000;
    ASSERT_EQ(session.call(filterSelectorPrepare), noErr);
    EXPECT_EQ(session.record().maxSpace, 1000);

    Document grey;
    grey.allocate(100, 50, 1, plugInModeGrayScale, 8);
    uint8_t mask = 255;
    session.begin(grey);
    session.record().maskData = &mask;
    ASSERT_EQ(session.call(filterSelectorPrepare), noErr);
    // 2 × 1 + 1, 1 for the mask, and 1 + 8 + 1 for repair's lists
    EXPECT_EQ(session.record().maxSpace, 14 * 100 * 50);

    Document float3;
    float3.allocate(100, 50, 3, plugInModeRGB96, 32);
    session.begin(float3);
    ASSERT_EQ(session.call(filterSelectorPrepare), noErr);
    EXPECT_EQ(session.record().maxSpace, (7 + 1 + 8 + 3 * 4) * 100 * 50);
    expectCleanAudit();
}

TEST_F(ModuleTest, ContinueAnswersEmptyRectangles) {
    HostSession session(*module, services);
    Document document = rgbDocument(20, 20);
    session.begin(document);
    session.bigDocument().inRect32 = VRect{0, 0, 10, 10};
    session.bigDocument().outRect32 = VRect{0, 0, 10, 10};
    session.bigDocument().maskRect32 = VRect{1, 2, 3, 4};
    ASSERT_EQ(session.call(filterSelectorContinue), noErr);
    for (const VRect& r : {session.bigDocument().inRect32, session.bigDocument().outRect32,
                           session.bigDocument().maskRect32}) {
        EXPECT_EQ(r.top | r.left | r.bottom | r.right, 0);
    }
    expectCleanAudit();
}

// The module shows its about box modally, inside the Qt application this host runs; a
// click on the box closes it.
TEST_F(ModuleTest, AboutNeedsNoFilterRecordAndLeavesTheResult) {
    nelvo::test::testApplication();
    int16_t result = 42;
    intptr_t data = 0;
    nelvo::test::onNextModal();
    module->entry()(filterSelectorAbout, nullptr, &data, &result);
    EXPECT_EQ(result, 42);
    HostSession session(*module, services);
    nelvo::test::onNextModal();
    EXPECT_EQ(session.about(), noErr);
    expectCleanAudit();
}

TEST_F(ModuleTest, HostWithoutBigDocumentIsInsufficient) {
    HostSession session(*module, services);
    Document document = rgbDocument(8, 8);
    session.setWithoutBigDocument(true);
    session.begin(document);
    for (int16_t selector : {filterSelectorPrepare, filterSelectorStart, filterSelectorContinue}) {
        EXPECT_EQ(session.call(selector), errPlugInHostInsufficient) << selector;
    }
    EXPECT_EQ(session.parametersHandle(), nullptr);
    expectCleanAudit();
}

TEST_F(ModuleTest, RefusedSuiteEndsTheCallAndReleasesWhatWasAcquired) {
    HostSession session(*module, services);
    Document document = rgbDocument(8, 8);
    services.limits().refusedSuites = {kPSHandleSuite};
    session.begin(document);
    EXPECT_EQ(session.call(filterSelectorStart), -1);
    expectCleanAudit();
}

TEST_F(ModuleTest, HandleThatCannotBeCreatedGivesOutOfMemory) {
    for (int failing : {1, 2}) {  // the parameter record, then the persistent block
        HostServices host;
        host.scripting().setRegistryPath(config / "registry.json");
        host.limits().failHandleAllocation = failing;
        HostSession session(*module, host);
        Document document = rgbDocument(8, 8);
        session.begin(document);
        EXPECT_EQ(session.call(filterSelectorStart), memFullErr) << failing;
        for (const std::string& problem : host.problems()) ADD_FAILURE() << problem;
    }
}

TEST_F(ModuleTest, ShortParameterHandleIsGrownAndReset) {
    HostSession session(*module, services);
    silent(session);
    Document document = rgbDocument(8, 8);
    session.begin(document);
    session.record().parameters = services.newHandle(3);
    ASSERT_EQ(session.call(filterSelectorStart), noErr);
    nelvo::FilterParameters defaults;
    nelvo::setDefaults(defaults);
    auto parameters = read<nelvo::FilterParameters>(session.parametersHandle());
    EXPECT_EQ(parameters, defaults);
    expectCleanAudit();
}

}  // namespace
