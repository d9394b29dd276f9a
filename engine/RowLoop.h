// SPDX-License-Identifier: MIT
// The one way engine stages run their rows: a parallel loop over the row index
// on oneTBB's work-stealing pool. The calling thread takes part and returns
// when every row is done. Rows must be independent: each writes only its own
// part of the outputs and reads only what earlier loops finished.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include "engine/StageHooks.h"

#if defined(__SANITIZE_THREAD__)
#define NELVO_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define NELVO_THREAD_SANITIZER 1
#endif
#endif

#if defined(NELVO_THREAD_SANITIZER)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace nelvo {

namespace detail {

// The system's TBB library is not built for ThreadSanitizer, so the ordering
// that parallel_for guarantees (everything before the loop happens before
// each row; each row happens before everything after it) is invisible to it.
// These annotations state exactly that ordering and nothing more: rows of
// one loop stay unordered, so a race between rows is still reported.
class ForkJoinOrder {
  public:
#if defined(NELVO_THREAD_SANITIZER)
    void fork() {
        __tsan_release(&forkToken_);
    }
    void enterTask() {
        __tsan_acquire(&forkToken_);
    }
    void leaveTask() {
        __tsan_release(&joinToken_);
    }
    void join() {
        __tsan_acquire(&joinToken_);
    }

  private:
    char forkToken_ = 0;
    char joinToken_ = 0;
#else
    void fork() {}
    void enterTask() {}
    void leaveTask() {}
    void join() {}
#endif
};

}  // namespace detail

// How often the stages poll for cancellation and progress within a row, in
// columns: the detection passes, whose pixels are costly, and the cheap
// per-pixel loops of the other stages.
inline constexpr int32_t kDetectPollColumns = 64;
inline constexpr int32_t kRowPollColumns = 1024;

// Smallest amount of work, in pixel operations, worth handing to a task;
// a row loop below it runs on the calling thread alone.
inline constexpr int64_t kMinWorkPerTask = 16 * 1024;

// Calls body(y) for y in [0, rows). `workPerRow` estimates the cost of one
// row in pixel operations and sets the grain of the split.
template <typename Body>
void forEachRow(int32_t rows, int64_t workPerRow, const Body& body) {
    if (rows <= 0) {
        return;
    }
    const int64_t perRow = std::max<int64_t>(workPerRow, 1);
    const int64_t grain = std::clamp<int64_t>((kMinWorkPerTask + perRow - 1) / perRow, 1, rows);
    if (grain >= rows) {
        for (int32_t y = 0; y < rows; ++y) {
            body(y);
        }
        return;
    }
    detail::ForkJoinOrder order;
    order.fork();
    tbb::parallel_for(tbb::blocked_range<int32_t>(0, rows, static_cast<std::size_t>(grain)),
                      [&body, &order](const tbb::blocked_range<int32_t>& range) {
                          order.enterTask();
                          for (int32_t y = range.begin(); y != range.end(); ++y) {
                              body(y);
                          }
                          order.leaveTask();
                      });
    order.join();
}

// Calls span(x0, x1) over [begin, end) cut at the multiples of `every`, and
// asks `hooks` whether to stop before each piece that starts on a multiple.
// Returns false when a poll asked to stop; the rest of the row is skipped.
template <typename Span>
bool forPolledSpans(int32_t begin, int32_t end, int32_t every, const StageHooks& hooks,
                    const Span& span) {
    int32_t x = begin;
    while (x < end) {
        if (x % every == 0 && hooks.isCancelled()) {
            return false;
        }
        const int64_t nextMultiple = (static_cast<int64_t>(x) / every + 1) * every;
        const auto next = static_cast<int32_t>(std::min<int64_t>(end, nextMultiple));
        span(x, next);
        x = next;
    }
    return true;
}

}  // namespace nelvo
