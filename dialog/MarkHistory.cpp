// SPDX-License-Identifier: MIT
#include "dialog/MarkHistory.h"

#include <algorithm>
#include <utility>

namespace nelvo {

std::vector<std::uint8_t> MarkHistory::copyArea(const std::uint8_t* map, int mapWidth,
                                                const IntRect& area) {
    std::vector<std::uint8_t> bytes;
    if (area.width() <= 0 || area.height() <= 0) return bytes;
    const auto rowBytes = static_cast<std::size_t>(area.width());
    bytes.resize(rowBytes * static_cast<std::size_t>(area.height()));
    for (int y = area.top; y < area.bottom; ++y) {
        const std::uint8_t* row = map + static_cast<std::ptrdiff_t>(y) * mapWidth +
                                  static_cast<std::ptrdiff_t>(area.left);
        std::copy_n(row, rowBytes,
                    bytes.begin() + static_cast<std::ptrdiff_t>(
                                        static_cast<std::size_t>(y - area.top) * rowBytes));
    }
    return bytes;
}

void MarkHistory::write(std::uint8_t* map, int mapWidth, const IntRect& area,
                        const std::vector<std::uint8_t>& bytes) {
    const auto rowBytes = static_cast<std::size_t>(area.width());
    for (int y = area.top; y < area.bottom; ++y)
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(
                                        static_cast<std::size_t>(y - area.top) * rowBytes),
                    rowBytes,
                    map + static_cast<std::ptrdiff_t>(y) * mapWidth +
                        static_cast<std::ptrdiff_t>(area.left));
}

void MarkHistory::record(const IntRect& area, std::vector<std::uint8_t> before,
                         const std::uint8_t* map, int mapWidth) {
    if (area.width() <= 0 || area.height() <= 0) return;
    undone_.clear();
    std::vector<std::uint8_t> after = copyArea(map, mapWidth, area);
    bytes_ += before.size() + after.size();
    done_.push_back({area, std::move(before), std::move(after)});
    trim();
}

void MarkHistory::trim() {
    std::size_t undoneBytes = 0;
    for (const Edit& e : undone_) undoneBytes += e.before.size() + e.after.size();
    std::size_t drop = 0;
    while (bytes_ + undoneBytes > limit_ && done_.size() - drop > 1) {
        bytes_ -= done_[drop].before.size() + done_[drop].after.size();
        ++drop;
    }
    done_.erase(done_.begin(), done_.begin() + static_cast<std::ptrdiff_t>(drop));
}

IntRect MarkHistory::clear(std::uint8_t* map, int mapWidth, int mapHeight) {
    const IntRect whole{0, 0, mapWidth, mapHeight};
    if (whole.width() <= 0 || whole.height() <= 0) return {};
    const auto bytes = static_cast<std::size_t>(mapWidth) * static_cast<std::size_t>(mapHeight);
    // A neutral map has nothing to clear, and an undo of it would change nothing.
    if (std::all_of(map, map + bytes, [](std::uint8_t b) { return b == kNeutralMark; })) return {};
    std::vector<std::uint8_t> before = copyArea(map, mapWidth, whole);
    std::fill_n(map, bytes, kNeutralMark);
    record(whole, std::move(before), map, mapWidth);
    return whole;
}

IntRect MarkHistory::undo(std::uint8_t* map, int mapWidth) {
    if (done_.empty()) return {};
    Edit edit = std::move(done_.back());
    done_.pop_back();
    write(map, mapWidth, edit.area, edit.before);
    const IntRect area = edit.area;
    bytes_ -= edit.before.size() + edit.after.size();
    undone_.push_back(std::move(edit));
    return area;
}

IntRect MarkHistory::redo(std::uint8_t* map, int mapWidth) {
    if (undone_.empty()) return {};
    Edit edit = std::move(undone_.back());
    undone_.pop_back();
    write(map, mapWidth, edit.area, edit.after);
    const IntRect area = edit.area;
    bytes_ += edit.before.size() + edit.after.size();
    done_.push_back(std::move(edit));
    return area;
}

}  // namespace nelvo
