// The exact-name index (see NameIndex.h).
#include "words/NameIndex.h"

namespace nokari {

void NameIndex::Insert(const std::string& name, const Slot& slot) {
  // At most three quarters full: a probe stays a few entries long.
  if ((count_ + 1) * 4 > entries_.size() * 3) Grow();
  if (name.size() > longest_) longest_ = name.size();
  const uint32_t hash = static_cast<uint32_t>(HashOf(name));
  size_t i = hash & mask_;
  while (entries_[i].S.Node) i = (i + 1) & mask_;
  entries_[i] = {slot, hash, &name};
  ++count_;
}

void NameIndex::Grow() {
  std::vector<Entry> old;
  old.swap(entries_);
  entries_.resize(old.empty() ? 8 : old.size() * 2);
  mask_ = entries_.size() - 1;
  for (const Entry& entry : old) {
    if (!entry.S.Node) continue;
    size_t i = entry.Hash & mask_;
    while (entries_[i].S.Node) i = (i + 1) & mask_;
    entries_[i] = entry;
  }
}

bool NameIndex::Erase(std::string_view name) {
  if (count_ == 0) return false;
  size_t hole = FindIndex(name, static_cast<uint32_t>(HashOf(name)));
  if (!entries_[hole].S.Node) return false;
  --count_;
  // Each entry after the hole, up to the next empty one, moves back into it
  // unless its probe starts after the hole (it would no longer be found).
  for (size_t j = hole;;) {
    j = (j + 1) & mask_;
    const Entry& entry = entries_[j];
    if (!entry.S.Node) break;
    const size_t home = entry.Hash & mask_;
    const bool homeAfterHole = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
    if (homeAfterHole) continue;
    entries_[hole] = entry;
    hole = j;
  }
  entries_[hole] = {};
  return true;
}

void NameIndex::Clear() {
  entries_.clear();
  entries_.shrink_to_fit();
  mask_ = 0;
  count_ = 0;
  longest_ = 0;
}

}  // namespace nokari
