// SPDX-License-Identifier: MIT
// Engine hooks for a run without the dialog: the host's abort and progress
// callbacks reached from inside a tile, so that a stop takes effect at once
// and the progress bar moves while a large tile is filtered.
//
// The engine calls its hooks from its row pool, several threads at a time,
// but a host expects its callbacks on the thread that called the plug-in.
// Every thread only reads and counts atomics; the calling thread, which takes
// part in every row loop, also asks the host, at most every few milliseconds.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "engine/FilterBase.h"
#include "sdk/PIFilter.h"

namespace nelvo {

class HostRunHooks {
  public:
    HostRunHooks(const FilterRecord& record, int64_t tiles);

    // Installs the hooks; the engine must not outlive this object.
    void install(FilterBase& engine);

    // A tile of `rows` rows begins; `tileSize` is the detection tile size,
    // which widens the median pass beyond the tile.
    void beginTile(int32_t rows, int32_t tileSize);
    // The tile is done: reports it whole and asks the host once more.
    void endTile();

    // True once the host asked to stop; the run must end without writing on.
    bool stopped() const { return stopped_.load(std::memory_order_relaxed); }

  private:
    bool isCancelled();
    void beginPhase();
    void advance(int32_t steps);
    void askHost();
    int32_t tileShare() const;

    TestAbortProc abortProc_;
    ProgressProc progressProc_;
    int64_t tiles_;
    int32_t unitsPerTile_;
    std::thread::id caller_;

    int64_t tilesDone_ = 0;
    double expectedRows_ = 1.0;
    int32_t lastReported_ = -1;
    std::chrono::steady_clock::time_point lastAsked_;

    std::atomic<bool> stopped_{false};
    std::atomic<int64_t> rows_{0};
    std::atomic<int32_t> phases_{0};
    std::atomic<int32_t> phaseSteps_{0};
};

}  // namespace nelvo
