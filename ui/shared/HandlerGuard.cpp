// SPDX-License-Identifier: MIT
#include "ui/shared/HandlerGuard.h"

#include <cstdio>
#include <new>
#include <stdexcept>

namespace nelvo {

namespace {

// Handlers run on the user-interface thread only, so the sink needs no lock.
HandlerFailureSink& currentSink() {
    static HandlerFailureSink sink;
    return sink;
}

void printFailure(std::exception_ptr failure) {
    try {
        std::rethrow_exception(std::move(failure));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Nelvo: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "Nelvo: an unknown error in a window\n");
    }
}

}  // namespace

HandlerFailureScope::HandlerFailureScope(HandlerFailureSink sink)
    : previous_(std::exchange(currentSink(), std::move(sink))) {}

HandlerFailureScope::~HandlerFailureScope() {
    currentSink() = std::move(previous_);
}

void reportHandlerFailure(std::exception_ptr failure) noexcept {
    try {
        if (currentSink()) {
            currentSink()(failure);
            return;
        }
        printFailure(failure);
    } catch (...) {
        // The sink failed too (out of memory): the first failure is lost, never the process.
    }
}

}  // namespace nelvo
