// SPDX-License-Identifier: MIT
#include "ui/shared/TabStripGeometry.h"

#include <algorithm>

namespace nelvo {

int visibleTabs(const IntRect& client, int tabSize, int count) {
    if (tabSize <= 0) return 0;
    return std::clamp(client.height() / tabSize, 0, count);
}

IntRect stripRect(const IntRect& c, int tabSize) {
    return {c.left, c.top, c.left + tabSize + 1, c.bottom};
}

IntRect tabRect(const IntRect& c, int tabSize, int index) {
    return {c.left, c.top + index * tabSize, c.left + tabSize + 1, c.top + (index + 1) * tabSize};
}

std::vector<IntPoint> tabOutline(const IntRect& c, int tabSize, int count, int selected) {
    const int edge = c.left + tabSize;
    std::vector<IntPoint> line{
        {edge, c.top}, {c.right - 1, c.top}, {c.right - 1, c.bottom - 1}, {edge, c.bottom - 1}};
    if (selected >= 0 && selected < visibleTabs(c, tabSize, count)) {
        const int y = c.top + selected * tabSize;
        line.insert(line.end(),
                    {{edge, y + tabSize}, {c.left, y + tabSize}, {c.left, y}, {edge, y}});
    }
    line.push_back({edge, c.top});
    return line;
}

int tabAt(const IntRect& c, int tabSize, int count, IntPoint p) {
    if (tabSize <= 0 || p.x < c.left || p.x >= c.left + tabSize || p.y < c.top ||
        p.y >= c.top + count * tabSize)
        return -1;
    return (p.y - c.top) / tabSize;
}

}  // namespace nelvo
