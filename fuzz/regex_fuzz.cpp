// The regular-expression front end: the input is "expression LF text"
// (CP932; without a LF the text is a fixed sample) and the expression goes
// through the same parse and operation as the pattern commands use.
#include <stdexcept>

#include "Targets.h"
#include "lib/pattern/Regex.h"

using namespace nokari;

namespace {
// "abc 日本語 ABC\r\nx=1, y=22" in CP932: ASCII, double-byte and a line break.
const char kSample[] = "abc \x93\xfa\x96\x7b\x8c\xea ABC\r\nx=1, y=22";
}  // namespace

int NokariFuzzRegex(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t lf = input.find('\n');
  std::string_view expr = input.substr(0, lf);
  std::string_view text = lf == std::string_view::npos ? std::string_view(kSample) : input.substr(lf + 1);
  try {
    PerlExpr m = ParsePerlExpr(expr, 'm');
    RegexMatch(text, m.Pattern, m.Options);
    RegexSplit(text, m.Pattern, m.Options, 1000);
  } catch (const RegexError&) {
  }
  try {
    PerlExpr s = ParsePerlExpr(expr, 's');
    int groups = 0;
    RegexSubstitute(text, s.Pattern, s.Replacement, s.Options, &groups);
  } catch (const RegexError&) {
  }
  try {
    PerlExpr t = ParsePerlExpr(expr, 't');
    Transliterate(text, t.Pattern, t.Replacement, t.Options);
  } catch (const RegexError&) {
  }
  return 0;
}
