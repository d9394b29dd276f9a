// SPDX-License-Identifier: MIT
// The persistent descriptor registry: it survives the host process, is
// written atomically, and a damaged file is reported and ignored.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "session/HostServices.h"
#include "support/TempDir.h"

using namespace filterhost;

namespace {

constexpr const char kKey[] = "7c1e5a92-3f0b-4d8e-a6c4-5b2d9e0f7a13";

struct Registry {
    explicit Registry(const std::filesystem::path& path) : active(services) {
        services.scripting().setRegistryPath(path);
        const void* found = nullptr;
        services.basicSuite()->AcquireSuite(kPSDescriptorRegistrySuite,
                                            kPSDescriptorRegistrySuiteVersion, &found);
        suite = static_cast<const PSDescriptorRegistryProcs*>(found);
    }
    ~Registry() {
        services.basicSuite()->ReleaseSuite(kPSDescriptorRegistrySuite,
                                            kPSDescriptorRegistrySuiteVersion);
    }

    SPErr put(const char* key, const Descriptor& d, bool persistent) {
        PIActionDescriptor made = services.scripting().make();
        *services.scripting().descriptor(made) = d;
        const SPErr error = suite->Register(key, made, persistent);
        services.scripting().free(made);
        return error;
    }
    std::optional<Descriptor> get(const char* key) {
        PIActionDescriptor found = nullptr;
        EXPECT_EQ(suite->Get(key, &found), kSPNoError);
        if (found == nullptr) return std::nullopt;
        Descriptor copy = *services.scripting().descriptor(found);
        services.scripting().free(found);
        return copy;
    }

    HostServices services;
    HostServices::Activation active;
    const PSDescriptorRegistryProcs* suite = nullptr;
};

Descriptor sample() {
    Descriptor d;
    d.put(PIFourCC('t', 'i', 'l', 'E'), int32_t{17});
    d.put(PIFourCC('b', 'r', 'i', 'T'), true);
    d.put(PIFourCC('z', 'o', 'o', 'M'), UnitFloat{unitPercent, 150.0});
    d.put(PIFourCC('d', 'e', 'f', 'C'), std::vector<int32_t>{0, 128, 255, 255});
    return d;
}

TEST(DescriptorRegistry, PersistentEntriesSurviveIntoTheNextProcess) {
    TempDir folder;
    const auto path = folder / "config/filterhost/registry.json";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Registry registry(path);
        const bool ok = registry.put(kKey, sample(), true) == kSPNoError &&
                        registry.put("transient", sample(), false) == kSPNoError;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    Registry registry(path);
    EXPECT_EQ(registry.get(kKey), sample());
    EXPECT_FALSE(registry.get("transient").has_value());
    EXPECT_FALSE(registry.get("never registered").has_value());
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path()))
        EXPECT_EQ(entry.path().filename(), "registry.json");  // no temporary file left behind
    EXPECT_TRUE(registry.services.scripting().warnings().empty());
}

TEST(DescriptorRegistry, DamagedFileIsReportedIgnoredAndReplaced) {
    for (const char* damage : {"{not json", "[1, 2]", "{\"version\": 9, \"entries\": {}}",
                               "{\"version\": 1, \"entries\": {\"k\": {\"tilE\": \"x\"}}}"}) {
        TempDir folder;
        const auto path = folder / "registry.json";
        std::ofstream(path) << damage;
        Registry registry(path);
        EXPECT_FALSE(registry.get(kKey).has_value()) << damage;
        ASSERT_EQ(registry.services.scripting().warnings().size(), 1u) << damage;
        EXPECT_NE(registry.services.scripting().warnings()[0].find("damaged descriptor registry"),
                  std::string::npos);
        EXPECT_EQ(registry.put(kKey, sample(), true), kSPNoError);
        Registry next(path);
        EXPECT_EQ(next.get(kKey), sample()) << damage;
    }
}

}  // namespace
