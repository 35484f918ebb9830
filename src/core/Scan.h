// Small scanners shared by the engine, the evaluator and the commands.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace nokari {

// The end of a decimal number at p: digits, then "." and digits, then an
// exponent ("E", optional sign, digits) after either. Returns p itself when
// no digit starts there.
const char* ScanDecimal(const char* p);
// The end of "$" and hexadecimal digits at p (p at the "$").
const char* ScanHex(const char* p);
// The decimal text of a "$…" literal read as a 32-bit two's complement
// integer; "0" when there are no digits or more than fit.
std::string HexLiteralValue(std::string_view digits);

// Lines of a text; CR LF, CR and LF end a line, and a final line end does
// not start another (empty) line.
std::vector<std::string_view> SplitLines(std::string_view text);

}  // namespace nokari
