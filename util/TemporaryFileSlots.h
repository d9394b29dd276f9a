// SPDX-License-Identifier: MIT
// The names of the temporary files being written, where a stop handler (a
// signal handler, or the console's control handler) can remove them: fixed
// storage, as such a handler can neither allocate nor follow pointers that
// may be freed meanwhile.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <string>

namespace nelvo::util {

template <typename Char, std::size_t PathLength>
class TemporaryFileSlots {
  public:
    // Records `path`; returns its slot, or -1 when it is too long or every slot
    // is taken (such a file is then only removed by unwinding).
    int claim(const std::basic_string<Char>& path) {
        if (path.size() >= PathLength) return -1;
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            int expected = kFree;
            if (!slots_[i].state.compare_exchange_strong(expected, kFilling)) continue;
            std::memcpy(slots_[i].path, path.c_str(), (path.size() + 1) * sizeof(Char));
            slots_[i].state.store(kInUse);
            return static_cast<int>(i);
        }
        return -1;
    }

    void release(int slot) {
        if (slot >= 0) slots_[static_cast<std::size_t>(slot)].state.store(kFree);
    }

    // Calls remove(path) for every recorded file; safe in a stop handler.
    template <typename Remove>
    void removeAll(Remove remove) noexcept {
        for (Slot& slot : slots_)
            if (slot.state.load() == kInUse) remove(slot.path);
    }

  private:
    enum State : int { kFree, kFilling, kInUse };
    struct Slot {
        std::atomic<int> state{kFree};
        Char path[PathLength] = {};
    };
    std::array<Slot, 16> slots_;
};

}  // namespace nelvo::util
