// SPDX-License-Identifier: MIT
// A filter module loaded from disk: its entry point and its resources.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

#include "PIFilter.h"
#include "PIProperties.h"
#include "module/ModuleLibrary.h"
#include "module/PropertyList.h"

namespace filterhost {

class PluginModule {
  public:
    // Loads the module and validates its property list. Throws HostError with
    // a one-line message naming the file and the cause.
    static std::unique_ptr<PluginModule> load(const std::filesystem::path& path);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    const std::filesystem::path& path() const { return path_; }
    const PluginInfo& info() const { return info_; }
    PluginMainProc entry() const { return entry_; }

    // The bytes of a resource, valid while the module is loaded.
    std::optional<std::span<const uint8_t>> resource(ResType type, int16_t id) const;

  private:
    PluginModule() = default;

    std::filesystem::path path_;
    std::unique_ptr<ModuleLibrary> library_;
    PluginMainProc entry_ = nullptr;
    PluginInfo info_;
};

}  // namespace filterhost
