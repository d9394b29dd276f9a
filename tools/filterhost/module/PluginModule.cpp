// SPDX-License-Identifier: MIT
#include "module/PluginModule.h"

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
    module->library_ = ModuleLibrary::load(path);
    module->entry_ = reinterpret_cast<PluginMainProc>(module->library_->symbol("PluginMain"));
    if (module->entry_ == nullptr) throw HostError(name + ": the module exports no PluginMain");

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

PluginModule::~PluginModule() = default;

std::optional<std::span<const uint8_t>> PluginModule::resource(ResType type, int16_t id) const {
    return library_->resource(type, id);
}

}  // namespace filterhost
