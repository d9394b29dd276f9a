// SPDX-License-Identifier: MIT
// A module's file loaded into the process, as the platform loads libraries:
// its exported functions and its resources.
//   Linux:   dlopen/dlsym; the resources come from the module's exported
//            PIResourceLookup.
//   Windows: LoadLibraryExW/GetProcAddress; the resources are the DLL's own,
//            found with FindResourceW as a Windows host finds them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

#include "PITypes.h"

namespace filterhost {

class ModuleLibrary {
  public:
    // Loads the file. Throws HostError naming the file and the system's reason.
    static std::unique_ptr<ModuleLibrary> load(const std::filesystem::path& path);
    // Unloads the file (a module that pinned itself stays).
    ~ModuleLibrary();
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    // The exported function `name`, or nullptr.
    void* symbol(const char* name) const;

    // The bytes of resource `type` `id`, valid while the library is loaded.
    std::optional<std::span<const uint8_t>> resource(ResType type, int16_t id) const;

  private:
    struct Handle;
    explicit ModuleLibrary(std::unique_ptr<Handle> handle);
    std::unique_ptr<Handle> handle_;
};

}  // namespace filterhost
