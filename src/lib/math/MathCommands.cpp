// Arithmetic on variables, integer and bit operations, rounding, the
// mathematical functions, random numbers, list commands and statistics.
#include <chrono>
#include <cmath>
#include <numbers>

#include "lib/math/MathOps.h"
#include "lib/table/TableOps.h"
#include "words/Value.h"
#include "lib/math/Messages.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
// 行挿入 pads with empty lines up to its index; beyond this it would only
// exhaust memory.
constexpr int64_t kMaxLineIndex = 10000000;

// ---- Argument helpers ----

[[noreturn]] void RaiseInt64Range(TNokaBase& e, long double x) {
  RaiseError(e, msg::kRangeError, {FormatNumber(x), "-9223372036854775808", "9223372036854775807"});
}

int32_t Int32Of(TNokaBase& e, long double x) {
  long double t = truncl(x);
  if (!(t >= INT32_MIN && t <= INT32_MAX)) RaiseError(e, msg::kRangeError, {FormatNumber(x), "-2147483648", "2147483647"});
  return static_cast<int32_t>(t);
}

int32_t PopInt32(TNokaBase& e) { return Int32Of(e, PopArgNumber(e)); }

// A result that must be a finite number (logarithm of 0, ARCSIN of 2 ...).
long double Checked(TNokaBase& e, long double r) {
  if (!std::isfinite(r)) RaiseError(e, msg::kMathInvalidOp);
  return r;
}

void SetSoreInt(TNokaBase& e, int64_t n) { SetSoreTyped(e, FormatInt(n), "e"); }

// ---- Arithmetic on a variable ----

// The variable named by the raw first argument, or null (then the argument
// is only evaluated and nothing is written back).
struct TTarget {
  THashNode* Var = nullptr;
  std::string Value;
};

TTarget PopTarget(TNokaBase& e) {
  std::string raw = PopArgText(e);
  TTarget t;
  t.Var = FindWord(e, raw);
  if (t.Var && t.Var->Kind != kVariable) t.Var = nullptr;
  t.Value = t.Var ? t.Var->Value : EvalArg(e, raw);
  return t;
}

void StoreResult(TNokaBase& e, TTarget& t, std::string result, const char* mark) {
  if (t.Var && !t.Var->Reserved) StoreValue(e, *t.Var, std::string(result), mark);
  SetSoreTyped(e, std::move(result), mark);
}

void CmdAdd(TNokaBase& e) {
  std::string value = PopArgValue(e);
  bool numeric = !e.CurrentType.empty() && e.CurrentType.back() == 'e';
  const bool decimalValue = !numeric && IsDecimalText(value);
  TTarget t = PopTarget(e);
  // A total kept over the lines of a list (合計に、それを、足す) gets lines
  // that are texts: joined, 0, 100, 200 made "0100200". Two numbers written
  // plainly are added; anything else is still joined (1 and 「A」, "1A").
  if (decimalValue && IsDecimalText(t.Value)) numeric = true;
  if (numeric)
    StoreResult(e, t, FormatNumber(ToNumber(t.Value) + ToNumber(value)), "e");
  else
    StoreResult(e, t, t.Value + value, "s");
}

template <typename Op>
void Arithmetic(TNokaBase& e, Op op) {
  long double value = PopArgNumber(e);
  TTarget t = PopTarget(e);
  StoreResult(e, t, FormatNumber(op(ToNumber(t.Value), value)), "e");
}

void CmdSubtract(TNokaBase& e) { Arithmetic(e, [](long double a, long double b) { return a - b; }); }
void CmdMultiply(TNokaBase& e) { Arithmetic(e, [](long double a, long double b) { return a * b; }); }
void CmdDivide(TNokaBase& e) {
  Arithmetic(e, [&e](long double a, long double b) {
    if (b == 0) RaiseError(e, msg::kMathDivByZero);
    return a / b;
  });
}

// ---- Integer and bit operations ----

template <typename Op>
void Binary32(TNokaBase& e, Op op) {
  int32_t b = PopInt32(e);
  int32_t a = PopInt32(e);
  SetSoreInt(e, op(a, b));
}

void CmdAnd(TNokaBase& e) { Binary32(e, [](int32_t a, int32_t b) { return a & b; }); }
void CmdOr(TNokaBase& e) { Binary32(e, [](int32_t a, int32_t b) { return a | b; }); }
void CmdXor(TNokaBase& e) { Binary32(e, [](int32_t a, int32_t b) { return a ^ b; }); }
int64_t PopInt64(TNokaBase& e) {
  const long double x = PopArgNumber(e);
  const long double t = truncl(x);
  if (!(t >= -9223372036854775808.0L && t < 9223372036854775808.0L)) RaiseInt64Range(e, x);
  return static_cast<int64_t>(t);
}

// MOD and 余り over 64 bits, as % is: amounts of billions are everyday
// figures, and INT takes them.
void CmdMod(TNokaBase& e) {
  const int64_t b = PopInt64(e);
  const int64_t a = PopInt64(e);
  if (b == 0) RaiseError(e, msg::kMathDivByZero);
  SetSoreInt(e, b == -1 ? 0 : a % b);  // INT64_MIN % -1 would trap
}
void CmdShiftRight(TNokaBase& e) {
  Binary32(e, [](int32_t a, int32_t n) { return static_cast<int32_t>(static_cast<uint32_t>(a) >> (n & 31)); });
}
void CmdShiftLeft(TNokaBase& e) {
  Binary32(e, [](int32_t a, int32_t n) { return static_cast<int32_t>(static_cast<uint32_t>(a) << (n & 31)); });
}
void CmdNot(TNokaBase& e) { SetSoreInt(e, PopInt32(e) == 0 ? 1 : 0); }

void CmdHex(TNokaBase& e) {
  const long double x = PopArgNumber(e);
  auto text = HexText(x);
  if (!text) RaiseInt64Range(e, x);
  // Hexadecimal digits are text: read again as a number, 7FFFFFFF is 7.
  SetSoreTyped(e, *text, "s");
}

// ---- Random numbers ----

struct TRandomState {
  TRandom Random;
  TRandomState() { Reseed(); }
  void Reseed() {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    Random.Seed = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
  }
};

void CmdRandomBelow(TNokaBase& e) {
  int64_t n = IntDefault(PopArgValue(e), 100);
  if (n < INT32_MIN || n > INT32_MAX) RaiseError(e, msg::kRangeError, {FormatInt(n), "-2147483648", "2147483647"});
  SetSoreInt(e, FamilyState<TRandomState>(e).Random.Below(static_cast<int32_t>(n)));
}

void CmdRandomFraction(TNokaBase& e) { SetSoreNumber(e, FamilyState<TRandomState>(e).Random.Fraction()); }

void CmdRandomSeed(TNokaBase& e) {
  long double seed = PopArgNumber(e);
  auto& state = FamilyState<TRandomState>(e);
  if (seed == -1)
    state.Reseed();
  else
    state.Random.Seed = static_cast<uint32_t>(ToInt64(seed));
}

// ---- Rounding ----

void SetSoreInt64(TNokaBase& e, long double t) {
  if (!(t >= -9223372036854775808.0L && t < 9223372036854775808.0L)) RaiseInt64Range(e, t);
  SetSoreInt(e, static_cast<int64_t>(t));
}

void CmdTrunc(TNokaBase& e) { SetSoreInt64(e, truncl(PopArgNumber(e))); }
void CmdRound(TNokaBase& e) { SetSoreInt64(e, nearbyintl(PopArgNumber(e))); }
void CmdCeil(TNokaBase& e) { SetSoreInt64(e, ceill(PopArgNumber(e))); }
void CmdFloor(TNokaBase& e) { SetSoreInt64(e, floorl(PopArgNumber(e))); }
void CmdFrac(TNokaBase& e) { SetSoreTyped(e, FracText(PopArgValue(e)), "e"); }

void RoundPlaces(TNokaBase& e, DecimalMode mode) {
  int64_t places = ToInt64(PopArgNumber(e));
  SetSoreNumber(e, RoundDecimal(PopArgNumber(e), places, mode));
}

void CmdTruncatePlaces(TNokaBase& e) { RoundPlaces(e, DecimalMode::Truncate); }
void CmdRoundHalfUp(TNokaBase& e) { RoundPlaces(e, DecimalMode::HalfAwayFromZero); }

// ---- Functions ----

template <long double (*F)(long double)>
void CmdMarked(TNokaBase& e) {
  SetSoreNumber(e, Checked(e, F(PopArgNumber(e))));
}

// Trigonometry and angle conversions leave それ's mark as it was.
template <long double (*F)(long double)>
void CmdUnmarked(TNokaBase& e) {
  SetSoreValue(e, FormatNumber(Checked(e, F(PopArgNumber(e)))));
}

long double Abs(long double x) { return fabsl(x); }
long double Exp(long double x) { return expl(x); }
long double Ln(long double x) { return logl(x); }
long double Log2(long double x) { return log2l(x); }
long double Log10(long double x) { return log10l(x); }
long double Sqrt(long double x) { return sqrtl(x); }
long double Sin(long double x) { return sinl(x); }
long double Cos(long double x) { return cosl(x); }
long double Tan(long double x) { return tanl(x); }
long double ArcSin(long double x) { return asinl(x); }
long double ArcCos(long double x) { return acosl(x); }
long double ArcTan(long double x) { return atanl(x); }
long double CycleToRad(long double x) { return x * 2 * kPi; }
long double DegToRad(long double x) { return x * kPi / 180; }
long double GradToRad(long double x) { return x * kPi / 200; }
long double RadToCycle(long double x) { return x / (2 * kPi); }
long double RadToDeg(long double x) { return x * 180 / kPi; }
long double RadToGrad(long double x) { return x * 200 / kPi; }

void CmdLog(TNokaBase& e) {
  long double x = PopArgNumber(e);
  long double base = PopArgNumber(e);
  SetSoreNumber(e, Checked(e, logl(x) / logl(base)));
}

void CmdPower(TNokaBase& e) {
  long double exponent = PopArgNumber(e);
  long double base = PopArgNumber(e);
  SetSoreNumber(e, Checked(e, powl(base, exponent)));
}

void CmdHypot(TNokaBase& e) {
  long double y = PopArgNumber(e);
  long double x = PopArgNumber(e);
  SetSoreValue(e, FormatNumber(Checked(e, hypotl(x, y))));
}

// ---- Lists ----

void CmdSortLines(TNokaBase& e) {
  auto lines = SplitLines(PopArgValue(e));
  SortLinesCaseless(lines);
  SetSoreTyped(e, JoinLines(lines), "s");
}

void CmdNumericSortLines(TNokaBase& e) {
  auto lines = SplitLines(PopArgValue(e));
  SortLinesNumeric(lines);
  SetSoreTyped(e, JoinLines(lines), "s");
}

void CmdReverse(TNokaBase& e) {
  TCsvDb db;
  db.ReadCsv(PopArgValue(e));
  std::reverse(db.Rows.begin(), db.Rows.end());
  SetSoreTyped(e, db.WriteCsv(), "s");
}

void CmdShuffle(TNokaBase& e) {
  auto lines = SplitLines(PopArgValue(e));
  ShuffleLines(lines, FamilyState<TRandomState>(e).Random);
  SetSoreValue(e, JoinLines(lines));
}

void CmdLineInsert(TNokaBase& e) {
  std::string value = PopArgValue(e);
  int64_t index = ToInt64(PopArgNumber(e));
  auto lines = SplitLines(PopArgValue(e));
  if (index > kMaxLineIndex) RaiseError(e, msg::kRangeError, {FormatInt(index), "0", FormatInt(kMaxLineIndex)});
  if (index >= 0) InsertLine(lines, static_cast<size_t>(index), std::move(value));
  SetSoreValue(e, JoinLines(lines));
}

void CmdLineDelete(TNokaBase& e) {
  int64_t index = ToInt64(PopArgNumber(e));
  auto lines = SplitLines(PopArgValue(e));
  if (index >= 0 && index < static_cast<int64_t>(lines.size())) lines.erase(lines.begin() + index);
  SetSoreValue(e, JoinLines(lines));
}

template <long double (*F)(const std::vector<long double>&)>
void CmdStatistic(TNokaBase& e) {
  SetSoreNumber(e, F(StatisticsValues(PopArgValue(e))));
}


using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::足す, CmdAdd},
    {Id::引く, CmdSubtract},
    {Id::掛ける, CmdMultiply},
    {Id::割る, CmdDivide},
    {Id::余り, CmdMod},
    {Id::AND, CmdAnd},
    {Id::OR, CmdOr},
    {Id::XOR, CmdXor},
    {Id::NOT, CmdNot},
    {Id::右シフト, CmdShiftRight},
    {Id::左シフト, CmdShiftLeft},
    {Id::HEX, CmdHex},
    {Id::乱数, CmdRandomBelow},
    {Id::RND, CmdRandomFraction},
    {Id::乱数初期化, CmdRandomSeed},
    {Id::整数, CmdTrunc},
    {Id::INT, CmdTrunc},
    {Id::TRUNC, CmdTrunc},
    {Id::ROUND, CmdRound},
    {Id::切り捨て, CmdTruncatePlaces},
    {Id::四捨五入, CmdRoundHalfUp},
    {Id::CEIL, CmdCeil},
    {Id::FLOOR, CmdFloor},
    {Id::FRAC, CmdFrac},
    {Id::ABS, CmdMarked<Abs>},
    {Id::EXP, CmdMarked<Exp>},
    {Id::LN, CmdMarked<Ln>},
    {Id::LOG, CmdLog},
    {Id::LOG2, CmdMarked<Log2>},
    {Id::LOG10, CmdMarked<Log10>},
    {Id::POWER, CmdPower},
    {Id::SQRT, CmdMarked<Sqrt>},
    {Id::サイン, CmdUnmarked<Sin>},
    {Id::コサイン, CmdUnmarked<Cos>},
    {Id::タンジェント, CmdUnmarked<Tan>},
    {Id::ARCSIN, CmdUnmarked<ArcSin>},
    {Id::ARCCOS, CmdUnmarked<ArcCos>},
    {Id::ARCTAN, CmdUnmarked<ArcTan>},
    {Id::HYPOT, CmdHypot},
    {Id::サイクルからラジアン, CmdUnmarked<CycleToRad>},
    {Id::度からラジアン, CmdUnmarked<DegToRad>},
    {Id::グラードからラジアン, CmdUnmarked<GradToRad>},
    {Id::ラジアンからサイクル, CmdUnmarked<RadToCycle>},
    {Id::ラジアンから度, CmdUnmarked<RadToDeg>},
    {Id::ラジアンからグラード, CmdUnmarked<RadToGrad>},
    {Id::ソート, CmdSortLines},
    {Id::数値ソート, CmdNumericSortLines},
    {Id::逆にする, CmdReverse},
    {Id::配列シャッフル, CmdShuffle},
    {Id::行挿入, CmdLineInsert},
    {Id::行削除, CmdLineDelete},
    {Id::配列合計値, CmdStatistic<Sum>},
    {Id::配列平均値, CmdStatistic<Mean>},
    {Id::配列分散値, CmdStatistic<PopulationVariance>},
    {Id::標準偏差値, CmdStatistic<SampleStdDev>},
    {Id::配列最大値, CmdStatistic<MaxOf>},
    {Id::配列最小値, CmdStatistic<MinOf>},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/math/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kMathFamily{"math", kCommands, kMessages};

}  // namespace nokari
