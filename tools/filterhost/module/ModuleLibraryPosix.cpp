// SPDX-License-Identifier: MIT
#include <dlfcn.h>

#include <string>

#include "HostError.h"
#include "PIProperties.h"
#include "module/ModuleLibrary.h"

namespace filterhost {

struct ModuleLibrary::Handle {
    void* library = nullptr;
    PIResourceLookupProc lookup = nullptr;
};

ModuleLibrary::ModuleLibrary(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}

std::unique_ptr<ModuleLibrary> ModuleLibrary::load(const std::filesystem::path& path) {
    const std::string name = path.string();
    auto handle = std::make_unique<Handle>();
    handle->library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle->library == nullptr) {
        const char* why = dlerror();
        throw HostError(name + ": cannot load module: " + (why != nullptr ? why : "unknown error"));
    }
    std::unique_ptr<ModuleLibrary> library(new ModuleLibrary(std::move(handle)));
    library->handle_->lookup =
        reinterpret_cast<PIResourceLookupProc>(library->symbol("PIResourceLookup"));
    if (library->handle_->lookup == nullptr)
        throw HostError(name + ": the module has no resources (no PIResourceLookup)");
    return library;
}

ModuleLibrary::~ModuleLibrary() {
    if (handle_->library != nullptr) dlclose(handle_->library);
}

void* ModuleLibrary::symbol(const char* name) const {
    return dlsym(handle_->library, name);
}

std::optional<std::span<const uint8_t>> ModuleLibrary::resource(ResType type, int16_t id) const {
    const void* data = nullptr;
    size_t size = 0;
    if (handle_->lookup(type, id, &data, &size) == 0 || data == nullptr) return std::nullopt;
    return std::span<const uint8_t>(static_cast<const uint8_t*>(data), size);
}

}  // namespace filterhost
