#include "line_index.h"

#include <cstring>

#include "matching.h"
#include "textio/platform.h"

namespace {

const uint64_t kOnes = 0x0101010101010101ULL;
const uint64_t kHighBits = 0x8080808080808080ULL;

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
  const char* text;  // the first member's text
  uint64_t len;
  LineRec* first;
  LineRec* last;
};

// A slot holds the high half of a group's hash beside the group's number,
// so that most probes are settled without touching the group.
const uint64_t kEmptySlot = ~uint64_t{0};

inline uint64_t slot_for(uint64_t hash, uint64_t group) {
  return (hash & 0xFFFFFFFF00000000ULL) | group;
}

// Lines hashed ahead of their probes, so that the slots they need are
// already on their way from memory.
const int kBatch = 16;

}  // namespace

struct LineIndex {
  uint64_t seed;
  uint64_t* slots;  // open addressing, linear probing
  uint64_t mask;    // slot count - 1; the slot count is a power of two
  Group* groups;
  uint64_t group_count;
  LineRec** next_member;  // by line_no: the next record of the same group
};

namespace {

struct Key {
  const char* text;
  size_t len;
  uint64_t hash;
};

Key key_of(const LineIndex* index, const char* text) {
  Key key;
  key.text = text;
  key.len = std::strlen(text);
  key.hash = folded_hash(text, key.len, index->seed);
  __builtin_prefetch(&index->slots[key.hash & index->mask]);
  return key;
}

// The slot that holds the group of key, or the empty slot where it goes.
uint64_t probe(const LineIndex* index, const Key& key) {
  uint64_t tag = key.hash & 0xFFFFFFFF00000000ULL;
  uint64_t at = key.hash & index->mask;
  for (;;) {
    uint64_t slot = index->slots[at];
    if (slot == kEmptySlot) return at;
    if ((slot & 0xFFFFFFFF00000000ULL) == tag) {
      const Group& group = index->groups[slot & 0xFFFFFFFFULL];
      if (group.len == key.len && same_folded(group.text, key.text, key.len)) {
        return at;
      }
    }
    at = (at + 1) & index->mask;
  }
}

void insert(LineIndex* index, LineRec* rec, const Key& key) {
  uint64_t at = probe(index, key);
  if (index->slots[at] == kEmptySlot) {
    uint64_t g = index->group_count++;
    index->slots[at] = slot_for(key.hash, g);
    index->groups[g] = Group{rec->line_text, key.len, rec, rec};
  } else {
    Group& group = index->groups[index->slots[at] & 0xFFFFFFFFULL];
    index->next_member[group.last->line_no] = rec;
    group.last = rec;
  }
}

}  // namespace

LineIndex* build_index(LineList list, uint64_t seed) {
  uint64_t records = 0;
  for (LineRec* r = list; r->next_rec != nullptr; r = r->next_rec) ++records;
  if (records >= 0xFFFFFFFFULL) return nullptr;  // group numbers are 32-bit
  uint64_t slot_count = 16;
  while (slot_count < 2 * records) slot_count *= 2;

  LineIndex* index = static_cast<LineIndex*>(os_zalloc(sizeof(LineIndex)));
  if (index == nullptr) return nullptr;
  index->seed = seed;
  index->mask = slot_count - 1;
  index->slots =
      static_cast<uint64_t*>(os_zalloc(slot_count * sizeof(uint64_t)));
  index->groups = static_cast<Group*>(
      os_zalloc((records == 0 ? 1 : records) * sizeof(Group)));
  index->next_member = static_cast<LineRec**>(
      os_zalloc((records == 0 ? 1 : records) * sizeof(LineRec*)));
  if (index->slots == nullptr || index->groups == nullptr ||
      index->next_member == nullptr) {
    free_index(index);
    return nullptr;
  }
  std::memset(index->slots, 0xFF, slot_count * sizeof(uint64_t));

  LineRec* batch[kBatch];
  Key keys[kBatch];
  LineRec* r = list;
  while (r->next_rec != nullptr) {
    int n = 0;
    for (; n < kBatch && r->next_rec != nullptr; r = r->next_rec) {
      if (!has_text(r->line_text)) continue;
      batch[n] = r;
      keys[n] = key_of(index, r->line_text);
      ++n;
    }
    for (int i = 0; i < n; ++i) insert(index, batch[i], keys[i]);
  }
  return index;
}

namespace {

// The group in the home slot of key when its tag matches, else nullptr.
const Group* likely_group(const LineIndex* index, const Key& key) {
  uint64_t slot = index->slots[key.hash & index->mask];
  if (slot == kEmptySlot ||
      (slot & 0xFFFFFFFF00000000ULL) != (key.hash & 0xFFFFFFFF00000000ULL)) {
    return nullptr;
  }
  return &index->groups[slot & 0xFFFFFFFFULL];
}

}  // namespace

void find_groups(const LineIndex* index, LineRec* const* lines, int count,
                 GroupSpan* spans) {
  Key keys[kBatch];
  for (int done = 0; done < count; done += kBatch) {
    int n = count - done < kBatch ? count - done : kBatch;
    // Each stage starts the memory reads that the next one needs.
    for (int i = 0; i < n; ++i) {
      keys[i] = key_of(index, lines[done + i]->line_text);
    }
    for (int i = 0; i < n; ++i) {
      const Group* g = likely_group(index, keys[i]);
      if (g != nullptr) __builtin_prefetch(g);
    }
    for (int i = 0; i < n; ++i) {
      const Group* g = likely_group(index, keys[i]);
      if (g != nullptr) __builtin_prefetch(g->text);
    }
    for (int i = 0; i < n; ++i) {
      uint64_t slot = index->slots[probe(index, keys[i])];
      if (slot == kEmptySlot) {
        spans[done + i] = GroupSpan{nullptr, nullptr};
      } else {
        const Group& g = index->groups[slot & 0xFFFFFFFFULL];
        spans[done + i] = GroupSpan{g.first, g.last};
      }
    }
  }
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
