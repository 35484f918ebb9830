// Settings files in the INI layout ("[section]" lines, then "key=value"
// lines), read and changed as text. Section and key names compare without
// regard to the case of ASCII letters (double-byte characters compare as
// they are); blanks around names and values do not count. Changing a file
// keeps every other line as it was: comments, other sections, the order,
// the kind of line end.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nokari::parts {

using IniPairs = std::vector<std::pair<std::string, std::string>>;

// The value of `key` in the first section named `section`; none when either
// is missing.
std::optional<std::string> IniValue(std::string_view ini, std::string_view section, std::string_view key);
// The keys and values of the first section named `section`, in file order.
IniPairs IniSection(std::string_view ini, std::string_view section);
// The text with each pair written into the first section named `section`:
// an existing key's line is rewritten in place, a new key goes after the
// section's last entry, a missing section is added at the end.
std::string WithIniValues(std::string_view ini, std::string_view section, const IniPairs& values);

}  // namespace nokari::parts
