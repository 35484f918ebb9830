#include "words/Hash.h"

#include "core/Hot.h"
#include "core/Parts.h"

#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/Messages.h"

namespace nokari {

void THashNode::CopyAttributes(const THashNode& from) {
  ArgSpec = from.ArgSpec;
  Value = from.Value;
  TypeTag = from.TypeTag;
  Kind = from.Kind;
  CommandNumber = from.CommandNumber;
  Level = from.Level;
  ObjectIndex = from.ObjectIndex;
  Ref = from.Ref;
  Reserved = from.Reserved;
  if (from.Table) {
    Table = std::make_unique<THash>();
    for (THashNode* item : from.Table->ToArray()) {
      auto copy = std::make_shared<THashNode>();
      copy->Name = item->Name;
      copy->CopyAttributes(*item);
      Table->Add(copy);
    }
  } else {
    Table.reset();
  }
  ++Version;
}

// Whether the fold would change the name: a hiragana after a double-byte
// character that is not hiragana (ぁ does not count, as in the fold).
bool NeedsFold(std::string_view name) {
  bool afterKanji = false;
  for (size_t i = 0; i < name.size();) {
    size_t len = CharLenAt(name, i);
    if (len == 2) {
      if (IsHiraganaAt(name, i)) {
        if (afterKanji) return true;
      } else {
        afterKanji = true;
      }
    }
    i += len;
  }
  return false;
}

std::string StripOkurigana(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  bool afterKanji = false;
  size_t i = 0;
  while (i < name.size()) {
    size_t len = CharLenAt(name, i);
    if (len == 1) {
      out.push_back(name[i]);
    } else if (!IsHiraganaAt(name, i)) {
      out.append(name.substr(i, 2));
      afterKanji = true;
    } else if (!afterKanji) {
      out.append(name.substr(i, 2));
    } else {
      while (i < name.size() && IsHiraganaAt(name, i)) i += 2;
      afterKanji = false;
      continue;
    }
    i += len;
  }
  if (out.empty()) return std::string(name);
  return out;
}

void THash::Bump() {
  static uint64_t global = 0;
  generation_ = ++global;
}

int THash::HashOf(std::string_view name) {
  unsigned sum = 0;
  for (unsigned char c : name) sum += c;
  return static_cast<int>(sum % kBuckets);
}

NOKARI_HOT const THash::Slot* THash::FindExact(std::string_view name) const {
  return index_.Find(name);
}

int THash::Add(WordRef node) {
  if (!node) return -1;
  // The name is looked for in the exact-name index, not in its bucket: the
  // byte-sum buckets crowd names that differ only in their digits (a
  // dictionary keyed 1 to 100000 puts thousands in one), and scanning one
  // at every insertion made filling a long dictionary quadratic.
  if (const Slot* found = FindExact(node->Name)) {
    THashNode& existing = *found->Node;
    if (existing.Reserved) RaisePlain(msg::kReservedWord, {node->Name});
    // Overwrite in place: the engine may hold references to this word.
    existing.CopyAttributes(*node);
    return count_;
  }
  return AddNew(std::move(node));
}

int THash::AddNew(WordRef node) {
  const int b = HashOf(node->Name);
  auto& bucket = buckets_[b];
  THashNode* raw = node.get();
  bucket.push_back(std::move(node));
  index_.Insert(raw->Name, Slot{raw, static_cast<uint32_t>(bucket.size() - 1), static_cast<uint8_t>(b)});
  Bump();
  return ++count_;
}

WordRef THash::FindRef(std::string_view name, bool fold) const {
  if (name.empty()) return nullptr;
  if (fold && NeedsFold(name)) {
    std::string folded = StripOkurigana(name);
    if (const Slot* n = FindExact(folded)) return RefOf(*n);
  }
  const Slot* n = FindExact(name);
  return n ? RefOf(*n) : nullptr;
}

NOKARI_HOT THashNode* THash::Find(std::string_view name, bool fold) const {
  if (name.empty()) return nullptr;
  if (fold && NeedsFold(name)) {
    std::string folded = StripOkurigana(name);
    if (const Slot* n = FindExact(folded)) return n->Node;
  }
  const Slot* n = FindExact(name);
  return n ? n->Node : nullptr;
}

std::string THash::GetValue(std::string_view name, bool fold) const {
  THashNode* n = Find(name, fold);
  return n ? n->Value : std::string();
}

bool THash::DeleteExact(std::string_view name) {
  if (name.empty()) return false;
  const Slot* slot = index_.Find(name);
  if (!slot) return false;
  // Held until the index no longer views its name.
  const int b = slot->Bucket;
  WordRef node = std::move(buckets_[b][slot->Pos]);
  index_.Erase(node->Name);
  --count_;
  if (++holes_[b] * 2 > buckets_[b].size()) CloseHoles(b);
  Bump();
  return true;
}

void THash::CloseHoles(int b) {
  auto& bucket = buckets_[b];
  size_t kept = 0;
  for (auto& n : bucket) {
    if (!n) continue;
    if (&bucket[kept] != &n) bucket[kept] = std::move(n);
    index_.Find(bucket[kept]->Name)->Pos = static_cast<uint32_t>(kept);
    ++kept;
  }
  bucket.resize(kept);
  holes_[b] = 0;
}

int THash::Delete(std::string_view name, bool fold) {
  bool deleted = false;
  if (fold) deleted = DeleteExact(StripOkurigana(name));
  std::string exact(name);  // `name` may view a node that is about to go
  deleted = DeleteExact(exact) || deleted;
  return deleted ? count_ : -1;
}

void THash::AbandonAtExit() {
  // Kept where a leak checker still sees them (a list that is itself never
  // destroyed): reachable, never freed.
  static auto* abandoned = new std::vector<THash*>;
  abandoned->push_back(new THash(std::move(*this)));
  Clear();
}

void THash::Clear() {
  index_.Clear();
  for (auto& b : buckets_) b.clear();
  holes_.fill(0);
  count_ = 0;
  Bump();
}

std::vector<THashNode*> THash::ToArray() const {
  std::vector<THashNode*> out;
  out.reserve(count_);
  for (auto& b : buckets_)
    for (auto& n : b)
      if (n) out.push_back(n.get());
  return out;
}

namespace {
std::string TrimBlankEdges(std::string s) {
  auto blank = [](unsigned char c) { return c <= ' '; };
  size_t b = 0;
  while (b < s.size() && blank(s[b])) ++b;
  size_t e = s.size();
  while (e > b && blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}
}  // namespace

std::string THash::NamesText() const {
  std::string out;
  for (auto& b : buckets_)
    for (auto& n : b) {
      if (!n) continue;
      out += n->Name;
      out += "\r\n";
    }
  return TrimBlankEdges(std::move(out));
}

std::string THash::PairsText() const {
  std::string out;
  bool first = true;
  for (auto& b : buckets_)
    for (auto& n : b) {
      if (!n) continue;
      if (!first) out += "\r\n";
      first = false;
      out += n->Name;
      out += '=';
      out += n->Value;
    }
  return TrimBlankEdges(std::move(out));
}

void THash::LoadFromText(std::string_view text) {
  auto trim = [](std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return std::string(s);
  };
  if (text.empty()) return;
  size_t i = 0;
  while (i <= text.size()) {
    size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(i, end - i);
    if (!(end == text.size() && line.empty() && i > 0)) {
      auto node = std::make_shared<THashNode>();
      size_t eq = line.find('=');
      if (eq == std::string_view::npos) {
        node->Name = trim(line);
      } else {
        node->Name = trim(line.substr(0, eq));
        node->Value = std::string(line.substr(eq + 1));
      }
      Add(node);
    }
    if (end == text.size()) break;
    i = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
}

std::string TStack::PopLast() {
  if (Items.empty()) return {};
  std::string s = std::move(Items.back());
  Items.pop_back();
  return s;
}

std::string TStack::PopFirst() {
  if (Items.empty()) return {};
  std::string s = std::move(Items.front());
  Items.erase(Items.begin());
  return s;
}

TObjNode::TObjNode() = default;
TObjNode::~TObjNode() = default;
void TObjNode::Own(std::unique_ptr<PartHandle> control) { owned_ = std::move(control); }

int TObjList::Add(std::unique_ptr<TObjNode> node) {
  node->Id = Count();
  nodes_.push_back(std::move(node));
  return Count() - 1;
}

std::unique_ptr<TObjNode> TObjList::Take(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  return std::move(nodes_[index]);
}

TObjNode* TObjList::FindByName(std::string_view name) const {
  for (auto& n : nodes_)
    if (n && n->Name == name) return n.get();
  return nullptr;
}

int TObjList::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i)
    if (nodes_[i] && nodes_[i]->Name == name) return i;
  return -1;
}

TObjNode* TObjList::GetAt(int index) const {
  return index >= 0 && index < Count() ? nodes_[index].get() : nullptr;
}


}  // namespace nokari
