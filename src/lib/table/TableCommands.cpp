// The 表 commands: each parses its table argument, performs one operation
// of TableOps and leaves the result in それ.
#include "lib/date/DateTime.h"
#include "lib/pattern/Wildcard.h"
#include "lib/table/TableOps.h"
#include "lib/table/Messages.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {

namespace {

// Column indexes beyond this would only pad rows with empty cells until
// memory runs out.
constexpr int64_t kMaxColumn = 100000;

bool FieldNamesOn(TNokaBase& e) { return VarValue(e, "表フィールド名") == "1"; }

TCsvDb ParseTable(std::string_view text, bool fieldNames) {
  TCsvDb db;
  db.ReadCsv(text);
  db.FieldNames = fieldNames;
  return db;
}

// An int-default column (-1 for anything but a decimal integer).
int PopColumnText(TNokaBase& e) {
  int64_t col = IntDefault(PopArgValue(e), -1);
  return col < 0 ? -1 : static_cast<int>(std::min(col, kMaxColumn));
}

// A numeric column; negative stays negative ("nothing to do").
int PopColumnNumber(TNokaBase& e) {
  int64_t col = ToInt64(PopArgNumber(e));
  if (col > kMaxColumn) RaiseError(e, msg::kRangeError);
  return col < 0 ? -1 : static_cast<int>(col);
}

// Aggregates and sorts need a real column.
int PopRequiredColumn(TNokaBase& e) {
  int col = PopColumnText(e);
  if (col < 0) RaiseCommandError(e, msg::kArgError);
  return col;
}

int ClockYear() { return YearOf(ReadClock().LocalMs); }

// Runs a step that may meet a malformed wildcard pattern.
template <typename F>
auto WithPatterns(TNokaBase& e, F&& step) {
  try {
    return step();
  } catch (const WildcardError& err) {
    RaiseErrorText(e, err.what());
  }
}

// ---- Picking and extraction ----

void PickCommon(TNokaBase& e, bool exact) {
  std::string pattern = PopArgValue(e);
  int col = PopColumnText(e);
  std::string table = PopArgValue(e);
  if (exact && col < 0) RaiseCommandError(e, msg::kTableColumnFromZero);
  if (pattern.empty()) return SetSoreTyped(e, "", "s");
  bool fn = FieldNamesOn(e);
  std::string result = WithPatterns(e, [&] {
    if (col < 0) return PickLines(table, pattern, fn);
    return PickColumn(ParseTable(table, fn), col, pattern, exact);
  });
  SetSoreTyped(e, std::move(result), "s");
}

void Pick(TNokaBase& e) { PickCommon(e, false); }
void PickExact(TNokaBase& e) { PickCommon(e, true); }

void Extract(TNokaBase& e) {
  std::string condition = PopArgValue(e);
  std::string table = PopArgValue(e);
  std::string result;
  try {
    result = WithPatterns(e, [&] { return ExtractRows(table, condition, ClockYear()); });
  } catch (const TConditionError& err) {
    RaiseError(e, msg::kCsvParseError, {err.Text});
  }
  SetSoreTyped(e, std::move(result), "s");
}

// ---- Searching ----

void SearchStep(TNokaBase& e) {
  auto& state = FamilyState<TFindCsv>(e);
  int hit = WithPatterns(e, [&] { return state.Next(); });
  SetSoreTyped(e, FormatInt(hit), "e");
}

void SearchCommon(TNokaBase& e, bool fuzzy) {
  std::string key = PopArgValue(e);
  int col = PopColumnText(e);
  std::string table = PopArgValue(e);
  auto& state = FamilyState<TFindCsv>(e);
  bool fn = FieldNamesOn(e);
  state.Table = ParseTable(table, fn);
  state.Key = std::move(key);
  state.Column = col;
  state.Fuzzy = fuzzy;
  state.StartRow = fn ? 1 : 0;
  SearchStep(e);
}

void Search(TNokaBase& e) { SearchCommon(e, false); }
void FuzzySearch(TNokaBase& e) { SearchCommon(e, true); }
void SearchNext(TNokaBase& e) { SearchStep(e); }
void SearchClear(TNokaBase& e) { FamilyState<TFindCsv>(e).Clear(); }

// ---- Aggregates and sorts ----

void AggregateCommon(TNokaBase& e, Aggregate kind) {
  int col = PopRequiredColumn(e);
  TCsvDb db = ParseTable(PopArgValue(e), FieldNamesOn(e));
  SetSoreNumber(e, AggregateColumn(db, col, kind));
}

void Max(TNokaBase& e) { AggregateCommon(e, Aggregate::Max); }
void Min(TNokaBase& e) { AggregateCommon(e, Aggregate::Min); }
void Average(TNokaBase& e) { AggregateCommon(e, Aggregate::Average); }
void Sum(TNokaBase& e) { AggregateCommon(e, Aggregate::Sum); }

void SortCommon(TNokaBase& e, SortKey key) {
  int col = PopRequiredColumn(e);
  TCsvDb db = ParseTable(PopArgValue(e), FieldNamesOn(e));
  db.RemoveBlankEdges();
  SortRows(db, col, key, key == SortKey::Date ? ClockYear() : 0);
  SetSoreTyped(e, db.WriteCsv(), "s");
}

void Sort(TNokaBase& e) { SortCommon(e, SortKey::Text); }
void NumberSort(TNokaBase& e) { SortCommon(e, SortKey::Number); }
void DateSort(TNokaBase& e) { SortCommon(e, SortKey::Date); }

// ---- Columns ----

void ColumnInsert(TNokaBase& e) {
  int col = PopColumnNumber(e);
  std::string table = PopArgValue(e);
  if (col < 0) return SetSoreValue(e, std::move(table));
  TCsvDb db = ParseTable(table, false);
  db.InsertColumn(col);
  SetSoreValue(e, db.WriteCsv());
}

void ColumnDelete(TNokaBase& e) {
  int col = PopColumnNumber(e);
  std::string table = PopArgValue(e);
  if (col < 0) return SetSoreValue(e, std::move(table));
  TCsvDb db = ParseTable(table, false);
  db.DeleteColumn(col);
  SetSoreValue(e, db.WriteCsv());
}

void ColumnCopy(TNokaBase& e) {
  int col = PopColumnNumber(e);
  TCsvDb db = ParseTable(PopArgValue(e), false);
  std::vector<std::string> cells;
  cells.reserve(db.Rows.size());
  for (int r = 0; r < db.RowCount(); ++r) cells.push_back(db.Cell(r, col));
  SetSoreValue(e, JoinLines(cells));
}

void ColumnPaste(TNokaBase& e) {
  std::string lines = PopArgValue(e);
  int col = PopColumnNumber(e);
  std::string table = PopArgValue(e);
  if (col < 0) return SetSoreValue(e, std::move(table));
  TCsvDb db = ParseTable(table, false);
  db.InsertColumn(col, SplitLines(lines));
  SetSoreValue(e, db.WriteCsv());
}

void ColumnMove(TNokaBase& e) {
  int to = PopColumnNumber(e);
  int from = PopColumnNumber(e);
  TCsvDb db = ParseTable(PopArgValue(e), false);
  db.MoveColumn(from, to);
  SetSoreTyped(e, db.WriteCsv(), "s");
}

void ColumnReplace(TNokaBase& e) {
  std::string to = PopArgValue(e);
  std::string from = PopArgValue(e);
  int col = PopColumnNumber(e);
  TCsvDb db = ParseTable(PopArgValue(e), false);
  ReplaceInColumn(db, col, from, to);
  SetSoreTyped(e, db.WriteCsv(), "s");
}

void ColumnCount(TNokaBase& e) {
  TCsvDb db = ParseTable(PopArgValue(e), false);
  SetSoreTyped(e, FormatInt(db.Width()), "e");
}

// ---- Whole tables ----

void RemoveDuplicates(TNokaBase& e) {
  int col = PopColumnNumber(e);
  TCsvDb db = ParseTable(PopArgValue(e), false);
  RemoveDuplicateRows(db, col);
  SetSoreValue(e, db.WriteCsv());
}

void KeyJoin(TNokaBase& e) {
  int key2 = PopColumnNumber(e);
  std::string table2 = PopArgValue(e);
  int key1 = PopColumnNumber(e);
  std::string table1 = PopArgValue(e);
  bool fn = FieldNamesOn(e);
  TCsvDb t1 = ParseTable(table1, fn);
  JoinTables(t1, key1, ParseTable(table2, fn), key2);
  SetSoreTyped(e, t1.WriteCsv(), "s");
}

void Transpose(TNokaBase& e) {
  TCsvDb db = ParseTable(PopArgValue(e), false);
  SetSoreTyped(e, db.Transposed().WriteCsv(), "s");
}

void ToTab(TNokaBase& e) {
  TCsvDb db = ParseTable(PopArgValue(e), false);
  SetSoreTyped(e, db.WriteTab(), "s");
}

void ToComma(TNokaBase& e) {
  TCsvDb db;
  db.ReadTab(PopArgValue(e));
  SetSoreTyped(e, db.WriteCsv(), "s");
}


using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::表ピックアップ, Pick},
    {Id::表完全一致ピックアップ, PickExact},
    {Id::表条件抽出, Extract},
    {Id::表検索, Search},
    {Id::表曖昧検索, FuzzySearch},
    {Id::表検索次の値, SearchNext},
    {Id::表検索クリア, SearchClear},
    {Id::表最大値, Max},
    {Id::表最小値, Min},
    {Id::表平均値, Average},
    {Id::表合計, Sum},
    {Id::表ソート, Sort},
    {Id::表数値ソート, NumberSort},
    {Id::表日付ソート, DateSort},
    {Id::表列挿入, ColumnInsert},
    {Id::表列削除, ColumnDelete},
    {Id::表重複項目削除, RemoveDuplicates},
    {Id::表列コピー, ColumnCopy},
    {Id::表列貼付け, ColumnPaste},
    {Id::表キー合成, KeyJoin},
    {Id::表行列交換, Transpose},
    {Id::表列指定置換, ColumnReplace},
    {Id::表列移動, ColumnMove},
    {Id::表列数, ColumnCount},
    {Id::タブ区切りに変換, ToTab},
    {Id::カンマ区切りに変換, ToComma},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/table/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kTableFamily{"table", kCommands, kMessages};

}  // namespace nokari
