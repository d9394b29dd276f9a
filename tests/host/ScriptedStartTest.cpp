// SPDX-License-Identifier: MIT
// The start step's reading of scripting parameters, through the real module.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstring>

#include "host/CallContext.h"
#include "module/PluginModule.h"
#include "resources/DialogResources.h"
#include "resources/pipl/PluginIdentity.h"
#include "session/HostSession.h"
#include "settings/FilterParameters.h"
#include "support/ModalCloser.h"
#include "support/TempDir.h"
#include "ui/qt/ControlId.h"

using namespace filterhost;

namespace {

constexpr uint32_t kDetI = PIFourCC('d', 'e', 't', 'I');
constexpr uint32_t kTilE = PIFourCC('t', 'i', 'l', 'E');

class ScriptedStart : public ::testing::Test {
  protected:
    void SetUp() override {
        module = PluginModule::load(NELVO_MODULE_PATH);
        services.scripting().setRegistryPath(config / "registry.json");
        document.allocate(16, 16, 3, plugInModeRGBColor, 8);
        session = std::make_unique<HostSession>(*module, services);
    }
    void TearDown() override {
        for (const std::string& problem : services.problems()) ADD_FAILURE() << problem;
    }

    int16_t start() {
        session->begin(document);
        return session->call(filterSelectorStart);
    }
    // The start step with the editing dialog closed as soon as it shows, if it does.
    int16_t startAndClose() {
        nelvo::test::testApplication();
        QTimer closer;
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() ==
                        nelvo::templateObjectName(nelvo::templates::kEditingDialog) &&
                    w->isVisible())
                    static_cast<QDialog*>(w)->reject();
        });
        closer.start();
        return start();
    }
    nelvo::FilterParameters parameters() {
        nelvo::FilterParameters p;
        std::memcpy(static_cast<void*>(&p),
                    services.record(session->parametersHandle())->bytes.data(), sizeof p);
        return p;
    }
    void confirmDialog() {  // what a dialog closed with OK leaves in the persistent block
        services.record(reinterpret_cast<Handle>(session->dataWord()))->bytes[0] = 0;
    }
    void registerConfirmed(const Descriptor& descriptor) {
        HostServices::Activation active(services);
        const void* suite = nullptr;
        services.basicSuite()->AcquireSuite(kPSDescriptorRegistrySuite,
                                            kPSDescriptorRegistrySuiteVersion, &suite);
        auto* registry = static_cast<const PSDescriptorRegistryProcs*>(suite);
        PIActionDescriptor made = services.scripting().make();
        *services.scripting().descriptor(made) = descriptor;
        ASSERT_EQ(registry->Register(nelvo::kPluginUUID, made, true), kSPNoError);
        services.scripting().free(made);
        services.basicSuite()->ReleaseSuite(kPSDescriptorRegistrySuite,
                                            kPSDescriptorRegistrySuiteVersion);
    }

    TempDir config;
    std::unique_ptr<PluginModule> module;
    HostServices services;
    Document document;
    std::unique_ptr<HostSession> session;
};

TEST_F(ScriptedStart, PlayInfoDecidesTheDialog) {
    // The dialog is closed at once, so the run ends as cancelled.
    const std::pair<int16_t, int16_t> cases[] = {{plugInDialogDisplay, userCanceledErr},
                                                 {plugInDialogDontDisplay, noErr},
                                                 {plugInDialogSilent, noErr}};
    for (const auto& [playInfo, result] : cases) {
        session->giveDescriptor(Descriptor{}, playInfo);
        EXPECT_EQ(startAndClose(), result) << playInfo;
    }
}

TEST_F(ScriptedStart, WithoutDescriptorTheDialogIsAskedForUntilConfirmed) {
    session->giveNoDescriptor();
    EXPECT_EQ(startAndClose(), userCanceledErr);
    EXPECT_EQ(startAndClose(), userCanceledErr);
    confirmDialog();
    EXPECT_EQ(start(), noErr);
    session->setWithoutScripting(true);  // a host that does not script at all
    EXPECT_EQ(start(), noErr);
}

TEST_F(ScriptedStart, DescriptorValuesAreClamped) {
    for (const auto& [given, expected] : {std::pair{0, 1}, std::pair{25, 20}, std::pair{13, 13}}) {
        Descriptor d;
        d.put(kDetI, int32_t{given});
        session->giveDescriptor(d, plugInDialogSilent);
        ASSERT_EQ(start(), noErr);
        EXPECT_EQ(parameters().engine.detectionIntensity, expected) << given;
        // The run records the value it used, for the host to show and replay.
        const auto recorded = session->recordedDescriptor();
        ASSERT_TRUE(recorded.has_value()) << given;
        const DescriptorValue* used = recorded->find(kDetI);
        ASSERT_NE(used, nullptr) << given;
        EXPECT_EQ(std::get<int32_t>(*used), expected) << given;
    }
}

TEST_F(ScriptedStart, RegistryThenDescriptorInRisingPriority) {
    Descriptor confirmed;
    confirmed.put(kTilE, int32_t{30});
    confirmed.put(kDetI, int32_t{3});
    registerConfirmed(confirmed);

    Descriptor replay;  // no 'tilE': the registry's value stays
    replay.put(kDetI, int32_t{5});
    session->giveDescriptor(replay, plugInDialogSilent);
    ASSERT_EQ(start(), noErr);
    EXPECT_EQ(parameters().engine.tileSize, 30);
    EXPECT_EQ(parameters().engine.detectionIntensity, 5);

    replay.put(kTilE, int32_t{12});
    session->giveDescriptor(replay, plugInDialogSilent);
    ASSERT_EQ(start(), noErr);
    EXPECT_EQ(parameters().engine.tileSize, 12);
}

TEST_F(ScriptedStart, DescriptorWithoutTileSizeKeepsTheParameterHandlesValue) {
    session->giveDescriptor(Descriptor{}, plugInDialogSilent);
    ASSERT_EQ(start(), noErr);
    auto& bytes = services.record(session->parametersHandle())->bytes;
    nelvo::FilterParameters p = parameters();
    p.engine.tileSize = 44;
    std::memcpy(bytes.data(), &p, sizeof p);
    Descriptor d;
    d.put(kDetI, int32_t{9});
    session->giveDescriptor(d, plugInDialogSilent);
    ASSERT_EQ(start(), noErr);
    EXPECT_EQ(parameters().engine.tileSize, 44);
    EXPECT_EQ(parameters().engine.detectionIntensity, 9);
}

TEST_F(ScriptedStart, UnreadableDescriptorEndsTheStepWithTheHostsResult) {
    Descriptor d;
    d.put(kDetI, int32_t{9});
    session->giveDescriptor(d, plugInDialogDisplay);
    services.record(session->scriptingParameters().descriptor)->bytes[0] = 'X';
    session->initialResult = 77;
    EXPECT_EQ(start(), 77);
    EXPECT_EQ(parameters().engine.detectionIntensity, 8);
}

}  // namespace
