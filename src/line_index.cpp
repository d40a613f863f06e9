#include "line_index.h"

#include <cstring>

#include "matching.h"
#include "textio/platform.h"

namespace {

const uint64_t kOnes = 0x0101010101010101ULL;
const uint64_t kHighBits = 0x8080808080808080ULL;
const uint32_t kEmptySlot = 0xFFFFFFFFu;

// Eight bytes at once with A-Z taken as a-z and every other byte unchanged.
inline uint64_t fold_word(uint64_t w) {
  uint64_t low7 = w & ~kHighBits;
  uint64_t from_a = low7 + (0x80 - 0x41) * kOnes;  // high bit: >= 'A'
  uint64_t past_z = low7 + (0x80 - 0x5B) * kOnes;  // high bit: > 'Z'
  uint64_t upper = (from_a ^ past_z) & ~w & kHighBits;
  return w | (upper >> 2);
}

inline uint64_t load_word(const char* p, size_t n) {
  uint64_t w = 0;
  std::memcpy(&w, p, n);
  return w;
}

__extension__ typedef unsigned __int128 Wide;

// The full 128-bit product of a and b, folded to 64 bits.
inline uint64_t mix(uint64_t a, uint64_t b) {
  Wide product = static_cast<Wide>(a) * b;
  return static_cast<uint64_t>(product) ^ static_cast<uint64_t>(product >> 64);
}

uint64_t folded_hash(const char* text, size_t len, uint64_t seed) {
  uint64_t h = seed ^ mix(len ^ 0x9E3779B97F4A7C15ULL, 0xA0761D6478BD642FULL);
  size_t i = 0;
  for (; i + 8 <= len; i += 8) {
    h = mix(h ^ fold_word(load_word(text + i, 8)), 0xE7037ED1A0B428DBULL);
  }
  if (i < len) {
    h = mix(h ^ fold_word(load_word(text + i, len - i)), 0x8EBC6AF09C88C6E3ULL);
  }
  return mix(h, seed ^ 0x589965CC75374CC3ULL);
}

bool same_folded(const char* a, const char* b, size_t len) {
  size_t i = 0;
  for (; i + 8 <= len; i += 8) {
    if (fold_word(load_word(a + i, 8)) != fold_word(load_word(b + i, 8))) {
      return false;
    }
  }
  return i == len || fold_word(load_word(a + i, len - i)) ==
                         fold_word(load_word(b + i, len - i));
}

struct Group {
  uint64_t hash;
  uint64_t len;
  LineRec* first;
  LineRec* last;
};

}  // namespace

struct LineIndex {
  uint64_t seed;
  uint32_t* slots;  // open addressing, linear probing: group numbers
  uint64_t mask;    // slot count - 1; the slot count is a power of two
  Group* groups;
  uint64_t group_count;
  LineRec** next_member;  // by line_no: the next record of the same group
};

namespace {

// The slot that holds the group of text, or the empty slot where it goes.
uint64_t probe(const LineIndex* index, const char* text, size_t len,
               uint64_t hash) {
  uint64_t at = hash & index->mask;
  for (;;) {
    uint32_t g = index->slots[at];
    if (g == kEmptySlot) return at;
    const Group& group = index->groups[g];
    if (group.hash == hash && group.len == len &&
        same_folded(group.first->line_text, text, len)) {
      return at;
    }
    at = (at + 1) & index->mask;
  }
}

}  // namespace

LineIndex* build_index(LineList list, uint64_t seed) {
  uint64_t records = 0;
  for (LineRec* r = list; r->next_rec != nullptr; r = r->next_rec) ++records;
  uint64_t slot_count = 16;
  while (slot_count < 2 * records) slot_count *= 2;
  if (records >= kEmptySlot) return nullptr;

  LineIndex* index = static_cast<LineIndex*>(os_zalloc(sizeof(LineIndex)));
  if (index == nullptr) return nullptr;
  index->seed = seed;
  index->mask = slot_count - 1;
  index->slots =
      static_cast<uint32_t*>(os_zalloc(slot_count * sizeof(uint32_t)));
  index->groups = static_cast<Group*>(
      os_zalloc((records == 0 ? 1 : records) * sizeof(Group)));
  index->next_member = static_cast<LineRec**>(
      os_zalloc((records == 0 ? 1 : records) * sizeof(LineRec*)));
  if (index->slots == nullptr || index->groups == nullptr ||
      index->next_member == nullptr) {
    free_index(index);
    return nullptr;
  }
  std::memset(index->slots, 0xFF, slot_count * sizeof(uint32_t));

  for (LineRec* r = list; r->next_rec != nullptr; r = r->next_rec) {
    if (!has_text(r->line_text)) continue;
    size_t len = std::strlen(r->line_text);
    uint64_t hash = folded_hash(r->line_text, len, seed);
    uint64_t at = probe(index, r->line_text, len, hash);
    if (index->slots[at] == kEmptySlot) {
      uint64_t g = index->group_count++;
      index->slots[at] = static_cast<uint32_t>(g);
      index->groups[g] = Group{hash, len, r, r};
    } else {
      Group& group = index->groups[index->slots[at]];
      index->next_member[group.last->line_no] = r;
      group.last = r;
    }
  }
  return index;
}

LineRec* find_first(const LineIndex* index, const char* line) {
  size_t len = std::strlen(line);
  uint64_t at = probe(index, line, len, folded_hash(line, len, index->seed));
  uint32_t g = index->slots[at];
  return g == kEmptySlot ? nullptr : index->groups[g].first;
}

LineRec* next_in_group(const LineIndex* index, const LineRec* member) {
  return index->next_member[member->line_no];
}

void free_index(LineIndex* index) {
  os_free(index->slots);
  os_free(index->groups);
  os_free(index->next_member);
  os_free(index);
}
