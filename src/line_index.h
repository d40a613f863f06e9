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

// The first record of the group that matches line (same length, equal
// under folding), or nullptr when none does.
LineRec* find_first(const LineIndex* index, const char* line);

// The record after member in its group, or nullptr after the last.
LineRec* next_in_group(const LineIndex* index, const LineRec* member);

void free_index(LineIndex* index);

#endif  // SETSIEVE_LINE_INDEX_H_
