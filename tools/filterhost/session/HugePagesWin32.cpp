// SPDX-License-Identifier: MIT
// Windows gives large pages only to a process holding the "lock pages in
// memory" privilege, and only to VirtualAlloc'ed memory: a buffer from the heap
// keeps ordinary pages, which costs speed and nothing else.
#include "session/LargeBuffers.h"

namespace filterhost {

void preferHugePages(void*, std::size_t) {}

}  // namespace filterhost
