// SPDX-License-Identifier: MIT
#include "module/PluginModule.h"

#include <dlfcn.h>

#include "HostError.h"

namespace filterhost {

std::unique_ptr<PluginModule> PluginModule::load(const std::filesystem::path& path) {
    const std::string name = path.string();
    if (path.extension() != ".8bf")
        throw HostError(name + ": not a filter module (expected the extension .8bf)");
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored))
        throw HostError(name + ": no such module file");

    std::unique_ptr<PluginModule> module(new PluginModule);
    module->path_ = path;
    module->library_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module->library_ == nullptr) {
        const char* why = dlerror();
        throw HostError(name + ": cannot load module: " + (why != nullptr ? why : "unknown error"));
    }
    module->entry_ = reinterpret_cast<PluginMainProc>(dlsym(module->library_, "PluginMain"));
    if (module->entry_ == nullptr) throw HostError(name + ": the module exports no PluginMain");
    module->lookup_ =
        reinterpret_cast<PIResourceLookupProc>(dlsym(module->library_, "PIResourceLookup"));
    if (module->lookup_ == nullptr)
        throw HostError(name + ": the module has no resources (no PIResourceLookup)");

    const auto pipl = module->resource(kPIPropertiesResource, 16000);
    if (!pipl) throw HostError(name + ": the module has no property list (PiPL 16000)");
    try {
        module->info_ = parsePropertyList(*pipl);
    } catch (const std::exception& e) {
        throw HostError(name + ": malformed " + e.what());
    }
    if (module->info_.entryPoint != "PluginMain") {
        throw HostError(name + ": the property list names entry point \"" +
                        module->info_.entryPoint + "\", the module exports PluginMain");
    }
    return module;
}

PluginModule::~PluginModule() {
    if (library_ != nullptr) dlclose(library_);
}

std::optional<std::span<const uint8_t>> PluginModule::resource(ResType type, int16_t id) const {
    const void* data = nullptr;
    size_t size = 0;
    if (lookup_(type, id, &data, &size) == 0 || data == nullptr) return std::nullopt;
    return std::span<const uint8_t>(static_cast<const uint8_t*>(data), size);
}

}  // namespace filterhost
