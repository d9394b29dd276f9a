// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>

namespace filterhost {

// A failure the host reports to its user: one line naming the file and the cause.
class HostError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace filterhost
