// An input file held in memory: a chain of LineRec records in file order,
// one per line that the reader delivers, closed by one empty terminal
// record (no text, no next record).

#ifndef SETSIEVE_LINE_LIST_H_
#define SETSIEVE_LINE_LIST_H_

#include <cstdint>

struct LineRec {
  int64_t line_no;    // sequence number within the file, from 0
  int32_t matched;    // 1 once a file2 record has joined a match set
  char* line_text;    // own copy of the line, LF included; null when terminal
  LineRec* next_rec;  // null on the terminal record
};

// A list is referred to by its first record.
using LineList = LineRec*;

// Each record is charged this many bytes in bytes_used, whatever its size.
const int64_t kRecordCharge = 16;

// The capacity of the line buffer: a line longer than kLineCapacity-1 bytes
// comes in pieces of that many bytes, each a record of its own.
const int32_t kLineCapacity = 2048;

// Reads the named file into a new list. Sets *bytes_used (16 per record,
// terminal included, plus length+1 per text) and *line_count. Gives nullptr
// when the file cannot be opened or memory runs out at any point; then
// nothing is left allocated.
LineList load_lines(const char* name, int64_t* bytes_used, int64_t* line_count);

// Releases every record and text of a list that load_lines gave.
void free_lines(LineList list);

#endif  // SETSIEVE_LINE_LIST_H_
