#include "parts/PartValues.h"

#include <cctype>

#include "core/Cp932.h"
#include "core/Engine.h"
#include "core/Errors.h"
#include "core/Scan.h"
#include "lib/japanese/Convert.h"
#include "lib/text/TextCore.h"
#include "parts/Messages.h"

namespace nokari::parts {

int NumberOf(std::string_view text) { return ToInt32(ToNumber(text)); }

int IntOr(std::string_view text, int d) {
  int64_t n = IntDefault(text, d);
  return n < INT32_MIN || n > INT32_MAX ? d : static_cast<int>(n);
}

namespace {

// One byte of "#RRGGBB": the pair at `at` read as hexadecimal (a shorter
// rest as far as it goes); a pair that is not hexadecimal reads as 0.
ColorRef HexPair(std::string_view text, size_t at) {
  if (at >= text.size()) return 0;
  std::string_view pair = text.substr(at, 2);
  ColorRef v = 0;
  for (char c : pair) {
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return 0;
    v = v << 4 | static_cast<ColorRef>(digit);
  }
  return v;
}

}  // namespace

ColorRef ColourOf(std::string_view text, int64_t d) {
  if (!text.empty() && text[0] == '#') return HexPair(text, 1) | HexPair(text, 3) << 8 | HexPair(text, 5) << 16;
  return static_cast<ColorRef>(IntDefault(text, d));
}

namespace {

// Whether ColourOf reads the text as written: nothing (the default), "#"
// and up to six hexadecimal digits, or a whole number.
bool ReadsAsColour(std::string_view text) {
  if (text.empty()) return true;
  if (text[0] == '#') {
    std::string_view digits = text.substr(1);
    if (digits.empty() || digits.size() > 6) return false;
    for (char c : digits)
      if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
  }
  return IntDefault(text, 0) == IntDefault(text, 1);  // the default only when it is no number
}

}  // namespace

ColorRef ColourOf(TNokaBase& e, std::string_view text, int64_t d) {
  ColorRef colour = ColourOf(text, d);
  if (e.DebugMode && !ReadsAsColour(text) && FirstDebugWarning(e))
    Warn(e, msg::kColourUnread, {text, FormatInt(static_cast<int32_t>(colour))});
  return colour;
}

bool FlagOf(std::string_view text) { return IntDefault(text, 0) != 0; }

std::vector<std::string> SplitItems(std::string_view text) {
  std::vector<std::string> items;
  for (std::string_view line : SplitLines(text)) items.emplace_back(line);
  return items;
}

std::string JoinItems(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) {
    out += item;
    out += "\r\n";
  }
  return out;
}

namespace {

// Splits an argument list at the commas that stand outside literals and
// brackets.
std::vector<std::string> SplitArguments(std::string_view text) {
  std::vector<std::string> parts;
  std::string current;
  int depth = 0;
  for (size_t i = 0; i < text.size();) {
    char c = text[i];
    if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
      current.append(text.substr(i, 2));
      i += 2;
      continue;
    }
    if (c == '"' || c == '`') {
      size_t end = text.find(c, i + 1);
      if (end == std::string_view::npos) end = text.size() - 1;
      current.append(text.substr(i, end - i + 1));
      i = end + 1;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (c == ',' && depth == 0) {
      parts.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
    ++i;
  }
  parts.push_back(std::move(current));
  return parts;
}

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

std::optional<std::vector<int>> ReadCoordinates(TNokaBase& e, std::string_view text, size_t count) {
  std::string_view inside = TrimSpaces(text);
  if (inside.size() >= 2 && inside.front() == '`' && inside.back() == '`') inside = inside.substr(1, inside.size() - 2);
  inside = TrimSpaces(inside);
  // "(x,y)" with nothing after the bracket: its inside.
  if (!inside.empty() && inside.front() == '(' && inside.back() == ')') {
    int depth = 0;
    size_t close = 0;
    for (size_t i = 0; i < inside.size(); ++i) {
      if (inside[i] == '(') ++depth;
      if (inside[i] == ')' && --depth == 0) {
        close = i;
        break;
      }
    }
    if (close == inside.size() - 1) inside = inside.substr(1, inside.size() - 2);
  }
  if (TrimSpaces(inside).empty()) return std::nullopt;
  std::vector<std::string> args = SplitArguments(inside);
  if (args.size() > 4) RaiseError(e, msg::kCoordinateTooMany, {text});
  if (args.size() != count) return std::nullopt;
  std::vector<int> values;
  for (const std::string& arg : args) {
    std::string_view a = TrimSpaces(arg);
    if (a.empty()) return std::nullopt;
    values.push_back(NumberOf(EvaluateText(e, std::string(a))));
  }
  return values;
}

std::string PointText(int x, int y) { return "(" + FormatInt(x) + "," + FormatInt(y) + ")"; }

std::string RectText(int x1, int y1, int x2, int y2) {
  return "(" + FormatInt(x1) + "," + FormatInt(y1) + "," + FormatInt(x2) + "," + FormatInt(y2) + ")";
}

namespace {

// The fields of a font text, split at the first two "|" or "｜".
std::vector<std::string> FontFields(std::string_view spec) {
  std::vector<std::string> fields(1);
  const std::string bar = Sj("｜");
  for (size_t i = 0; i < spec.size();) {
    bool isBar = spec[i] == '|' || spec.substr(i, bar.size()) == bar;
    if (isBar && fields.size() < 3) {
      fields.emplace_back();
      i += spec[i] == '|' ? 1 : bar.size();
      continue;
    }
    size_t len = IsLeadByte(static_cast<unsigned char>(spec[i])) && i + 1 < spec.size() ? 2 : 1;
    fields.back().append(spec.substr(i, len));
    i += len;
  }
  return fields;
}

bool HasWord(const std::string& field, const char* utf8) { return field.find(Sj(utf8)) != std::string::npos; }

}  // namespace

PartFont ReadFontSpec(std::string_view spec, int defaultPoints) {
  std::vector<std::string> fields = FontFields(spec);
  PartFont font;
  font.Face = text::TrimBlanks(fields[0]);
  if (fields.size() > 1) {
    const std::string& style = fields[1];
    font.Bold = HasWord(style, "太字") || HasWord(style, "ボールド");
    font.Italic = HasWord(style, "傾斜") || HasWord(style, "イタリック") || HasWord(style, "斜体");
    font.Underline = HasWord(style, "下線") || HasWord(style, "罫線") || HasWord(style, "アンダーライン");
  }
  int points = fields.size() > 2 ? NumberOf(fields[2]) : 0;
  font.Points = points > 0 ? points : defaultPoints;
  return font;
}

namespace {

// A face name as faces are compared: full-width, upper case, without
// spaces ("ＭＳゴシック" finds "ＭＳ ゴシック", "ipagothic" "IPAGothic").
std::string FaceKey(std::string_view face) {
  std::string wide = text::ToUpperText(ToFullWidth(face));
  const std::string space = Sj("　");
  std::string key;
  for (size_t i = 0; i < wide.size();) {
    size_t len = CharLenAt(wide, i);
    std::string_view c(wide.data() + i, len);
    if (c != " " && c != space) key.append(c);
    i += len;
  }
  return key;
}

}  // namespace

std::string InstalledFace(std::string_view face, const std::vector<std::string>& installed) {
  std::string key = FaceKey(face);
  if (!key.empty())
    for (const std::string& name : installed)
      if (FaceKey(name) == key) return name;
  return Sj(kFallbackFace);
}

std::string Evaluated(Part& part, const std::string& raw) { return EvaluateText(part.E, raw); }

std::string KindNameOf(const Part& part) { return Sj(KindInfo(static_cast<PartKind>(part.Node.Kind)).Name); }

void RaiseUndefinedProperty(Part& part, Prop p) {
  RaiseError(part.E, msg::kPropertyUndefined, {part.Node.Name, KindNameOf(part), Sj(PropName(p))});
}

void RaiseSettingUndefined(Part& part) { RaiseError(part.E, msg::kSettingUndefined, {part.Node.Name}); }

}  // namespace nokari::parts
