#include "parts/specific/EditorIni.h"

#include <algorithm>
#include <cctype>

#include "words/Contract.h"

namespace nokari::parts {
namespace {

bool IsNumber(std::string_view text) {
  std::string_view t = text;
  if (!t.empty() && (t.front() == '-' || t.front() == '$')) t.remove_prefix(1);
  return !t.empty() && std::all_of(t.begin(), t.end(), [&](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || (text.front() == '$' && std::isxdigit(static_cast<unsigned char>(c)));
  });
}

const std::string* Find(const IniPairs& entries, std::string_view key) {
  for (const auto& [k, v] : entries) {
    if (k.size() != key.size()) continue;
    if (std::equal(k.begin(), k.end(), key.begin(), [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
      return &v;
  }
  return nullptr;
}

void ReadInt(const IniPairs& entries, const char* key, int& into, int lo, int hi) {
  const std::string* v = Find(entries, key);
  if (v && IsNumber(*v)) into = static_cast<int>(std::clamp<int64_t>(ToInt64(ToNumber(*v)), lo, hi));
}

void ReadFlag(const IniPairs& entries, const char* key, bool& into) {
  const std::string* v = Find(entries, key);
  if (v && IsNumber(*v)) into = ToInt64(ToNumber(*v)) != 0;
}

void ReadColour(const IniPairs& entries, const char* key, ColorRef& into) {
  const std::string* v = Find(entries, key);
  if (v && IsNumber(*v)) into = static_cast<ColorRef>(std::clamp<int64_t>(ToInt64(ToNumber(*v)), 0, 0xFFFFFF));
}

}  // namespace

IniPairs EditorSettingsEntries(const EditorSettings& s) {
  return {
      {"nokaFontName", s.Face},
      {"nokaFontSize", std::to_string(s.Points)},
      {"nokaTabWidth", std::to_string(s.TabWidth)},
      {"nokaWordWrap", s.WordWrap ? "1" : "0"},
      {"nokaLineNumbers", s.LineNumbers ? "1" : "0"},
      {"nokaTextColor", std::to_string(s.TextColor)},
      {"nokaBackColor", std::to_string(s.BackColor)},
      {"nokaStringColor", std::to_string(s.StringColor)},
      {"nokaCommentColor", std::to_string(s.CommentColor)},
  };
}

EditorSettings EditorSettingsFrom(const IniPairs& entries, EditorSettings s) {
  if (const std::string* face = Find(entries, "nokaFontName")) s.Face = *face;
  ReadInt(entries, "nokaFontSize", s.Points, 1, 200);
  ReadInt(entries, "nokaTabWidth", s.TabWidth, 1, 32);
  ReadFlag(entries, "nokaWordWrap", s.WordWrap);
  ReadFlag(entries, "nokaLineNumbers", s.LineNumbers);
  ReadColour(entries, "nokaTextColor", s.TextColor);
  ReadColour(entries, "nokaBackColor", s.BackColor);
  ReadColour(entries, "nokaStringColor", s.StringColor);
  ReadColour(entries, "nokaCommentColor", s.CommentColor);
  return s;
}

}  // namespace nokari::parts
