#include "parts/specific/Rtf.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>

#include "core/Cp932.h"
#include "core/Encoding.h"

namespace nokari::parts {
namespace {

// --- writing ----------------------------------------------------------------

// Faces named in Japanese, or the common Japanese faces named in ASCII,
// get the Japanese character set, so a reader picks a font with kanji.
bool IsJapaneseFace(std::string_view face) {
  if (std::any_of(face.begin(), face.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
    return true;
  std::string lower;
  for (char c : face) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* known : {"ms gothic", "ms pgothic", "ms mincho", "ms pmincho", "ms ui gothic", "meiryo",
                            "yu gothic", "yu mincho", "ipa", "takao", "vl gothic", "noto sans cjk",
                            "noto serif cjk", "source han"})
    if (lower.find(known) != std::string::npos) return true;
  return false;
}

void AppendHexByte(std::string& out, unsigned char b) {
  static const char kHex[] = "0123456789abcdef";
  out += "\\'";
  out += kHex[b >> 4];
  out += kHex[b & 15];
}

// Text as RTF: the syntax characters escaped, every byte above 0x7F as
// \'xx, line ends as \par (CR LF, CR and LF alike), tabs as \tab.
void AppendEscaped(std::string& out, std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (CharLenAt(text, i) == 2) {
      AppendHexByte(out, c);
      AppendHexByte(out, static_cast<unsigned char>(text[++i]));
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\\par\r\n";
    } else if (c == '\t') {
      out += "\\tab ";
    } else if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x80 || c < 0x20) {
      AppendHexByte(out, c);
    } else {
      out += static_cast<char>(c);
    }
  }
}

size_t IndexIn(std::vector<std::string>& list, const std::string& item) {
  auto at = std::find(list.begin(), list.end(), item);
  if (at != list.end()) return at - list.begin();
  list.push_back(item);
  return list.size() - 1;
}

size_t IndexIn(std::vector<ColorRef>& list, ColorRef item) {
  auto at = std::find(list.begin(), list.end(), item);
  if (at != list.end()) return at - list.begin();
  list.push_back(item);
  return list.size() - 1;
}

}  // namespace

std::string WriteRtf(const std::vector<TextRun>& runs) {
  std::vector<std::string> faces;
  std::vector<ColorRef> colours;
  // Readers decode \'xx by the font's character set, whatever the code
  // page says: a face that shows Japanese text anywhere gets the Japanese
  // set (ASCII reads the same in both).
  std::vector<bool> japanese;
  for (const TextRun& run : runs) {
    size_t f = IndexIn(faces, run.Font.Face);
    japanese.resize(faces.size());
    bool wide = std::any_of(run.Text.begin(), run.Text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    japanese[f] = japanese[f] || wide || IsJapaneseFace(faces[f]);
    IndexIn(colours, run.Color & 0xFFFFFF);
  }
  if (faces.empty()) faces.emplace_back();
  japanese.resize(faces.size());

  std::string out = "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1041\r\n{\\fonttbl";
  for (size_t i = 0; i < faces.size(); ++i) {
    out += "{\\f" + std::to_string(i) + "\\fnil\\fcharset" + (japanese[i] || IsJapaneseFace(faces[i]) ? "128 " : "0 ");
    AppendEscaped(out, faces[i]);
    out += ";}";
  }
  // Entry 0 stays the reader's automatic colour; ours start at 1.
  out += "}\r\n{\\colortbl ;";
  for (ColorRef c : colours)
    out += "\\red" + std::to_string(c & 0xFF) + "\\green" + std::to_string((c >> 8) & 0xFF) + "\\blue" +
           std::to_string((c >> 16) & 0xFF) + ";";
  out += "}\r\n";
  for (const TextRun& run : runs) {
    out += "{\\f" + std::to_string(IndexIn(faces, run.Font.Face));
    out += "\\fs" + std::to_string(std::clamp(run.Font.Points, 1, 1638) * 2);
    out += "\\cf" + std::to_string(IndexIn(colours, run.Color & 0xFFFFFF) + 1);
    if (run.Font.Bold) out += "\\b";
    if (run.Font.Italic) out += "\\i";
    if (run.Font.Underline) out += "\\ul";
    if (run.Font.StrikeOut) out += "\\strike";
    out += ' ';
    AppendEscaped(out, run.Text);
    out += "}";
  }
  out += "}\r\n";
  return out;
}

// --- reading ----------------------------------------------------------------

namespace {

// Groups deeper than this are read as if their braces were not there: the
// reader's memory stays bounded whatever the input.
constexpr size_t kMaxDepth = 200;

enum class Destination { Text, Skip, FontTable, ColourTable };

struct GroupState {
  Destination Dest = Destination::Text;
  int FontId = 0;
  int HalfPoints = 24;
  bool Bold = false, Italic = false, Underline = false, Strike = false;
  int Colour = 0;
  int UnicodeSkip = 1;  // \ucN: fallback characters after each \uN
};

struct FontEntry {
  std::string Face;
  bool Japanese = false;
};

// Destinations whose text is never document text.
bool IsSkippedDestination(std::string_view word) {
  for (const char* skipped : {"stylesheet", "info", "pict", "object", "header", "footer", "headerl", "headerr",
                              "headerf", "footerl", "footerr", "footerf", "footnote", "fldinst", "themedata",
                              "listtable", "listoverridetable", "rsidtbl", "generator", "xmlnstbl",
                              "latentstyles", "datastore", "colorschememapping", "filetbl", "revtbl", "bkmkstart",
                              "bkmkend", "annotation", "atnid", "atnauthor", "comment", "nonshppict", "shppict"})
    if (word == skipped) return true;
  return false;
}

class RtfReader {
 public:
  explicit RtfReader(std::string_view rtf) : in_(rtf) {}

  std::vector<TextRun> Read() {
    stack_.push_back(GroupState{});
    while (pos_ < in_.size()) {
      char c = in_[pos_++];
      if (c == '{') {
        Open();
      } else if (c == '}') {
        if (!Close()) break;  // the outermost group ended: the rest is no document
      } else if (c == '\\') {
        ControlSymbolOrWord();
      } else if (c == '\r' || c == '\n') {
        // Line breaks of the file itself mean nothing.
      } else {
        Byte(static_cast<unsigned char>(c));
      }
    }
    FlushPendingBytes();
    return std::move(runs_);
  }

 private:
  GroupState& State() { return stack_.back(); }

  void Open() {
    if (stack_.size() >= kMaxDepth) {
      ++flattened_;
      return;
    }
    FlushPendingBytes();
    stack_.push_back(State());
    if (State().Dest == Destination::FontTable) pendingFace_.clear();
    // "{\*\dest ...}": a destination this reader may not know; skipped
    // unless it is one it reads.
    if (pos_ + 1 < in_.size() && in_[pos_] == '\\' && in_[pos_ + 1] == '*') {
      pos_ += 2;
      State().Dest = Destination::Skip;
    }
  }

  // False when the outermost group closed.
  bool Close() {
    if (flattened_ > 0) {
      --flattened_;
      return true;
    }
    FlushPendingBytes();
    if (State().Dest == Destination::FontTable) CommitFace();
    if (stack_.size() <= 1) return false;
    stack_.pop_back();
    return stack_.size() > 1;
  }

  void ControlSymbolOrWord() {
    if (pos_ >= in_.size()) return;  // a lone backslash at the end
    char c = in_[pos_];
    if (std::isalpha(static_cast<unsigned char>(c))) {
      ControlWord();
      return;
    }
    ++pos_;
    switch (c) {
      case '\\': case '{': case '}':
        Byte(static_cast<unsigned char>(c));
        break;
      case '\'':
        HexByte();
        break;
      case '~':
        Byte(' ');
        break;
      case '\r': case '\n':  // "\" before a line break is a paragraph
        Paragraph();
        break;
      case '_':
        Byte('-');
        break;
      default:  // \- \| \: and others: nothing to show
        break;
    }
  }

  void HexByte() {
    int value = 0, digits = 0;
    while (digits < 2 && pos_ < in_.size() && std::isxdigit(static_cast<unsigned char>(in_[pos_]))) {
      char h = static_cast<char>(std::tolower(static_cast<unsigned char>(in_[pos_++])));
      value = value * 16 + (h <= '9' ? h - '0' : h - 'a' + 10);
      ++digits;
    }
    if (digits < 2) return;  // cut off: nothing to add
    if (skipFallback_ > 0) {
      --skipFallback_;
      return;
    }
    EncodedByte(static_cast<unsigned char>(value));
  }

  void ControlWord() {
    size_t start = pos_;
    while (pos_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[pos_])) && pos_ - start < 32) ++pos_;
    std::string_view word = in_.substr(start, pos_ - start);
    std::optional<long> param;
    bool negative = pos_ < in_.size() && in_[pos_] == '-';
    size_t digitsAt = pos_ + (negative ? 1 : 0);
    if (digitsAt < in_.size() && std::isdigit(static_cast<unsigned char>(in_[digitsAt]))) {
      pos_ = digitsAt;
      long n = 0;
      while (pos_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[pos_]))) {
        if (n < 100000000) n = n * 10 + (in_[pos_] - '0');
        ++pos_;
      }
      param = negative ? -n : n;
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;  // the delimiting blank belongs to the word
    Apply(word, param);
  }

  void Apply(std::string_view word, std::optional<long> param) {
    GroupState& s = State();
    bool on = !param || *param != 0;
    if (word == "u") {
      if (param) Unicode(*param < 0 ? *param + 65536 : *param);
      skipFallback_ = s.UnicodeSkip;
      return;
    }
    // A fallback character may be a control symbol; words end it.
    skipFallback_ = 0;
    if (word == "fonttbl") {
      s.Dest = Destination::FontTable;
      pendingFace_.clear();
    } else if (word == "colortbl") {
      s.Dest = Destination::ColourTable;
      red_ = green_ = blue_ = 0;
      haveComponent_ = false;
    } else if (IsSkippedDestination(word)) {
      s.Dest = Destination::Skip;
    } else if (word == "ansicpg") {
      if (param) codePage_ = static_cast<int>(*param);
    } else if (word == "uc") {
      if (param) s.UnicodeSkip = static_cast<int>(std::clamp(*param, 0L, 8L));
    } else if (s.Dest == Destination::FontTable) {
      if (word == "f" && param) {
        CommitFace();
        fontId_ = static_cast<int>(*param);
      } else if (word == "fcharset" && param) {
        charset_ = static_cast<int>(*param);
      }
    } else if (s.Dest == Destination::ColourTable) {
      int v = param ? static_cast<int>(std::clamp(*param, 0L, 255L)) : 0;
      if (word == "red") red_ = v, haveComponent_ = true;
      if (word == "green") green_ = v, haveComponent_ = true;
      if (word == "blue") blue_ = v, haveComponent_ = true;
    } else if (s.Dest == Destination::Text) {
      TextWord(s, word, param, on);
    }
  }

  void TextWord(GroupState& s, std::string_view word, std::optional<long> param, bool on) {
    if (word == "par" || word == "line") {
      Paragraph();
    } else if (word == "tab") {
      Byte('\t');
    } else if (word == "plain") {
      int skip = s.UnicodeSkip;
      s = GroupState{};
      s.UnicodeSkip = skip;
    } else if (word == "b") {
      s.Bold = on;
    } else if (word == "i") {
      s.Italic = on;
    } else if (word == "ul") {
      s.Underline = on;
    } else if (word == "ulnone") {
      s.Underline = false;
    } else if (word == "strike") {
      s.Strike = on;
    } else if (word == "f" && param) {
      s.FontId = static_cast<int>(*param);
    } else if (word == "fs" && param) {
      s.HalfPoints = static_cast<int>(std::clamp(*param, 1L, 3276L));
    } else if (word == "cf" && param) {
      s.Colour = static_cast<int>(std::max(*param, 0L));
    } else if (word == "emdash" || word == "endash") {
      Unicode(word == "emdash" ? 0x2014 : 0x2013);
    } else if (word == "lquote" || word == "rquote") {
      Unicode(word == "lquote" ? 0x2018 : 0x2019);
    } else if (word == "ldblquote" || word == "rdblquote") {
      Unicode(word == "ldblquote" ? 0x201C : 0x201D);
    } else if (word == "bullet") {
      Unicode(0x2022);
    }
  }

  void Paragraph() {
    if (State().Dest != Destination::Text) return;
    FlushPendingBytes();
    Byte('\r');
    Byte('\n');
  }

  // A byte of text as the file has it.
  void Byte(unsigned char b) {
    if (skipFallback_ > 0) {
      --skipFallback_;
      return;
    }
    GroupState& s = State();
    if (s.Dest == Destination::FontTable) {
      if (b == ';')
        CommitFace();
      else
        pendingFace_ += static_cast<char>(b);
      return;
    }
    if (s.Dest == Destination::ColourTable) {
      if (b == ';') CommitColour();
      return;
    }
    if (s.Dest != Destination::Text) return;
    // A raw second byte after an escaped lead byte completes the character.
    if (b >= 0x80 || (!pending_.empty() && b >= 0x40)) {
      EncodedByte(b);
      return;
    }
    FlushPendingBytes();
    Append(std::string(1, static_cast<char>(b)));
  }

  // A byte in the document's code page (\'xx, or raw above 0x7F).
  void EncodedByte(unsigned char b) {
    GroupState& s = State();
    if (s.Dest == Destination::FontTable) {
      pendingFace_ += static_cast<char>(b);
      return;
    }
    if (s.Dest != Destination::Text) return;
    if (!IsCp932Text()) {
      FlushPendingBytes();
      Unicode(Windows1252(b));
      return;
    }
    // A double-byte character comes as two escapes: keep a lead byte until
    // its second arrives, so a run never splits a character.
    pending_ += static_cast<char>(b);
    if (pending_.size() == 1 && CharLenAt(pending_, 0) == 2) return;
    FlushPendingBytes();
  }

  void FlushPendingBytes() {
    if (pending_.empty()) return;
    std::string bytes = std::move(pending_);
    pending_.clear();
    Append(bytes);
  }

  void Unicode(long code) {
    if (code <= 0 || code > 0x10FFFF) return;
    FlushPendingBytes();
    GroupState& s = State();
    std::string utf8;
    if (code < 0x80) {
      utf8 += static_cast<char>(code);
    } else if (code < 0x800) {
      utf8 += static_cast<char>(0xC0 | (code >> 6));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (code >> 12));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (code >> 18));
      utf8 += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
    if (s.Dest == Destination::FontTable)
      pendingFace_ += FromUtf8(utf8);
    else if (s.Dest == Destination::Text)
      Append(FromUtf8(utf8));
  }

  static long Windows1252(unsigned char b) {
    static const uint16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                       0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    return b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b;
  }

  bool IsCp932Text() const {
    if (codePage_ == 932) return true;
    auto font = std::find_if(fonts_.begin(), fonts_.end(),
                             [&](const std::pair<int, FontEntry>& f) { return f.first == stack_.back().FontId; });
    return font != fonts_.end() && font->second.Japanese;
  }

  void CommitFace() {
    std::string face = pendingFace_;
    pendingFace_.clear();
    while (!face.empty() && face.back() == ' ') face.pop_back();
    while (!face.empty() && face.front() == ' ') face.erase(0, 1);
    if (fontId_ < 0 || face.empty()) return;
    fonts_.emplace_back(fontId_, FontEntry{face, charset_ == 128});
    fontId_ = -1;
    charset_ = 0;
  }

  void CommitColour() {
    colours_.push_back(haveComponent_ ? static_cast<ColorRef>(red_ | (green_ << 8) | (blue_ << 16)) : 0);
    red_ = green_ = blue_ = 0;
    haveComponent_ = false;
  }

  TextRun Look() const {
    const GroupState& s = stack_.back();
    TextRun run;
    for (const auto& [id, font] : fonts_)
      if (id == s.FontId) {
        run.Font.Face = font.Face;
        break;
      }
    run.Font.Points = (s.HalfPoints + 1) / 2;
    run.Font.Bold = s.Bold;
    run.Font.Italic = s.Italic;
    run.Font.Underline = s.Underline;
    run.Font.StrikeOut = s.Strike;
    // Entry 0 of the table (or none) is the automatic colour: black.
    if (s.Colour > 0 && static_cast<size_t>(s.Colour) < colours_.size()) run.Color = colours_[s.Colour];
    return run;
  }

  void Append(const std::string& text) {
    TextRun look = Look();
    if (!runs_.empty() && runs_.back().Font == look.Font && runs_.back().Color == look.Color) {
      runs_.back().Text += text;
      return;
    }
    look.Text = text;
    runs_.push_back(std::move(look));
  }

  std::string_view in_;
  size_t pos_ = 0;
  std::vector<GroupState> stack_;
  size_t flattened_ = 0;  // braces opened beyond kMaxDepth, not yet closed
  int skipFallback_ = 0;
  int codePage_ = 0;
  std::string pending_;  // a lead byte waiting for its second
  std::vector<std::pair<int, FontEntry>> fonts_;
  std::string pendingFace_;
  int fontId_ = -1, charset_ = 0;
  std::vector<ColorRef> colours_;
  int red_ = 0, green_ = 0, blue_ = 0;
  bool haveComponent_ = false;
  std::vector<TextRun> runs_;
};

}  // namespace

std::vector<TextRun> ReadRtf(std::string_view rtf) { return RtfReader(rtf).Read(); }

bool LooksLikeRtf(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
  return text.substr(i, 5) == "{\\rtf";
}

std::string PlainText(const std::vector<TextRun>& runs) {
  std::string text;
  for (const TextRun& run : runs) text += run.Text;
  return text;
}

}  // namespace nokari::parts
