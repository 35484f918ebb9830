// The statement engine: reads phrases at the cursor, stacks them, performs a
// statement at its end, and drives blocks through run-control frames.
#include "core/Engine.h"

#include <array>
#include <cstring>
#include <optional>

#include "core/Cp932.h"
#include "core/Debugger.h"
#include "core/EngineCaches.h"
#include "core/Errors.h"
#include "core/Flow.h"
#include "core/Hot.h"
#include "core/Keywords.h"
#include "core/Messages.h"
#include "core/Plans.h"
#include "core/Scan.h"
#include "words/Calls.h"
#include "words/Contract.h"
#include "words/Expr.h"
#include "words/Registry.h"
#include "words/Value.h"

namespace nokari {

// `new EngineCaches` rather than make_unique: value-initialising would zero
// the maps' tables of recent hits once more before they fill themselves.
TNokaBase::TNokaBase() : Caches(new EngineCaches), Ext(std::make_unique<ExtensionState>()) {}
TNokaBase::~TNokaBase() = default;

namespace {

constexpr int kMaxFrames = 65535;
constexpr int kMaxRunDepth = 400;  // nested RunLoop levels (native stack guard)
// A step takes well under a microsecond; reading the clock every 512 steps
// costs nothing measurable and still notices 20 ms in time.
constexpr uint32_t kStepsPerClockCheck = 512;

// The operators ^ and | end a word too, as every other operator does, so
// A^2 is a power and A||B an or rather than one word each.
const std::array<bool, 256> kDelimiters = [] {
  std::array<bool, 256> t{};
  for (unsigned char c : std::string_view("\t\r\n \"#%&()*+,-/:;<=>?\\`^|", 26)) t[c] = true;
  t[0] = true;
  t[0xA4] = true;
  return t;
}();

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

bool PointsInto(const std::string* buf, const char* p) {
  return buf && p >= buf->data() && p <= buf->data() + buf->size();
}

}  // namespace

int32_t LineAfter(const char* p, const char* end) {
  if (end) {
    // Past NUL bytes: a string may hold one, and the line goes on after it.
    while (p < end && !IsLineEnd(*p)) ++p;
    if (p == end) return -1;
  }
  while (*p && !IsLineEnd(*p)) p += CharLenAt(p);
  while (*p == '\r' || *p == '\n' || *p == ' ' || *p == '\t') ++p;
  if (*p < '0' || *p > '9') return -1;
  int64_t n = 0;
  while (*p >= '0' && *p <= '9') {
    n = n * 10 + (*p - '0');
    if (n > INT32_MAX) return -1;
    ++p;
  }
  return *p == ':' ? static_cast<int32_t>(n) : -1;
}

bool IsWordDelimiter(unsigned char c) { return kDelimiters[c]; }

void SkipSpaces(const char*& p) {
  while (*p == ' ' || *p == '\t') ++p;
}

std::string ReadWord(const char*& p) {
  SkipSpaces(p);
  const char* start = p;
  while (!kDelimiters[static_cast<unsigned char>(*p)]) p += CharLenAt(p);
  return std::string(start, p);
}

const char* FindLiteralEnd(const char* p) {
  char quote = *p;
  const char* q = p + 1;
  while (*q) {
    if (quote == '"' && *q == '\\') {
      ++q;
      if (*q) q += CharLenAt(q);
      continue;
    }
    if (*q == quote) {
      if (quote == '`' && q[1] == '`') {
        q += 2;
        continue;
      }
      return q + 1;
    }
    q += CharLenAt(q);
  }
  return nullptr;
}

const char* LiteralEnd(TNokaBase& e, const char* p) {
  if (const char* end = FindLiteralEnd(p)) return end;
  RaiseError(e, *p == '"' ? msg::kNoClosingQuote : msg::kNoClosingBackquote);
}

const char* BracketEnd(TNokaBase& e, const char* p) {
  int depth = 0;
  const char* q = p;
  while (*q) {
    char c = *q;
    if (c == '"' || c == '`') {
      q = LiteralEnd(e, q);
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && --depth == 0) return q + 1;
    q += CharLenAt(q);
  }
  RaiseError(e, msg::kUnbalancedParen);
}

bool LineFollows(const char* p) { return LineAfter(p) >= 0; }

int32_t BodyEndLineSlow(const TNokaBase& e) {
  TNokaBase::EndLineMemo& memo = e.EndLine;
  memo.Buf = e.Cursor.Buf;
  memo.End = e.Cursor.End;
  memo.Line = LineAfter(e.Cursor.End);
  return memo.Line;
}

namespace {

// The line marker after the first line end from p on that stands outside a
// text: the line ends inside 『一↵二』 carry no marker, and a statement that
// holds such a text goes on to the line it closes on. -1 without one.
int32_t LineAfterTexts(const char* p, const char* end) {
  while (p < end && !IsLineEnd(*p)) {
    if (*p != '"' && *p != '`') {
      p += CharLenAt(p);
      continue;
    }
    const char quote = *p++;
    while (p < end && *p != quote) {
      if (quote == '"' && *p == '\\' && p + 1 < end) ++p;
      p += CharLenAt(p);
    }
    if (p >= end) return -1;
    ++p;  // a doubled `` closes and opens again: the scan goes on alike
  }
  return p < end ? LineAfter(p, end) : -1;
}

}  // namespace

int32_t CurrentLine(const TNokaBase& e) {
  const char* from = nullptr;
  if (e.StmtStart && e.Cursor && e.StmtBuf == e.Cursor.Buf.get() && e.StmtEnd == e.Cursor.End &&
      PointsInto(e.StmtBuf, e.StmtStart))
    from = e.StmtStart;
  else if (e.Cursor)
    from = e.Cursor.P;
  if (from) {
    int32_t n = LineAfterTexts(from, e.Cursor.BufferEnd());
    if (n >= 0) return n;
  }
  return e.LineNo;
}

const char* PastLineEnd(const char* p, int32_t& line) {
  while (*p == '\t' || *p == '\n' || *p == '\r' || *p == ' ') ++p;
  line = -1;
  if (*p >= '0' && *p <= '9') {
    int64_t n = 0;
    const char* q = p;
    while (*q >= '0' && *q <= '9') {
      if (n < INT32_MAX) n = n * 10 + (*q - '0');
      ++q;
    }
    if (*q == ':') {
      line = static_cast<int32_t>(n > INT32_MAX ? INT32_MAX : n);
      p = q + 1;
    }
  }
  return p;
}

NOKARI_HOT void StepOverLineEnd(TNokaBase& e) {
  if (e.Cursor.P == e.Cursor.End) {
    // The line end a body ends with: its line's marker, then the body's NUL.
    int32_t line = BodyEndLine(e);
    if (line >= 0) {
      e.Caches->Recording.SetsLine = true;
      e.LineNo = line;
    }
    e.Cursor.P = e.Cursor.BufferEnd();
    return;
  }
  e.Caches->Recording.SetsLine = true;
  const char* from = e.Cursor.P;
  EngineCaches::LineEnd& memo =
      e.Caches->LineEnds[(reinterpret_cast<uintptr_t>(from) * 0x9E3779B97F4A7C15u) >> 59];
  if (memo.From == from && memo.Buf == e.Cursor.Buf) {
    e.Cursor.P = memo.To;
    e.LineNo = memo.Line;
    return;
  }
  e.Cursor.P = PastLineEnd(from, e.LineNo);
  memo.Buf = e.Cursor.Buf;
  memo.From = from;
  memo.To = e.Cursor.P;
  memo.Line = e.LineNo;
}

// ---------------------------------------------------------------------------
// Blocks

namespace {

// End of the rest of the line from p: up to CR, LF or ";", literals and
// brackets whole, "&" followed by a line end continuing on the next line;
// never past `limit`, the end of the body being read (null: none).
const char* RestOfLineEnd(TNokaBase& e, const char* p, const char* limit) {
  while (*p && !IsLineEnd(*p) && *p != ';' && p != limit) {
    if (*p == '"' || *p == '`') {
      p = LiteralEnd(e, p);
    } else if (*p == '(') {
      p = BracketEnd(e, p);
    } else if (*p == '&') {
      const char* q = p + 1;
      SkipSpaces(q);
      if (IsLineEnd(*q)) {
        while (*q == '\t' || *q == '\n' || *q == '\r' || *q == ' ') ++q;
        while (*q >= '0' && *q <= '9') ++q;
        if (*q == ':') ++q;
      }
      p = limit && q > limit ? limit : q;
    } else {
      p += CharLenAt(p);
    }
  }
  return p;
}

// The closing bracket of a block's "(" at p: remembered for every bracket
// the scan passes, so a block nested in it needs no scan of its own.
const char* BlockBracketEnd(TNokaBase& e, const char* p) {
  if (const char* const* known = e.Caches->BracketEnds.Find(p)) return *known;
  if (e.Caches->BracketEnds.size() > (1u << 18) || e.Caches->BracketTexts.size() > 4096) {
    e.Caches->BracketEnds.clear();
    e.Caches->BracketTexts.clear();
  }
  if (e.Caches->BracketTexts.empty() || e.Caches->BracketTexts.back() != e.Cursor.Buf) e.Caches->BracketTexts.push_back(e.Cursor.Buf);
  std::vector<const char*> open;
  const char* q = p;
  while (*q) {
    char c = *q;
    if (c == '"' || c == '`') {
      q = LiteralEnd(e, q);
      continue;
    }
    if (c == '(') open.push_back(q);
    if (c == ')') {
      e.Caches->BracketEnds.Set(open.back(), q + 1);
      open.pop_back();
      if (open.empty()) return q + 1;
    }
    q += CharLenAt(q);
  }
  RaiseError(e, msg::kUnbalancedParen);
}

// Spaces and tabs that indent the line p stands on.
int LineIndent(const std::string& text, const char* p) {
  const char* start = text.c_str();
  while (p > start && p[-1] != '\n') --p;
  if (p > start) {  // the line marker after the line end
    const char* q = p;
    while (*q >= '0' && *q <= '9') ++q;
    if (*q == ':' && q > p) p = q + 1;
  }
  int n = 0;
  while (p[n] == ' ' || p[n] == '\t') ++n;
  return n;
}

// A one-line block followed by a line indented deeper than the block's
// statement: its writer meant the line to belong to the block, which it
// does not (indentation never extends a block). Debug mode only.
void WarnIndentedAfterBlock(TNokaBase& e, const char* end) {
  if (!IsLineEnd(*end) || end == e.Cursor.End || !e.StmtStart || e.StmtBuf != e.Cursor.Buf.get()) return;
  // The next line that holds anything (comments are gone by now).
  int32_t line = -1;
  const char* next = end;
  const char* text;
  do {
    next = PastLineEnd(next, line);
    text = next;
    while (*text == ' ' || *text == '\t') ++text;
  } while (line >= 0 && IsLineEnd(*text) && !AtTextEnd(e, text));
  if (line < 0 || !*text || IsLineEnd(*text) || *text == ')' || AtTextEnd(e, text)) return;
  const Keywords& kw = Kw();
  if (StartsWith(text, kw.Chigaeba) || StartsWith(text, kw.Denakereba)) return;  // the もし's other branch
  if (text - next <= LineIndent(*e.Cursor.Buf, e.StmtStart) || !FirstDebugWarning(e, next)) return;
  WarnAtLine(e, line + 1, msg::kIndentedOutsideBlock);
}

// A text shortened for a message, at a character boundary.
std::string Shortened(std::string_view text) {
  constexpr size_t kShown = 60;
  if (text.size() <= kShown) return std::string(text);
  size_t cut = 0;
  while (cut + CharLenAt(text, cut) <= kShown) cut += CharLenAt(text, cut);
  return std::string(text.substr(0, cut)) + "...";
}

// "(10,20)へ、線" after ならば, 違えば or 回: the "(…)" is read as the block,
// and "へ、線" becomes a statement of its own, which fails for want of its
// first phrase (or runs alone when the branch is not taken). A block on
// one line followed by a particle and a comma was meant as the first
// phrase of a statement, so that is said at once, with the way to write it.
void RefusePhraseReadAsBlock(TNokaBase& e, const char* open, const char* end, const char* limit) {
  for (const char* q = open; q < end; ++q)
    if (IsLineEnd(*q)) return;
  const char* rest = end;
  SkipBlanks(rest);
  if (limit && rest >= limit) return;
  static const char* const kParticles[] = {"を", "に", "へ", "で", "と", "から", "まで", "の", "が"};
  for (const char* particle : kParticles) {
    const std::string sj = Sj(particle);
    if (!StartsWith(rest, sj) || rest[sj.size()] != ',') continue;
    std::string body = Shortened(std::string_view(open + 1, end - open - 2));
    std::string after = Shortened(std::string_view(rest, RestOfLineEnd(e, rest, limit) - rest));
    RaiseError(e, msg::kPhraseReadAsBlock, {body, after, body, after});
  }
}

}  // namespace

void ReadBlock(TNokaBase& e, TRunControl& frame) {
  const char* p = e.Cursor.P;
  SkipBlanks(p);
  if (AtLineEnd(e, p)) {
    e.Cursor.P = p;
    StepOverLineEnd(e);
    p = e.Cursor.P;
    SkipBlanks(p);
  }
  e.Cursor.P = p;
  frame.SavedFileName = SharedFileName(e);
  const char* limit = e.Cursor.End;
  const EngineCaches::CachedBody* cached = e.Caches->BodyCache.Find(p);
  if (cached && cached->Owner == e.Cursor.Buf && cached->Limit == limit) {
    frame.Body = TextPos(e.Cursor.Buf, cached->Start, cached->End);
    frame.ExitPos = TextPos(e.Cursor.Buf, cached->Exit, limit);
    e.Cursor.P = cached->Exit;
    return;
  }
  const char* start = p;
  const char* bodyStart;
  const char* bodyEnd;
  const char* end;
  if (AtTextEnd(e, p)) {
    // Nothing left: an empty body, ending at the text's own NUL.
    bodyStart = bodyEnd = e.Cursor.BufferEnd();
    end = p;
  } else if (*p == '(') {
    end = BlockBracketEnd(e, p);
    RefusePhraseReadAsBlock(e, p, end, limit);
    bodyStart = p + 1;
    bodyEnd = end - 1;
  } else {
    end = RestOfLineEnd(e, p, limit);
    bodyStart = p;
    bodyEnd = end;
    if (e.DebugMode) WarnIndentedAfterBlock(e, end);
  }
  frame.Body = TextPos(e.Cursor.Buf, bodyStart, bodyEnd);
  frame.ExitPos = TextPos(e.Cursor.Buf, end, limit);
  if (e.Caches->BodyCache.size() > 65536) e.Caches->BodyCache.clear();  // のかりする makes texts without end
  e.Caches->BodyCache.Set(start, {e.Cursor.Buf, limit, bodyStart, bodyEnd, end});
  e.Cursor.P = end;
}

// ---------------------------------------------------------------------------
// Performing statements

void ExecuteWord(TNokaBase& e, THashNode* word, std::string_view written) {
  switch (word->Kind) {
    case kCommand:
    case kCommandAlias:
    case kDllFunction:
      Dispatch(e, *word, written);
      break;
    case kLabel:
      CallLabel(e, *word);
      break;
    case kVariable:
    case kObject:
      RaiseErrorText(e, FormatMessage(Sj(msg::kBadSyntax), {word->Name}) + Sj(msg::kCannotRunVariable));
    default:
      break;
  }
}

namespace {

// Whether `before` is a phrase: something, then a particle. The common
// particles, or one of the slots of the command that follows (秒 of 待つ,
// へ飛ぶ of タイマー設定).
bool EndsWithParticle(std::string_view before, const THashNode& command) {
  static const char* const kParticles[] = {"を", "に", "へ", "で", "と", "から", "まで", "の", "が"};
  auto endsWith = [before](std::string_view particle) {
    return !particle.empty() && before.size() > particle.size() && EndsWithChar(before, particle);
  };
  for (const char* particle : kParticles)
    if (endsWith(Sj(particle))) return true;
  std::string_view spec = command.ArgSpec;
  while (!spec.empty()) {
    size_t comma = spec.find(',');
    std::string_view slot = spec.substr(0, comma);
    if (!slot.empty() && slot.front() == '?') slot.remove_prefix(1);
    if (endsWith(slot)) return true;
    spec = comma == std::string_view::npos ? std::string_view() : spec.substr(comma + 1);
  }
  return false;
}

// An unknown verb that is a phrase and a command written without the 、
// between them (「abc」を表示, Aを表示, 0.1秒待つ): the hint that shows the 、.
std::string GluedVerbHint(TNokaBase& e, const std::string& verb) {
  // No command or label has a longer name: a long run of unknown text is
  // not searched from its start.
  constexpr size_t kLongestName = 256;
  size_t k = CharLenAt(verb, 0);
  while (k < verb.size() && verb.size() - k > kLongestName) k += CharLenAt(verb, k);
  for (; k < verb.size(); k += CharLenAt(verb, k)) {
    const std::string_view before(verb.data(), k);
    THashNode* word = e.Words.Find(verb.substr(k), true);
    if (!IsCommandOrLabel(word) || !EndsWithParticle(before, *word)) continue;
    return FormatMessage(Sj(msg::kParticleCommaHint), {before, std::string_view(verb).substr(k)});
  }
  return {};
}

}  // namespace

// Performs the verb of a statement whose other phrases are on the word
// stack; `word` is what the verb names (null when nothing).
void RunVerb(TNokaBase& e, const std::string& verb, THashNode* word) {
  if (!verb.empty() && verb[0] == '\\') {
    THashNode numeric;
    numeric.Name = "\\";
    numeric.Kind = kCommand;
    numeric.CommandNumber = ToInt32(ToNumber(std::string_view(verb).substr(1)));
    Dispatch(e, numeric, verb);
  } else if (word) {
    ExecuteWord(e, word, verb);
  } else {
    // 「B1の、クリックした時」: an event property written as a statement.
    if (e.ObjectModel && !e.ArgStack.Items.empty()) {
      std::string objectPhrase = e.ArgStack.Items.back();
      if (e.ObjectModel->PerformEventStatement(e, objectPhrase, verb)) {
        e.ArgStack.Items.pop_back();
        ReportLeftovers(e, verb);
        return;
      }
    }
    std::string text;
    for (auto& phrase : e.ArgStack.Items) text += phrase + ",";
    text += verb;
    e.ArgStack.Clear();
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    RaiseErrorText(e, FormatMessage(Sj(msg::kUndefinedCommand), {text}) + GluedVerbHint(e, verb));
  }
  ReportLeftovers(e, verb);
}

namespace {

// Whether one of the phrases a statement left over stands in the
// statement's text right before an operator: a calculation written without
// brackets (問題数-1まで reads as 問題数 and -1まで).
bool LeftoverBeforeOperator(const TNokaBase& e, const std::vector<std::string>& leftovers) {
  if (!e.StmtStart || !e.Cursor || e.StmtBuf != e.Cursor.Buf.get() || !PointsInto(e.StmtBuf, e.StmtStart))
    return false;
  // The statement's lines: a line ending in "," goes on to the next.
  const char* end = e.StmtStart;
  int32_t line;
  for (;;) {
    while (*end && !IsLineEnd(*end)) end += CharLenAt(end);
    const char* b = end;
    while (b > e.StmtStart && (b[-1] == ' ' || b[-1] == '\t')) --b;
    if (!*end || b == e.StmtStart || b[-1] != ',') break;
    end = PastLineEnd(end, line);
  }
  std::string_view text(e.StmtStart, end - e.StmtStart);
  for (const std::string& phrase : leftovers) {
    if (phrase.empty()) continue;
    for (size_t at = FindChar(text, phrase); at != std::string_view::npos; at = FindChar(text, phrase, at + 1)) {
      size_t next = at + phrase.size();
      while (next < text.size() && (text[next] == ' ' || text[next] == '\t')) ++next;
      if (next < text.size() && std::string_view("+-*/%^<>").find(text[next]) != std::string_view::npos) return true;
    }
  }
  return false;
}

}  // namespace

void RaiseLeftovers(TNokaBase& e, const std::string& verb) {
  std::string rest;
  for (auto& phrase : e.ArgStack.Items) rest += phrase + "\r\n";
  const bool calculation = LeftoverBeforeOperator(e, e.ArgStack.Items);
  e.ArgStack.Clear();
  std::string text = FormatMessage(Sj(msg::kTooManyArgs), {verb, rest});
  if (calculation) text += Sj(msg::kBracketTheExpression);
  TNokaBase::JumpPlace place = std::exchange(e.LeftoverPlace, {});
  if (place.Stmt && place.Stmt == e.StmtStart && place.StmtBuf == e.StmtBuf)
    RaiseErrorAt(e, place.FileName, place.Line, text);
  RaiseErrorText(e, text);
}

void NoteJumpPlaceSlow(TNokaBase& e) {
  e.LeftoverPlace = {e.StmtStart, e.StmtBuf, e.FileName, CurrentLine(e)};
}

void ExecutePending(TNokaBase& e) {
  if (e.ArgStack.Count() == 0) return;
  std::string verb = e.ArgStack.PopLast();
  WordRef word;
  if (verb.empty() || verb[0] != '\\') word = e.Words.FindRef(verb, true);
  RunVerb(e, verb, word.get());
}

namespace {

// The end of a statement read from the text: plan it, then perform it.
void FinishStatement(TNokaBase& e) {
  if (e.Caches->Recording.Start) RecordCommandPlan(e);
  ExecutePending(e);
}

}  // namespace

// ---------------------------------------------------------------------------
// Step

namespace {

bool IsLiteralPhrase(const std::string& s) { return !s.empty() && (s[0] == '`' || s[0] == '"'); }

// Appends an "&" chain at p to `phrase`: each "&" followed by a literal or a
// word; a line end after "&" is stepped over.
void ReadConcatChain(TNokaBase& e, const char*& p, std::string& phrase) {
  bool lastWasLiteral = false;
  for (;;) {
    const char* q = p;
    SkipSpaces(q);
    if (!(*q == '&' && q[1] != '&')) break;
    ++q;
    SkipSpaces(q);
    if (AtLineEnd(e, q)) {
      e.Cursor.P = q;
      StepOverLineEnd(e);
      q = e.Cursor.P;
      SkipSpaces(q);
    }
    phrase += '&';
    if (*q == '"' || *q == '`') {
      const char* end = LiteralEnd(e, q);
      phrase.append(q, end);
      q = end;
      lastWasLiteral = true;
    } else if (*q == '(') {
      const char* end = BracketEnd(e, q);
      phrase.append(q, end);
      q = end;
      lastWasLiteral = true;
    } else {
      phrase += ReadWord(q);
      lastWasLiteral = false;
      if (*q == '(') {
        // A bracket call (…&文字数(「abc」)&…): its arguments belong to the
        // operand, and a particle may follow the bracket as after a literal.
        const char* end = BracketEnd(e, q);
        phrase.append(q, end);
        q = end;
        lastWasLiteral = true;
      }
    }
    p = q;
  }
  if (lastWasLiteral && !IsWordDelimiter(static_cast<unsigned char>(*p))) phrase += ReadWord(p);
}

bool ReadNumberToken(const char*& p, std::string& out) {
  const char* start = p;
  if (*p == '+' || *p == '-') ++p;
  if (*p == '$') {
    p = ScanHex(p);
  } else if (*p >= '0' && *p <= '9') {
    p = ScanDecimal(p);
  } else {
    out.assign(start, p);
    return false;
  }
  out.assign(start, p);
  return true;
}

void PhraseDispatch(TNokaBase& e, std::string phrase, bool plainWord, bool& stepAgain);

// The text from q to the end of its phrase (a ",", ";" or line end outside
// texts and brackets), q moved past it.
std::string RestOfPhrase(TNokaBase& e, const char*& q) {
  const char* start = q;
  while (*q && *q != ',' && *q != ';' && *q != '\r' && *q != '\n' && q != e.Cursor.End &&
         static_cast<unsigned char>(*q) != 0xA4) {
    if (*q == '"' || *q == '`')
      q = LiteralEnd(e, q);
    else if (*q == '(')
      q = BracketEnd(e, q);
    else
      q += CharLenAt(q);
  }
  return std::string(start, q);
}

// An assignment's value is its first phrase: text after a "," that follows
// it (Xは、Aの、命令) is never used. Debug mode only.
void WarnValueLeftOver(TNokaBase& e, const char* p, const char* end) {
  const char* q = p;
  while (q < end) {
    if (*q == '"' || *q == '`') {
      q = LiteralEnd(e, q);
    } else if (*q == '(') {
      q = BracketEnd(e, q);
    } else if (*q == ',' || static_cast<unsigned char>(*q) == 0xA4) {
      const char* rest = q;
      SkipBlanks(rest);
      const char* last = end;
      while (last > rest && (last[-1] == ' ' || last[-1] == '\t')) --last;
      // Once for the statement: the value's reading would name the same text.
      if (rest < last && FirstDebugWarning(e)) Warn(e, msg::kValueLeftOver, {std::string_view(rest, last - rest)});
      return;
    } else {
      q += CharLenAt(q);
    }
  }
}

// The value text of an assignment at p, read once per place in a text.
std::shared_ptr<const std::string> AssignmentValueAt(TNokaBase& e, const char* p, const char*& end) {
  const char* limit = e.Cursor.End;
  const EngineCaches::CachedValueText* cached = e.Caches->ValueTextCache.Find(p);
  if (cached && cached->Owner == e.Cursor.Buf && cached->Limit == limit) {
    end = cached->End;
    return cached->Text;
  }
  end = RestOfLineEnd(e, p, limit);
  if (e.DebugMode) WarnValueLeftOver(e, p, end);
  if (e.Caches->ValueTextCache.size() > 65536) e.Caches->ValueTextCache.clear();
  auto text = std::make_shared<const std::string>(p, end);
  e.Caches->ValueTextCache.Set(p, {e.Cursor.Buf, limit, end, text});
  return text;
}

// -debug: 部品の名前 where 名前 is no property of the part makes a
// variable of that whole name (リスト1の項目 for リスト1のアイテム), which is
// the language's rule and rarely what was meant.
void WarnNotAProperty(TNokaBase& e, const std::string& name) {
  const std::string& no = Kw().No;
  for (size_t i = 0; i + no.size() < name.size(); i += CharLenAt(name, i)) {
    if (i == 0 || name.compare(i, no.size(), no) != 0) continue;
    THashNode* owner = e.Words.Find(std::string_view(name).substr(0, i));
    if (!owner || owner->Kind != kObject) continue;
    if (FirstDebugWarning(e)) Warn(e, msg::kNotAProperty, {name.substr(i + no.size()), owner->Name, name});
    return;
  }
}

// `名前は、` ending its line: the value is on the next line, as a trailing
// 、 continues any statement. Not when that line is empty, a label or a
// closing bracket, or the text (or the body) ends there: the value is
// then empty, as it always was.
bool ValueOnNextLine(TNokaBase& e, const char* p) {
  if (!AtLineEnd(e, p) || p == e.Cursor.End) return false;
  int32_t line;
  const char* next = PastLineEnd(p, line);
  SkipBlanks(next);
  return *next && !IsLineEnd(*next) && *next != '*' && *next != ')' && !AtBodyEnd(e, next);
}

void AssignFromCursor(TNokaBase& e, std::string name) {
  const char* p = e.Cursor.P;
  SkipBlanks(p);
  // A value on the next line moves the line number: no plan replays that.
  const bool nextLine = ValueOnNextLine(e, p);
  if (nextLine) {
    e.Caches->PlainWordStart = e.Caches->ElementStart = nullptr;
    e.Cursor.P = p;
    StepOverLineEnd(e);
    p = e.Cursor.P;
    SkipBlanks(p);
  }
  const bool itemPlannable = !nextLine && e.ArgStack.Count() > 0 && StillPlannable(e);
  const char* start = e.Caches->Recording.Start;
  SpoilPlan(e);
  const char* end = nullptr;
  // Held by a share: the cache may change while the value is evaluated.
  std::shared_ptr<const std::string> held = AssignmentValueAt(e, p, end);
  const std::string& valueText = *held;
  e.Cursor.P = end;
  if (e.ArgStack.Count() > 0) {
    if (itemPlannable) RecordItemPlan(e, start, name, held, end);
    AssignItem(e, name, valueText);
    return;
  }
  if (IsLiteralPhrase(name))
    RaiseErrorText(e, FormatMessage(Sj(msg::kBadSyntax), {name + Sj(msg::kOfAssignment)}) +
                          Sj(msg::kAssignHint));
  // ボタン1のテキストは、… written as one word: the property's assignment.
  std::string property;
  if (!e.Words.Find(name)) {
    if (THashNode* owner = SplitObjectProperty(e, name, property)) {
      e.ArgStack.Push(owner->Name + Kw().No);
      AssignItem(e, property, valueText);
      return;
    }
    if (e.DebugMode) WarnNotAProperty(e, name);
  }
  if (e.Caches->PlainWordStart) {
    RecordAssignPlan(e, e.Caches->PlainWordStart, name, held, end);
    e.Caches->PlainWordStart = nullptr;
  } else if (e.Caches->ElementStart) {
    RecordElementPlan(e, e.Caches->ElementStart, name, held, end);
    e.Caches->ElementStart = nullptr;
  }
  AssignStatement(e, name, valueText);
}

// Whether a literal may embed an expression ({…} or ｛…｝); conservative.
bool MayEmbed(const char* p, const char* end) {
  for (const char* q = p; q < end; ++q)
    if (*q == '{' || (static_cast<unsigned char>(q[0]) == 0x81 && static_cast<unsigned char>(q[1]) == 0x6F)) return true;
  return false;
}

// The rest of a phrase that starts with a literal read to `end`, given as
// `phrase` (the literal's value, quoted): a chain joined with "&" or the
// particle after it; then the phrase is acted on. `pushed` (optional) gets
// the whole phrase as it is acted on.
void FinishLiteralPhrase(TNokaBase& e, const char* end, std::string phrase, bool& stepAgain,
                         std::string* pushed = nullptr) {
  const char* p = end;
  SkipSpaces(p);
  if (*p == '&' && p[1] != '&') {
    ReadConcatChain(e, p, phrase);
  } else if (!IsWordDelimiter(static_cast<unsigned char>(*p))) {
    phrase += ReadWord(p);
  }
  if (pushed) *pushed = phrase;
  e.Cursor.P = p;
  PhraseDispatch(e, std::move(phrase), false, stepAgain);
}

void StepLiteral(TNokaBase& e, const char* p, bool& stepAgain) {
  const char* end = LiteralEnd(e, p);
  if (*p != '"' || !MayEmbed(p, end)) {
    std::string phrase = QuoteAsLiteral(EvalStringLiteral(e, std::string_view(p, end - p)));
    FinishLiteralPhrase(e, end, std::move(phrase), stepAgain);
    return;
  }
  // A literal with {…} is evaluated as it is read. A command's phrase that
  // is such a literal (「{N}番」を) still lets the statement be planned: the
  // plan keeps the literal and evaluates it again at its turn
  // (PlannedLiteral). The recording is kept aside meanwhile: the
  // evaluation may run statements of its own.
  std::optional<EngineCaches::PlanRecording> kept;
  if (StillPlannable(e) && !e.Caches->Recording.SetsLine && !e.Caches->PlansOff) kept = e.Caches->Recording;
  SpoilPlan(e);
  const std::string_view literal(p, end - p);
  std::string phrase = QuoteAsLiteral(EvalStringLiteral(e, literal));
  if (!kept) {
    FinishLiteralPhrase(e, end, std::move(phrase), stepAgain);
    return;
  }
  e.Caches->Recording = std::move(*kept);
  SpoilPlan(e);
  const size_t index = e.ArgStack.Count();
  const size_t quoted = phrase.size();
  std::string pushed = phrase;
  pushed.reserve(phrase.size() + 8);
  FinishLiteralPhrase(e, end, std::move(phrase), stepAgain, &pushed);
  // Only a phrase pushed as it is (the literal with the particle or the
  // chain that follows it in the text) is planned: anything else spoiled.
  // A phrase ending in て was looked for as a verb first, which depends on
  // the word table.
  EngineCaches::PlanRecording& rec = e.Caches->Recording;
  if (e.ArgStack.Count() == index + 1 && e.ArgStack.Items[index] == pushed && rec.Start == e.StmtStart &&
      !rec.SetsLine && !EndsWithChar(pushed, Kw().Te)) {
    rec.Pure = true;
    rec.Literals.push_back({static_cast<uint32_t>(index), literal, pushed.substr(quoted), {}});
  }
}

void StepElement(TNokaBase& e, const char* p, bool& stepAgain) {
  // 名前#列#行は、値 as a whole statement may become a plan: its reading
  // depends on the text alone (the variable made here is made again at
  // each replay, before the value, as here).
  const char* start = e.ArgStack.Count() == 1 && StillPlannable(e) ? e.Caches->Recording.Start : nullptr;
  SpoilPlan(e);
  std::string name = e.ArgStack.PopLast();
  if (!name.empty() && !e.Words.Find(name)) CreateVariable(e, name);
  std::string phrase = name;
  for (int k = 0; k < 2 && *p == '#'; ++k) {
    phrase += '#';
    ++p;
    if (*p == '(') {
      const char* end = BracketEnd(e, p);
      phrase.append(p, end);
      p = end;
      if (!IsWordDelimiter(static_cast<unsigned char>(*p))) phrase += ReadWord(p);
    } else {
      phrase += ReadWord(p);
    }
  }
  e.Cursor.P = p;
  // An object's property (ボタンの#…) is the reading's.
  e.Caches->ElementStart = start && phrase.find(Kw().No) == std::string::npos ? start : nullptr;
  PhraseDispatch(e, std::move(phrase), false, stepAgain);
  e.Caches->ElementStart = nullptr;
}

void StepNumber(TNokaBase& e, const char* p, bool& stepAgain) {
  std::string expr;
  bool isNumber = ReadNumberToken(p, expr);
  bool hasOperator = false;
  while (isNumber && IsOperatorChar(static_cast<unsigned char>(*p))) {
    const char* q = p;
    std::string ops;
    while (IsOperatorChar(static_cast<unsigned char>(*q))) ops += *q++;
    std::string next;
    if (!ReadNumberToken(q, next)) break;
    expr += ops + next;
    p = q;
    hasOperator = true;
  }
  std::string phrase = expr;
  if (hasOperator) {
    e.Cursor.P = p;
    phrase = EvaluateExpression(e, expr);
  }
  if (!(IsLineEnd(*p) || *p == ',' || *p == ';' || *p == '\0' || static_cast<unsigned char>(*p) == 0xA4))
    phrase += ReadWord(p);
  e.Cursor.P = p;
  PhraseDispatch(e, std::move(phrase), false, stepAgain);
}

void StepQuestion(TNokaBase& e, const char* p) {
  SpoilPlan(e);
  ++p;
  SkipSpaces(p);
  if (*p == '"' || *p == '`') {
    const char* end = LiteralEnd(e, p);
    e.Cursor.P = end;
    std::string value = EvalStringLiteral(e, std::string_view(p, end - p));
    e.Services.Output->MessageBox(value, Sj(msg::kAppTitle));
    return;
  }
  e.Cursor.P = p;
  if (e.ArgStack.Count() == 0) RaiseError(e, msg::kBadSyntax, {"?"});
  std::string cond = e.ArgStack.PopLast();
  std::string value = EvalArg(e, cond);
  e.CondResult = ToInt64(ToNumber(value)) != 0 ? 1 : 0;
  SelectBranch(e, true);
}

[[noreturn]] void StrayDelimiter(TNokaBase& e, char c) {
  std::string text = FormatMessage(Sj(msg::kBadSyntax), {std::string(1, c)});
  if (c == '&')
    text += Sj(msg::kConcatHint);
  else if (IsOperatorChar(static_cast<unsigned char>(c)))
    text += FormatMessage(Sj(msg::kOperatorHint), {std::string(1, c)});
  RaiseErrorText(e, text);
}

// What a step with nothing on the word stack does without the reader, with
// the cursor at p (blanks skipped): a line end or a statement separator
// stepped over, or a statement that starts there replayed from its plan.
enum class PlainStep : uint8_t { kStepped, kReplayed, kReader };

[[gnu::always_inline]] inline PlainStep StepPlainAt(TNokaBase& e, const char* p) {
  const char c = *p;
  if (p == e.Cursor.End || c == '\0' || IsLineEnd(c)) {
    // As StepOnce would: the line end stepped over, the statement being
    // recorded (one that performed itself, as an assignment) let go.
    e.Caches->Recording.Start = nullptr;
    if (p != e.Cursor.End ? c != '\0' : BodyEndLine(e) >= 0) StepOverLineEnd(e);
    return PlainStep::kStepped;
  }
  e.StmtStart = p;
  e.StmtBuf = e.Cursor.Buf.get();
  e.StmtEnd = e.Cursor.End;
  if (c == ';') {
    // A statement separator with no statement before it to finish (the
    // one before was replayed, or performed itself): stepped over, as the
    // reader would, without looking for a plan that cannot be there.
    e.Caches->Recording.Start = nullptr;
    e.Cursor.P = p + 1;
    return PlainStep::kStepped;
  }
  return ReplayPlan(e, p) ? PlainStep::kReplayed : PlainStep::kReader;
}

// After a replayed statement, what follows is stepped in the same step while
// a turn of the run loop would do nothing but step it: nothing on the word
// stack, no event waiting, no stop or debugger stop, and the frames within
// their limit (a step budget counts each as a step). Line ends, separators
// and planned statements are stepped as above; at the end of a body its
// frame is acted on as the run loop would (a loop turns, a branch is left).
// A few at a time: the run loop's other checks (the window system's turn
// among them, every 512 steps) still come every few statements. A
// statement the reader must read is left to the next step. What was taken
// is counted as progress (StepsTakenTogether): a step may come round to
// where it began.
constexpr int kStepsTakenTogether = 8;

NOKARI_HOT [[gnu::noinline]] void StepFollowing(TNokaBase& e) {
  int n = 1;
  const char* unitStart = nullptr;
  try {
    for (; n < kStepsTakenTogether; ++n) {
      if (!e.Cursor || !NothingWaitsBetweenStatements(e) || e.RunStack.TotalCount() > kMaxFrames) break;
      const char* p = e.Cursor.P;
      SkipBlanks(p);
      e.Cursor.P = p;
      unitStart = p;
      if (AtTextEnd(e, p)) {
        if (e.RunStack.Count() == 0) break;  // the program's end: the run loop's
        if (!TakeBudgetStep(e)) break;
        CheckRunControl(e);
        continue;
      }
      if (!TakeBudgetStep(e)) break;
      if (StepPlainAt(e, p) == PlainStep::kReader) {
        GiveStepBack(e);
        break;
      }
    }
  } catch (...) {
    // The failed statement's mark: where it began, with the frames and
    // turns as they are now (a statement that fails has not yet entered or
    // left a level, or it would not stand where it began).
    e.StepsTakenTogether += n - 1;
    e.FailedUnit = {unitStart, e.Cursor.End, e.RunStack.TotalCount(), e.LoopTurns, e.StepsTakenTogether};
    throw;
  }
  e.StepsTakenTogether += n - 1;
}

// The common steps, kept apart from the reader so that they do not pay for
// its frame (StepPlainAt, then StepFollowing). False when the reader must
// step; `planTried` then says whether the plans were asked already.
NOKARI_HOT bool StepPlain(TNokaBase& e, bool& planTried) {
  const char* p = e.Cursor.P;
  SkipBlanks(p);
  e.Cursor.P = p;
  if (e.ArgStack.Count() != 0) return false;
  planTried = true;
  const PlainStep done = StepPlainAt(e, p);
  if (done == PlainStep::kReader) return false;
  if (done == PlainStep::kReplayed) StepFollowing(e);
  return true;
}

[[gnu::noinline]] void StepOnce(TNokaBase& e, bool& stepAgain, bool planTried) {
  const char* p = e.Cursor.P;
  SkipBlanks(p);
  e.Cursor.P = p;
  char c = *p;
  if (p == e.Cursor.End) {
    // The end of a body: its closing line end (read below), or its NUL.
    if (BodyEndLine(e) >= 0)
      c = '\r';
    else
      c = '\0';
  }
  if (c == '\0') {
    FinishStatement(e);
    return;
  }
  if (IsLineEnd(c)) {
    // A "," before the line end continues the statement on the next line.
    const char* base = e.Cursor.Buf->c_str();
    const char* b = p;
    while (b > base && (b[-1] == ' ' || b[-1] == '\t')) --b;
    bool continues = b > base && b[-1] == ',';
    StepOverLineEnd(e);
    if (!continues) FinishStatement(e);
    return;
  }
  if (e.ArgStack.Count() == 0) {
    e.StmtStart = p;
    e.StmtBuf = e.Cursor.Buf.get();
    e.StmtEnd = e.Cursor.End;
    if (!planTried && ReplayPlan(e, p)) return;
    e.Caches->Recording = {p, e.StmtBuf, e.StmtEnd, true, false, {}, {}};
  }
  switch (c) {
    case '"':
    case '`':
      StepLiteral(e, p, stepAgain);
      return;
    case '#':
      StepElement(e, p, stepAgain);
      return;
    case '(': {
      const char* end = BracketEnd(e, p);
      std::string phrase(p, end);
      if (!IsWordDelimiter(static_cast<unsigned char>(*end))) phrase += ReadWord(end);
      e.Cursor.P = end;
      PhraseDispatch(e, std::move(phrase), false, stepAgain);
      return;
    }
    case '*':
      while (*p && !IsLineEnd(*p) && p != e.Cursor.End) p += CharLenAt(p);
      e.Cursor.P = p;
      return;
    case ';':
      e.Cursor.P = p + 1;
      FinishStatement(e);
      return;
    case '?':
      StepQuestion(e, p);
      return;
    case '\\': {
      ++p;
      std::string digits;
      while (*p >= '0' && *p <= '9') digits += *p++;
      if (digits.empty()) StrayDelimiter(e, '\\');
      e.Cursor.P = p;
      e.ArgStack.Push("\\" + digits);
      return;
    }
    default:
      break;
  }
  if (c == '$' || c == '+' || c == '-' || (c >= '0' && c <= '9')) {
    StepNumber(e, p, stepAgain);
    return;
  }
  const bool startsStatement = e.ArgStack.Count() == 0;
  const char* wordStart = p;
  std::string word = ReadWord(p);
  if (word.empty()) StrayDelimiter(e, *p);
  e.Cursor.P = p;
  if (word == Kw().Soshite) {
    FinishStatement(e);
    return;
  }
  e.Caches->PlainWordStart = startsStatement ? wordStart : nullptr;
  PhraseDispatch(e, std::move(word), true, stepAgain);
  e.Caches->PlainWordStart = nullptr;
}

void PhraseDispatch(TNokaBase& e, std::string phrase, bool plainWord, bool& stepAgain) {
  const Keywords& kw = Kw();
  const char* p = e.Cursor.P;
  SkipBlanks(p);
  if (*p == '=' && p[1] != '=') {
    e.Cursor.P = p + 1;
    AssignFromCursor(e, std::move(phrase));
    return;
  }
  if (*p == '&' && p[1] != '&') {
    ReadConcatChain(e, p, phrase);
    e.Cursor.P = p;
    e.ArgStack.Push(std::move(phrase));
    return;
  }
  if (EndsWithChar(phrase, kw.No)) {
    e.ArgStack.Push(std::move(phrase));
    stepAgain = true;
    return;
  }
  if (EndsWithChar(phrase, kw.Ha)) {
    phrase.resize(phrase.size() - kw.Ha.size());
    AssignFromCursor(e, std::move(phrase));
    return;
  }
  if (EndsWithChar(phrase, kw.Kai)) {
    SpoilPlan(e);
    phrase.resize(phrase.size() - kw.Kai.size());
    TimesLoop(e, phrase);
    return;
  }
  if (EndsWithChar(phrase, kw.NoToki)) {
    SpoilPlan(e);
    phrase.resize(phrase.size() - kw.NoToki.size());
    SwitchCase(e, phrase);
    return;
  }
  if (EndsWithChar(phrase, kw.Te)) {
    SpoilPlan(e);  // what follows depends on the word table
    WordRef w = e.Words.FindRef(phrase, true);
    if (IsCallable(w.get())) {
      if (*e.Cursor.P == '(') {
        const char* q = e.Cursor.P;
        std::string result = CallBracketed(e, phrase, q, BracketUse::kStatement);
        e.Cursor.P = q;
        SetSoreTyped(e, result, e.CurrentType.c_str());
      } else {
        ExecuteWord(e, w.get(), phrase);
      }
      return;
    }
  }
  if (phrase == kw.Moshi) {
    e.ArgStack.Push(std::move(phrase));
    FinishStatement(e);
    return;
  }
  if (plainWord) {
    const std::string folded = NeedsFold(phrase) ? StripOkurigana(phrase) : std::string();
    const std::string& verb = folded.empty() ? phrase : folded;
    if (verb == kw.Kurikaesu || verb == kw.Hanpuku || verb == kw.Loop) {
      e.ArgStack.Push(std::move(phrase));
      FinishStatement(e);
      return;
    }
    if (*p == '(') {
      // A call that starts a command statement still lets it be planned
      // (PlannedLeadingCall); the recording is kept aside while it runs.
      std::optional<EngineCaches::PlanRecording> kept;
      if (e.ArgStack.Count() == 0 && StillPlannable(e) && !e.Caches->PlansOff) kept = e.Caches->Recording;
      SpoilPlan(e);
      THashNode* w = e.Words.Find(phrase, true);
      if (IsCallable(w)) {
        // The bracket must follow the name directly; CallBracketed says so.
        const char* q = e.Cursor.P;
        const char* at = q;
        std::string result = CallBracketed(e, phrase, q, BracketUse::kStatement);
        std::string type = e.CurrentType;
        SkipSpaces(q);
        if (*q == '\0' || *q == '\r' || *q == ';' || q == e.Cursor.End) {
          e.Cursor.P = q;
          SetSoreTyped(e, std::move(result), type.c_str());
          return;
        }
        // An operator after the call goes on with the phrase as an
        // expression (LEN(S)+1を, LEFT(S,2)&「様」を): read as a word of
        // its own, "+1を" was shown before the call's value was found
        // left over. Otherwise the next word is the particle.
        std::string next = IsOperatorChar(static_cast<unsigned char>(*q)) ? RestOfPhrase(e, q) : ReadWord(q);
        e.Cursor.P = q;
        if (kept && e.ArgStack.Count() == 0 && !kept->SetsLine) {
          e.Caches->Recording = std::move(*kept);
          e.Caches->Recording.LeadingCall = {phrase, at, next};
        }
        std::string pushed = ValueAsPhrase(result, type) + next;  // never read again as program text
        e.ArgStack.Push(std::move(pushed));
        return;
      }
    }
  }
  e.ArgStack.Push(std::move(phrase));
  if (AtTextEnd(e, e.Cursor.P)) stepAgain = true;
}

}  // namespace

NOKARI_HOT void Step(TNokaBase& e) {
  bool planTried = false;
  if (StepPlain(e, planTried)) return;
  bool again = true;
  while (again && e.Cursor) {
    again = false;
    StepOnce(e, again, planTried);
    planTried = false;
  }
}

// ---------------------------------------------------------------------------
// Run-control frames and the run loop

namespace {

// Adds one to a non-negative decimal integer written without leading
// zeros ("199" -> "200", "99" -> "100").
void CountUpDecimal(std::string& digits) {
  size_t i = digits.size();
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i == 0)
    digits.insert(digits.begin(), '1');
  else
    ++digits[i - 1];
}

}  // namespace

// Acts on the top frame when the cursor reached the end of its text. A loop
// that repeats is updated in place; anything else is popped.
NOKARI_HOT void CheckRunControl(TNokaBase& e) {
  TRunControl* top = e.RunStack.Top();
  if (!top) return;
  bool repeat = false;
  try {
    switch (top->Kind) {
      case kTrueBranch:
      case kFalseBranch:
      case kCaseFrame:
      case kCallFrame:
      case kEventFrame:
        break;
      case kCountLoop:
      case kTimesLoop:
        if (top->Counter >= top->Limit) break;
        ++top->Counter;
        if (top->Kind == kCountLoop) {
          if (THashNode* var = top->CounterVar.get()) {
            // The text the loop wrote last turn, untouched since, is the
            // counter's previous number: counted up where it stands.
            if (var->Version == top->CounterTextVersion && top->Counter > 0)
              CountUpDecimal(var->Value);
            else
              FormatIntInto(var->Value, top->Counter);
            ++var->Version;
            top->CounterTextVersion = var->Version;
            KeepWholeOf(*var, top->Counter);
            if (!(var->TypeTag.size() == 1 && var->TypeTag[0] == 'e')) var->TypeTag = "e";
          }
        } else {
          e.CountVar->SetValue(FormatInt(top->Counter));
        }
        repeat = true;
        break;
      case kEachLoop:
        if (!top->Items || top->Counter >= static_cast<int32_t>(top->Items->size())) break;
        ++top->Counter;
        e.SoreVar->SetValue((*top->Items)[top->Counter - 1], "s");
        e.CountVar->SetValue(FormatInt(top->Counter));
        repeat = true;
        break;
      case kWhileLoop: {
        std::string condition = top->Condition;
        std::string v = EvaluateExpression(e, condition);
        top = e.RunStack.Top();  // the condition may have run other levels
        if (ToInt64(ToNumber(v)) == 0) break;
        ++top->Counter;
        e.CountVar->SetValue(FormatInt(top->Counter));
        repeat = true;
        break;
      }
      default:
        RaiseErrorText(e, Sj(msg::kInternalError) + Sj(msg::kUndefinedConstruct));
    }
  } catch (ENoka& err) {
    RaiseError(e, msg::kRunControlError, {err.Message, std::to_string(e.RunStack.Count())});
  }
  if (repeat) {
    ++e.LoopTurns;
    if (e.Cursor.Buf != top->Body.Buf) e.Cursor.Buf = top->Body.Buf;
    e.Cursor.P = top->Body.P;
    e.Cursor.End = top->Body.End;
    return;
  }
  if (!top) {  // a condition emptied the stack (おわり)
    e.Cursor.Reset();
    return;
  }
  if (top->Kind == kCallFrame || top->Kind == kEventFrame) {
    e.Cursor = std::move(top->ReturnPos);
    RestoreFileName(e, top->SavedFileName);
  } else {
    e.Cursor = std::move(top->ExitPos);
  }
  e.RunStack.DropTop();
}

namespace {

// The mark to compare the next step with after a failed step: where the
// step began, or where the statement taken together that failed began.
RunMark MarkOfFailedStep(TNokaBase& e, const RunMark& stepStart) {
  const RunMark unit = std::exchange(e.FailedUnit, {});
  return unit.P ? unit : stepStart;
}

// The run cannot go on where it stands: the step there made no progress
// (an error that leaves the cursor in place is raised again every time it
// is tried). Reported, whatever the error settings say, and the program
// stops: ignoring it would repeat it for ever.
void StopStuck(TNokaBase& e) {
  std::string line = ErrorLine(e, Sj(msg::kInternalError));
  e.ErrorLog += line;
  e.ErrorLog += "\r\n";
  if (e.ErrorLog.size() > kErrorLogLimit) TrimErrorLog(e);
  e.ErrorMessageVar->SetValue(line);
  e.ArgStack.Clear();
  ShowErrorLog(e);
  e.StopFlag = true;
  e.Cursor.Reset();
  e.Services.Window->CloseMainWindow();
}

void HandleRunError(TNokaBase& e, const std::string& message) {
  e.ErrorMessageVar->SetValue(message);
  if (e.ErrorLog.size() > kErrorLogLimit) TrimErrorLog(e);
  // The failed statement's leftover phrases never reach the next one.
  e.ArgStack.Clear();
  e.LooseBinding = false;
  if (e.ErrorHandlerLabel && !e.InErrorHandler) {
    e.ResumePos = e.Cursor;
    e.InErrorHandler = true;
    e.Cursor = e.ErrorHandlerLabel->Ref;
    e.FileName = e.ErrorHandlerLabel->TypeTag;
    return;
  }
  if (!e.ShowErrors) return;
  if (e.ErrorLog.empty()) e.ErrorLog = ErrorLine(e, message) + "\r\n" + Sj(msg::kInternalError);
  ErrorChoice choice = ShowErrorLog(e);
  if (choice == ErrorChoice::Quit) {
    e.StopFlag = true;
    e.Cursor.Reset();
    e.Services.Window->CloseMainWindow();
  } else if (choice == ErrorChoice::Debug) {
    ShowDebugger(e);
  }
}

}  // namespace

NOKARI_HOT void RunLoop(TNokaBase& e) {
  if (e.RunDepth >= kMaxRunDepth) RaiseError(e, msg::kEndlessLoop);
  ++e.RunDepth;
  struct DepthGuard {
    TNokaBase& e;
    ~DepthGuard() { --e.RunDepth; }
  } guard{e};
  // Where the run stood before the last step or frame action. One that
  // leaves the cursor where it was, with no frame added and no loop turned
  // (続ける turns one within the step), made no progress. This is kept
  // across caught errors: a step that fails where it stands fails the same
  // way every time it is tried again (with errors ignored, an endless loop
  // that fills the error log).
  RunMark last;
  // Looked up once: the caches are emptied in place, never replaced.
  EngineCaches& caches = *e.Caches;
  // Steps until the clock is read to see whether the window system is due
  // to run (core/Events.h): a countdown keeps the clock off most steps.
  uint32_t pumpCountdown = kStepsPerClockCheck;
  while (e.Cursor && !e.StopFlag) {
    try {
      for (;;) {
        if (e.StepBudget && --e.StepBudget == 0) e.StopFlag = true;
        if (!e.Cursor || e.StopFlag) break;
        if (--pumpCountdown == 0) {
          pumpCountdown = kStepsPerClockCheck;
          LetWindowSystemRun(e);
        }
        // A statement boundary when nothing is on the word stack: a queued
        // event may start here (before the end-of-text test, so events
        // that arrived during the last statement still run).
        if (!e.Events.empty() && StartEventAtBoundary(e)) continue;
        const bool atEnd = AtTextEnd(e, e.Cursor.P);
        if (atEnd && e.RunStack.Count() == 0) break;
        const RunMark here{e.Cursor.P, e.Cursor.End, e.RunStack.TotalCount(), e.LoopTurns, e.StepsTakenTogether};
        if (here == last) {
          StopStuck(e);
          break;
        }
        last = here;
        if (atEnd) {
          CheckRunControl(e);
          continue;
        }
        if (e.RunStack.TotalCount() > kMaxFrames) RaiseError(e, msg::kEndlessLoop);
        Step(e);
        if (e.LineStop) StopAtLine(e);  // the debugger's stop point (core/Debugger.h)
        if (!caches.RetiredPlans.empty() && e.RunDepth == 1) caches.RetiredPlans.clear();
        if (e.ErrorLog.size() > kErrorLogLimit) TrimErrorLog(e);
      }
      if (!e.Cursor || e.StopFlag || AtTextEnd(e, e.Cursor.P)) break;
    } catch (ENoka& err) {
      last = MarkOfFailedStep(e, last);
      HandleRunError(e, err.Message);
    } catch (std::bad_alloc&) {
      last = MarkOfFailedStep(e, last);
      std::string text = ErrorLine(e, Sj(msg::kInvalidOperation));
      if (!e.ErrorLog.empty()) e.ErrorLog += "\r\n";
      e.ErrorLog += text + "\r\n";
      HandleRunError(e, text);
    }
  }
  if (e.RunDepth == 1) {
    e.InErrorHandler = false;
    DrainLater(e);
  }
  SpoilPlan(e);  // a statement that ran a level of its own is no plan
}

void RunNested(TNokaBase& e, TextPos pos, const std::string& fileName, const TRunControl* frame) {
  TextPos savedCursor = e.Cursor;
  std::string savedFile = e.FileName;
  const char* savedStmt = e.StmtStart;
  const std::string* savedStmtBuf = e.StmtBuf;
  const char* savedStmtEnd = e.StmtEnd;
  e.FileName = fileName;
  e.Cursor = std::move(pos);
  e.RunStack.SaveLevel();
  struct Restore {
    TNokaBase& e;
    TextPos& cursor;
    std::string& file;
    const char* stmt;
    const std::string* stmtBuf;
    const char* stmtEnd;
    ~Restore() {
      e.RunStack.RestoreLevel();
      if (!e.StopFlag) e.Cursor = cursor;
      e.FileName = file;
      e.StmtStart = stmt;
      e.StmtBuf = stmtBuf;
      e.StmtEnd = stmtEnd;
    }
  } restore{e, savedCursor, savedFile, savedStmt, savedStmtBuf, savedStmtEnd};
  if (frame) e.RunStack.Push(*frame);
  RunLoop(e);
}

void EnterLabel(TNokaBase& e, const TextPos& label, const std::string& fileName) {
  EngineEvent event;
  event.Entry = label;
  event.FileName = fileName;
  QueueEvent(e, std::move(event));
}

void EndProgram(TNokaBase& e) {
  e.RunStack.Clear();
  e.Cursor.Reset();
  RequestClose(e);
}

void RequestClose(TNokaBase& e) {
  if (e.Closed) return;
  TextPos saved = e.Cursor;
  if (e.ExitHandlerLabel) {
    WordRef handler = std::move(e.ExitHandlerLabel);
    e.ExitHandlerLabel.reset();
    e.NoExitVar->SetValue("0");
    RunNested(e, handler->Ref, handler->TypeTag);
  }
  if (e.NoExitVar && e.NoExitVar->Value == "1" && !e.StopFlag) {
    e.Cursor = saved;
    return;
  }
  e.Cursor.Reset();
  e.StopFlag = true;
  e.Closed = true;
  e.Services.Window->CloseMainWindow();
}

}  // namespace nokari
