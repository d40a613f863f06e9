#include "line_list.h"

#include <cstring>

#include "textio/platform.h"
#include "textio/text_reader.h"

namespace {

LineRec* new_record() {
  return static_cast<LineRec*>(os_zalloc(sizeof(LineRec)));
}

}  // namespace

LineList load_lines(const char* name, int64_t* bytes_used,
                    int64_t* line_count) {
  *bytes_used = 0;
  *line_count = 0;
  TextReader* reader = open_reader(name);
  if (reader == nullptr) return nullptr;
  char* buffer = static_cast<char*>(os_zalloc(kLineCapacity));
  if (buffer == nullptr) {
    close_reader(reader);
    return nullptr;
  }
  LineRec* first = new_record();
  if (first == nullptr) {
    close_reader(reader);
    os_free(buffer);
    return nullptr;
  }
  *bytes_used += kRecordCharge;
  LineRec* current = first;
  bool out_of_memory = false;
  while (fetch_line(reader, buffer, kLineCapacity) != nullptr) {
    current->line_no = *line_count;
    current->matched = 0;
    size_t length = std::strlen(buffer);
    current->line_text = static_cast<char*>(os_zalloc(length + 1));
    if (current->line_text == nullptr) {
      out_of_memory = true;
      break;
    }
    std::memcpy(current->line_text, buffer, length + 1);
    *bytes_used += static_cast<int64_t>(length) + 1;
    current->next_rec = new_record();
    if (current->next_rec == nullptr) {
      out_of_memory = true;
      break;
    }
    *bytes_used += kRecordCharge;
    current = current->next_rec;
    ++*line_count;
  }
  close_reader(reader);
  os_free(buffer);
  if (out_of_memory) {
    // A list is never handed on incomplete: release what this load obtained.
    os_free(current->line_text);
    current->line_text = nullptr;
    current->next_rec = nullptr;
    free_lines(first);
    *bytes_used = 0;
    *line_count = 0;
    return nullptr;
  }
  current->next_rec = nullptr;
  return first;
}

void free_lines(LineList list) {
  LineRec* rec = list;
  while (rec->next_rec != nullptr) {
    LineRec* next = rec->next_rec;
    os_free(rec->line_text);
    os_free(rec);
    rec = next;
  }
  os_free(rec);
}
