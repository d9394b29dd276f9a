// SPDX-License-Identifier: MIT
#include "engine/ThreadLimit.h"

#include <algorithm>
#include <cstddef>

#include <tbb/global_control.h>

namespace nelvo {

struct ThreadLimit::Control {
    explicit Control(std::size_t threads)
        : control(tbb::global_control::max_allowed_parallelism, threads) {}
    tbb::global_control control;
};

ThreadLimit::ThreadLimit(int threads)
    : control_(std::make_unique<Control>(static_cast<std::size_t>(std::max(threads, 1)))) {}

ThreadLimit::~ThreadLimit() = default;

int engineThreadCount() {
    return static_cast<int>(
        tbb::global_control::active_value(tbb::global_control::max_allowed_parallelism));
}

}  // namespace nelvo
