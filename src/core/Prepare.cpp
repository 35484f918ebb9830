#include "core/Prepare.h"

#include <array>
#include <stdexcept>
#include <string>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "core/Engine.h"
#include "core/Errors.h"
#include "core/Messages.h"

namespace nokari {
namespace {

// Folding of double-byte characters outside strings, indexed by the CP932
// code. Built once from readable UTF-8 pairs.
class FoldTable {
 public:
  FoldTable() {
    static const char* const pairs[][2] = {
        {"！", "!"}, {"＃", "#"}, {"＄", "$"}, {"％", "%"}, {"＆", "&"}, {"（", "("},
        {"）", ")"}, {"＝", "="}, {"－", "-"}, {"＾", "^"}, {"～", "~"}, {"｜", "|"},
        {"｛", "{"}, {"｝", "}"}, {"＠", "@"}, {"；", ";"}, {"：", ":"}, {"＋", "+"},
        {"＊", "*"}, {"／", "/"}, {"？", "?"}, {"＿", "_"}, {"＜", "<"}, {"＞", ">"},
        {"，", ","}, {"．", "."}, {"”", "\""}, {"’", "'"}, {"※", "'"}, {"‘", "`"},
        {"￥", "\\"}, {"×", "*"}, {"÷", "/"}, {"≠", "<>"}, {"≦", "<="}, {"≧", ">="},
        {"　", " "}, {"、", ","}, {"。", ";"}, {"「", "\""}, {"」", "\""}, {"『", "`"},
        {"』", "`"}, {"〜", "~"}, {"−", "-"},
    };
    for (auto& p : pairs) Set(p[0], p[1]);
    static const char* const fullAlnum[] = {
        "ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ",
        "ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ", "０１２３４５６７８９"};
    static const char* const halfAlnum[] = {"abcdefghijklmnopqrstuvwxyz",
                                            "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "0123456789"};
    for (int k = 0; k < 3; ++k) {
      std::string full = FromUtf8(fullAlnum[k], false);  // converted once: in one call
      for (size_t i = 0; i + 1 < full.size(); i += 2) {
        store_.push_back(std::string(1, halfAlnum[k][i / 2]));
        Put(full[i], full[i + 1]);
      }
    }
  }
  const char* Get(unsigned char hi, unsigned char lo) const {
    if (hi < kFirstLead || hi > kLastLead) return nullptr;
    size_t k = table_[Code(hi, lo)];
    return k ? store_[k - 1].c_str() : nullptr;
  }

 private:
  // Every folded character has lead byte 0x81 or 0x82 (symbols, full-width
  // letters and digits): two rows of 256 instead of a 128 KB table that
  // every run would clear and fault in.
  static constexpr unsigned char kFirstLead = 0x81, kLastLead = 0x82;
  static size_t Code(unsigned char hi, unsigned char lo) { return ((hi - kFirstLead) << 8) | lo; }
  void Put(unsigned char hi, unsigned char lo) {
    if (hi < kFirstLead || hi > kLastLead) throw std::logic_error("fold table: lead byte out of range");
    table_[Code(hi, lo)] = store_.size();
  }
  void Set(const char* from, const char* to) {
    std::string sj = FromUtf8(from, false);
    if (sj.size() != 2) return;
    store_.push_back(to);
    Put(sj[0], sj[1]);
  }
  std::array<uint16_t, (kLastLead - kFirstLead + 1) * 256> table_{};
  std::vector<std::string> store_;
};

const FoldTable& Folds() {
  static const FoldTable t;
  return t;
}

// One character of the input: its raw bytes and its folded form.
struct Char {
  std::string_view raw;
  std::string_view folded;
};

Char ReadChar(std::string_view s, size_t i) {
  size_t len = CharLenAt(s, i);
  Char c{s.substr(i, len), s.substr(i, len)};
  unsigned char b = s[i];
  if (len == 2) {
    if (const char* f = Folds().Get(b, s[i + 1])) c.folded = f;
  } else if (b == 0xA2 || b == 0xA3) {  // half-width ｢ ｣
    c.folded = "\"";
  } else if (b == 0) {
    c.folded = " ";  // a NUL byte would end the prepared text early
  }
  return c;
}

// Up to 20 bytes of the input after `pos`, cut on a character boundary: a
// lead byte that ends the input without its second byte is left out (it
// would take the message's closing quote as its second byte).
std::string Excerpt(std::string_view s, size_t pos) {
  size_t end = pos;
  while (end < s.size()) {
    size_t len = CharLenAt(s, end);
    if (end + len - pos > 20 || (len == 1 && IsLeadByte(static_cast<unsigned char>(s[end])))) break;
    end += len;
  }
  return std::string(s.substr(pos, end - pos));
}

[[noreturn]] void RaiseAtLine(TNokaBase& e, int32_t line, const char* m, const std::string& excerpt) {
  e.Cursor.Reset();
  e.LineNo = line;
  RaiseErrorAtLine(e, line, FormatMessage(Sj(m), {excerpt}));
}

}  // namespace

const char* FoldedChar(unsigned char hi, unsigned char lo) { return Folds().Get(hi, lo); }

bool IsOpeningCorner(std::string_view raw) {
  return raw == "\x81\x75" || (raw.size() == 1 && static_cast<unsigned char>(raw[0]) == 0xA2);
}
bool YenEscapes(std::string_view text, size_t next) {
  static const std::string escaped[] = {"n", "t", "\\", Sj("ｎ"), Sj("ｔ"), Sj("￥")};
  if (next >= text.size()) return false;
  const std::string_view ch = text.substr(next, CharLenAt(text, next));
  for (const std::string& e : escaped)
    if (ch == e) return true;
  return false;
}

bool IsClosingCorner(std::string_view raw) {
  return raw == "\x81\x76" || (raw.size() == 1 && static_cast<unsigned char>(raw[0]) == 0xA3);
}

std::string Prepare(TNokaBase& e, std::string_view s) {
  std::string out;
  out.reserve(s.size() + s.size() / 8 + 16);
  bool inDq = false, inBq = false, inBlock = false, inLine = false;
  bool openedByCorner = false;  // the text in "…" began with 「
  int corners = 0;              // 「 inside it not yet closed
  int32_t line = 1;
  size_t openPos = 0;
  int32_t openLine = 1;
  size_t i = 0;
  while (i < s.size()) {
    Char c = ReadChar(s, i);
    i += c.raw.size();
    const bool inString = inDq || inBq;
    const bool inComment = inBlock || inLine;
    const char f = c.folded.size() == 1 ? c.folded[0] : '\0';
    if (f == '\r' || f == '\n') {
      if (f == '\r' && i < s.size() && s[i] == '\n') ++i;
      out += "\r\n";
      if (!inString) {
        out += std::to_string(line);
        out += ':';
      }
      ++line;
      inLine = false;
      continue;
    }
    if (f == '"' && !inComment && !inBq) {
      if (inDq && openedByCorner && (IsOpeningCorner(c.raw) || (corners > 0 && IsClosingCorner(c.raw)))) {
        corners += IsOpeningCorner(c.raw) ? 1 : -1;
        out.append(c.raw);
        continue;
      }
      if (inDq && openedByCorner && !IsClosingCorner(c.raw)) {
        // Only 」 ends a text 「 began: a quote inside is a quote
        // (「"{A}","{B}"」 builds a CSV line), written escaped.
        out += '\\';
        out.append(c.raw);
        continue;
      }
      inDq = !inDq;
      openedByCorner = inDq && IsOpeningCorner(c.raw);
      corners = 0;
      out += '"';
      openPos = i;
      openLine = line;
      continue;
    }
    if (f == '\'' && !inString && !inComment) {
      inLine = true;
      continue;
    }
    if (f == '/' && !inString && !inComment && i < s.size()) {
      Char next = ReadChar(s, i);
      if (next.folded == "/") {
        i += next.raw.size();
        inLine = true;
        continue;
      }
    }
    if (f == '\\' && !(inDq && c.raw.size() == 2 && !YenEscapes(s, i))) {
      if (inComment) continue;
      if (inDq) {
        out.append(c.raw);
        if (i < s.size()) {
          size_t len = CharLenAt(s, i);
          out.append(s.substr(i, len));
          i += len;
        }
        continue;
      }
    }
    if (f == '`' && !inComment && !inDq) {
      if (i < s.size() && ReadChar(s, i).folded == "`") {
        i += ReadChar(s, i).raw.size();
        out += "``";
        continue;
      }
      inBq = !inBq;
      out += '`';
      openPos = i;
      openLine = line;
      continue;
    }
    if ((f == '{' || f == '}') && !inString && !inLine) {
      if (f == '{' && !inBlock) {
        inBlock = true;
        openPos = i;
        openLine = line;
      } else if (f == '}') {
        inBlock = false;
      }
      continue;
    }
    if (inComment) continue;
    if (f == '!' && !inString && i < s.size() && ReadChar(s, i).folded == "=") {
      // != is not-equal, as <> and ≠ are (read as the word N! before = it
      // compared that word's text with the right side).
      i += ReadChar(s, i).raw.size();
      out += "<>";
      continue;
    }
    if (inString) {
      out.append(c.raw);
    } else {
      out.append(c.folded);
    }
  }
  if (inBlock) RaiseAtLine(e, openLine, msg::kUnbalancedComment, Excerpt(s, openPos));
  if (inDq) RaiseAtLine(e, openLine, msg::kUnbalancedString, Excerpt(s, openPos));
  if (inBq) RaiseAtLine(e, openLine, msg::kUnbalancedBackquote, Excerpt(s, openPos));
  return out;
}

namespace {

// The line number of the prepared text at `pos`: one past the marker after
// the line end before it, which numbers the line that ended there (the
// first line has none).
int32_t PreparedLineAt(const std::string& s, size_t pos) {
  const size_t lineEnd = s.rfind('\n', pos);
  if (lineEnd == std::string::npos) return 1;
  int32_t line = 0;
  for (size_t k = lineEnd + 1; k < s.size() && s[k] >= '0' && s[k] <= '9'; ++k) line = line * 10 + (s[k] - '0');
  return line + 1;
}

// -debug: "*名前" with only blanks after it (a comment removed leaves
// them too) is no label, and the call to it fails far from here.
void WarnBlankAfterLabel(TNokaBase& e, const std::string& s, size_t after, const std::string& name) {
  size_t k = after;
  while (k < s.size() && (s[k] == ' ' || s[k] == '\t')) ++k;
  if (k == after || (k < s.size() && s[k] != '\r' && s[k] != '\n')) return;
  WarnAtLine(e, PreparedLineAt(s, after), msg::kBlankAfterLabel, {name});
}

}  // namespace

void CollectLabels(TNokaBase& e, const TextBuf& text, const std::string& fileName, bool redefine) {
  const std::string& s = *text;
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == '"' || c == '`') {  // skip literals whole
      size_t j = i + 1;
      while (j < s.size()) {
        if (c == '"' && s[j] == '\\') {
          j += 1 + (j + 1 < s.size() ? CharLenAt(s, j + 1) : 0);
          continue;
        }
        if (s[j] == c) {
          if (c == '`' && j + 1 < s.size() && s[j + 1] == '`') {
            j += 2;
            continue;
          }
          break;
        }
        j += CharLenAt(s, j);
      }
      i = j + 1;
      continue;
    }
    if (c != '*') {
      i += CharLenAt(s, i);
      continue;
    }
    if (i + 1 < s.size() && s[i + 1] == '*') {
      i += 2;
      continue;
    }
    // The "*" must start a line, possibly indented.
    size_t k = i;
    while (k > 0 && (s[k - 1] == ' ' || s[k - 1] == '\t')) --k;
    bool startsLine = k == 0 || s[k - 1] == '\t' || s[k - 1] == '\r' || s[k - 1] == '\n';
    if (!startsLine && s[k - 1] == ':') {
      // ":" counts only as the end of a line marker: digits back to a line end.
      size_t d = k - 1;
      while (d > 0 && s[d - 1] >= '0' && s[d - 1] <= '9') --d;
      startsLine = d < k - 1 && d > 0 && (s[d - 1] == '\n' || s[d - 1] == '\r');
    }
    ++i;
    if (!startsLine) continue;
    const char* p = s.c_str() + i;
    const char* nameStart = p;
    // Word rules of the engine, without skipping leading blanks.
    while (*p && !IsWordDelimiter(static_cast<unsigned char>(*p))) p += CharLenAt(p);
    std::string name(nameStart, p);
    i = p - s.c_str();
    if (name.empty()) continue;
    if (!(*p == '\0' || *p == '\r' || *p == '\n')) {
      if (e.DebugMode) WarnBlankAfterLabel(e, s, i, name);
      continue;
    }
    if (THashNode* old = e.Words.Find(name)) {
      if (redefine && old->Kind == kLabel) {
        // The same word, moved to its new body: whatever refers to the
        // label (a declared function's arguments) stays with it.
        old->TypeTag = fileName;
        old->Ref = TextPos(text, p);
        continue;
      }
      e.Cursor = TextPos(text, p);
      RaiseError(e, msg::kLabelDefinedTwice, {name});
    }
    auto word = std::make_shared<THashNode>();
    word->Name = name;
    word->Kind = kLabel;
    word->Level = 0;
    word->Reserved = true;
    word->TypeTag = fileName;
    word->Ref = TextPos(text, p);
    e.Words.Add(word);
  }
}

}  // namespace nokari
