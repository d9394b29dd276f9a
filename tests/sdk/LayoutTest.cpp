// SPDX-License-Identifier: MIT
// The layout tables row by row, so that a failure names every field that is
// off and by how much, not only the first one the compiler meets.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "PublishedLayout.h"

namespace {

struct Row {
    std::string what;
    std::size_t actual;
    std::size_t expected;
};

std::vector<Row> rows() {
    std::vector<Row> table;
#define NELVO_OFFSET_ROW(record, field, lp64, llp64) \
    table.push_back({#record "." #field, offsetof(record, field), NELVO_EXPECTED(lp64, llp64)});
#define NELVO_SIZE_ROW(record, lp64, llp64) \
    table.push_back({"sizeof(" #record ")", sizeof(record), NELVO_EXPECTED(lp64, llp64)});
    NELVO_FILTER_RECORD_FIELDS(NELVO_OFFSET_ROW)
    NELVO_OTHER_RECORD_FIELDS(NELVO_OFFSET_ROW)
    NELVO_RECORD_SIZES(NELVO_SIZE_ROW)
#undef NELVO_OFFSET_ROW
#undef NELVO_SIZE_ROW
    return table;
}

TEST(PublishedLayout, EveryFieldAtItsOffsetAndEveryRecordOfItsSize) {
    for (const Row& row : rows()) EXPECT_EQ(row.actual, row.expected) << row.what;
}

// The filter record's fields follow one another without overlapping and in
// the published order: a field put in the wrong place shows here even where
// its own offset happens to match.
TEST(PublishedLayout, FilterRecordFieldsAscend) {
    std::vector<std::size_t> offsets;
#define NELVO_COLLECT(record, field, lp64, llp64) offsets.push_back(offsetof(record, field));
    NELVO_FILTER_RECORD_FIELDS(NELVO_COLLECT)
#undef NELVO_COLLECT
    for (std::size_t i = 1; i < offsets.size(); ++i) EXPECT_LT(offsets[i - 1], offsets[i]) << i;
    EXPECT_EQ(offsets.back() + sizeof(FilterRecord::reserved), sizeof(FilterRecord) - 2);
}

}  // namespace
