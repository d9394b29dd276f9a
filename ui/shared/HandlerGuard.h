// SPDX-License-Identifier: MIT
// An exception must never unwind through the window system's event dispatch: Qt's event
// delivery is not exception-safe (a throw out of a paint handler ends the process), and a
// window procedure on Windows is no better. Every event handler, slot and callback of the
// plug-in's windows runs its body through guardHandler, which hands what escapes it to the
// failure sink of the modal run in progress: the editing dialog then ends and the filter
// call returns the module's error for it. Without a sink the failure is reported on the
// standard error stream and the window goes on.
#pragma once

#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

namespace nelvo {

using HandlerFailureSink = std::function<void(std::exception_ptr)>;

// Installs `sink` for its lifetime; the previous sink is back afterwards.
class HandlerFailureScope {
  public:
    explicit HandlerFailureScope(HandlerFailureSink sink);
    ~HandlerFailureScope();
    HandlerFailureScope(const HandlerFailureScope&) = delete;
    HandlerFailureScope& operator=(const HandlerFailureScope&) = delete;

  private:
    HandlerFailureSink previous_;
};

void reportHandlerFailure(std::exception_ptr failure) noexcept;

template <typename Body>
void guardHandler(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
        reportHandlerFailure(std::current_exception());
    }
}

// A handler that answers: `fallback` when its body throws.
template <typename Result, typename Body>
Result guardHandler(Result fallback, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        reportHandlerFailure(std::current_exception());
        return fallback;
    }
}

// A slot that cannot throw into the signal's emitter. It takes all of the signal's
// arguments or none.
template <typename Slot>
auto guarded(Slot slot) {
    return [slot = std::move(slot)](auto&&... args) noexcept {
        guardHandler([&] {
            if constexpr (std::is_invocable_v<const Slot&, decltype(args)...>)
                slot(std::forward<decltype(args)>(args)...);
            else
                slot();
        });
    };
}

}  // namespace nelvo
