// SPDX-License-Identifier: MIT
// Cancellation and progress hooks. Stages call them from their worker threads,
// several at a time, so an installed callable must be safe to run concurrently.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

namespace nelvo {

using CancelHook = std::function<bool()>;
using PhaseHook = std::function<void(int32_t)>;
using AdvanceHook = std::function<void(int32_t)>;

class StageHooks {
  public:
    StageHooks() = default;

    // An empty callable keeps the default: never cancelled, progress ignored.
    void set(CancelHook isCancelled, PhaseHook beginPhase, AdvanceHook advance) {
        isCancelled_ = std::move(isCancelled);
        beginPhase_ = std::move(beginPhase);
        advance_ = std::move(advance);
    }

    // The same cancellation, with progress ignored.
    StageHooks cancelOnly() const {
        StageHooks quiet;
        quiet.isCancelled_ = isCancelled_;
        return quiet;
    }

    bool isCancelled() const { return isCancelled_ && isCancelled_(); }
    // False while no cancellation hook is installed: a poll then has no
    // effect that anyone could see.
    bool polled() const { return static_cast<bool>(isCancelled_); }
    void beginPhase(int32_t steps) const {
        if (beginPhase_) beginPhase_(steps);
    }
    void advance(int32_t steps) const {
        if (advance_) advance_(steps);
    }

  private:
    CancelHook isCancelled_;
    PhaseHook beginPhase_;
    AdvanceHook advance_;
};

}  // namespace nelvo
