// SPDX-License-Identifier: MIT
// The tab strip's layout: square tabs of side T stacked down the left edge of the
// control, the outline that joins the selected tab to the panel, and click hit-testing.
#pragma once

#include <vector>

#include "ui/shared/PreviewGeometry.h"

namespace nelvo {

// How many of `count` tabs fit into the client's height.
int visibleTabs(const IntRect& client, int tabSize, int count);

// The tab column's background, one pixel wider than the tabs.
IntRect stripRect(const IntRect& client, int tabSize);

// Tab i's background when selected.
IntRect tabRect(const IntRect& client, int tabSize, int index);

// The outline as one connected line: around the panel right of the strip and, when the
// selected tab is visible, around that tab, open towards the panel.
std::vector<IntPoint> tabOutline(const IntRect& client, int tabSize, int count, int selected);

// The tab under p, counting all tabs (drawn or not); -1 outside the tab column.
int tabAt(const IntRect& client, int tabSize, int count, IntPoint p);

}  // namespace nelvo
