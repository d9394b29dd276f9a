// SPDX-License-Identifier: MIT
// Keeps the module loaded once it is loaded. The engine's thread pool outlives
// a filter run and its workers run the module's code, so a host's FreeLibrary
// must not unmap that code under them; pinning makes every later FreeLibrary a
// no-op for this module, as -z nodelete does on Linux.
#include <windows.h>

namespace {

struct ModulePin {
    ModulePin() {
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(&gPinAnchor), &self);
    }
    static const int gPinAnchor;
};

const int ModulePin::gPinAnchor = 0;
const ModulePin gPin;

}  // namespace
