// SPDX-License-Identifier: MIT
#include <windows.h>

#include <string>

#include "HostError.h"
#include "module/ModuleLibrary.h"

namespace filterhost {
namespace {

// The system's words for `error`, on one line.
std::string describeError(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring wide = length > 0 ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' '))
        wide.pop_back();
    std::string words = std::filesystem::path(wide).string();
    return (words.empty() ? "error" : words) + " (" + std::to_string(error) + ")";
}

// A resource type as Windows names it: the four characters of the code.
std::wstring typeName(ResType type) {
    std::wstring name;
    for (int shift = 24; shift >= 0; shift -= 8)
        name.push_back(static_cast<wchar_t>((type >> shift) & 0xFF));
    return name;
}

}  // namespace

struct ModuleLibrary::Handle {
    HMODULE module = nullptr;
};

ModuleLibrary::ModuleLibrary(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}

std::unique_ptr<ModuleLibrary> ModuleLibrary::load(const std::filesystem::path& path) {
    // The module's own folder is searched for the DLLs it needs, the current
    // folder is not; a DLL that cannot be found fails the load with a message
    // here instead of a dialog box.
    const std::filesystem::path full = std::filesystem::absolute(path);
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    auto handle = std::make_unique<Handle>();
    handle->module = LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD error = GetLastError();
    SetErrorMode(previous);
    if (handle->module == nullptr)
        throw HostError(path.string() + ": cannot load module: " + describeError(error));
    return std::unique_ptr<ModuleLibrary>(new ModuleLibrary(std::move(handle)));
}

ModuleLibrary::~ModuleLibrary() {
    if (handle_->module != nullptr) FreeLibrary(handle_->module);
}

void* ModuleLibrary::symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(handle_->module, name));
}

std::optional<std::span<const uint8_t>> ModuleLibrary::resource(ResType type, int16_t id) const {
    const std::wstring name = typeName(type);
    HRSRC found =
        FindResourceW(handle_->module, MAKEINTRESOURCEW(static_cast<WORD>(id)), name.c_str());
    if (found == nullptr) return std::nullopt;
    HGLOBAL loaded = LoadResource(handle_->module, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) return std::nullopt;
    return std::span<const uint8_t>(static_cast<const uint8_t*>(data),
                                    SizeofResource(handle_->module, found));
}

}  // namespace filterhost
