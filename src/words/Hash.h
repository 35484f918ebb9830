// The word table: every name a script can use is a word (THashNode) kept in
// a THash. The table keeps the observable order (256 byte-sum buckets,
// insertion order within a bucket) and, beside it, an exact-name index so a
// lookup never scans or copies.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/TextPos.h"
#include "words/NameIndex.h"
#include "words/TableText.h"

namespace nokari {

class THash;
class TCsvDbBase;

enum WordKind : uint8_t {
  kCommand = 0,
  // Never given to a word; code that dispatches on kind has always read it
  // as a built-in command, and so does IsCommandKind.
  kCommandAlias = 1,
  kLabel = 2,
  kVariable = 3,
  kObject = 4,
  kDllFunction = 5,
  kDictionary = 6,
};

inline bool IsCommandKind(uint8_t kind) { return kind == kCommand || kind == kCommandAlias; }

// What the table commands and element writes read from a word's value,
// kept beside it while the value stays as it was (words/Value.cpp).
struct TTableCaches {
  // The value parsed as a table, valid while ParsedVersion == the word's Version.
  std::shared_ptr<TCsvDbBase> Parsed;
  uint64_t ParsedVersion = ~0ull;
  // The value's lines as element writes (名前#i) see them, valid while
  // LinesVersion == Version: how many there are and where the last starts,
  // kept only for a text that its lines joined by CR LF give back exactly.
  uint64_t LinesVersion = ~0ull;
  size_t LineCount = 0, LastLineStart = 0;
  // Where the rows of the value start, for cell writes (名前#列#行) in
  // place; valid while its own Version matches Version.
  std::unique_ptr<TCsvLayout> CsvLayout;
  // The value read as key=value lines, for items of a variable (名前の(キー));
  // valid while its own Version matches Version (words/Value.cpp).
  std::shared_ptr<struct TKeyLines> KeyLines;
  // Where every 64th character starts, for a text taken one character at
  // a time (words/Contract.cpp CharOffsetIn).
  std::shared_ptr<struct TCharIndex> Chars;
};

struct THashNode {
  // The fields are in an order that leaves no padding: a long dictionary
  // is mostly its words.
  std::string Name;
  std::string ArgSpec;
  std::string Value;
  std::string TypeTag;
  uint8_t Kind = kVariable;
  bool Reserved = false;
  // With the number below valid: whether it is whole and below 10^15 in
  // magnitude (NumWhole holds it), and whether the text is a plain decimal
  // integer (the engine wrote it, or read it as one), so an expression need
  // not check that it reads back as written.
  bool NumIsWhole = false;
  bool NumTextPlain = false;
  // What a number says depends on the kind, so each has its own field.
  int32_t CommandNumber = 0;  // kind 0: the command's number (CommandId)
  int32_t Level = 0;          // kinds 2, 3, 6: run-control depth at creation (-1 built-in)
  int32_t ObjectIndex = 0;    // kind 4: index in the object list
  TextPos Ref;                   // label position / creating statement
  std::unique_ptr<THash> Table;  // kind 6: the dictionary's items
  uint64_t Version = 0;          // bumped on every value write (table cache)
  // The slot particles split from ArgSpec, and the ArgSpec they came from
  // (entries of the binder's cache, which lives as long as the program).
  const std::string* SlotSpec = nullptr;
  const std::vector<std::string>* SlotList = nullptr;
  // What was read from the value as a table or as lines (words/Value.cpp),
  // made at the first such read: most words never have any.
  std::unique_ptr<TTableCaches> Tables;
  // The value read as a number, valid while NumVersion == Version; when
  // that number is whole and below 10^15 in magnitude (NumIsWhole), also
  // as a machine integer, the arithmetic's fast way (words/Expr.cpp).
  long double Num = 0;
  uint64_t NumVersion = ~0ull;
  int64_t NumWhole = 0;

  THashNode() = default;
  THashNode(std::string name, std::string value, int32_t level, bool reserved)
      : Name(std::move(name)), Value(std::move(value)), Reserved(reserved), Level(level) {}

  // The table caches, made when first needed.
  TTableCaches& TableCaches() {
    if (!Tables) Tables = std::make_unique<TTableCaches>();
    return *Tables;
  }
  // The table read from the current value, when one is kept.
  TCsvDbBase* CurrentTable() const {
    return Tables && Tables->Parsed && Tables->ParsedVersion == Version ? Tables->Parsed.get() : nullptr;
  }

  // Copies every field but the name; a dictionary's items are copied, so two
  // words never share one table.
  void CopyAttributes(const THashNode& from);
  char TypeLetter() const { return TypeTag.empty() ? '\0' : TypeTag.back(); }
  // A whole new value: a table read from the old one goes with it (a
  // parse is many times its text's size; a lent one lives on with its user).
  // Taken by reference: a by-value text is one more construction and
  // destruction per write, and a copy assigned keeps the old capacity.
  void SetValue(std::string&& v) {
    Value = std::move(v);
    NewValueWritten();
  }
  void SetValue(const std::string& v) {
    Value = v;
    NewValueWritten();
  }
  void SetValue(std::string&& v, std::string_view tag) {
    Value = std::move(v);
    SetTypeTag(tag);
    NewValueWritten();
  }
  void SetValue(const std::string& v, std::string_view tag) {
    Value = v;
    SetTypeTag(tag);
    NewValueWritten();
  }

 private:
  void NewValueWritten() {
    ++Version;
    if (Tables && Tables->Parsed) Tables->Parsed.reset();
  }
  void SetTypeTag(std::string_view tag) {
    // Nearly every tag is one letter: compared without a call to memcmp.
    if (tag.size() == 1 && TypeTag.size() == 1) {
      if (TypeTag[0] != tag[0]) TypeTag[0] = tag[0];
    } else if (TypeTag != tag) {
      TypeTag.assign(tag.data(), tag.size());
    }
  }

 public:
};

// What runs when named: a built-in command, a label or a user function.
inline bool IsCommandOrLabel(const THashNode* w) { return w && (IsCommandKind(w->Kind) || w->Kind == kLabel); }
// What the bracket form name(…) calls: those and declared DLL functions.
inline bool IsCallable(const THashNode* w) { return IsCommandOrLabel(w) || (w && w->Kind == kDllFunction); }

using WordRef = std::shared_ptr<THashNode>;

// The okurigana fold: drops every run of hiragana that directly follows a
// double-byte non-hiragana character (言う -> 言, 書き込む -> 書込).
std::string StripOkurigana(std::string_view name);
// Whether StripOkurigana would change the name (no allocation).
bool NeedsFold(std::string_view name);
// A word's value read as a number, cached beside the text.
long double ReadNumberOf(THashNode& word);
inline long double NumberOf(THashNode& word) {
  return word.NumVersion == word.Version ? word.Num : ReadNumberOf(word);
}
// Keeps x as the number of the word's current value (with its integer).
void KeepNumberOf(THashNode& word, long double x);
// The same for a whole number known to be below 10^15 in magnitude whose
// text the value is, written as a plain decimal integer.
inline void KeepWholeOf(THashNode& word, int64_t x) {
  word.Num = static_cast<long double>(x);
  word.NumWhole = x;
  word.NumIsWhole = true;
  word.NumTextPlain = true;
  word.NumVersion = word.Version;
}
// The word's value as a machine integer: false when its number is not a
// whole number below 10^15 in magnitude.
inline bool WholeOf(THashNode& word, int64_t& out) {
  if (word.NumVersion != word.Version) ReadNumberOf(word);
  out = word.NumWhole;
  return word.NumIsWhole;
}

class THash {
 public:
  static constexpr int kBuckets = 256;
  static int HashOf(std::string_view name);

  // Inserts or replaces (in place, at the same position). Raises
  // "予約語なので、登録できません" when the name belongs to a reserved word.
  // A replaced node keeps its identity: its fields are overwritten, so
  // references held elsewhere stay valid. Returns Count afterwards.
  int Add(WordRef node);
  // Adds a word whose name the caller has just looked for and not found
  // (a new dictionary item): no second lookup. Returns Count afterwards.
  int AddNew(WordRef node);
  THashNode* Find(std::string_view name, bool fold = false) const;
  WordRef FindRef(std::string_view name, bool fold = false) const;
  std::string GetValue(std::string_view name, bool fold = false) const;
  int Delete(std::string_view name, bool fold = false);
  void Clear();
  int Count() const { return count_; }
  // Lets go of every word without freeing it, for a program about to exit:
  // the system takes the memory back at once, where freeing a million words
  // one by one is a tenth of such a program's time. The table is left empty.
  void AbandonAtExit();
  // Changes whenever a name is added or removed, in any table: a lookup
  // cached with the generation it was made in stays valid while it matches.
  uint64_t Generation() const { return generation_; }
  std::vector<THashNode*> ToArray() const;
  std::string NamesText() const;
  std::string PairsText() const;
  void LoadFromText(std::string_view text);

 private:
  // A word and where it stands: its bucket and its place there (where its
  // reference is kept). A deleted word leaves a hole (a null entry) instead
  // of closing the gap, so deleting costs the same in a crowded bucket as in
  // a short one; a bucket more than half holes is closed up, which moves
  // each word a bounded number of times.
  using Slot = NameIndex::Slot;
  const Slot* FindExact(std::string_view name) const;
  bool DeleteExact(std::string_view name);

  const WordRef& RefOf(const Slot& slot) const { return buckets_[slot.Bucket][slot.Pos]; }
  void CloseHoles(int bucket);

  std::array<std::vector<WordRef>, kBuckets> buckets_;
  std::array<size_t, kBuckets> holes_{};
  NameIndex index_;
  int count_ = 0;
  uint64_t generation_ = 0;
  void Bump();
};

// A string list used as a stack (the word stack, user arguments).
class TStack {
 public:
  std::vector<std::string> Items;
  size_t Count() const { return Items.size(); }
  // By reference: a by-value text is one more move on every push (a move
  // of a short text copies its bytes), and phrases are pushed all the time.
  void Push(std::string&& s) { Items.push_back(std::move(s)); }
  void Push(const std::string& s) { Items.push_back(s); }
  std::string PopLast();
  std::string PopFirst();
  std::string Peek(size_t i) const { return i < Items.size() ? Items[i] : std::string(); }
  void Clear() { Items.clear(); }
};

class PartHandle;

// One GUI part (object) of the object list; slot 0 is 母艦. The record is
// what an event finds by id and what carries the widget; the object's word
// in the word table (kind 4, ObjectIndex = Id) is what names it.
struct TObjNode {
  static constexpr int kEventSlots = 10;
  std::string Name;
  int Kind = 7;      // row of the kind table (PartKind); 母艦 is a フォーム
  int Id = 0;        // index in the object list
  int ParentId = 0;  // the container it sits on (0: 母艦; -1: a top-level フォーム)
  // Event slots (0 generic, 1 click ... 9 file drop): the text a script
  // gave and where the handler starts (empty: none).
  std::array<std::string, kEventSlots> EventLabels;
  std::array<TextPos, kEventSlots> EventEntries;
  // State the window system does not keep: the input-method mode number
  // (IME), the sound file and repeat count of an アニメ, its button mode.
  int ImeMode = 0;
  std::string Sound;
  int RepeatCount = -1;
  int ButtonMode = 0;
  bool AcceptsDrops = false;

  TObjNode();
  ~TObjNode();
  TObjNode(const TObjNode&) = delete;
  TObjNode& operator=(const TObjNode&) = delete;
  // The widget: owned, or (母艦) lent by the part service. Null for a
  // record without a widget (an engine without a window layer).
  PartHandle* Control() const { return owned_ ? owned_.get() : lent_; }
  void Own(std::unique_ptr<PartHandle> control);
  void Lend(PartHandle* control) { lent_ = control; }

 private:
  std::unique_ptr<PartHandle> owned_;
  PartHandle* lent_ = nullptr;
};

class TObjList {
 public:
  // Appends; the node's id is the list's length before the append.
  int Add(std::unique_ptr<TObjNode> node);
  void Clear() { nodes_.clear(); }
  int Count() const { return static_cast<int>(nodes_.size()); }
  TObjNode* FindByName(std::string_view name) const;
  int IndexOfName(std::string_view name) const;
  TObjNode* GetAt(int index) const;
  // Takes the node out of its slot, which stays (null): ids are never
  // reused.
  std::unique_ptr<TObjNode> Take(int index);

 private:
  std::vector<std::unique_ptr<TObjNode>> nodes_;
};

}  // namespace nokari
