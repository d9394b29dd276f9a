// SPDX-License-Identifier: MIT
#include "host/FilterRun.h"
#include "host/HostHandles.h"
#include "host/ScriptingParameters.h"
#include "host/Selectors.h"

namespace nelvo {

int16_t start(CallContext& context) {
    struct Unlock {
        CallContext& context;
        ~Unlock() { unlockHandles(context); }
    } unlock{context};

    const int16_t locked = lockHandles(context);
    if (locked != noErr) return locked;

    const std::optional<bool> showDialog = readScriptingParameters(context);
    if (!showDialog) return context.result != nullptr ? *context.result : int16_t{noErr};
    return startRun(context, *showDialog);
}

}  // namespace nelvo
