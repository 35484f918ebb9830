#include "lib/dialog/DialogText.h"

#include <cctype>
#include <cstdlib>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "core/Scan.h"
#include "lib/japanese/Convert.h"
#include "lib/text/TextCore.h"
#include "parts/PartValues.h"

namespace nokari::dialog {
namespace {

bool IsDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string Lowered(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string CutMessage(std::string_view text) {
  if (text.size() <= kMessageBytes) return std::string(text);
  size_t end = 0;
  while (end < text.size()) {
    size_t len = CharLenAt(text, end);
    if (end + len > kMessageBytes) break;
    end += len;
  }
  return std::string(text.substr(0, end)) + "...";
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  for (std::string_view line : nokari::SplitLines(text)) lines.emplace_back(line);
  return lines;
}

std::vector<std::string> SplitChoices(std::string_view text) {
  // Walked by characters: 0x7C ("|") is also the second byte of some
  // double-byte characters, which are no bars.
  std::string lines;
  lines.reserve(text.size());
  const std::string& wideBar = Sj("｜");
  for (size_t i = 0; i < text.size();) {
    size_t len = CharLenAt(text, i);
    if (text.substr(i, len) == wideBar || (len == 1 && text[i] == '|'))
      lines += "\r\n";
    else
      lines.append(text.substr(i, len));
    i += len;
  }
  return SplitLines(lines);
}

std::vector<std::string> SplitButtonChoices(std::string_view text) { return SplitLines(text::TrimBlanks(text)); }

std::string BuildFilter(std::string_view arg) {
  if (arg.find('|') != std::string_view::npos) return std::string(arg);
  std::string ext(arg);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  return ext + Sj(" 形式(*.") + ext + ")|*." + ext + Sj("|全て(*.*)|*.*");
}

std::string DefaultExtension(std::string_view filter) {
  size_t bar = filter.find('|');
  if (bar == std::string_view::npos) return std::string();
  std::string_view second = filter.substr(bar + 1);
  second = second.substr(0, second.find('|'));
  if (!second.empty() && second[0] == '*') second.remove_prefix(1);
  if (!second.empty() && second[0] == '.') second.remove_prefix(1);
  return std::string(second);
}

std::vector<FileFilter> ParseFilter(std::string_view filter) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t bar = filter.find('|', start);
    fields.emplace_back(filter.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  std::vector<FileFilter> out;
  for (size_t i = 0; i < fields.size(); i += 2) {
    if (fields[i].empty() && (i + 1 >= fields.size() || fields[i + 1].empty())) continue;
    out.push_back({fields[i], i + 1 < fields.size() ? fields[i + 1] : std::string("*.*")});
  }
  return out;
}

std::string WithDefaultExtension(const std::string& name, const std::string& ext) {
  if (name.empty() || ext.empty() || ext.find_first_of("*?") != std::string::npos) return name;
  size_t slash = name.find_last_of('/');
  std::string leaf = slash == std::string::npos ? name : name.substr(slash + 1);
  if (leaf.empty() || leaf.find('.') != std::string::npos) return name;
  return name + "." + ext;
}

std::string FontResult(const FontChoice& font) {
  std::string styles;
  if (font.Bold) styles += Sj("太字");
  if (font.Italic) styles += Sj("傾斜");
  if (font.Underline) styles += Sj("下線");
  std::string out = font.Face;
  if (!styles.empty()) out += "|" + styles;
  if (font.Points > 0) out += (styles.empty() ? "||" : "|") + std::to_string(font.Points);
  return out;
}

std::optional<FontChoice> ReadFontAnswer(std::string_view answer) {
  PartFont read = parts::ReadFontSpec(answer, 0);
  if (read.Face.empty()) return std::nullopt;
  return FontChoice{read.Face, read.Points, read.Bold, read.Italic, read.Underline};
}

int64_t ColorNumber(uint32_t rgb) {
  return static_cast<int64_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

uint32_t RgbOfColorNumber(int64_t number) {
  uint32_t n = static_cast<uint32_t>(number) & 0xFFFFFF;
  return ((n & 0xFF) << 16) | (n & 0xFF00) | ((n >> 16) & 0xFF);
}

std::optional<uint32_t> ReadColorAnswer(std::string_view answer) {
  std::string a = text::TrimBlanks(answer);
  if (a.size() == 7 && a[0] == '#') {
    for (size_t i = 1; i < 7; ++i)
      if (!isxdigit(static_cast<unsigned char>(a[i]))) return std::nullopt;
    return static_cast<uint32_t>(strtoul(a.c_str() + 1, nullptr, 16));
  }
  if (!IsDigits(a) || a.size() > 8) return std::nullopt;
  int64_t n = strtoll(a.c_str(), nullptr, 10);
  if (n > 0xFFFFFF) return std::nullopt;
  return RgbOfColorNumber(n);
}

std::optional<std::string> PickChoice(const std::string& answer, const std::vector<std::string>& choices,
                                      bool editable) {
  if (answer.empty()) return answer;
  for (const std::string& c : choices)
    if (c == answer) return c;
  if (IsDigits(answer) && answer.size() < 10) {
    size_t n = std::stoul(answer);
    if (n >= 1 && n <= choices.size()) return choices[n - 1];
  }
  if (editable) return answer;
  return std::nullopt;
}

std::optional<int> ReadYesNoAnswer(const std::string& answer, bool withCancel) {
  // Full-width letters and digits read as their ASCII forms: a ｙ typed
  // with the input method on means y.
  std::string trimmed = text::TrimBlanks(AlnumHalfWidth(answer));
  // Lowered only for the ASCII words: the second bytes of double-byte
  // characters include letters.
  std::string a = Lowered(trimmed);
  if (trimmed == Sj("はい") || a == "y" || a == "yes" || a == "1") return 1;
  if (trimmed == Sj("いいえ") || a == "n" || a == "no" || a == "0") return 0;
  if (withCancel && (trimmed == Sj("キャンセル") || a == "c" || a == "cancel" || a == "2")) return 2;
  return std::nullopt;
}

std::vector<std::string> SplitFileAnswer(const std::string& answer) {
  std::vector<std::string> files;
  size_t start = 0;
  for (;;) {
    size_t bar = answer.find('|', start);
    std::string one = text::TrimBlanks(answer.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (!one.empty()) files.push_back(one);
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return files;
}

}  // namespace nokari::dialog
