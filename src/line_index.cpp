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

// One slot of the open-addressing table: a group of records equal under
// folding, with what a probe needs to settle on it. text is null in an
// empty slot.
struct Slot {
  uint32_t tag;  // the high half of the group's hash
  uint32_t len;
  const char* text;  // the first member's text
  LineRec* first;
  LineRec* last;
};

inline uint32_t tag_of(uint64_t hash) {
  return static_cast<uint32_t>(hash >> 32);
}

// Lines hashed ahead of their inserts, so that the slots they need are
// already on their way from memory.
const int kBatch = 16;

}  // namespace

struct LineIndex {
  uint64_t seed;
  Slot* slots;            // linear probing
  uint64_t mask;          // slot count - 1; the slot count is a power of two
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
  // A probe may run on into the next cache line of slots: fetch both.
  const Slot* home = &index->slots[key.hash & index->mask];
  __builtin_prefetch(home);
  __builtin_prefetch(home + 2);
  return key;
}

// The slot that holds the group of key, or the empty slot where it goes.
Slot* probe(const LineIndex* index, const Key& key) {
  uint32_t tag = tag_of(key.hash);
  uint64_t at = key.hash & index->mask;
  for (;;) {
    Slot* slot = &index->slots[at];
    if (slot->text == nullptr) return slot;
    if (slot->tag == tag && slot->len == key.len &&
        same_folded(slot->text, key.text, key.len)) {
      return slot;
    }
    at = (at + 1) & index->mask;
  }
}

void insert(LineIndex* index, LineRec* rec, const Key& key) {
  Slot* slot = probe(index, key);
  if (slot->text == nullptr) {
    *slot = Slot{tag_of(key.hash), static_cast<uint32_t>(key.len),
                 rec->line_text, rec, rec};
  } else {
    index->next_member[slot->last->line_no] = rec;
    slot->last = rec;
  }
}

}  // namespace

LineIndex* build_index(LineList list, uint64_t seed) {
  uint64_t records = 0;
  for (LineRec* r = list; r->next_rec != nullptr; r = r->next_rec) ++records;
  uint64_t slot_count = 16;
  while (slot_count < 2 * records) slot_count *= 2;

  LineIndex* index = static_cast<LineIndex*>(os_zalloc(sizeof(LineIndex)));
  if (index == nullptr) return nullptr;
  index->seed = seed;
  index->mask = slot_count - 1;
  index->slots = static_cast<Slot*>(os_zalloc(slot_count * sizeof(Slot)));
  index->next_member = static_cast<LineRec**>(
      os_zalloc((records == 0 ? 1 : records) * sizeof(LineRec*)));
  if (index->slots == nullptr || index->next_member == nullptr) {
    free_index(index);
    return nullptr;
  }

  LineRec* batch[kBatch];
  Key keys[kBatch];
  LineRec* r = list;
  while (r->next_rec != nullptr) {
    int n = gather_text_records(&r, batch, kBatch);
    for (int i = 0; i < n; ++i) keys[i] = key_of(index, batch[i]->line_text);
    for (int i = 0; i < n; ++i) insert(index, batch[i], keys[i]);
  }
  return index;
}

void find_groups(const LineIndex* index, LineRec* const* lines, int count,
                 GroupSpan* spans) {
  // A pipeline over the lines: line i is hashed and its slot fetched while
  // the text of line i-kAhead is on its way, and line i-2*kAhead, all its
  // memory at hand, is looked up.
  const int kAhead = 8;
  const int kKeys = 4 * kAhead;
  Key keys[kKeys];
  for (int i = 0; i < count + 2 * kAhead; ++i) {
    if (i < count) keys[i % kKeys] = key_of(index, lines[i]->line_text);
    int j = i - kAhead;
    if (j >= 0 && j < count) {
      const Key& key = keys[j % kKeys];
      const Slot& home = index->slots[key.hash & index->mask];
      if (home.text != nullptr && home.tag == tag_of(key.hash)) {
        __builtin_prefetch(home.text);
        __builtin_prefetch(home.first);  // written next if the line matches
      }
    }
    j -= kAhead;
    if (j >= 0) {
      const Slot* slot = probe(index, keys[j % kKeys]);
      spans[j] = GroupSpan{slot->first, slot->last};
    }
  }
}

LineRec* next_in_group(const LineIndex* index, const LineRec* member) {
  return index->next_member[member->line_no];
}

void free_index(LineIndex* index) {
  os_free(index->slots);
  os_free(index->next_member);
  os_free(index);
}
