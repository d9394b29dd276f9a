// SPDX-License-Identifier: MIT
// Caps the number of threads the engine's row loops use, for as long as the
// object lives. The cap is process-wide; with several alive the smallest wins.
// Without one, the row loops use every core.
#pragma once

#include <memory>

namespace nelvo {

class ThreadLimit {
  public:
    explicit ThreadLimit(int threads);  // values below 1 count as 1
    ~ThreadLimit();
    ThreadLimit(const ThreadLimit&) = delete;
    ThreadLimit& operator=(const ThreadLimit&) = delete;

  private:
    struct Control;
    std::unique_ptr<Control> control_;
};

// Threads the row loops may use at present.
int engineThreadCount();

}  // namespace nelvo
