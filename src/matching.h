// The matching passes that fill the bodies of the three reports, and the two
// predicates that decide them. Byte rules are fixed and never follow the
// locale: a byte is text when it lies in 0x21-0x7E or 0x80-0xFF, and only
// A-Z (0x41-0x5A) fold, to a-z.

#ifndef SETSIEVE_MATCHING_H_
#define SETSIEVE_MATCHING_H_

#include "line_list.h"
#include "textio/text_writer.h"

struct LineIndex;

// True when at least one byte before the NUL is text.
bool has_text(const char* line);

// True when both lines hold the same number of bytes and are equal once A-Z
// are taken as a-z.
bool same_line(const char* line1, const char* line2);

// Gathers into out up to max records that hold text, from *cursor on in
// list order, and moves *cursor past the last record looked at (to the
// terminal record at the end). Gives how many it gathered.
int gather_text_records(LineRec** cursor, LineRec** out, int max);

// Writes every file1 line with text either as a set to common (the line,
// then each file2 line that matches it, in file2 order, opened by an empty
// line) or to unique1; then writes to unique2 every file2 line with text
// that joined no set. Marks the matched records of list2. Matches are found
// through an index of list2, or by the nested scan when memory is short.
void write_sets(LineList list1, LineList list2, TextWriter* unique1,
                TextWriter* unique2, TextWriter* common);

// The first pass as a plain nested scan of list2 for every file1 line: the
// reference that the indexed pass must equal, and the way taken when there
// is no memory for an index.
void match_by_scan(LineList list1, LineList list2, TextWriter* unique1,
                   TextWriter* common);

// The first pass through an index of list2 (see line_index.h): the same
// reports and the same matched flags as match_by_scan.
void match_by_index(LineList list1, const LineIndex* index, TextWriter* unique1,
                    TextWriter* common);

// The second pass: unique2.
void write_unmatched(LineList list2, TextWriter* unique2);

#endif  // SETSIEVE_MATCHING_H_
