// SPDX-License-Identifier: MIT
// Our host's scripting suites, active for one test, with a registry in a
// folder of the test's own.
#pragma once

#include <gtest/gtest.h>

#include "session/HostServices.h"
#include "support/TempDir.h"

class ScriptingFixture : public ::testing::Test {
  protected:
    ScriptingFixture() : active(services) {
        services.scripting().setRegistryPath(config / "registry.json");
        const void* suite = nullptr;
        services.basicSuite()->AcquireSuite(kPSActionDescriptorSuite,
                                            kPSActionDescriptorSuiteVersion, &suite);
        descriptors = static_cast<const PSActionDescriptorProcs*>(suite);
    }
    ~ScriptingFixture() override {
        services.basicSuite()->ReleaseSuite(kPSActionDescriptorSuite,
                                            kPSActionDescriptorSuiteVersion);
    }

    TempDir config;
    filterhost::HostServices services;
    filterhost::HostServices::Activation active;
    const PSActionDescriptorProcs* descriptors = nullptr;
};
