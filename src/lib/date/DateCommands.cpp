// The date and time commands. Each reads the clock at most once.
#include <cmath>

#include "lib/date/DateTime.h"
#include "lib/date/Messages.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {

namespace {

// A date argument, or empty; dates without a year take the current one.
std::optional<int64_t> ReadMoment(std::string_view text) {
  if (auto ms = ParseDateTime(text, 0)) return ms;  // no clock needed
  return ParseDateTime(text, YearOf(ReadClock().LocalMs));
}

void CmdNow(TNokaBase& e) { SetSoreTyped(e, FormatTime(ReadClock().LocalMs), "s"); }
void CmdToday(TNokaBase& e) { SetSoreTyped(e, FormatDate(ReadClock().LocalMs), "s"); }

int64_t PopDateForWeekday(TNokaBase& e) {
  std::string text = PopArgValue(e);
  auto ms = ReadMoment(text);
  if (!ms) RaiseError(e, msg::kDateNoDate, {text});
  return *ms;
}

void CmdWeekday(TNokaBase& e) {
  static const char* names[] = {"日", "月", "火", "水", "木", "金", "土"};
  SetSoreTyped(e, Sj(names[WeekdayNumber(PopDateForWeekday(e)) - 1]), "s");
}

void CmdWeekdayNumberCommand(TNokaBase& e) { SetSoreTyped(e, FormatInt(WeekdayNumber(PopDateForWeekday(e))), "e"); }

void CmdDateAdd(TNokaBase& e) {
  TOffset off = ParseOffset(PopArgValue(e), '/');
  std::string text = PopArgValue(e);
  auto base = ReadMoment(text);
  if (!base) RaiseError(e, msg::kDateNotADate, {text});
  auto r = AddDateOffset(*base, off.Part[0], off.Part[1], off.Part[2]);
  if (!r) RaiseError(e, msg::kDateNotADate, {text});
  SetSoreValue(e, FormatDate(*r));
}

void CmdTimeAdd(TNokaBase& e) {
  TOffset off = ParseOffset(PopArgValue(e), ':');
  std::string text = PopArgValue(e);
  auto base = ReadMoment(text);
  if (!base) RaiseError(e, msg::kDateNotATime, {text});
  long double delta = (static_cast<long double>(off.Part[0]) * 3600 + static_cast<long double>(off.Part[1]) * 60 +
                       static_cast<long double>(off.Part[2])) * 1000;
  auto r = AddMilliseconds(*base, delta);
  if (!r) RaiseError(e, msg::kDateNotATime, {text});
  SetSoreValue(e, FormatTime(*r));
}

// Pops b then a (slots "?と,?の") and returns a - b in milliseconds.
int64_t PopDifference(TNokaBase& e) {
  auto b = ReadMoment(PopArgValue(e));
  auto a = ReadMoment(PopArgValue(e));
  if (!a || !b) RaiseError(e, msg::kDateBadDateTime);
  return *a - *b;
}

void CmdDayDifference(TNokaBase& e) { SetSoreTyped(e, FormatInt(PopDifference(e) / kMsPerDay), "e"); }

void CmdSecondDifference(TNokaBase& e) {
  long double seconds = nearbyintl(static_cast<long double>(PopDifference(e)) / 1000);
  if (seconds < INT32_MIN || seconds > INT32_MAX)
    RaiseError(e, msg::kRangeError, {FormatNumber(seconds), "-2147483648", "2147483647"});
  SetSoreTyped(e, FormatInt(static_cast<int64_t>(seconds)), "e");
}

void CmdSystemTime(TNokaBase& e) { SetSoreTyped(e, FormatInt(ReadClock().Ticks), "e"); }

void CmdToJapaneseEra(TNokaBase& e) {
  auto ms = ReadMoment(PopArgValue(e));
  if (!ms) RaiseCommandError(e, msg::kDateEraArg);
  SetSoreTyped(e, JapaneseEraDate(*ms), "s");
}


using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::今, CmdNow},
    {Id::今日, CmdToday},
    {Id::曜日, CmdWeekday},
    {Id::曜日を数値で得る, CmdWeekdayNumberCommand},
    {Id::日付加算, CmdDateAdd},
    {Id::時間加算, CmdTimeAdd},
    {Id::日数差, CmdDayDifference},
    {Id::秒差, CmdSecondDifference},
    {Id::システム時間, CmdSystemTime},
    {Id::和暦に変換, CmdToJapaneseEra},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/date/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kDateFamily{"date", kCommands, kMessages};

}  // namespace nokari
