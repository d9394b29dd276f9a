// SPDX-License-Identifier: MIT
// The ActionDescriptor suite (v2) and the Descriptor Registry suite (v1).
// Persistent registry entries live in a JSON file under the user's XDG config
// folder, so that they survive from one run of the host to the next.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PIActions.h"
#include "scripting/Descriptor.h"
#include "scripting/DescriptorJson.h"

namespace filterhost {

class HostServices;

// Registry files larger than this are ignored with a warning.
inline constexpr std::size_t kMaxRegistryBytes = std::size_t{16} << 20;

class ScriptingServices {
  public:
    explicit ScriptingServices(HostServices& host);
    ~ScriptingServices();

    // $XDG_CONFIG_HOME/filterhost/registry.json, or ~/.config/filterhost/registry.json;
    // on Windows filterhost\registry.json in the local application data folder.
    static std::filesystem::path defaultRegistryPath();
    void setRegistryPath(std::filesystem::path path);
    const std::filesystem::path& registryPath() const { return registryPath_; }

    // Problems with the registry file that were reported and worked around.
    const std::vector<std::string>& warnings() const { return warnings_; }

    // What the filter asked of any descriptor: each key, with the kind of value
    // it read (none for a presence or type query) and, for lists, the length.
    struct AskedKey {
        std::optional<ValueKind> kind;
        uint32_t count = 0;
    };
    const std::map<uint32_t, AskedKey>& askedKeys() const { return asked_; }
    void noteAsked(uint32_t key, std::optional<ValueKind> kind, uint32_t count = 0);

    // Host-side access for the program and the tests.
    Handle makeHandle(const Descriptor& descriptor);
    std::optional<Descriptor> readHandle(Handle handle);
    const Descriptor* registryEntry(const std::string& key);
    // The registry entry the filter read last, if it found one: the settings
    // last confirmed in its dialog, as a run started from them.
    const std::optional<Descriptor>& entryRead() const { return entryRead_; }
    std::size_t liveDescriptors() const { return descriptors_.size(); }
    void forgetDescriptors() { descriptors_.clear(); }

    // Suite functions, reached through HostServices::active().
    Descriptor* descriptor(PIActionDescriptor reference);
    PIActionDescriptor make();
    OSErr free(PIActionDescriptor reference);
    OSErr asHandle(PIActionDescriptor reference, PIDescriptorHandle* handle);
    OSErr handleToDescriptor(PIDescriptorHandle handle, PIActionDescriptor* reference);
    OSErr registerEntry(const char* key, PIActionDescriptor reference, bool persistent);
    OSErr eraseEntry(const char* key);
    OSErr getEntry(const char* key, PIActionDescriptor* reference);

  private:
    struct Entry {
        Descriptor descriptor;
        bool persistent = false;
    };

    void loadRegistry();
    void saveRegistry();

    HostServices& host_;
    PSActionDescriptorProcs descriptorSuite_{};
    PSDescriptorRegistryProcs registrySuite_{};
    std::map<Descriptor*, std::unique_ptr<Descriptor>> descriptors_;
    std::map<std::string, Entry> registry_;
    std::filesystem::path registryPath_;
    bool registryLoaded_ = false;
    std::vector<std::string> warnings_;
    std::map<uint32_t, AskedKey> asked_;
    std::optional<Descriptor> entryRead_;
};

}  // namespace filterhost
