// The readings the engine keeps by the place they start: blocks, value
// texts, translated conditions, branch blocks and statement plans, with the
// recording of the statement being read. They are all derived from prepared
// texts (which never change), so emptying them changes no behaviour, only the
// time the next reading takes; Clear() empties them together when a new
// program starts. The word table is not cached here: readings that depend on
// it record the table's generation and look again when it moved.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/Engine.h"
#include "core/PlaceMap.h"
#include "core/TextPos.h"
#include "words/Hash.h"

namespace nokari {

// A compiled expression tree kept beside its text (words/Expr.h).
struct CompiledRef {
  const void* Tree = nullptr;
  uint64_t Epoch = 0;
};

struct BracketCallPlan;  // words/Calls.h
struct LiteralReading;   // below

// A piece of a value that joins texts with "&" (words/Value.cpp), read
// once: where it stands in the value text and what it is; a plain word's
// lookup is kept for a table generation.
struct JoinPiece {
  uint32_t Start = 0, End = 0;  // in the value text
  // kBroken: a literal without its end; kTerm: an item or element alone
  // (名前の(キー), 表#I), its text in Word and its compiled form in Term.
  enum : uint8_t { kLiteral, kWord, kBroken, kTerm } Kind = kWord;
  std::string Word;
  CompiledRef Term;
  WordRef Node;
  bool Folds = false;  // no such word, but its folded form names one
  uint64_t Generation = 0;
  // A double-quoted literal's reading, kept with the piece (null: the
  // literal is read each time), and whether it holds {…} expressions.
  std::shared_ptr<LiteralReading> Literal;
  bool LiteralRuns = false;
};

// A planned value's text read once (words/Value.cpp EvalPlannedValue): one
// bracket call of a function or command, F(A, N-1) (words/Calls.h), or
// literals and variables joined with "&" (Join: two pieces or more, or one
// literal with {…} expressions); Call null and Join empty when the value
// is something else.
struct PlannedValue {
  int8_t Read = -1;  // -1 not yet read
  std::shared_ptr<BracketCallPlan> Call;
  std::vector<JoinPiece> Join;
};

// What a planned assignment learns about its target once: whether its text
// could append in place, and the word found in a given table generation.
struct AssignTarget {
  int8_t MayAppend = -1;  // -1 not yet known
  // "X は X & …" (words/Value.cpp): the pieces after X as the text gives
  // them, read once.
  std::vector<JoinPiece> AppendPieces;
  int8_t AppendRead = -1;  // -1 not yet read, 0 the text never appends, 1 read
  WordRef Word;
  uint64_t Generation = 0;
  CompiledRef Value;  // the value text compiled as an argument
  uint8_t Shape = 0;  // what Value is (words/Expr.h ArgShape), known with it
  PlannedValue Planned;
};

// The same for a planned item assignment 辞書の(キー)は、値.
struct ItemTarget {
  WordRef Owner;
  uint64_t Generation = 0;
  CompiledRef Key, Value;
  PlannedValue Planned;  // the value's
  // Whether the owner phrases are one phrase "名前の" (-1: not yet known),
  // and that name: both depend on the plan's text alone.
  int8_t PlainOwner = -1;
  std::string OwnerName;
};

// A double-quoted literal read once (words/Value.cpp): the texts it gives
// as they stand and, between them, the expressions of its {…}, in the order
// the reading meets them; and whether its closing quote was missing.
struct LiteralReading {
  struct Piece {
    std::string Text;  // the text itself, or an expression made half-width
    bool Expression = false;
    CompiledRef Compiled = {};
  };
  std::vector<Piece> Pieces;
  size_t FixedSize = 0;  // the bytes of the plain pieces together
  bool Unterminated = false;
};

// A double-quoted literal with {…} among a command's phrases (「{N}番」を):
// its value is evaluated where the reading evaluates it, so a plan keeps the
// literal and the particle after it and evaluates it again at every replay,
// at its turn among the phrases.
struct PlannedLiteral {
  uint32_t Index = 0;     // among the phrases
  std::string_view Text;  // the literal, in the plan's text
  std::string Particle;   // what follows it in the phrase (を, の …)
  std::shared_ptr<LiteralReading> Reading;  // kept at the first replay
};

// A command statement that starts with a call in brackets (文字数(S)を、表示):
// the call is made where the reading makes it, so a plan keeps the name,
// where its bracket stands and the particle after it, and calls it again at
// every replay, as its first phrase.
struct PlannedLeadingCall {
  std::string Name;
  const char* At = nullptr;  // the bracket, in the plan's text (null: none)
  std::string Particle;      // what follows the bracket in the phrase
};

struct EngineCaches {
  // Every reading kept by the place it starts (blocks, value texts,
  // conditions, plans) holds the text it was read from and where that text
  // ended (Limit, the cursor's End then): the same place read within a
  // shorter body would stop earlier.
  //
  // Blocks by the place they start: the body's range and where the cursor
  // goes after the block. Prepared texts never change.
  struct CachedBody {
    TextBuf Owner;
    const char* Limit;
    const char* Start;
    const char* End;
    const char* Exit;
  };
  PlaceMap<CachedBody> BodyCache;
  // The closing bracket of every "(" that a block's reading passed over, so
  // nested blocks find their end at once instead of scanning the rest of the
  // block again at every level. Keys are places in the texts held in
  // BracketTexts (kept alive with the entries, so a place is never reused).
  PlaceMap<const char*> BracketEnds;
  std::vector<TextBuf> BracketTexts;
  struct CachedValueText {
    TextBuf Owner;
    const char* Limit;
    const char* End;
    std::shared_ptr<const std::string> Text;
    CompiledRef Compiled = {};  // conditions: the text compiled as an expression
  };
  PlaceMap<CachedValueText> ValueTextCache;
  // Translated もし conditions by the place they start (same shape).
  PlaceMap<CachedValueText> ConditionCache;
  // Statements by the place they start, read once (core/Plans.cpp): an
  // assignment "名前は、値" (name and value text), an item assignment
  // "辞書の(キー)は、値", or a command statement (the phrases it pushes and its
  // verb). A statement whose reading evaluated anything or asked the word
  // table is never planned, so a replay does exactly what a fresh reading
  // would.
  struct StatementPlan {
    enum PlanKind : uint8_t { kAssign, kCommand, kAssignItem, kAssignElement } Kind = kAssign;
    TextBuf Owner;
    const char* Limit = nullptr;
    const char* End = nullptr;  // the cursor once the statement is read
    // kAssign, kAssignItem (Name is the item; the owner phrase in Phrases),
    // kAssignElement (Name is the variable; Keys what follows its "#")
    std::string Name;
    std::string Keys;
    std::shared_ptr<const std::string> Value;
    AssignTarget Target;
    ItemTarget Item;
    // Assignments followed by a plain line end or a statement separator:
    // the cursor and line number once it is stepped over (null when
    // something else follows; the line -1 after a separator: unchanged).
    const char* AfterLine = nullptr;
    int32_t AfterLineNo = 0;
    // kCommand, kAssignItem: the phrases pushed in order (not the verb), and
    // the line number when reading stepped over a line end.
    std::vector<std::string> Phrases;
    // kCommand: the phrases that are literals evaluated at every replay
    // (their place in Phrases holds the value of the first reading).
    std::vector<PlannedLiteral> Literals;
    PlannedLeadingCall LeadingCall;  // kCommand
    bool SetsLine = false;
    int32_t LineNo = 0;
    // kCommand
    std::string Verb;
    WordRef VerbWord;       // the verb found in generation VerbGeneration
    uint64_t VerbGeneration = 0;
    // A command verb's implementation, found for the command number
    // VerbFnNumber (words/Registry.h PlannedCommandFn).
    void (*VerbFn)(TNokaBase&) = nullptr;
    int32_t VerbFnNumber = -1;
    // The phrases bound to the verb's slots, for the verb and ArgSpec it was
    // made for. Shared: a replay keeps its own while a nested one rebinds.
    struct BoundCall {
      const THashNode* Word = nullptr;
      uint8_t Kind = 0;
      std::string Spec;
      bool InOrder = false;  // the phrases fit the slots one to one
      std::vector<std::string> Phrases;
      std::vector<CompiledRef> Compiled;
    };
    std::shared_ptr<BoundCall> Bound;
  };
  PlaceMap<StatementPlan> Plans;
  std::vector<PlaceMap<StatementPlan>> RetiredPlans;
  // The blocks after a condition (ならば / 違えば), by the place they start.
  struct BranchPlan {
    TextBuf Owner;
    const char* Limit = nullptr;
    bool QuestionForm = false;
    // The bodies' ranges; TrueStart / FalseStart null when that branch is absent.
    const char* TrueStart = nullptr;
    const char* TrueEnd = nullptr;
    const char* FalseStart = nullptr;
    const char* FalseEnd = nullptr;
    const char* End = nullptr;    // the cursor after the blocks
    bool SetsLine = false;
    int32_t LineNo = 0;
  };
  PlaceMap<BranchPlan> BranchPlans;
  // The command statement being read, while it may still become a plan.
  struct PlanRecording {
    const char* Start = nullptr;
    const std::string* Buf = nullptr;
    const char* Limit = nullptr;
    bool Pure = false;
    bool SetsLine = false;
    std::vector<PlannedLiteral> Literals;  // as in StatementPlan
    PlannedLeadingCall LeadingCall;
  } Recording;
  const char* PlainWordStart = nullptr;  // a statement's first word, being read
  const char* ElementStart = nullptr;    // a statement that starts 名前#…, being read
  // Where a line end stepped over lately leads and the line number its
  // marker gives, by place (a loop body's or a function's line ends are
  // stepped over at every turn and call). The share keeps the text alive,
  // so a place cannot come to mean another text.
  struct LineEnd {
    TextBuf Buf;
    const char* From = nullptr;
    const char* To = nullptr;
    int32_t Line = 0;
  };
  std::array<LineEnd, 32> LineEnds;
  // Double-quoted literals by their text (they read the same wherever they
  // stand). Found by a view of the text, without a copy.
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, std::shared_ptr<LiteralReading>, TextHash, std::equal_to<>> Literals;
  // Values joined with "&" (or a literal with {…} alone) evaluated where no
  // plan keeps their reading (a command's argument), by their text: the
  // pieces read once (null: the text is no such value; words/Value.cpp).
  std::unordered_map<std::string, std::shared_ptr<std::vector<JoinPiece>>, TextHash, std::equal_to<>> Joins;
  // No statement plans are made or replayed, no literal's reading is kept
  // and no arithmetic is done on machine integers: every statement and
  // literal is read from its text, every number is an 80-bit one. Those are
  // caches of that reading, so a program must do the same with them and
  // without; the agreement tests run both ways.
  bool PlansOff = false;

  // Empties every reading and the recording (a new program). Member by
  // member rather than by assigning a fresh value: that would build and wipe
  // every map's table of recent hits three times over.
  void Clear() {
    BodyCache.clear();
    BracketEnds.clear();
    BracketTexts.clear();
    ValueTextCache.clear();
    ConditionCache.clear();
    Plans.clear();
    RetiredPlans.clear();
    BranchPlans.clear();
    Literals.clear();
    Joins.clear();
    Recording = {};
    PlainWordStart = nullptr;
    ElementStart = nullptr;
    LineEnds = {};
  }
};

// The statement being read cannot be replayed from a plan (its reading
// evaluated something or depended on the word table).
inline void SpoilPlan(TNokaBase& e) { e.Caches->Recording.Pure = false; }

}  // namespace nokari
