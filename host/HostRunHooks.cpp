// SPDX-License-Identifier: MIT
#include "host/HostRunHooks.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace nelvo {
namespace {

// The host is asked at most this often from inside a tile: often enough that
// a stop takes effect well within 100 ms, rarely enough to cost nothing.
constexpr auto kAskInterval = std::chrono::milliseconds(5);

// Progress units of one tile, fewer when many tiles would overflow the
// host's 32-bit counts.
constexpr int32_t kUnitsPerTile = 1000;

// Shares of a tile's progress: the row passes (detection's two passes and the
// copy) and the repair passes after them.
constexpr double kRowShare = 0.7;
// Fill steps of one repair pass.
constexpr double kStepsPerPhase = 48.0;

}  // namespace

HostRunHooks::HostRunHooks(const FilterRecord& record, int64_t tiles)
    : abortProc_(record.abortProc),
      progressProc_(record.progressProc),
      tiles_(std::max<int64_t>(tiles, 1)),
      unitsPerTile_(static_cast<int32_t>(std::clamp<int64_t>(
          std::numeric_limits<int32_t>::max() / std::max<int64_t>(tiles, 1), 1, kUnitsPerTile))),
      caller_(std::this_thread::get_id()),
      lastAsked_(std::chrono::steady_clock::now()) {}

void HostRunHooks::install(FilterBase& engine) {
    engine.setCallbacks([this] { return isCancelled(); }, [this](int32_t) { beginPhase(); },
                        [this](int32_t steps) { advance(steps); });
}

void HostRunHooks::beginTile(int32_t rows, int32_t tileSize) {
    // Detection advances once per row of its median pass (the tile widened by
    // the tile size above and below, where the rectangle allows) and of its
    // contrast pass; the copy once per row.
    expectedRows_ = std::max(3.0 * rows + 2.0 * std::max(tileSize, 0), 1.0);
    rows_.store(0, std::memory_order_relaxed);
    phases_.store(0, std::memory_order_relaxed);
    phaseSteps_.store(0, std::memory_order_relaxed);
}

void HostRunHooks::endTile() {
    ++tilesDone_;
    if (progressProc_ != nullptr) {
        const auto done = static_cast<int32_t>(tilesDone_ * unitsPerTile_);
        progressProc_(done, static_cast<int32_t>(tiles_ * unitsPerTile_));
        lastReported_ = done;
    }
    if (abortProc_ != nullptr && abortProc_()) stopped_.store(true, std::memory_order_relaxed);
    lastAsked_ = std::chrono::steady_clock::now();
}

bool HostRunHooks::isCancelled() {
    askHost();
    return stopped();
}

void HostRunHooks::beginPhase() {
    phases_.fetch_add(1, std::memory_order_relaxed);
    phaseSteps_.store(0, std::memory_order_relaxed);
}

void HostRunHooks::advance(int32_t steps) {
    if (phases_.load(std::memory_order_relaxed) == 0) {
        rows_.fetch_add(steps, std::memory_order_relaxed);
    } else {
        phaseSteps_.fetch_add(steps, std::memory_order_relaxed);
    }
    askHost();
}

// The share of the current tile done, in progress units. Repair runs an
// unknown number of passes; each fills half of what is left of its share.
int32_t HostRunHooks::tileShare() const {
    const double rows = static_cast<double>(rows_.load(std::memory_order_relaxed));
    double share = kRowShare * std::min(rows / expectedRows_, 1.0);
    const int32_t phases = phases_.load(std::memory_order_relaxed);
    if (phases > 0) {
        const double steps = std::min(
            static_cast<double>(phaseSteps_.load(std::memory_order_relaxed)) / kStepsPerPhase, 1.0);
        const double left = std::pow(0.5, phases - 1);
        share = kRowShare + (1.0 - kRowShare) * ((1.0 - left) + left * 0.5 * steps);
    }
    return static_cast<int32_t>(share * (unitsPerTile_ - 1));
}

void HostRunHooks::askHost() {
    if (std::this_thread::get_id() != caller_ || stopped()) return;
    const auto time = std::chrono::steady_clock::now();
    if (time - lastAsked_ < kAskInterval) return;
    lastAsked_ = time;
    if (progressProc_ != nullptr) {
        const auto done = static_cast<int32_t>(tilesDone_ * unitsPerTile_) + tileShare();
        if (done > lastReported_) {
            progressProc_(done, static_cast<int32_t>(tiles_ * unitsPerTile_));
            lastReported_ = done;
        }
    }
    if (abortProc_ != nullptr && abortProc_()) stopped_.store(true, std::memory_order_relaxed);
}

}  // namespace nelvo
