// An index of the records of a line list that hold text, keyed by the line
// once A-Z are folded to a-z. Records equal under folding form one group,
// kept in list order, so that a lookup gives every match without a scan.
// The hash is seeded per run and mixes every byte, so crafted input cannot
// pile lines into one bucket.

#ifndef SETSIEVE_LINE_INDEX_H_
#define SETSIEVE_LINE_INDEX_H_

#include <cstdint>

#include "line_list.h"

struct LineIndex;

// Indexes every record of list with text. Gives nullptr when memory for
// the index cannot be had; the list is not changed either way.
LineIndex* build_index(LineList list, uint64_t seed);

// The first and last record of a group; both nullptr for no group.
struct GroupSpan {
  LineRec* first;
  LineRec* last;
};

// For each of count records, the group that matches its text, into spans.
// The lookups of a batch overlap their waits for memory.
void find_groups(const LineIndex* index, LineRec* const* lines, int count,
                 GroupSpan* spans);

// The record after member in its group; nullptr after the last.
LineRec* next_in_group(const LineIndex* index, const LineRec* member);

void free_index(LineIndex* index);

#endif  // SETSIEVE_LINE_INDEX_H_
