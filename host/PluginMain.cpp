// SPDX-License-Identifier: MIT
// The module's entry point: a dispatcher that turns every failure into a
// result code, so that nothing escapes into the host.
#include <new>

#include "host/Export.h"

#include "PIFilter.h"
#include "host/AboutBox.h"
#include "host/CallContext.h"
#include "host/Selectors.h"

using namespace nelvo;

namespace {

// What a host must give for a selector, checked before anything of the record
// is read or written beyond these fields. Every selector but about needs the
// 32-bit coordinates (interface 8.0); prepare and start also need advanceState
// (3.0) and the basic suite (5.0), through which the handle and buffer suites
// come, so that a host that cannot run the filter hears so before it makes
// room for it. The scripting suites, the descriptor parameters, the property,
// channel-port and direct callback tables are optional.
bool hostSuffices(const FilterRecord& record, int16_t selector) {
    if (record.bigDocumentData == nullptr) return false;
    if (selector == filterSelectorPrepare || selector == filterSelectorStart)
        return record.advanceState != nullptr && record.sSPBasic != nullptr;
    return true;
}

void dispatch(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    if (selector == filterSelectorAbout) {
        // The basic suite is all we read; the result stays as the host set it.
        auto* about = static_cast<AboutRecord*>(record);
        beginCall(nullptr, about != nullptr ? about->sSPBasic : nullptr, nullptr, data);
        showAboutBox();
        return;
    }
    auto* filter = static_cast<FilterRecord*>(record);
    if (filter == nullptr || !hostSuffices(*filter, selector)) {
        if (result != nullptr) *result = errPlugInHostInsufficient;
        beginCall(nullptr, nullptr, nullptr, data);
        return;
    }
    beginCall(filter, filter->sSPBasic, result, data);
    filter->bigDocumentData->PluginUsing32BitCoordinates = 1;
    switch (selector) {
        case filterSelectorPrepare:
            prepare(*filter);
            break;
        case filterSelectorStart: {
            const int16_t outcome = start(callContext());
            if (result != nullptr) *result = outcome;
            break;
        }
        case filterSelectorContinue:
            continueFilter(*filter);
            break;
        default:  // parameters, finish and unknown selectors need no work
            break;
    }
}

}  // namespace

extern "C" NELVO_EXPORT void PluginMain(int16_t selector, void* record, intptr_t* data,
                                        int16_t* result) {
    try {
        dispatch(selector, record, data, result);
    } catch (const std::bad_alloc&) {
        // Host buffers and our own heap alike: the host's out-of-memory code is
        // what the user should see, not a generic failure.
        if (result != nullptr) *result = memFullErr;
    } catch (...) {
        if (result != nullptr) *result = -1;
    }
    callContext().suites.releaseAll();
}
