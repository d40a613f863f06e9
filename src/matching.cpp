#include "matching.h"

#include "line_index.h"
#include "textio/platform.h"

namespace {

inline unsigned char fold(unsigned char c) {
  return (c >= 0x41 && c <= 0x5A) ? static_cast<unsigned char>(c + 0x20) : c;
}

}  // namespace

bool has_text(const char* line) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(line);
       *p != 0; ++p) {
    if (*p > 0x20 && *p != 0x7F) return true;
  }
  return false;
}

bool same_line(const char* line1, const char* line2) {
  const unsigned char* a = reinterpret_cast<const unsigned char*>(line1);
  const unsigned char* b = reinterpret_cast<const unsigned char*>(line2);
  for (;; ++a, ++b) {
    if (fold(*a) != fold(*b)) return false;
    if (*a == 0) return true;
  }
}

int gather_text_records(LineRec** cursor, LineRec** out, int max) {
  int n = 0;
  LineRec* r = *cursor;
  for (; n < max && r->next_rec != nullptr; r = r->next_rec) {
    if (has_text(r->line_text)) out[n++] = r;
  }
  *cursor = r;
  return n;
}

void match_by_scan(LineList list1, LineList list2, TextWriter* unique1,
                   TextWriter* common) {
  for (LineRec* r1 = list1; r1->next_rec != nullptr; r1 = r1->next_rec) {
    if (!has_text(r1->line_text)) continue;
    bool opened = false;
    for (LineRec* r2 = list2; r2->next_rec != nullptr; r2 = r2->next_rec) {
      if (!same_line(r1->line_text, r2->line_text)) continue;
      if (!opened) {
        write_formatted(common, "\n%ld\t%s", r1->line_no, r1->line_text);
      }
      write_formatted(common, "%ld\t%s", r2->line_no, r2->line_text);
      r2->matched = 1;
      opened = true;
    }
    if (!opened) {
      write_formatted(unique1, "%ld\t%s", r1->line_no, r1->line_text);
    }
  }
}

void write_unmatched(LineList list2, TextWriter* unique2) {
  for (LineRec* r2 = list2; r2->next_rec != nullptr; r2 = r2->next_rec) {
    if (r2->matched) continue;
    if (has_text(r2->line_text)) {
      write_formatted(unique2, "%ld\t%s", r2->line_no, r2->line_text);
    }
  }
}

namespace {

void write_set_or_unique(LineRec* r1, const GroupSpan& group,
                         const LineIndex* index, TextWriter* unique1,
                         TextWriter* common) {
  if (group.first == nullptr) {
    write_formatted(unique1, "%ld\t%s", r1->line_no, r1->line_text);
    return;
  }
  write_formatted(common, "\n%ld\t%s", r1->line_no, r1->line_text);
  for (LineRec* r2 = group.first;; r2 = next_in_group(index, r2)) {
    write_formatted(common, "%ld\t%s", r2->line_no, r2->line_text);
    r2->matched = 1;
    if (r2 == group.last) break;
  }
}

}  // namespace

void match_by_index(LineList list1, const LineIndex* index, TextWriter* unique1,
                    TextWriter* common) {
  // Lines are looked up a batch at a time and written in file order.
  const int kBatch = 256;
  LineRec* lines[kBatch];
  GroupSpan groups[kBatch];
  LineRec* r1 = list1;
  while (r1->next_rec != nullptr) {
    int n = gather_text_records(&r1, lines, kBatch);
    find_groups(index, lines, n, groups);
    for (int i = 0; i < n; ++i) {
      write_set_or_unique(lines[i], groups[i], index, unique1, common);
    }
  }
}

void write_sets(LineList list1, LineList list2, TextWriter* unique1,
                TextWriter* unique2, TextWriter* common) {
  LineIndex* index = build_index(list2, os_random_seed());
  if (index != nullptr) {
    match_by_index(list1, index, unique1, common);
    free_index(index);
  } else {
    match_by_scan(list1, list2, unique1, common);  // slower, same reports
  }
  write_unmatched(list2, unique2);
}
