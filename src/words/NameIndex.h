// The exact-name index beside a word table (words/Hash.h): from a name to
// its word and where the table keeps it.
//
// Every word lookup, and every dictionary item read or written, goes through
// it, so it is a flat table rather than a map of linked nodes: open
// addressing with linear probing over a power-of-two array, each entry
// holding the name's hash beside the name (the word's own: the index keeps
// no copy), so a probe compares a number and only a match compares the
// name. An entry is 32 bytes, where std::unordered_map took a node of 48
// and a bucket pointer for each name.
// Removal shifts the entries after it back (no tombstones), so a table
// that has items added and removed for ever never fills with them.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nokari {

struct THashNode;

class NameIndex {
 public:
  // A word and where it stands in its table: its bucket and its place there.
  struct Slot {
    THashNode* Node = nullptr;
    uint32_t Pos = 0;
    uint8_t Bucket = 0;
  };

  // The entry for the name, or null. Valid until the next Insert or Erase.
  // Inline: every word lookup comes here.
  const Slot* Find(std::string_view name) const {
    // Longer than any name ever held: no need to hash it (a long text is
    // looked up as a name where a variable's value may name a word).
    if (count_ == 0 || name.size() > longest_) return nullptr;
    const Entry& entry = entries_[FindIndex(name, static_cast<uint32_t>(HashOf(name)))];
    return entry.S.Node ? &entry.S : nullptr;
  }
  Slot* Find(std::string_view name) { return const_cast<Slot*>(std::as_const(*this).Find(name)); }
  // Adds a name the index does not hold (the caller looked for it): the
  // name of the word the slot names.
  void Insert(const std::string& name, const Slot& slot);
  // Removes the name's entry; false when there is none.
  bool Erase(std::string_view name);
  void Clear();
  size_t size() const { return count_; }

  // Names are short: eight bytes at a time and a last mix cost a third of
  // the library's general hash for them (every word lookup pays it).
  static uint64_t HashOf(std::string_view s) {
    uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
    const char* p = s.data();
    size_t n = s.size();
    for (; n >= 8; p += 8, n -= 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      h = (h ^ w) * 0xFF51AFD7ED558CCDull;
      h ^= h >> 32;
    }
    // The last 0 to 7 bytes without a loop: two overlapping four-byte loads
    // cover 4 to 7 of them, three single bytes cover 1 to 3 (with the
    // length mixed in above, no two tails of one length give one value).
    uint64_t tail = 0;
    if (n >= 4) {
      uint32_t first, last;
      std::memcpy(&first, p, 4);
      std::memcpy(&last, p + n - 4, 4);
      tail = (static_cast<uint64_t>(last) << 32) | first;
    } else if (n > 0) {
      const auto byte = [p](size_t k) { return static_cast<uint64_t>(static_cast<unsigned char>(p[k])); };
      tail = (byte(0) << 16) | (byte(n >> 1) << 8) | byte(n - 1);
    }
    h = (h ^ tail) * 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 29;
    h *= 0x94D049BB133111EBull;
    return h ^ (h >> 32);
  }

 private:
  // The name is the word's own (a word's name never changes while a table
  // holds it).
  struct Entry {
    Slot S;             // an empty entry has no Node
    uint32_t Hash = 0;  // the low half of HashOf(name)
    const std::string* Name = nullptr;
  };
  // Where the name's entry is, or where its probe ended (an empty entry).
  size_t FindIndex(std::string_view name, uint32_t hash) const {
    size_t i = hash & mask_;
    for (;;) {
      const Entry& entry = entries_[i];
      if (!entry.S.Node ||
          (entry.Hash == hash && *entry.Name == name))
        return i;
      i = (i + 1) & mask_;
    }
  }
  void Grow();

  std::vector<Entry> entries_;  // empty, or a power of two long
  size_t mask_ = 0;
  size_t count_ = 0;
  size_t longest_ = 0;  // the longest name inserted since the last Clear
};

}  // namespace nokari
