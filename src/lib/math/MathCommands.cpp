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

int32_t Int32Of(TNokaBase& e, long double x) {
  long double t = truncl(x);
  if (!(t >= INT32_MIN && t <= INT32_MAX)) RaiseError(e, msg::kRangeError);
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
  if (t.Var && !t.Var->Reserved) StoreValue(e, *t.Var, result, mark);
  SetSoreTyped(e, std::move(result), mark);
}

void Add(TNokaBase& e) {
  std::string value = PopArgValue(e);
  bool numeric = !e.CurrentType.empty() && e.CurrentType.back() == 'e';
  TTarget t = PopTarget(e);
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

void Subtract(TNokaBase& e) { Arithmetic(e, [](long double a, long double b) { return a - b; }); }
void Multiply(TNokaBase& e) { Arithmetic(e, [](long double a, long double b) { return a * b; }); }
void Divide(TNokaBase& e) {
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

void And(TNokaBase& e) { Binary32(e, [](int32_t a, int32_t b) { return a & b; }); }
void Or(TNokaBase& e) { Binary32(e, [](int32_t a, int32_t b) { return a | b; }); }
void Xor(TNokaBase& e) { Binary32(e, [](int32_t a, int32_t b) { return a ^ b; }); }
void Mod(TNokaBase& e) {
  Binary32(e, [&e](int32_t a, int32_t b) {
    if (b == 0) RaiseError(e, msg::kMathDivByZero);
    return b == -1 ? 0 : a % b;  // INT32_MIN % -1 would trap
  });
}
void ShiftRight(TNokaBase& e) {
  Binary32(e, [](int32_t a, int32_t n) { return static_cast<int32_t>(static_cast<uint32_t>(a) >> (n & 31)); });
}
void ShiftLeft(TNokaBase& e) {
  Binary32(e, [](int32_t a, int32_t n) { return static_cast<int32_t>(static_cast<uint32_t>(a) << (n & 31)); });
}
void Not(TNokaBase& e) { SetSoreInt(e, PopInt32(e) == 0 ? 1 : 0); }

void Hex(TNokaBase& e) {
  auto text = HexText(PopArgNumber(e));
  if (!text) RaiseError(e, msg::kRangeError);
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

void RandomBelow(TNokaBase& e) {
  int64_t n = IntDefault(PopArgValue(e), 100);
  if (n < INT32_MIN || n > INT32_MAX) RaiseError(e, msg::kRangeError);
  SetSoreInt(e, FamilyState<TRandomState>(e).Random.Below(static_cast<int32_t>(n)));
}

void RandomFraction(TNokaBase& e) { SetSoreNumber(e, FamilyState<TRandomState>(e).Random.Fraction()); }

void RandomSeed(TNokaBase& e) {
  long double seed = PopArgNumber(e);
  auto& state = FamilyState<TRandomState>(e);
  if (seed == -1)
    state.Reseed();
  else
    state.Random.Seed = static_cast<uint32_t>(ToInt64(seed));
}

// ---- Rounding ----

void SetSoreInt64(TNokaBase& e, long double t) {
  if (!(t >= -9223372036854775808.0L && t < 9223372036854775808.0L)) RaiseError(e, msg::kRangeError);
  SetSoreInt(e, static_cast<int64_t>(t));
}

void Trunc(TNokaBase& e) { SetSoreInt64(e, truncl(PopArgNumber(e))); }
void Round(TNokaBase& e) { SetSoreInt64(e, nearbyintl(PopArgNumber(e))); }
void Ceil(TNokaBase& e) { SetSoreInt(e, Int32Of(e, ceill(PopArgNumber(e)))); }
void Floor(TNokaBase& e) { SetSoreInt(e, Int32Of(e, floorl(PopArgNumber(e)))); }
void Frac(TNokaBase& e) { SetSoreTyped(e, FracText(PopArgValue(e)), "e"); }

void RoundPlaces(TNokaBase& e, DecimalMode mode) {
  int64_t places = ToInt64(PopArgNumber(e));
  SetSoreNumber(e, RoundDecimal(PopArgNumber(e), places, mode));
}

void TruncatePlaces(TNokaBase& e) { RoundPlaces(e, DecimalMode::Truncate); }
void RoundHalfUp(TNokaBase& e) { RoundPlaces(e, DecimalMode::HalfAwayFromZero); }

// ---- Functions ----

template <long double (*F)(long double)>
void Marked(TNokaBase& e) {
  SetSoreNumber(e, Checked(e, F(PopArgNumber(e))));
}

// Trigonometry and angle conversions leave それ's mark as it was.
template <long double (*F)(long double)>
void Unmarked(TNokaBase& e) {
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

void Log(TNokaBase& e) {
  long double x = PopArgNumber(e);
  long double base = PopArgNumber(e);
  SetSoreNumber(e, Checked(e, logl(x) / logl(base)));
}

void Power(TNokaBase& e) {
  long double exponent = PopArgNumber(e);
  long double base = PopArgNumber(e);
  SetSoreNumber(e, Checked(e, powl(base, exponent)));
}

void Hypot(TNokaBase& e) {
  long double y = PopArgNumber(e);
  long double x = PopArgNumber(e);
  SetSoreValue(e, FormatNumber(Checked(e, hypotl(x, y))));
}

// ---- Lists ----

void SortLines(TNokaBase& e) {
  auto lines = SplitLines(PopArgValue(e));
  SortLinesCaseless(lines);
  SetSoreTyped(e, JoinLines(lines), "s");
}

void NumericSortLines(TNokaBase& e) {
  auto lines = SplitLines(PopArgValue(e));
  SortLinesNumeric(lines);
  SetSoreTyped(e, JoinLines(lines), "s");
}

void Reverse(TNokaBase& e) {
  TCsvDb db;
  db.ReadCsv(PopArgValue(e));
  std::reverse(db.Rows.begin(), db.Rows.end());
  SetSoreTyped(e, db.WriteCsv(), "s");
}

void Shuffle(TNokaBase& e) {
  auto lines = SplitLines(PopArgValue(e));
  ShuffleLines(lines, FamilyState<TRandomState>(e).Random);
  SetSoreValue(e, JoinLines(lines));
}

void LineInsert(TNokaBase& e) {
  std::string value = PopArgValue(e);
  int64_t index = ToInt64(PopArgNumber(e));
  auto lines = SplitLines(PopArgValue(e));
  if (index > kMaxLineIndex) RaiseError(e, msg::kRangeError);
  if (index >= 0) InsertLine(lines, static_cast<size_t>(index), std::move(value));
  SetSoreValue(e, JoinLines(lines));
}

void LineDelete(TNokaBase& e) {
  int64_t index = ToInt64(PopArgNumber(e));
  auto lines = SplitLines(PopArgValue(e));
  if (index >= 0 && index < static_cast<int64_t>(lines.size())) lines.erase(lines.begin() + index);
  SetSoreValue(e, JoinLines(lines));
}

template <long double (*F)(const std::vector<long double>&)>
void Statistic(TNokaBase& e) {
  SetSoreNumber(e, F(StatisticsValues(PopArgValue(e))));
}


using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::足す, Add},
    {Id::引く, Subtract},
    {Id::掛ける, Multiply},
    {Id::割る, Divide},
    {Id::余り, Mod},
    {Id::AND, And},
    {Id::OR, Or},
    {Id::XOR, Xor},
    {Id::NOT, Not},
    {Id::右シフト, ShiftRight},
    {Id::左シフト, ShiftLeft},
    {Id::HEX, Hex},
    {Id::乱数, RandomBelow},
    {Id::RND, RandomFraction},
    {Id::乱数初期化, RandomSeed},
    {Id::整数, Trunc},
    {Id::INT, Trunc},
    {Id::TRUNC, Trunc},
    {Id::ROUND, Round},
    {Id::切り捨て, TruncatePlaces},
    {Id::四捨五入, RoundHalfUp},
    {Id::CEIL, Ceil},
    {Id::FLOOR, Floor},
    {Id::FRAC, Frac},
    {Id::ABS, Marked<Abs>},
    {Id::EXP, Marked<Exp>},
    {Id::LN, Marked<Ln>},
    {Id::LOG, Log},
    {Id::LOG2, Marked<Log2>},
    {Id::LOG10, Marked<Log10>},
    {Id::POWER, Power},
    {Id::SQRT, Marked<Sqrt>},
    {Id::サイン, Unmarked<Sin>},
    {Id::コサイン, Unmarked<Cos>},
    {Id::タンジェント, Unmarked<Tan>},
    {Id::ARCSIN, Unmarked<ArcSin>},
    {Id::ARCCOS, Unmarked<ArcCos>},
    {Id::ARCTAN, Unmarked<ArcTan>},
    {Id::HYPOT, Hypot},
    {Id::サイクルからラジアン, Unmarked<CycleToRad>},
    {Id::度からラジアン, Unmarked<DegToRad>},
    {Id::グラードからラジアン, Unmarked<GradToRad>},
    {Id::ラジアンからサイクル, Unmarked<RadToCycle>},
    {Id::ラジアンから度, Unmarked<RadToDeg>},
    {Id::ラジアンからグラード, Unmarked<RadToGrad>},
    {Id::ソート, SortLines},
    {Id::数値ソート, NumericSortLines},
    {Id::逆にする, Reverse},
    {Id::配列シャッフル, Shuffle},
    {Id::行挿入, LineInsert},
    {Id::行削除, LineDelete},
    {Id::配列合計値, Statistic<Sum>},
    {Id::配列平均値, Statistic<Mean>},
    {Id::配列分散値, Statistic<PopulationVariance>},
    {Id::標準偏差値, Statistic<SampleStdDev>},
    {Id::配列最大値, Statistic<MaxOf>},
    {Id::配列最小値, Statistic<MinOf>},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/math/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kMathFamily{"math", kCommands, kMessages};

}  // namespace nokari
