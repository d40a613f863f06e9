#include "line_list.h"

#include <cstring>

#include "textio/platform.h"
#include "textio/text_reader.h"

namespace {

// Records and texts are carved, zero-filled, out of large chunks: one
// allocation per chunk instead of two per line, and the whole list goes in
// a few frees. The first record sits at the start of the first chunk, so
// free_lines finds every chunk from the list itself.
struct Chunk {
  Chunk* next;
  uint64_t unused;  // keeps what follows 16-byte aligned
};

// Chunks grow from 64 KiB to 16 MiB, so small files stay small.
const size_t kFirstChunkBytes = size_t{64} << 10;
const size_t kLargestChunkBytes = size_t{16} << 20;

struct Arena {
  size_t next_chunk_bytes;
  Chunk* first;
  Chunk* last;
  char* free_at;
  char* end;
};

Chunk* chunk_of_first_record(LineRec* first) {
  return reinterpret_cast<Chunk*>(reinterpret_cast<char*>(first) -
                                  sizeof(Chunk));
}

void* take(Arena* arena, size_t size) {
  size = (size + 7) & ~size_t{7};
  if (static_cast<size_t>(arena->end - arena->free_at) < size) {
    size_t want = arena->next_chunk_bytes;
    if (want < kLargestChunkBytes) arena->next_chunk_bytes = 2 * want;
    size_t bytes = sizeof(Chunk) + (size > want ? size : want);
    Chunk* chunk = static_cast<Chunk*>(os_zalloc(bytes));
    if (chunk == nullptr) return nullptr;
    if (arena->last != nullptr) arena->last->next = chunk;
    if (arena->first == nullptr) arena->first = chunk;
    arena->last = chunk;
    arena->free_at = reinterpret_cast<char*>(chunk + 1);
    arena->end = reinterpret_cast<char*>(chunk) + bytes;
  }
  void* block = arena->free_at;
  arena->free_at += size;
  return block;
}

void free_chunks(Chunk* chunk) {
  while (chunk != nullptr) {
    Chunk* next = chunk->next;
    os_free(chunk);
    chunk = next;
  }
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
  Arena arena = {kFirstChunkBytes, nullptr, nullptr, nullptr, nullptr};
  LineRec* first = static_cast<LineRec*>(take(&arena, sizeof(LineRec)));
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
    current->line_text = static_cast<char*>(take(&arena, length + 1));
    if (current->line_text == nullptr) {
      out_of_memory = true;
      break;
    }
    std::memcpy(current->line_text, buffer, length + 1);
    *bytes_used += static_cast<int64_t>(length) + 1;
    current->next_rec = static_cast<LineRec*>(take(&arena, sizeof(LineRec)));
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
    free_chunks(arena.first);
    *bytes_used = 0;
    *line_count = 0;
    return nullptr;
  }
  current->next_rec = nullptr;
  return first;
}

void free_lines(LineList list) { free_chunks(chunk_of_first_record(list)); }
