// SPDX-License-Identifier: MIT
// The layout tables as compile-time checks. Built into the layout test for
// this platform, and compiled with `-fsyntax-only` by the Windows
// cross-compiler so that the LLP64 numbers are checked on Linux too.
#include <cstddef>

#include "PublishedLayout.h"

#define NELVO_ASSERT_OFFSET(record, field, lp64, llp64)                   \
    static_assert(offsetof(record, field) == NELVO_EXPECTED(lp64, llp64), \
                  #record "." #field " is not at its published offset");
#define NELVO_ASSERT_SIZE(record, lp64, llp64)                   \
    static_assert(sizeof(record) == NELVO_EXPECTED(lp64, llp64), \
                  "sizeof(" #record ") is not its published size");
#define NELVO_ASSERT_WIDTH(record, field, bytes)                           \
    static_assert(sizeof(static_cast<record*>(nullptr)->field) == (bytes), \
                  #record "." #field " does not have its published width");

NELVO_FILTER_RECORD_FIELDS(NELVO_ASSERT_OFFSET)
NELVO_OTHER_RECORD_FIELDS(NELVO_ASSERT_OFFSET)
NELVO_RECORD_SIZES(NELVO_ASSERT_SIZE)
NELVO_FIELD_WIDTHS(NELVO_ASSERT_WIDTH)
