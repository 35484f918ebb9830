// Reading what an FTP server lists. Servers differ (Unix "ls -l" lines,
// DOS lines with <DIR>, bare names) and are not trusted: a line that
// cannot be read is skipped, never an error. Pure functions over the
// listing's text (CP932, as ListingText makes it).
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nokari::net {

// The bytes a server sent as CP932 lines: UTF-8 listings converted, others
// kept as they came; each line trimmed, empty lines dropped.
std::vector<std::string> ListingLines(std::string_view bytes);

// The folder a detailed listing line names, or "" when the line names a
// file, a link, "." or "..", or is a "total" line. A Unix line is a folder
// when its first field starts with "d", and its name is all that follows
// the eighth field (so names with spaces stay whole); a DOS line has
// "<DIR>" as its third field.
std::string FolderOfLine(std::string_view line);

// ASCII letters lower-cased, the bytes of double-byte characters left as
// they are (their second byte may be a letter): masks and names compared
// this way match in either case.
std::string FoldAsciiCase(std::string_view cp932);

// The names of `lines` that `match` accepts (every name for an empty
// mask, which the caller turns into a match that takes all), each
// followed by CR LF.
std::string JoinMatching(const std::vector<std::string>& names,
                         const std::function<bool(const std::string&)>& match);

}  // namespace nokari::net
