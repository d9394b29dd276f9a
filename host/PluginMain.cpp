// SPDX-License-Identifier: MIT
// The module's entry point: a dispatcher that turns every failure into a
// result code, so that nothing escapes into the host.
#include <new>

#include "PIFilter.h"
#include "host/CallContext.h"
#include "host/Selectors.h"
#include "ui/widgets/NelvoAboutDlg.h"

using namespace nelvo;

namespace {

void dispatch(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    if (selector == filterSelectorAbout) {
        // The basic suite is all we read; the result stays as the host set it.
        auto* about = static_cast<AboutRecord*>(record);
        beginCall(nullptr, about != nullptr ? about->sSPBasic : nullptr, nullptr, data);
        showAboutBox();
        return;
    }
    auto* filter = static_cast<FilterRecord*>(record);
    if (filter == nullptr || filter->bigDocumentData == nullptr) {
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

extern "C" __attribute__((visibility("default"))) void PluginMain(int16_t selector, void* record,
                                                                  intptr_t* data, int16_t* result) {
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
