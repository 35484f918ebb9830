// INI files as settings files have always been read: [sections] of
// key=value lines, sections and keys compared without regard to ASCII
// case, ';' starting a comment line, values trimmed and freed of one pair
// of surrounding double quotes. The text is kept line by line, so writing
// a value changes that one line and leaves comments, order, other
// sections and the file's line ends as they were.
//
// Bytes in, bytes out (CP932 like every value); no file access here.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nokari::settings {

using IniPairs = std::vector<std::pair<std::string, std::string>>;

class IniFile {
 public:
  IniFile() = default;
  explicit IniFile(std::string_view text);
  // The value of `key` in `section`, when the key is there.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Every key of the section with its value, in file order.
  IniPairs Section(std::string_view section) const;
  // Replaces the key's line (keeping the key as the file spells it), or
  // adds one after the section's last entry (a new section at the end of
  // the file).
  void Set(std::string_view section, std::string_view key, std::string_view value);
  std::string Text() const;

 private:
  // Index of the line of `[section]`, or -1 (the lines before any section
  // form the section ""); `end` gets the index after the section's last
  // line.
  int FindSection(std::string_view section, size_t& end) const;
  std::vector<std::string> lines_;  // without their line ends
  std::string eol_ = "\r\n";        // the file's own, or CR LF for a new file
  bool finalEol_ = true;            // whether the text ended with a line end
};

// ASCII letters compared without case; a double-byte character's second
// byte is never folded.
bool SameName(std::string_view a, std::string_view b);

}  // namespace nokari::settings
