// Number, list and statistics operations behind the mathematics commands,
// free of the engine for direct tests.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nokari {

// The language's random generator: a linear congruential sequence.
class TRandom {
 public:
  uint32_t Seed = 0;
  void Step() { Seed = Seed * 134775813u + 1u; }
  // 0 ... n-1 for positive n (the upper half of seed × n).
  int32_t Below(int32_t n) {
    Step();
    return static_cast<int32_t>((static_cast<uint64_t>(Seed) * static_cast<uint32_t>(n)) >> 32);
  }
  // 0 <= x < 1.
  long double Fraction() {
    Step();
    return static_cast<long double>(Seed) / 4294967296.0L;
  }
};

enum class DecimalMode { Truncate, HalfAwayFromZero };
// Rounds x to `places` decimals (negative: tens, hundreds ...) working on
// its 15-significant-digit decimal form, so 2.55 to 1 place gives 2.6 and
// 0.29 truncated to 2 places stays 0.29.
long double RoundDecimal(long double x, int64_t places, DecimalMode mode);

// Upper-case hexadecimal, at least two digits; a negative 32-bit value is
// written as its 8-digit two's complement. Empty when x is not an integer
// in the 64-bit range.
std::optional<std::string> HexText(long double x);

// FRAC: "0" + the text from its first "." (after half-width mapping), or "".
std::string FracText(std::string_view text);

// Lists (the lines of a value).
void SortLinesCaseless(std::vector<std::string>& lines);
void SortLinesNumeric(std::vector<std::string>& lines);
void ShuffleLines(std::vector<std::string>& lines, TRandom& random);
// Inserts before `index`, or pads with empty lines up to it. index >= 0.
void InsertLine(std::vector<std::string>& lines, size_t index, std::string value);

// The numbers of a statistics argument: lines mapped to half-width and
// trimmed, empty lines dropped; no line at all reads as the single value 0.
std::vector<long double> StatisticsValues(std::string_view text);
long double Sum(const std::vector<long double>& v);
long double Mean(const std::vector<long double>& v);
long double PopulationVariance(const std::vector<long double>& v);
// Sample standard deviation; 0 for fewer than two values.
long double SampleStdDev(const std::vector<long double>& v);
long double MaxOf(const std::vector<long double>& v);
long double MinOf(const std::vector<long double>& v);

}  // namespace nokari
