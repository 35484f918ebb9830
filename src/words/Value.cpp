// Literals, variables, element and item access, and assignment.
#include "words/Value.h"

#include <cstring>

#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/Hot.h"
#include "core/Keywords.h"
#include "core/Messages.h"
#include "core/Prepare.h"
#include "core/Scan.h"
#include "words/TableText.h"
#include "words/Calls.h"
#include "words/Contract.h"
#include "words/Expr.h"
#include "words/Registry.h"

namespace nokari {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Full-width letters, digits and signs to ASCII (text inside {…}), and
// != to <> outside the texts in it, as source preparation writes them.
std::string HalfWidthForExpression(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  char quote = 0;  // the quote of the text being passed, if any
  for (size_t i = 0; i < s.size();) {
    size_t len = CharLenAt(s, i);
    const char* f = len == 2 ? FoldedChar(s[i], s[i + 1]) : nullptr;
    if (f && f[0] != '\0') {
      out += f;
    } else {
      out.append(s.substr(i, len));
    }
    i += len;
    const char last = out.back();
    if (last == '"' || last == '`') {
      quote = quote == 0 ? last : quote == last ? 0 : quote;
    } else if (last == '!' && !quote && i < s.size()) {
      const size_t nextLen = CharLenAt(s, i);
      const char* next = nextLen == 2 ? FoldedChar(s[i], s[i + 1]) : nullptr;
      if (s[i] == '=' || (next && next[0] == '=' && next[1] == '\0')) {
        out.back() = '<';
        out += '>';
        i += nextLen;
      }
    }
  }
  return out;
}

std::string ReadNumberLiteral(const char*& p) {
  const char* start = p;
  if (*p == '$') {
    p = ScanHex(p);
    return HexLiteralValue(std::string_view(start + 1, p - start - 1));
  }
  p = ScanDecimal(p);
  return std::string(start, p);
}

// Steps over a line end inside argument text, keeping line numbers.
void SkipLineEndInText(TNokaBase& e, const char*& p) {
  while (*p == '\r' || *p == '\n' || *p == ' ' || *p == '\t') ++p;
  const char* q = p;
  int64_t n = 0;
  while (IsDigit(*q)) n = n * 10 + (*q++ - '0');
  if (q != p && *q == ':') {
    e.LineNo = static_cast<int32_t>(n);
    p = q + 1;
  }
}

// The variable a plain word at p names when "#" follows the word; p is then
// moved to that "#". Null, p unmoved, for anything else.
const THashNode* VariableBeforeHash(TNokaBase& e, const char*& p) {
  const char* q = p;
  SkipBlanks(q);
  const char c = *q;
  if (c == '"' || c == '`' || c == '$' || c == '-' || IsDigit(c)) return nullptr;
  const std::string word = ReadWord(q);
  if (word.empty() || *q != '#') return nullptr;
  const THashNode* w = e.Words.Find(word);
  if (!w || w->Kind != kVariable) return nullptr;
  p = q;
  return w;
}

// `first`: the column of 名前#列#行. A variable there followed by "#" gives
// its value and leaves the "#" for the row, so 表#I#J is the cell in column
// I, row J, as it reads. (Read as a term of its own, I#J would be an element
// of I: 表#I#J would then name line I#J, and writing it would replace that
// whole line of the table with the value.)
int64_t IndexOf(TNokaBase& e, const char*& p, bool first = false) {
  // Digits alone up to the next "#" or the end, the usual key: their
  // number, as reading them as a term gives it.
  int64_t digits = 0;
  const char* q = p;
  while (*q >= '0' && *q <= '9' && q - p < 9) digits = digits * 10 + (*q++ - '0');
  if (q != p && (*q == '#' || *q == '\0')) {
    SetTag(e.CurrentType, "e");
    p = q;
    return digits;
  }
  std::string key;
  if (*p == '(') {
    const char* end = BracketEnd(e, p);
    std::string inner(p + 1, end - 1);
    key = EvaluateExpression(e, inner);
    p = end;
  } else if (const THashNode* column = first ? VariableBeforeHash(e, p) : nullptr) {
    key = column->Value;
  } else {
    key = EvalTerm(e, p);
  }
  return IntDefault(key, -1);
}

const TCsvDbBase& ParsedTable(THashNode& var) {
  TTableCaches& kept = var.TableCaches();
  if (!kept.Parsed || kept.ParsedVersion != var.Version) {
    kept.Parsed.reset();  // the stale table goes first: never two at once
    auto table = std::make_shared<TCsvDbBase>();
    table->ReadCsv(var.Value);
    kept.Parsed = std::move(table);
    kept.ParsedVersion = var.Version;
  }
  return *kept.Parsed;
}

std::string ElementAccess(TNokaBase& e, THashNode& var, const char*& p) {
  ++p;  // '#'
  int64_t i = IndexOf(e, p, true);
  bool two = false;
  int64_t j = -1;
  if (*p == '#') {
    ++p;
    j = IndexOf(e, p);
    two = j >= 0;  // a second index that is no integer counts as absent
  }
  std::string v = ElementValue(e, var, i, two, j);
  SetTag(e.CurrentType, "s");
  return v;
}

// Key=value lines: the value after "=" on the first line whose key equals
// `key`, letters compared without regard to case.
bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// Calls `each` with every line of `text` as SplitLines cuts it, until it
// returns true; without making the list of lines.
template <class Each>
void ForEachLine(std::string_view text, Each&& each) {
  for (size_t i = 0; i < text.size();) {
    size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) end = text.size();
    if (each(text.substr(i, end - i))) return;
    if (end == text.size()) return;
    i = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
}

std::string_view KeyOfLine(std::string_view line) { return line.substr(0, line.find('=')); }
std::string ValueOfLine(std::string_view line) {
  const size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string() : std::string(line.substr(eq + 1));
}

// Whether the text goes on after a line end (a line end at the very end, as
// a name read from a file has, does not count).
bool HoldsSeveralLines(std::string_view text) {
  const size_t end = text.find_first_of("\r\n");
  return end != std::string_view::npos && text.find_first_not_of("\r\n", end) != std::string_view::npos;
}

std::string LookupKeyLine(std::string_view text, std::string_view key) {
  std::string value;
  ForEachLine(text, [&](std::string_view line) {
    if (!EqualsNoCase(KeyOfLine(line), key)) return false;
    value = ValueOfLine(line);
    return true;
  });
  return value;
}

// The key as EqualsNoCase compares it: two keys are equal without regard to
// case exactly when their folded forms are equal.
std::string FoldedKey(std::string_view key) {
  std::string folded(key);
  for (char& c : folded) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return folded;
}

}  // namespace

// A variable's value read as key=value lines: each line's place and the
// first line of each key, folded. A variable whose items are read or
// written again and again (a tally kept in 名前の(キー)) would otherwise be
// read line by line at every access: 20,000 keys took 22 s. Made on the
// second access to one value, so a long text read once costs no index.
// `Canonical`: the text is its lines joined by CR LF, the form a write
// leaves it in, so a write may change the line in place and keep the index.
struct TKeyLines {
  struct Line {
    size_t Start, Length;
  };
  uint64_t Version = ~0ull;
  size_t Size = 0;                  // the text's length, checked as well
  uint64_t ScannedVersion = ~0ull;  // the value last read without an index
  bool Canonical = false;
  std::vector<Line> Lines;
  std::unordered_map<std::string, uint32_t> First;
};

namespace {

// The index of var's value when it is kept or worth making now; null when
// the value is to be read line by line this time.
TKeyLines* KeyLinesOf(THashNode& var) {
  TTableCaches& caches = var.TableCaches();
  if (!caches.KeyLines) caches.KeyLines = std::make_shared<TKeyLines>();
  TKeyLines& index = *caches.KeyLines;
  if (index.Version == var.Version && index.Size == var.Value.size()) return &index;
  if (index.ScannedVersion != var.Version) {
    index.ScannedVersion = var.Version;
    return nullptr;
  }
  index.Lines.clear();
  index.First.clear();
  const std::string& text = var.Value;
  index.Canonical = true;
  ForEachLine(text, [&](std::string_view line) {
    const size_t start = static_cast<size_t>(line.data() - text.data()), end = start + line.size();
    if (end != text.size() && !(text.compare(end, 2, "\r\n") == 0 && end + 2 < text.size())) index.Canonical = false;
    index.First.emplace(FoldedKey(KeyOfLine(line)), static_cast<uint32_t>(index.Lines.size()));
    index.Lines.push_back({start, line.size()});
    return false;
  });
  index.Version = var.Version;
  index.Size = text.size();
  return &index;
}

std::string LookupKeyLineOf(THashNode& var, std::string_view key) {
  const TKeyLines* index = KeyLinesOf(var);
  if (!index) return LookupKeyLine(var.Value, key);
  const auto found = index->First.find(FoldedKey(key));
  if (found == index->First.end()) return {};
  const TKeyLines::Line& line = index->Lines[found->second];
  return ValueOfLine(std::string_view(var.Value).substr(line.Start, line.Length));
}

// 名前の(キー)は、値 on a variable whose value is in the form a write leaves
// it: the key's line changed in place, or a new line added, as the long
// way would write them. False, nothing done, for anything else (a removal,
// a key or value that would make more lines or another key).
bool WriteKeyLineInPlace(THashNode& var, const std::string& key, const std::string& value) {
  if (value.empty() || key.find_first_of("=\r\n") != std::string::npos ||
      value.find_first_of("\r\n") != std::string::npos)
    return false;
  TKeyLines* index = KeyLinesOf(var);
  if (!index || !index->Canonical) return false;
  std::string& text = var.Value;
  std::string folded = FoldedKey(key);
  const auto found = index->First.find(folded);
  if (found != index->First.end()) {
    const uint32_t i = found->second;
    TKeyLines::Line& line = index->Lines[i];
    const size_t oldLength = line.Length;
    text.replace(line.Start, oldLength, key + "=" + value);
    line.Length = key.size() + 1 + value.size();
    const size_t grown = line.Length - oldLength;  // wraps when shorter; the sums wrap back
    for (size_t k = i + 1; k < index->Lines.size(); ++k) index->Lines[k].Start += grown;
  } else {
    if (!index->Lines.empty()) text += "\r\n";
    const size_t start = text.size();
    text += key;
    text += '=';
    text += value;
    index->First.emplace(std::move(folded), static_cast<uint32_t>(index->Lines.size()));
    index->Lines.push_back({start, text.size() - start});
  }
  ++var.Version;  // as SetValue: a table read from the old value goes
  if (var.Tables->Parsed) var.Tables->Parsed.reset();
  index->Version = var.Version;
  index->Size = text.size();
  return true;
}

std::string ReadItemName(TNokaBase& e, const char*& p) {
  SkipSpaces(p);
  if (*p == '(') {
    const char* end = BracketEnd(e, p);
    std::string raw(p + 1, end - 1);
    p = end;
    return raw;
  }
  if (*p == '"' || *p == '`') return ExtractLiteral(e, p);
  return ReadWord(p);
}

std::string ItemAccess(TNokaBase& e, THashNode* owner, const std::string& item, int depth = 0) {
  if (owner->Kind == kVariable) {
    THashNode* target = depth < 8 ? e.Words.Find(owner->Value) : nullptr;
    if (target && target->Kind != kVariable && target != owner) return ItemAccess(e, target, item, depth + 1);
    THashNode* keyWord = e.Words.Find(item);
    const std::string& key = keyWord ? keyWord->Value : item;
    std::string value = e.Caches->PlansOff ? LookupKeyLine(owner->Value, key) : LookupKeyLineOf(*owner, key);
    if (value.empty() && !keyWord && !item.empty()) {
      // As a dictionary's item is read, and as every write takes its key:
      // a key written as a literal or an expression (表の(「K1」),
      // 表の(I+1)) is evaluated and looked for again. Read as written
      // alone, the key a write had made could never be read back.
      WordRef held = e.Words.FindRef(owner->Name);
      const std::string evaluated = EvalArg(e, item);
      if (evaluated != item && owner->Kind == kVariable)
        value = e.Caches->PlansOff ? LookupKeyLine(owner->Value, evaluated) : LookupKeyLineOf(*owner, evaluated);
    }
    SetTag(e.CurrentType, "s");
    return value;
  }
  if (owner->Kind == kDictionary) {
    if (!owner->Table) RaiseError(e, msg::kMissingHashTable, {owner->Name});
    THashNode* node = owner->Table->Find(item);
    // The key may run a function that empties the owner, makes it a plain
    // variable or renames it away: the owner is held while it runs, and
    // read as it is afterwards.
    WordRef held;
    if (!node) {
      held = e.Words.FindRef(owner->Name);
      const std::string key = EvalArg(e, item);
      if (owner->Kind != kDictionary || !owner->Table) {
        SetTag(e.CurrentType, "s");
        return owner->Kind == kVariable ? LookupKeyLine(owner->Value, key) : std::string();
      }
      node = owner->Table->Find(key);
    }
    if (!node) {
      SetTag(e.CurrentType, "s");
      return {};
    }
    e.CurrentType = std::string(1, node->TypeLetter() ? node->TypeLetter() : 's');
    return node->Value;
  }
  if (owner->Kind == kObject && e.ObjectModel) return e.ObjectModel->ReadProperty(e, *owner, item);
  RaiseError(e, msg::kNoDirectValue, {owner->Name});
}

std::string RunCommandAsValue(TNokaBase& e, THashNode& word, std::string_view written) {
  std::string savedValue = e.SoreVar->Value;
  std::string savedTag = e.SoreVar->TypeTag;
  struct Restore {
    TNokaBase& e;
    std::string& v;
    std::string& t;
    ~Restore() { e.SoreVar->SetValue(std::move(v), std::move(t)); }
  } restore{e, savedValue, savedTag};
  Dispatch(e, word, written);
  e.CurrentType = e.SoreVar->TypeTag;
  // それ gets its old value back just after this: the result is moved out.
  return std::move(e.SoreVar->Value);
}

// Reads back as exactly this text: an optional "-", then what the number
// literal reader takes (digits, fraction, exponent), and nothing else.
bool ReadsBackAsNumber(std::string_view v) {
  if (v.empty() || v.size() > 64) return false;
  char buf[66];
  v.copy(buf, v.size());
  buf[v.size()] = '\0';
  const char* p = buf[0] == '-' ? buf + 1 : buf;
  const char* end = ScanDecimal(p);
  return end != p && *end == '\0';
}

}  // namespace

void NestGuard::Overflow() {
  --e_.NestDepth;
  RaiseError(e_, msg::kEndlessLoop);
}

std::string ValueAsPhrase(std::string_view value, std::string_view type) {
  if (!type.empty() && type.back() == 'e' && ReadsBackAsNumber(value)) return std::string(value);
  return QuoteAsLiteral(value);
}

std::string QuoteAsLiteral(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 2);
  out += '`';
  if (value.find('`') == std::string_view::npos) {  // nothing to double (not even a trail byte)
    out.append(value);
    out += '`';
    return out;
  }
  for (size_t i = 0; i < value.size();) {
    size_t len = CharLenAt(value, i);
    out.append(value.substr(i, len));
    if (len == 1 && value[i] == '`') out += '`';
    i += len;
  }
  out += '`';
  return out;
}

std::string UnquoteLiteral(std::string_view phrase) {
  if (phrase.size() < 2 || phrase.front() != '`' || phrase.back() != '`') return std::string(phrase);
  std::string out;
  std::string_view inner = phrase.substr(1, phrase.size() - 2);
  for (size_t i = 0; i < inner.size();) {
    size_t len = CharLenAt(inner, i);
    out.append(inner.substr(i, len));
    if (len == 1 && inner[i] == '`' && i + 1 < inner.size() && inner[i + 1] == '`') ++i;
    i += len;
  }
  return out;
}

namespace {

// A decimal number written plainly (digits, at most one point between
// digits): its text as written is its value.
bool IsPlainDecimal(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  if (i == 0) return false;
  if (i < text.size() && text[i] == '.') {
    const size_t point = ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == point) return false;
  }
  return i == text.size();
}

}  // namespace

bool EvalHandedOnValue(TNokaBase& e, const std::string& text, std::string& out) {
  if (IsPlainDecimal(text)) {
    out = text;
    SetTag(e.CurrentType, "e");
    e.LastNumberValid = false;
    return true;
  }
  if (text.size() < 2 || text[0] != '`' || text.back() != '`') return false;
  // The closing quote must be the last character: `a`&`b` is a join, `5`+1
  // an expression, and a last byte "`" may be a character's second byte. A
  // doubled quote inside stands for one ("`" is never a first byte).
  const size_t last = text.size() - 1;
  bool doubled = false;
  size_t i = 1;
  while (i < last) {
    if (text[i] == '`') {
      if (i + 1 >= last || text[i + 1] != '`') return false;
      doubled = true;
      i += 2;
      continue;
    }
    i += CharLenAt(text, i);
  }
  if (i != last) return false;
  if (doubled)
    out = UnquoteLiteral(text);
  else
    out.assign(text, 1, last - 1);
  SetTag(e.CurrentType, "s");
  e.LastNumberValid = false;
  return true;
}

std::string ExtractLiteral(TNokaBase& e, const char*& p) {
  const char* end = LiteralEnd(e, p);
  std::string lit(p, end);
  p = end;
  return lit;
}

namespace {

// Literals longer than this are read each time (a long text written as a
// literal runs once, most likely; it is not worth a copy as a key).
constexpr size_t kLiteralCacheLimit = 4096;

// Reads a double-quoted literal into its pieces, exactly as the evaluation
// below walks it, without evaluating anything.
std::shared_ptr<LiteralReading> ReadDoubleQuoted(std::string_view lit) {
  auto reading = std::make_shared<LiteralReading>();
  static const std::string yen = Sj("￥"), fullN = Sj("ｎ"), fullT = Sj("ｔ");
  static const std::string fullOpen = Sj("｛"), fullClose = Sj("｝");
  bool inString = false, inBrace = false;
  std::string brace, plain, braceOpen;
  auto endPlain = [&] {
    if (plain.empty()) return;
    reading->FixedSize += plain.size();
    reading->Pieces.push_back({std::move(plain), false});
    plain.clear();
  };
  size_t i = 0;
  while (i < lit.size()) {
    size_t len = CharLenAt(lit, i);
    std::string_view ch = lit.substr(i, len);
    if (ch == "\\" || (ch == yen && YenEscapes(lit, i + len))) {
      i += len;
      if (i >= lit.size()) break;
      size_t nlen = CharLenAt(lit, i);
      std::string_view next = lit.substr(i, nlen);
      if (next == "n" || next == fullN)
        plain += "\r\n";
      else if (next == "t" || next == fullT)
        plain += '\t';
      else
        plain.append(next);
      i += nlen;
      continue;
    }
    if (ch == "{" || ch == fullOpen) {
      inBrace = true;
      braceOpen = ch;
      brace.clear();
    } else if (ch == "}" || ch == fullClose) {
      if (inBrace) {
        inBrace = false;
        endPlain();
        reading->Pieces.push_back({HalfWidthForExpression(brace), true});
      } else {
        plain.append(ch);
      }
    } else if (ch == "\"") {
      inString = !inString;
      if (!inString) break;
    } else if (inBrace) {
      brace.append(ch);
    } else {
      plain.append(ch);
    }
    i += len;
  }
  // A { never closed is text as written: 「価格{税込」 lost all after it.
  if (inBrace) plain += braceOpen + brace;
  endPlain();
  reading->Unterminated = inString;
  return reading;
}

// -debug: a {名前} that gives back its own text names nothing (a word never
// given a value is its own text): nearly always a misspelt name, which
// would otherwise print itself ("こんにちは、名まえさん").
void WarnNameWithoutValue(TNokaBase& e, const std::string& text, const std::string& value) {
  if (value != text || ReadsBackAsNumber(text) || e.Words.Find(text)) return;
  if (FirstDebugWarning(e)) Warn(e, msg::kNameWithoutValue, {text});
}

// A double-quoted literal through its reading, kept by its text.
// Appends what a literal's reading gives: its texts, and between them the
// values of its {…} expressions.
void AppendLiteralReading(TNokaBase& e, LiteralReading& reading, std::string& out) {
  for (LiteralReading::Piece& piece : reading.Pieces) {
    if (!piece.Expression) {
      out += piece.Text;
      continue;
    }
    if (piece.Text.empty()) continue;  // {} gives nothing and keeps the type
    std::string saved = e.CurrentType;
    // The compiled form is a cache too; a stale one is made again. Copied:
    // the same literal met again inside the expression may renew it.
    if (!IsCurrent(piece.Compiled)) piece.Compiled = CompileArgument(piece.Text);
    const CompiledRef compiled = piece.Compiled;
    std::string value = EvalArg(e, piece.Text, compiled);
    if (e.DebugMode) WarnNameWithoutValue(e, piece.Text, value);
    out += value;
    e.CurrentType = saved;
  }
}

std::string EvalReading(TNokaBase& e, std::shared_ptr<LiteralReading> reading);

std::string EvalDoubleQuoted(TNokaBase& e, std::string_view lit) {
  // Held: the expressions may run statements that empty the cache.
  return EvalReading(e, KeptLiteralReading(e, lit));
}

std::string EvalReading(TNokaBase& e, std::shared_ptr<LiteralReading> reading) {
  std::string out;
  out.reserve(reading->FixedSize);
  AppendLiteralReading(e, *reading, out);
  if (reading->Unterminated) RaiseError(e, msg::kStringNotClosed, {out});
  return out;
}

}  // namespace

std::shared_ptr<LiteralReading> KeptLiteralReading(TNokaBase& e, std::string_view lit) {
  auto& cache = e.Caches->Literals;
  auto found = cache.find(lit);
  if (found == cache.end()) {
    if (cache.size() >= 4096) cache.clear();
    found = cache.emplace(std::string(lit), ReadDoubleQuoted(lit)).first;
  }
  return found->second;
}

std::string EvalStringLiteral(TNokaBase& e, std::string_view lit) {
  if (!lit.empty() && lit[0] == '"' && lit.size() <= kLiteralCacheLimit && !e.Caches->PlansOff)
    return EvalDoubleQuoted(e, lit);
  return EvalStringLiteralReading(e, lit);
}

std::string EvalPlacedLiteral(TNokaBase& e, std::string_view lit, std::shared_ptr<LiteralReading>& kept) {
  if (!lit.empty() && lit[0] == '"' && lit.size() <= kLiteralCacheLimit && !e.Caches->PlansOff) {
    if (!kept) kept = KeptLiteralReading(e, lit);
    return EvalReading(e, kept);
  }
  return EvalStringLiteralReading(e, lit);
}

std::string EvalStringLiteralReading(TNokaBase& e, std::string_view lit) {
  std::string out;
  if (lit.empty()) return out;
  if (lit[0] == '`') {
    for (size_t i = 1; i < lit.size();) {
      size_t len = CharLenAt(lit, i);
      if (len == 1 && lit[i] == '`') {
        if (i + 1 < lit.size() && lit[i + 1] == '`') {
          out += '`';
          i += 2;
          continue;
        }
        break;
      }
      out.append(lit.substr(i, len));
      i += len;
    }
    return out;
  }
  static const std::string yen = Sj("￥"), fullN = Sj("ｎ"), fullT = Sj("ｔ");
  static const std::string fullOpen = Sj("｛"), fullClose = Sj("｝");
  bool inString = false, inBrace = false;
  std::string brace, braceOpen;
  size_t i = 0;
  while (i < lit.size()) {
    size_t len = CharLenAt(lit, i);
    std::string_view ch = lit.substr(i, len);
    if (ch == "\\" || (ch == yen && YenEscapes(lit, i + len))) {
      i += len;
      if (i >= lit.size()) break;
      size_t nlen = CharLenAt(lit, i);
      std::string_view next = lit.substr(i, nlen);
      if (next == "n" || next == fullN)
        out += "\r\n";
      else if (next == "t" || next == fullT)
        out += '\t';
      else
        out.append(next);
      i += nlen;
      continue;
    }
    if (ch == "{" || ch == fullOpen) {
      inBrace = true;
      braceOpen = ch;
      brace.clear();
    } else if (ch == "}" || ch == fullClose) {
      if (inBrace) {
        inBrace = false;
        std::string saved = e.CurrentType;
        out += EvalArg(e, HalfWidthForExpression(brace));
        e.CurrentType = saved;
      } else {
        out.append(ch);
      }
    } else if (ch == "\"") {
      inString = !inString;
      if (!inString) {
        i += len;
        break;
      }
    } else if (inBrace) {
      brace.append(ch);
    } else {
      out.append(ch);
    }
    i += len;
  }
  if (inBrace) out += braceOpen + brace;  // a { never closed is text
  if (inString) RaiseError(e, msg::kStringNotClosed, {out});
  return out;
}

std::string EvalTerm(TNokaBase& e, const char*& p) {
  NestGuard guard(e);
  SkipBlanks(p);
  char c = *p;
  if (c == '"' || c == '`') {
    std::string lit = ExtractLiteral(e, p);
    std::string v = EvalStringLiteral(e, lit);
    SetTag(e.CurrentType, "s");
    return v;
  }
  if (c == '$' || IsDigit(c)) {
    SetTag(e.CurrentType, "e");
    return ReadNumberLiteral(p);
  }
  if (c == '(') {
    const char* end = BracketEnd(e, p);
    std::string inner(p + 1, end - 1);
    p = end;
    return EvaluateExpression(e, inner);
  }
  if (c == '-') {
    ++p;
    std::string v = EvalTerm(e, p);
    // A value that already carries a sign loses it instead of doubling it.
    if (!v.empty() && v[0] == '-') return v.substr(1);
    return "-" + v;
  }
  std::string word = ReadWord(p);
  if (word.empty()) {
    SetTag(e.CurrentType, "s");
    return {};
  }
  const Keywords& kw = Kw();
  if (*p == '(') {
    if (WordRef w = e.Words.FindRef(word, true)) {
      if (IsCallable(w.get()))
        return CallBracketed(e, std::move(w), word, p, BracketUse::kValue);
      // 辞書の(キー): the fold must not turn an item access into a phrase.
      if (!(EndsWithChar(word, kw.No) && e.Words.Find(word.substr(0, word.size() - kw.No.size())))) {
        e.ArgStack.Push(word);
        SetTag(e.CurrentType, "s");
        return {};
      }
    }
  }
  if (EndsWithChar(word, kw.No)) {
    std::string ownerName = word.substr(0, word.size() - kw.No.size());
    if (THashNode* owner = e.Words.Find(ownerName)) {
      std::string item = ReadItemName(e, p);
      return ItemAccess(e, owner, item);
    }
  }
  THashNode* w = e.Words.Find(word);
  if (!w) {
    // Commands are registered without okurigana: 存在するか finds 存在.
    w = e.Words.Find(word, true);
    if (!IsCommandOrLabel(w)) w = nullptr;
  }
  if (!w) {
    std::string property;
    if (THashNode* owner = SplitObjectProperty(e, word, property)) return ItemAccess(e, owner, property);
    SetTag(e.CurrentType, "s");
    return word;
  }
  switch (w->Kind) {
    case kCommand:
    case kCommandAlias:
    case kDllFunction:
      RefuseFlowWordAsValue(e, *w, word, false);
      return RunCommandAsValue(e, *w, word);
    case kLabel:
      return LabelValue(e, *w);
    case kVariable:
      if (*p == '#') return ElementAccess(e, *w, p);
      SetTag(e.CurrentType, w->TypeTag);
      return w->Value;
    case kObject:
      if (e.ObjectModel) return e.ObjectModel->ReadObject(e, *w);
      SetTag(e.CurrentType, "s");
      return w->Value;
    case kDictionary:
      SetTag(e.CurrentType, "s");
      return w->Table ? w->Table->PairsText() : std::string();
    default:
      RaiseError(e, msg::kBrokenLink, {w->Name});
  }
}

std::string EvalArgReading(TNokaBase& e, const std::string& text) {
  const char* p = text.c_str();
  SkipBlanks(p);
  std::string value = EvalTerm(e, p);
  for (;;) {
    SkipBlanks(p);
    char c = *p;
    if (c == '\0') break;
    if (c == '&' && p[1] != '&') {
      ++p;
      SkipBlanks(p);
      if (*p == '\r' || *p == '\n') SkipLineEndInText(e, p);
      value += EvalTerm(e, p);
      SetTag(e.CurrentType, "s");
      continue;
    }
    if (IsOperatorChar(static_cast<unsigned char>(c))) {
      std::string expr = "(";
      expr += e.CurrentType == "s" ? QuoteAsLiteral(value) : value;
      expr += p;
      expr += ')';
      // Made afresh from values: not worth a place in the compiled cache.
      return EvaluateMadeExpression(e, expr);
    }
    if (e.DebugMode) WarnExpressionRest(e, p);
    break;
  }
  return value;
}

std::string EvalArg(TNokaBase& e, const std::string& text) {
  std::string value;
  if (!e.Caches->PlansOff && EvalHandedOnValue(e, text, value)) return value;
  return EvalArg(e, text, CompileArgument(text));
}

namespace {

std::vector<JoinPiece> ReadJoin(TNokaBase& e, const std::string& valueText);
std::string EvalJoinPlanned(TNokaBase& e, const std::string& valueText, std::vector<JoinPiece>& pieces);

// The pieces of a value joined with "&" (or of a literal with {…} alone),
// read once and kept by the text; null for any other text.
std::shared_ptr<std::vector<JoinPiece>> KeptJoin(TNokaBase& e, const std::string& text) {
  EngineCaches& caches = *e.Caches;
  if (caches.PlansOff || (text.find('&') == std::string::npos && text.find('{') == std::string::npos)) return nullptr;
  auto found = caches.Joins.find(text);
  if (found == caches.Joins.end()) {
    std::vector<JoinPiece> pieces = ReadJoin(e, text);
    if (caches.Joins.size() >= 4096) caches.Joins.clear();
    found = caches.Joins
                .emplace(text, pieces.empty() ? nullptr : std::make_shared<std::vector<JoinPiece>>(std::move(pieces)))
                .first;
  }
  return found->second;
}

// EvalArg's way for a join it has read before: false, nothing done, for
// any other text. Kept out of EvalArg, whose common ways return before.
[[gnu::noinline]] bool EvalKeptJoin(TNokaBase& e, const std::string& text, std::string& value) {
  // Held: the pieces' expressions may run statements that empty the cache.
  const std::shared_ptr<std::vector<JoinPiece>> join = KeptJoin(e, text);
  if (!join) return false;
  value = EvalJoinPlanned(e, text, *join);
  return true;
}

}  // namespace

std::string EvalArg(TNokaBase& e, const std::string& text, const CompiledRef& compiled) {
  // One result returned from every way, so it is built where the caller
  // wants it (two locals each cost a move on the way out).
  std::string value;
  if (text.empty()) {
    SetTag(e.CurrentType, "s");
    return value;
  }
  if (TryEvalArgFast(e, compiled, value)) return value;
  if (!EvalKeptJoin(e, text, value)) value = EvalArgReading(e, text);
  // Whatever ran while reading (calls, nested statements) may have left a
  // number behind that is not this value's.
  e.LastNumberValid = false;
  return value;
}

std::shared_ptr<const TCsvDbBase> KeptTable(THashNode& var) {
  if (var.CurrentTable()) return var.Tables->Parsed;
  if (var.Value.size() > kKeptTableLimit) return nullptr;
  ParsedTable(var);
  return var.Tables->Parsed;
}

std::string ElementValue(TNokaBase& e, THashNode& var, int64_t i, bool twoIndexes, int64_t j) {
  (void)e;
  const TCsvDbBase& table = ParsedTable(var);
  if (twoIndexes) {
    if (j < 0 || j >= table.RowCount() || i < 0) return {};
    return table.Cell(static_cast<int>(j), static_cast<int>(i > INT32_MAX ? INT32_MAX : i));
  }
  if (i < 0 || i >= table.RowCount()) return {};
  int row = static_cast<int>(i);
  if (table.CellCount(row) == 1) return table.Cell(row, 0);
  return table.RowLine(row);
}

THashNode* CreateVariable(TNokaBase& e, const std::string& name, std::string value) {
  // A word without a name could be stored but never found again: a second
  // one would land on the first and leave the caller holding neither.
  if (name.empty()) RaiseError(e, msg::kCannotAssign);
  auto node = std::make_shared<THashNode>(name, std::move(value), e.RunStack.Count(), false);
  if (e.StmtBuf && e.Cursor && e.StmtBuf == e.Cursor.Buf.get()) node->Ref = TextPos(e.Cursor.Buf, e.StmtStart);
  THashNode* raw = node.get();
  e.Words.Add(std::move(node));
  return e.Words.Find(name) ? e.Words.Find(name) : raw;
}

void StoreValue(TNokaBase& e, THashNode& word, std::string&& value, const std::string& type) {
  (void)e;
  if (type == "hs") {
    word.Kind = kDictionary;
    word.Table = std::make_unique<THash>();
    word.Table->LoadFromText(value);
    word.SetValue(std::string(), "hs");
    return;
  }
  if (word.Kind == kDictionary) {
    word.Table.reset();
    word.Kind = kVariable;
    word.SetValue(std::move(value));
    return;
  }
  word.Kind = kVariable;
  word.SetValue(std::move(value));
  SetTag(word.TypeTag, type);
}

namespace {

// Whether a text is its lines (as SplitLines reads them) joined by CR LF:
// every line end a CR LF pair and none at the very end. Counts the lines
// and finds where the last one starts on the way.
bool ReadsBackAsLines(const std::string& text, size_t& count, size_t& lastStart) {
  count = 0;
  lastStart = 0;
  if (text.empty()) return true;
  if (text.back() == '\r' || text.back() == '\n') return false;
  size_t pos = 0;
  size_t cr = text.find('\r');
  for (;;) {
    ++count;
    size_t lf = text.find('\n', pos);
    size_t end = lf == std::string::npos ? text.size() : lf - 1;
    if (lf != std::string::npos && (lf == pos || text[lf - 1] != '\r')) return false;  // a bare LF
    if (cr < end) return false;  // a bare CR inside the line
    if (lf == std::string::npos) break;
    cr = text.find('\r', lf + 1);
    pos = lf + 1;
  }
  lastStart = pos;
  return true;
}

// The table kept for reads, when it is current and this word's alone to
// change in place: one lent to a command that keeps it (see KeptTable) is
// left as it was lent, and the word parses its changed text afresh.
bool TableCurrent(const THashNode& var) {
  return var.CurrentTable() && var.Tables->Parsed.use_count() == 1;
}

// 名前#i は 値 without splitting the text into lines and joining them again:
// the line is written where it stands, which gives the same text as the
// split and join whenever the text already reads back as its lines joined
// by CR LF and the value holds no line end. Writing at or past the end, the
// growing table's case, costs only the value, whatever the length of the
// text (the count of lines is kept beside it). The table kept for reads
// (名前#i, 名前#i#j) follows when each line is one of its rows: the other
// rows read as they did, and the new line reads as it would anywhere. False,
// with nothing done, for anything else.
bool WriteLineInPlace(THashNode& var, int64_t index, const std::string& value) {
  if (value.find_first_of("\r\n") != std::string::npos) return false;
  std::string& text = var.Value;
  TTableCaches& kept = var.TableCaches();
  if (kept.LinesVersion != var.Version) {
    if (!ReadsBackAsLines(text, kept.LineCount, kept.LastLineStart)) {
      kept.LinesVersion = ~0ull;
      return false;
    }
  }
  const size_t line = static_cast<size_t>(index);
  size_t& count = kept.LineCount;
  size_t& lastStart = kept.LastLineStart;
  // As many rows as lines: no row spans a quoted line end. A last line
  // that lines will follow must not leave a quote open either.
  TCsvDbBase* table =
      TableCurrent(var) && static_cast<size_t>(kept.Parsed->RowCount()) == count ? kept.Parsed.get() : nullptr;
  TCsvCells row;
  if (table && line >= count && count > 0 && !ReadCsvRow(text.substr(lastStart) + "\r\n", row)) table = nullptr;
  if (line >= count) {
    // New lines: the empty ones in between, then the value.
    size_t separators = count == 0 ? line : line + 1 - count;
    text.reserve(text.size() + separators * 2 + value.size());
    for (size_t k = 0; k < separators; ++k) text += "\r\n";
    lastStart = text.size();
    text += value;
    count = line + 1;
  } else if (line + 1 == count) {
    text.replace(lastStart, text.size() - lastStart, value);
  } else {
    size_t start = 0;
    for (size_t k = 0; k < line; ++k) start = text.find('\n', start) + 1;
    size_t end = text.find('\r', start);
    text.replace(start, end - start, value);
    lastStart = lastStart + value.size() - (end - start);
  }
  ++var.Version;
  // An empty last line is no line of its own when the text is read again:
  // the count kept would be wrong, so it is counted afresh next time.
  kept.LinesVersion = lastStart < text.size() ? var.Version : ~0ull;
  if (table && lastStart < text.size() && ReadCsvRow(value + "\r\n", row)) {
    if (line >= table->Rows.size()) table->Rows.resize(line + 1);
    table->Rows[line] = std::move(row);
    kept.ParsedVersion = var.Version;
  }
  return true;
}

// 名前#列#行 は 値 the long way: the text read as a table, the cell set, the
// table written again. What every cell write must give.
void WriteCellAnew(THashNode& var, int row, int col, std::string value) {
  TTableCaches& kept = var.TableCaches();
  if (!TableCurrent(var)) kept.Parsed.reset();  // a lent table stays as lent
  ParsedTable(var);
  TCsvDbBase& table = *kept.Parsed;
  table.SetCell(row, col, std::move(value));
  var.SetValue(table.WriteCsv());
  // No longer what the text reads as; the next read parses the new text.
  kept.Parsed.reset();
  kept.CsvLayout.reset();
}

// The rows' starts of a text that writing its own table gives back exactly
// (the form every cell write leaves, unless a value it wrote reads back
// otherwise), or null for any other text. Finding out costs one parse and
// one writing, once per change the fast path did not make itself.
TCsvLayout* RowLayout(THashNode& var) {
  TTableCaches& kept = var.TableCaches();
  TCsvLayout* layout = kept.CsvLayout.get();
  if (layout && layout->Version == var.Version) return layout;
  const bool hadTable = TableCurrent(var);
  const TCsvDbBase& table = ParsedTable(var);
  if (!layout) {
    kept.CsvLayout = std::make_unique<TCsvLayout>();
    layout = kept.CsvLayout.get();
  }
  layout->Version = ~0ull;
  layout->RowStarts.clear();
  layout->Width = table.Width();
  layout->FullRows = 0;
  const std::string& text = var.Value;
  std::string line;
  size_t pos = 0;
  for (const TCsvCells& cells : table.Rows) {
    line.clear();
    AppendRowText(line, cells, layout->Width);
    if (text.compare(pos, line.size(), line) != 0) return nullptr;  // the table parsed stays for the long way
    layout->RowStarts.push_back(pos);
    pos += line.size();
    if (cells.Count() == layout->Width) ++layout->FullRows;
  }
  if (pos != text.size()) return nullptr;
  layout->RowStarts.push_back(pos);
  layout->Version = var.Version;
  // Kept only for reads: writes need no more than the rows they write.
  if (!hadTable) kept.Parsed.reset();
  return layout;
}

// 名前#列#行 は 値 by writing one row where it stands. When the text is what
// writing its table gives, and the column is inside the table's width, the
// long way changes that row's text alone (and adds absent rows and the row
// past the end): the rest of the text and the other rows' cells stay, so
// this costs the row, not the table. The rows' starts, the count of rows
// that make the width, and the parsed table (when it is kept for reads)
// follow the change; the new row is read back from the text it got, as the
// long way's next parse would. False, with nothing done, when the width
// would grow (every row changes then) or the text is in another form.
bool WriteCellInPlace(THashNode& var, int row, int col, const std::string& value) {
  TCsvLayout* layout = RowLayout(var);
  if (!layout || col >= layout->Width) return false;
  const int width = layout->Width;
  std::string& text = var.Value;
  std::vector<size_t>& starts = layout->RowStarts;
  const size_t rows = starts.size() - 1;
  const size_t at = static_cast<size_t>(row);
  TCsvDbBase* table = TableCurrent(var) ? var.Tables->Parsed.get() : nullptr;
  // Room for a full row in both readings: growing a vector cell by cell
  // cost more than the reading itself.
  TCsvCells cells, read;
  cells.Cells.reserve(width);
  read.Cells.reserve(width);
  if (at < rows) {
    if (table)
      cells = table->Rows[at];
    else if (!ReadCsvRow(std::string_view(text).substr(starts[at], starts[at + 1] - starts[at]), cells))
      return false;
  }
  const bool wasFull = at < rows && cells.Count() == width;
  cells.Set(col, value);
  std::string line;
  AppendRowText(line, cells, width);
  if (!ReadCsvRow(line, read)) return false;
  std::string again;
  AppendRowText(again, read, width);
  bool canonical = again == line;
  std::string gapLine;
  TCsvCells gap;
  if (at > rows) {
    AppendRowText(gapLine, gap, width);
    if (!ReadCsvRow(gapLine, gap)) return false;
    again.clear();
    AppendRowText(again, gap, width);
    canonical = canonical && again == gapLine;
  }
  const bool isFull = read.Count() == width;
  if (at < rows) {
    const size_t start = starts[at], oldSize = starts[at + 1] - start;
    text.replace(start, oldSize, line);
    if (line.size() != oldSize) {
      const size_t grown = line.size() - oldSize;  // wraps when shorter; the sums wrap back
      for (size_t k = at + 1; k <= rows; ++k) starts[k] += grown;
    }
    if (table) table->Rows[at] = std::move(read);
  } else {
    const size_t gaps = at - rows;
    const bool gapFull = gap.Count() == width;
    text.reserve(text.size() + gaps * gapLine.size() + line.size());
    starts.pop_back();
    for (size_t k = 0; k < gaps; ++k) {
      starts.push_back(text.size());
      text += gapLine;
    }
    starts.push_back(text.size());
    text += line;
    starts.push_back(text.size());
    if (gapFull) layout->FullRows += gaps;
    if (table) {
      table->Rows.resize(at, gap);
      table->Rows.push_back(std::move(read));
    }
  }
  layout->FullRows = layout->FullRows - (wasFull ? 1 : 0) + (isFull ? 1 : 0);
  ++var.Version;
  if (table) var.Tables->ParsedVersion = var.Version;
  // A row that writes back otherwise, or a width no row fills any more: the
  // long way would rewrite more than this row next time.
  layout->Version = canonical && layout->FullRows > 0 ? var.Version : ~0ull;
  return true;
}

// name#row or name#col#row with the keys still as text.
void AssignElement(TNokaBase& e, const std::string& name, std::string_view keys, std::string value) {
  THashNode* var = e.Words.Find(name);
  if (!var) var = CreateVariable(e, name);
  if (var->Reserved) RaiseError(e, msg::kReadOnly, {name});
  std::string keyText(keys);
  const char* p = keyText.c_str();
  int64_t first = IndexOf(e, p, true);
  bool two = false;
  int64_t second = -1;
  if (*p == '#') {
    ++p;
    second = IndexOf(e, p);
    two = second >= 0;
  }
  // As with 行挿入: a table that far out would only exhaust memory, and a
  // write that silently does nothing loses the value.
  constexpr int64_t kMaxIndex = 10'000'000;
  if (first > kMaxIndex || second > kMaxIndex)
    RaiseError(e, msg::kRangeError, {FormatInt(std::max(first, second)), "0", FormatInt(kMaxIndex)});
  if (first < 0) return;
  if (two) {
    const int row = static_cast<int>(second), col = static_cast<int>(first);
    if (e.Caches->PlansOff || !WriteCellInPlace(*var, row, col, value)) WriteCellAnew(*var, row, col, std::move(value));
    return;
  }
  if (WriteLineInPlace(*var, first, value)) return;
  std::vector<std::string> lines;
  for (auto l : SplitLines(var->Value)) lines.emplace_back(l);
  if (static_cast<int64_t>(lines.size()) <= first) lines.resize(first + 1);
  lines[first] = std::move(value);
  std::string joined;
  for (size_t k = 0; k < lines.size(); ++k) {
    if (k) joined += "\r\n";
    joined += lines[k];
  }
  var->SetValue(std::move(joined));
}

size_t FindHashOutsideLiteral(const std::string& s) {
  for (size_t i = 0; i < s.size(); i += CharLenAt(s, i)) {
    if (s[i] == '#') return i;
    if (s[i] == '"' || s[i] == '`') return std::string::npos;
  }
  return std::string::npos;
}

// The shape TryAppendInPlace looks for ("X & …" assigned to X), read from
// the text alone.
bool MayAppendInPlace(const std::string& name, const std::string& valueText) {
  if (valueText.size() <= name.size()) return false;
  const char* p = valueText.c_str();
  SkipBlanks(p);
  if (strncmp(p, name.c_str(), name.size()) != 0) return false;
  p += name.size();
  if (!IsWordDelimiter(static_cast<unsigned char>(*p))) return false;
  SkipBlanks(p);
  return *p == '&' && p[1] != '&';
}

// A word that is no word of the table but names a part's property
// (ボタン1のテキスト): the reading evaluates it to the property's value.
bool NamesProperty(TNokaBase& e, const std::string& word) {
  std::string property;
  return e.ObjectModel && SplitObjectProperty(e, word, property);
}

// X は X & … appends in place instead of copying X: building a long text
// line by line stays linear. Only pieces that cannot change X qualify
// (literals without calls in their {…}, variables, plain words); anything
// else goes the ordinary way.
bool TryAppendInPlace(TNokaBase& e, const std::string& name, const std::string& valueText) {
  if (!MayAppendInPlace(name, valueText)) return false;
  const char* p = valueText.c_str();
  SkipBlanks(p);
  p += name.size();
  THashNode* target = e.Words.Find(name);
  if (!target || target->Kind != kVariable || target->Reserved) return false;
  struct Piece {
    const char* start;
    const char* end;
    bool literal;
  };
  std::vector<Piece> pieces;
  for (;;) {
    SkipBlanks(p);
    if (*p == '\0') break;
    if (!(*p == '&' && p[1] != '&')) return false;
    ++p;
    SkipBlanks(p);
    if (*p == '"' || *p == '`') {
      const char* end = LiteralEnd(e, p);
      bool inBrace = false;
      for (const char* q = p; q < end; q += CharLenAt(q)) {
        if (*q == '{') inBrace = true;
        if (*q == '}') inBrace = false;
        if (inBrace && *q == '(') return false;
      }
      pieces.push_back({p, end, true});
      p = end;
      continue;
    }
    const char* start = p;
    std::string word = ReadWord(p);
    if (word.empty() || *p == '(' || *p == '#' || EndsWithChar(word, Kw().No)) return false;
    THashNode* w = e.Words.Find(word);
    if (w ? w->Kind != kVariable : (e.Words.Find(word, true) != nullptr || NamesProperty(e, word))) return false;
    pieces.push_back({start, p, false});
  }
  if (pieces.empty()) return false;
  std::string tail;
  for (const Piece& piece : pieces) {
    if (piece.literal) {
      tail += EvalStringLiteral(e, std::string_view(piece.start, piece.end - piece.start));
    } else {
      std::string word(piece.start, piece.end);
      THashNode* w = e.Words.Find(word);
      tail += w ? w->Value : word;
    }
  }
  target = e.Words.Find(name);  // embedded expressions may have created words
  if (!target || target->Kind != kVariable) return false;
  target->Value += tail;
  target->TypeTag = "s";
  ++target->Version;
  SetTag(e.CurrentType, "s");
  return true;
}


// The target of a planned assignment, looked up again only when the word
// table changed.
NOKARI_HOT THashNode* PlannedTarget(TNokaBase& e, const std::string& name, AssignTarget& target) {
  uint64_t generation = e.Words.Generation();
  if (target.Generation != generation || generation == 0) {
    target.Word = e.Words.FindRef(name);
    target.Generation = generation;
  }
  return target.Word.get();
}

// Reads pieces joined by "&" from p to the end of the value text: literals
// without a call in their {…}, and plain words. `leading`: the first piece
// stands without an "&" before it. False when the text holds anything
// else. A literal without its end stops the reading (kBroken); the run
// meets it where the reading would have.
// A join's piece at p that is an item or element alone (名前の(キー),
// 表#I#J) up to the next "&" or the end: its text and compiled form into
// the piece, p moved past it. False when the piece is anything else.
bool ReadTermPiece(const char*& p, JoinPiece& piece) {
  const char* q = p;
  while (*q && !(*q == '&' && q[1] != '&')) {
    if (*q == '&') return false;  // && : the reading's
    if (*q == '"' || *q == '`') {
      q = FindLiteralEnd(q);
      if (!q) return false;
    } else if (*q == '(') {
      int depth = 0;
      do {
        if (*q == '"' || *q == '`') {
          q = FindLiteralEnd(q);
          if (!q) return false;
          continue;
        }
        if (*q == '(') ++depth;
        if (*q == ')') --depth;
        ++q;
      } while (*q && depth > 0);
      if (depth > 0) return false;
    } else {
      q += CharLenAt(q);
    }
  }
  const char* end = q;
  while (end > p && (end[-1] == ' ' || end[-1] == '\t')) --end;
  piece.Word.assign(p, end);
  piece.Term = CompileArgument(piece.Word);
  if (ShapeOf(piece.Term) != kLoneItemShape) return false;
  piece.Kind = JoinPiece::kTerm;
  p = end;
  return true;
}

bool ReadJoinedPieces(TNokaBase& e, const char* base, const char* p, bool leading, std::vector<JoinPiece>& pieces,
                      bool terms = false) {
  pieces.clear();
  for (;;) {
    SkipBlanks(p);
    if (*p == '\0') break;
    if (!leading) {
      if (!(*p == '&' && p[1] != '&')) return false;
      ++p;
      SkipBlanks(p);
    }
    leading = false;
    JoinPiece piece;
    piece.Start = static_cast<uint32_t>(p - base);
    if (*p == '"' || *p == '`') {
      const char* end;
      try {
        end = LiteralEnd(e, p);
      } catch (ENoka&) {
        piece.Kind = JoinPiece::kBroken;
        pieces.push_back(std::move(piece));
        return true;
      }
      bool inBrace = false;
      for (const char* q = p; q < end; q += CharLenAt(q)) {
        if (*q == '{') inBrace = true;
        if (*q == '}') inBrace = false;
        if (inBrace && *q == '(') return false;
      }
      piece.Kind = JoinPiece::kLiteral;
      piece.End = static_cast<uint32_t>(end - base);
      pieces.push_back(std::move(piece));
      p = end;
      continue;
    }
    const char* wordStart = p;
    piece.Word = ReadWord(p);
    if (piece.Word.empty() || *p == '(' || *p == '#' || EndsWithChar(piece.Word, Kw().No)) {
      p = wordStart;
      if (!terms || !ReadTermPiece(p, piece)) return false;
    }
    piece.End = static_cast<uint32_t>(p - base);
    pieces.push_back(std::move(piece));
  }
  return !pieces.empty();
}

// The kept readings of a join's double-quoted literals, so that a run
// appends their texts without looking them up by their text.
void KeepLiteralReadings(TNokaBase& e, const char* base, std::vector<JoinPiece>& pieces) {
  for (JoinPiece& piece : pieces) {
    const std::string_view lit(base + piece.Start, piece.End - piece.Start);
    if (piece.Kind != JoinPiece::kLiteral || lit[0] != '"' || lit.size() > kLiteralCacheLimit) continue;
    piece.Literal = KeptLiteralReading(e, lit);
    if (piece.Literal->Unterminated) {
      piece.Literal.reset();  // its error is EvalStringLiteral's
      continue;
    }
    for (const LiteralReading::Piece& part : piece.Literal->Pieces) piece.LiteralRuns |= part.Expression;
  }
}

// A literal piece's text appended to `out`, as EvalStringLiteral gives it.
void AppendLiteralPiece(TNokaBase& e, const char* base, const JoinPiece& piece, std::string& out) {
  if (!piece.Literal) {
    out += EvalStringLiteral(e, std::string_view(base + piece.Start, piece.End - piece.Start));
  } else if (piece.LiteralRuns) {
    // Held: its expressions may run statements that retire this plan.
    const std::shared_ptr<LiteralReading> reading = piece.Literal;
    AppendLiteralReading(e, *reading, out);
  } else {
    AppendLiteralReading(e, *piece.Literal, out);
  }
}

// Reads the pieces after "X &" once, as TryAppendInPlace does on every run:
// false when the text itself rules appending out.
bool ReadAppendPieces(TNokaBase& e, const std::string& name, const std::string& valueText,
                      std::vector<JoinPiece>& pieces) {
  const char* base = valueText.c_str();
  const char* p = base;
  SkipBlanks(p);
  if (!ReadJoinedPieces(e, base, p + name.size(), false, pieces)) return false;
  KeepLiteralReadings(e, base, pieces);
  return true;
}

// A plain word piece's word now (kept while the table's generation holds).
THashNode* PieceWord(TNokaBase& e, JoinPiece& piece) {
  uint64_t generation = e.Words.Generation();
  if (piece.Generation != generation || generation == 0) {
    piece.Node = e.Words.FindRef(piece.Word);
    piece.Folds = !piece.Node && e.Words.Find(piece.Word, true) != nullptr;
    piece.Generation = generation;
  }
  return piece.Node.get();
}

// A value of two or more pieces joined with "&" (Aは、B&「、」&C), or one
// literal with {…} expressions in it (「{I}番」), read once; empty when the
// value is anything else. Words that start with a digit are numbers to the
// reading, and a literal without its end is left to the reading to report.
std::vector<JoinPiece> ReadJoin(TNokaBase& e, const std::string& valueText) {
  std::vector<JoinPiece> pieces;
  const char* base = valueText.c_str();
  const char* p = base;
  SkipBlanks(p);
  if (!ReadJoinedPieces(e, base, p, true, pieces, true) || pieces.empty()) return {};
  if (pieces.size() == 1 && (pieces[0].Kind != JoinPiece::kLiteral || valueText.find('{') == std::string::npos))
    return {};  // a word alone, or a literal its compiled form answers
  for (JoinPiece& piece : pieces)
    if (piece.Kind == JoinPiece::kBroken || (piece.Kind == JoinPiece::kWord && IsDigit(piece.Word[0]))) return {};
  KeepLiteralReadings(e, base, pieces);
  if (pieces.size() == 1 && !pieces[0].LiteralRuns) return {};
  return pieces;
}

// A planned join (or a literal alone), evaluated piece by piece in order as
// EvalArgReading joins them: a literal's text, a variable's value where it
// stands, an item or element on its compiled form; a word that is no plain
// variable at that moment (a command, a label, a dictionary, an object's
// property, no word at all), or an item the compiled form cannot decide,
// is evaluated as the reading evaluates it, from its place in the text.
std::string EvalJoinPlanned(TNokaBase& e, const std::string& valueText, std::vector<JoinPiece>& pieces) {
  const char* base = valueText.c_str();
  std::string value;
  for (JoinPiece& piece : pieces) {
    const char* at = base + piece.Start;
    if (piece.Kind == JoinPiece::kTerm) {
      if (!IsCurrent(piece.Term)) piece.Term = CompileArgument(piece.Word);
      std::string v;
      bool decided;
      {
        NestGuard guard(e);  // as EvalTerm counts each term
        decided = TryEvalArgFast(e, piece.Term, v);
      }
      value += decided ? v : EvalTerm(e, at);
      continue;
    }
    const THashNode* w = piece.Kind == JoinPiece::kWord ? PieceWord(e, piece) : nullptr;
    if (piece.Kind == JoinPiece::kWord && !(w && w->Kind == kVariable)) {
      value += EvalTerm(e, at);
      continue;
    }
    NestGuard guard(e);  // as EvalTerm counts each term
    if (w)
      value += w->Value;
    else
      AppendLiteralPiece(e, base, piece, value);
  }
  SetTag(e.CurrentType, "s");
  // Whatever ran on the way may have left a number that is not this value's.
  e.LastNumberValid = false;
  return value;
}

// A planned assignment's value: a bracket call runs from its plan and a
// join from its pieces (both read once); anything else is evaluated from
// its compiled form or read.
std::string EvalPlannedValue(TNokaBase& e, const std::string& valueText, const CompiledRef& compiled,
                             PlannedValue& planned) {
  if (planned.Read < 0) {
    planned.Call = ReadBracketCall(valueText);
    if (!planned.Call) planned.Join = ReadJoin(e, valueText);
    planned.Read = 1;
  }
  std::string value;
  if (planned.Call && CallBracketedPlanned(e, *planned.Call, value)) return value;
  if (!planned.Join.empty()) return EvalJoinPlanned(e, valueText, planned.Join);
  return EvalArg(e, valueText, compiled);
}

// TryAppendInPlace for a planned assignment: the same checks in the same
// order and the same evaluation, with the text read once.
bool TryAppendPlanned(TNokaBase& e, const std::string& name, const std::string& valueText, AssignTarget& target) {
  if (target.AppendRead < 0) target.AppendRead = ReadAppendPieces(e, name, valueText, target.AppendPieces) ? 1 : 0;
  if (target.AppendRead == 0) return false;
  THashNode* var = PlannedTarget(e, name, target);
  if (!var || var->Kind != kVariable || var->Reserved) return false;
  const char* base = valueText.c_str();
  for (JoinPiece& piece : target.AppendPieces) {
    if (piece.Kind == JoinPiece::kBroken) {
      LiteralEnd(e, base + piece.Start);  // raises as the reading does
      return false;
    }
    if (piece.Kind != JoinPiece::kWord) continue;
    THashNode* w = PieceWord(e, piece);
    if (w ? w->Kind != kVariable : (piece.Folds || NamesProperty(e, piece.Word))) return false;
  }
  std::string tail;
  for (JoinPiece& piece : target.AppendPieces) {
    if (piece.Kind == JoinPiece::kLiteral) {
      AppendLiteralPiece(e, base, piece, tail);
    } else {
      THashNode* w = PieceWord(e, piece);
      tail += w ? w->Value : piece.Word;
    }
  }
  var = PlannedTarget(e, name, target);  // embedded expressions may have created words
  if (!var || var->Kind != kVariable) return false;
  var->Value += tail;
  var->TypeTag = "s";
  ++var->Version;
  SetTag(e.CurrentType, "s");
  return true;
}

// A planned "変数は、算術" whose value is a plain number: written straight
// into the variable's text, with the number kept beside it.
NOKARI_HOT bool AssignNumberInPlace(TNokaBase& e, const std::string& name, AssignTarget& target) {
  int64_t whole;
  if (TryEvalArgWhole(e, target.Value, whole)) {
    THashNode* word = PlannedTarget(e, name, target);
    if (!word || word->Kind != kVariable || word->Reserved) return false;
    FormatIntInto(word->Value, whole);
    ++word->Version;
    if (!(word->TypeTag.size() == 1 && word->TypeTag[0] == 'e')) word->TypeTag = "e";
    KeepWholeOf(*word, whole);
    SetTag(e.CurrentType, "e");
    return true;
  }
  long double x;
  if (!TryEvalArgNumber(e, target.Value, x)) return false;
  THashNode* word = PlannedTarget(e, name, target);
  if (!word || word->Kind != kVariable || word->Reserved) return false;
  FormatNumberInto(word->Value, x);
  ++word->Version;
  if (!(word->TypeTag.size() == 1 && word->TypeTag[0] == 'e')) word->TypeTag = "e";
  if (IsWholeNumber(x)) KeepNumberOf(*word, x);
  SetTag(e.CurrentType, "e");
  return true;
}


// A planned "変数は、変数": the text, type and number copied across.
bool CopyVariableInPlace(TNokaBase& e, const std::string& name, AssignTarget& target) {
  THashNode* source = LoneVariable(e, target.Value);
  if (!source) return false;
  THashNode* word = PlannedTarget(e, name, target);
  if (!word || word->Kind != kVariable || word->Reserved) return false;
  if (word != source) {
    word->Value = source->Value;
    SetTag(word->TypeTag, source->TypeTag);
  }
  ++word->Version;
  if (source->NumVersion == source->Version - (word == source ? 1 : 0)) {
    word->Num = source->Num;
    word->NumWhole = source->NumWhole;
    word->NumIsWhole = source->NumIsWhole;
    word->NumTextPlain = source->NumTextPlain;
    word->NumVersion = word->Version;
  }
  SetTag(e.CurrentType, word->TypeTag);
  return true;
}

// A planned "変数は、定数" (a number or a text written as it stands): the
// literal's text written over the variable's, its room reused.
bool AssignLiteralInPlace(TNokaBase& e, const std::string& name, AssignTarget& target) {
  THashNode* word = PlannedTarget(e, name, target);
  if (!word || word->Kind != kVariable || word->Reserved) return false;
  bool isNumber;
  const std::string& text = LiteralOf(target.Value, isNumber);
  static const std::string numberTag = "e", textTag = "s";
  const std::string& tag = isNumber ? numberTag : textTag;
  e.LastNumberValid = false;
  word->SetValue(text, tag);
  SetTag(e.CurrentType, tag);
  return true;
}

// Names the built-in commands whose name loses its okurigana to become
// `folded` (全角 is 全角か folded): a name that only looks free.
std::string FoldHint(const std::string& folded) {
  std::string names;
  for (const RegistryRow& row : RegistryTable()) {
    if (row.Kind != RowKind::Command) continue;
    std::string name = Sj(row.Name);
    if (name == folded || StripOkurigana(name) != folded) continue;
    if (!names.empty()) names += Sj("、");
    names += name;
  }
  return names.empty() ? std::string() : FormatMessage(Sj(msg::kFoldsOntoCommand), {names});
}

}  // namespace

// The error raised already, its line (and the log's last line) extended by
// a hint that says where it came from.
void AppendHint(TNokaBase& e, const ENoka& err, std::string_view hint) {
  std::string line = err.Message;
  if (e.ErrorLog.size() >= line.size() + 2 &&
      std::string_view(e.ErrorLog).substr(e.ErrorLog.size() - line.size() - 2) == line + "\r\n")
    e.ErrorLog.insert(e.ErrorLog.size() - 2, hint);
  line += hint;
  throw ENoka(std::move(line));
}

namespace {

// A planned assignment's fast ways (appending in place, arithmetic on the
// variable's number, a copy of another variable); false when none applies.
// Kept apart from the general way below, whose frame is a large one to set
// up for the loop counters and running totals that never need it.
NOKARI_HOT bool AssignPlannedFast(TNokaBase& e, const std::string& name, const std::string& valueText, AssignTarget& target) {
  // Planned names come from a plain word: never an element access.
  if (target.MayAppend < 0) target.MayAppend = MayAppendInPlace(name, valueText) ? 1 : 0;
  if (target.MayAppend && TryAppendPlanned(e, name, valueText, target)) return true;
  if (!IsCurrent(target.Value)) {
    target.Value = CompileArgument(valueText);
    target.Shape = ShapeOf(target.Value);
  }
  if (target.Shape == kArithmeticShape) return AssignNumberInPlace(e, name, target);
  if (target.Shape == kLoneVariableShape) return CopyVariableInPlace(e, name, target);
  if (target.Shape == kLiteralShape) return AssignLiteralInPlace(e, name, target);
  return false;
}

[[gnu::noinline]] void AssignGeneral(TNokaBase& e, const std::string& name, const std::string& valueText,
                                     AssignTarget* target);

}  // namespace

NOKARI_HOT void AssignStatement(TNokaBase& e, const std::string& name, const std::string& valueText, AssignTarget* target) {
  if (target ? AssignPlannedFast(e, name, valueText, *target) : TryAppendInPlace(e, name, valueText)) return;
  AssignGeneral(e, name, valueText, target);
}

void AssignElementPlanned(TNokaBase& e, const std::string& name, const std::string& keys,
                          const std::string& valueText, AssignTarget& target) {
  // In the reading's order: the variable is made as the statement is read,
  // before its value.
  if (!e.Words.Find(name)) CreateVariable(e, name);
  if (!IsCurrent(target.Value)) target.Value = CompileArgument(valueText);
  e.LastNumberValid = false;
  std::string value = EvalPlannedValue(e, valueText, target.Value, target.Planned);
  e.LastNumberValid = false;
  AssignElement(e, name, keys, std::move(value));
}

namespace {


void AssignGeneral(TNokaBase& e, const std::string& name, const std::string& valueText, AssignTarget* target) {
  e.LastNumberValid = false;
  std::string value = target ? EvalPlannedValue(e, valueText, target->Value, target->Planned) : EvalArg(e, valueText);
  std::string type = e.CurrentType;
  bool hasNumber = e.LastNumberValid && type == "e";
  long double number = e.LastNumber;
  e.LastNumberValid = false;
  THashNode* word;
  if (target) {
    word = PlannedTarget(e, name, *target);
  } else {
    size_t hash = FindHashOutsideLiteral(name);
    if (hash != std::string::npos && hash > 0) {
      AssignElement(e, name.substr(0, hash), std::string_view(name).substr(hash + 1), std::move(value));
      return;
    }
    word = e.Words.Find(name);
  }
  if (!word) {
    word = CreateVariable(e, name);
    StoreValue(e, *word, std::move(value), type);
    return;
  }
  switch (word->Kind) {
    case kCommand:
    case kCommandAlias:
      if (word->Name == Kw().WorkFolder) {
        e.ArgStack.Push(QuoteAsLiteral(value) + Sj("へ"));
        Dispatch(e, *word, name);
        return;
      }
      RaiseErrorText(e, FormatMessage(Sj(msg::kReservedAssign), {name, Sj(msg::kSystemCommand)}) +
                            FoldHint(word->Name));
    case kVariable:
      // 終了不可能 is registered read-only, yet a close handler must be able
      // to set it to keep the program open.
      if (word->Reserved && word != e.NoExitVar.get()) RaiseError(e, msg::kReadOnly, {name});
      StoreValue(e, *word, std::move(value), type);
      if (hasNumber) KeepNumberOf(*word, number);
      return;
    case kDictionary:
      StoreValue(e, *word, std::move(value), type);
      return;
    case kObject:
      if (e.ObjectModel)
        e.ObjectModel->AssignObject(e, *word, value);
      else
        word->SetValue(std::move(value));
      return;
    default:
      RaiseErrorText(e, FormatMessage(Sj(msg::kBadSyntax), {name}) + Sj(msg::kCannotAssign));
  }
}

// Stores a dictionary item with the type of the value just evaluated: a
// text made for it (moved in), or a variable's own (copied, the item's
// old room reused).
template <class Text>
void StoreItem(TNokaBase& e, THashNode& owner, const std::string& key, Text&& value) {
  if (THashNode* node = owner.Table->Find(key)) {
    node->SetValue(std::forward<Text>(value));
    SetTag(node->TypeTag, e.CurrentType);
  } else {
    auto item = std::make_shared<THashNode>(key, std::string(std::forward<Text>(value)), e.RunStack.Count(), false);
    item->TypeTag = e.CurrentType;
    owner.Table->AddNew(std::move(item));  // looked for just above
  }
  ++owner.Version;
}

}  // namespace

THashNode* SplitObjectProperty(TNokaBase& e, std::string_view word, std::string& property) {
  if (!e.ObjectModel) return nullptr;
  const std::string& no = Kw().No;
  for (size_t i = 0; i + no.size() < word.size(); i += CharLenAt(word, i)) {
    if (i == 0 || word.compare(i, no.size(), no) != 0) continue;
    THashNode* owner = e.Words.Find(word.substr(0, i));
    if (!owner) continue;
    THashNode* object = owner;
    if (owner->Kind == kVariable) object = e.Words.Find(owner->Value);
    if (!object || object->Kind != kObject) continue;
    std::string_view rest = word.substr(i + no.size());
    if (!e.ObjectModel->IsProperty(rest)) continue;
    property.assign(rest);
    return owner;
  }
  return nullptr;
}

void AssignItem(TNokaBase& e, const std::string& item, const std::string& valueText) {
  std::string ownerPhrase = e.ArgStack.PopLast();
  const Keywords& kw = Kw();
  if (!EndsWithChar(ownerPhrase, kw.No)) {
    // 「N は、5」: the は came apart from its name, which became a phrase.
    if (item.empty() && e.ArgStack.Count() == 0) {
      std::string text = FormatMessage(Sj(msg::kBadObjectAssign), {ownerPhrase, item});
      text += FormatMessage(Sj(msg::kSpaceBeforeHaHint), {ownerPhrase});
      RaiseErrorText(e, text);
    }
    RaiseError(e, msg::kBadObjectAssign, {ownerPhrase, item});
  }
  std::string ownerName = ownerPhrase.substr(0, ownerPhrase.size() - kw.No.size());
  if (ownerName.empty()) RaiseError(e, msg::kBadObjectAssign, {ownerPhrase, item});
  THashNode* owner = e.Words.Find(ownerName);
  if (!owner) {
    std::string evaluated = EvalArg(e, ownerName);
    owner = e.Words.Find(evaluated);
    if (!owner) {
      auto dict = std::make_shared<THashNode>();
      dict->Name = ownerName;
      dict->Kind = kDictionary;
      dict->Table = std::make_unique<THash>();
      dict->Value = dict->TypeTag = Sj(msg::kHashValue);
      dict->Level = e.RunStack.Count();
      e.Words.Add(dict);
      owner = e.Words.Find(ownerName);
    }
  } else if (owner->Kind == kVariable && !HoldsSeveralLines(owner->Value)) {
    // A variable may name the dictionary or object meant (対象は、「辞書A」).
    // A value of several lines is the key=value lines themselves: no name
    // spans lines, and evaluating them as an expression at every write cost
    // their whole length (a tally of 1,000 keys: 38 µs a write) and failed
    // on data that reads as a broken expression.
    // Its value is first taken as the name, as a read takes it: evaluated,
    // a dictionary's name gave the dictionary's pairs, which name nothing,
    // and the write went into the variable beside the name it held.
    THashNode* direct = e.Words.Find(owner->Value);
    if (direct && direct != owner && direct->Kind != kVariable) {
      owner = direct;
    } else {
      std::string named;
      try {
        named = EvalArg(e, owner->Value);
      } catch (ENoka& err) {
        if (e.StopFlag) throw;
        AppendHint(e, err, FormatMessage(Sj(msg::kWhileEvaluatingContent), {owner->Name}));
      }
      if (THashNode* target = e.Words.Find(named)) owner = target;
    }
  }
  // The key and the value may run functions that delete the owner or make
  // it something else: it is held, and checked again once they are known.
  const WordRef held = e.Words.FindRef(owner->Name);
  std::string trimmed = valueText;
  while (!trimmed.empty() && static_cast<unsigned char>(trimmed.back()) <= ' ') trimmed.pop_back();
  if (owner->Kind == kVariable) {
    std::string key = EvalArg(e, item);
    std::string value = EvalArg(e, trimmed);
    if (owner->Kind != kVariable) RaiseError(e, msg::kCannotAssignTo, {owner->Name});
    if (!e.Caches->PlansOff && WriteKeyLineInPlace(*owner, key, value)) return;
    std::string out;
    bool replaced = false;
    for (auto line : SplitLines(owner->Value)) {
      size_t eq = line.find('=');
      std::string_view k = eq == std::string_view::npos ? line : line.substr(0, eq);
      if (!replaced && EqualsNoCase(k, key)) {
        replaced = true;
        if (value.empty()) continue;
        out += key + "=" + value + "\r\n";
        continue;
      }
      out.append(line);
      out += "\r\n";
    }
    if (!replaced && !value.empty()) out += key + "=" + value + "\r\n";
    if (out.size() >= 2) out.resize(out.size() - 2);
    owner->SetValue(std::move(out));
    return;
  }
  if (owner->Kind == kDictionary) {
    if (!owner->Table) owner->Table = std::make_unique<THash>();
    std::string key = EvalArg(e, item);
    std::string value = EvalArg(e, trimmed);
    if (!(owner->Kind == kDictionary && owner->Table)) RaiseError(e, msg::kCannotAssignTo, {owner->Name});
    StoreItem(e, *owner, key, std::move(value));
    return;
  }
  if (owner->Kind == kObject && e.ObjectModel) {
    e.ObjectModel->AssignProperty(e, *owner, item, trimmed);
    return;
  }
  RaiseError(e, msg::kCannotAssignTo, {owner->Name});
}

NOKARI_HOT void AssignItemPlanned(TNokaBase& e, const std::vector<std::string>& ownerPhrases, const std::string& item,
                       const std::string& valueText, ItemTarget& target) {
  // The plain case: one phrase 辞書の naming a dictionary directly.
  if (target.PlainOwner < 0) {
    const std::string& no = Kw().No;
    target.PlainOwner = ownerPhrases.size() == 1 && EndsWithChar(ownerPhrases[0], no) ? 1 : 0;
    if (target.PlainOwner) target.OwnerName = ownerPhrases[0].substr(0, ownerPhrases[0].size() - no.size());
  }
  if (target.PlainOwner) {
    uint64_t generation = e.Words.Generation();
    if (target.Generation != generation || generation == 0) {
      target.Owner = e.Words.FindRef(target.OwnerName);
      target.Generation = generation;
    }
    THashNode* owner = target.Owner.get();
    bool trailing = !valueText.empty() && static_cast<unsigned char>(valueText.back()) <= ' ';
    if (owner && owner->Kind == kDictionary && owner->Table && !trailing) {
      if (!IsCurrent(target.Key)) target.Key = CompileArgument(item);
      // A key written (N) is N's text when that is what evaluating it gives.
      const THashNode* keyVariable = BracketedWholeVariable(e, target.Key);
      std::string key = keyVariable ? keyVariable->Value : EvalArg(e, item, target.Key);
      if (!IsCurrent(target.Value)) target.Value = CompileArgument(valueText);
      // A variable's value (途中の(N)は、それ) is copied from where it
      // stands, with what EvalArg would have left (its type, its number).
      if (THashNode* source = LoneVariableValue(e, target.Value)) {
        if (!(owner->Kind == kDictionary && owner->Table)) RaiseError(e, msg::kCannotAssignTo, {owner->Name});
        StoreItem(e, *owner, key, static_cast<const std::string&>(source->Value));
        return;
      }
      std::string value = EvalPlannedValue(e, valueText, target.Value, target.Planned);
      // The evaluations may have changed the owner; it was checked before.
      if (!(owner->Kind == kDictionary && owner->Table)) RaiseError(e, msg::kCannotAssignTo, {owner->Name});
      StoreItem(e, *owner, key, std::move(value));
      return;
    }
  }
  auto& items = e.ArgStack.Items;
  items.insert(items.end(), ownerPhrases.begin(), ownerPhrases.end());
  AssignItem(e, item, valueText);
}

}  // namespace nokari
