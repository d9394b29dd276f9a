// SPDX-License-Identifier: MIT
#include "host/CallContext.h"

namespace nelvo {

CallContext& callContext() {
    static CallContext context;
    return context;
}

void beginCall(FilterRecord* record, SPBasicSuite* basic, int16_t* result, intptr_t* data) {
    CallContext& context = callContext();
    context.record = record;
    context.basic = basic;
    context.result = result;
    context.data = data;
    context.parameters = nullptr;
    context.persistent = nullptr;
    context.map = nullptr;
    context.suites.begin(basic);
}

}  // namespace nelvo
