// SPDX-License-Identifier: MIT
#include "host/HostHandles.h"
#include "host/Selectors.h"

namespace nelvo {

int16_t start(CallContext& context) {
    struct Unlock {
        CallContext& context;
        ~Unlock() { unlockHandles(context); }
    } unlock{context};

    const int16_t locked = lockHandles(context);
    if (locked != noErr) return locked;
    return noErr;
}

}  // namespace nelvo
