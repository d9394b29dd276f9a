// SPDX-License-Identifier: MIT
// What one call of the host needs throughout: its record, its suites, and the
// locked addresses of the state the host keeps for us between calls.
#pragma once

#include <cstdint>

#include "PIFilter.h"
#include "host/SuiteCache.h"
#include "settings/FilterParameters.h"

namespace nelvo {

// Kept in a host handle whose value the host's data word stores; lives as long
// as the host keeps the data word.
struct PersistentBlock {
    uint8_t showDialogNext;  // 1 until a dialog run ends with OK
    int32_t mapWidth;        // row length of the saved marking map
    Handle map;              // the saved marking map, one byte per pixel
    uint64_t mapBytes;
};

struct CallContext {
    FilterRecord* record = nullptr;
    SPBasicSuite* basic = nullptr;
    int16_t* result = nullptr;
    intptr_t* data = nullptr;
    FilterParameters* parameters = nullptr;  // locked, during start only
    PersistentBlock* persistent = nullptr;   // locked, during start only
    uint8_t* map = nullptr;                  // locked, during start only
    SuiteCache suites;
};

// The host never re-enters the module while a call runs, so one context serves.
CallContext& callContext();

// Starts a call: clears the locked addresses and binds the suites.
void beginCall(FilterRecord* record, SPBasicSuite* basic, int16_t* result, intptr_t* data);

}  // namespace nelvo
