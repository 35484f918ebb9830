// The 表 commands: each reads its table argument, performs one operation
// of TableOps and leaves the result in それ. Commands that only read the
// table take it as a variable lends it (PopArgTable); those that change it
// parse a table of their own.
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
  long double number = PopArgNumber(e);
  int64_t col = ToInt64(number);
  if (col > kMaxColumn) RaiseError(e, msg::kRangeError, {FormatNumber(number), "0", FormatInt(kMaxColumn)});
  return col < 0 ? -1 : static_cast<int>(col);
}

// Aggregates and sorts need a real column; the error names what was given
// instead (a header name such as 「金額」 is no column here).
int PopRequiredColumn(TNokaBase& e) {
  std::string text = PopArgValue(e);
  int64_t col = IntDefault(text, -1);
  if (col < 0) RaiseCommandError(e, msg::kTableColumnNotNumber, {text});
  return static_cast<int>(std::min(col, kMaxColumn));
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
  // Lines for column -1, cells otherwise; an empty pattern picks nothing.
  const bool noTable = col < 0 || pattern.empty();
  std::string store;
  std::string_view text = noTable ? PopArgView(e, store) : std::string_view();
  std::shared_ptr<const TCsvDbBase> table = noTable ? nullptr : PopArgTable(e);
  if (exact && col < 0) RaiseCommandError(e, msg::kTableColumnFromZero);
  if (pattern.empty()) return SetSoreTyped(e, "", "s");
  bool fn = FieldNamesOn(e);
  std::string result = WithPatterns(e, [&] {
    if (col < 0) return PickLines(text, pattern, fn);
    return PickColumn(*table, fn, col, pattern, exact);
  });
  SetSoreTyped(e, std::move(result), "s");
}

void CmdPick(TNokaBase& e) { PickCommon(e, false); }
void CmdPickExact(TNokaBase& e) { PickCommon(e, true); }

void CmdExtract(TNokaBase& e) {
  std::string condition = PopArgValue(e);
  auto table = PopArgTable(e);
  std::string result;
  try {
    result = WithPatterns(e, [&] { return ExtractRows(*table, condition, ClockYear()); });
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
  auto table = PopArgTable(e);
  auto& state = FamilyState<TFindCsv>(e);
  bool fn = FieldNamesOn(e);
  state.Table = std::move(table);
  state.Key = std::move(key);
  state.Column = col;
  state.Fuzzy = fuzzy;
  state.StartRow = fn ? 1 : 0;
  SearchStep(e);
}

void CmdSearch(TNokaBase& e) { SearchCommon(e, false); }
void CmdFuzzySearch(TNokaBase& e) { SearchCommon(e, true); }
void CmdSearchNext(TNokaBase& e) { SearchStep(e); }
void CmdSearchClear(TNokaBase& e) { FamilyState<TFindCsv>(e).Clear(); }

// ---- Aggregates and sorts ----

void AggregateCommon(TNokaBase& e, Aggregate kind) {
  int col = PopRequiredColumn(e);
  auto table = PopArgTable(e);
  SetSoreNumber(e, AggregateColumn(*table, FieldNamesOn(e), col, kind));
}

void CmdMax(TNokaBase& e) { AggregateCommon(e, Aggregate::Max); }
void CmdMin(TNokaBase& e) { AggregateCommon(e, Aggregate::Min); }
void CmdAverage(TNokaBase& e) { AggregateCommon(e, Aggregate::Average); }
void CmdSum(TNokaBase& e) { AggregateCommon(e, Aggregate::Sum); }

void SortCommon(TNokaBase& e, SortKey key) {
  int col = PopRequiredColumn(e);
  auto table = PopArgTable(e);
  SetSoreTyped(e, SortedText(*table, FieldNamesOn(e), col, key, key == SortKey::Date ? ClockYear() : 0), "s");
}

void CmdSort(TNokaBase& e) { SortCommon(e, SortKey::Text); }
void CmdNumberSort(TNokaBase& e) { SortCommon(e, SortKey::Number); }
void CmdDateSort(TNokaBase& e) { SortCommon(e, SortKey::Date); }

// ---- Columns ----

void CmdColumnInsert(TNokaBase& e) {
  int col = PopColumnNumber(e);
  std::string table = PopArgValue(e);
  if (col < 0) return SetSoreValue(e, std::move(table));
  TCsvDb db = ParseTable(table, false);
  db.InsertColumn(col);
  SetSoreValue(e, db.WriteCsv());
}

void CmdColumnDelete(TNokaBase& e) {
  int col = PopColumnNumber(e);
  std::string table = PopArgValue(e);
  if (col < 0) return SetSoreValue(e, std::move(table));
  TCsvDb db = ParseTable(table, false);
  db.DeleteColumn(col);
  SetSoreValue(e, db.WriteCsv());
}

void CmdColumnCopy(TNokaBase& e) {
  int col = PopColumnNumber(e);
  auto table = PopArgTable(e);
  std::vector<std::string> cells;
  cells.reserve(table->Rows.size());
  for (int r = 0; r < table->RowCount(); ++r) cells.push_back(table->Cell(r, col));
  SetSoreValue(e, JoinLines(cells));
}

void CmdColumnPaste(TNokaBase& e) {
  std::string lines = PopArgValue(e);
  int col = PopColumnNumber(e);
  std::string table = PopArgValue(e);
  if (col < 0) return SetSoreValue(e, std::move(table));
  TCsvDb db = ParseTable(table, false);
  db.InsertColumn(col, SplitLines(lines));
  SetSoreValue(e, db.WriteCsv());
}

void CmdColumnMove(TNokaBase& e) {
  int to = PopColumnNumber(e);
  int from = PopColumnNumber(e);
  std::string store;
  TCsvDb db = ParseTable(PopArgView(e, store), false);
  db.MoveColumn(from, to);
  SetSoreTyped(e, db.WriteCsv(), "s");
}

void CmdColumnReplace(TNokaBase& e) {
  std::string to = PopArgValue(e);
  std::string from = PopArgValue(e);
  int col = PopColumnNumber(e);
  std::string store;
  TCsvDb db = ParseTable(PopArgView(e, store), false);
  ReplaceInColumn(db, col, from, to);
  SetSoreTyped(e, db.WriteCsv(), "s");
}

void CmdColumnCount(TNokaBase& e) { SetSoreTyped(e, FormatInt(PopArgTable(e)->Width()), "e"); }

// ---- Whole tables ----

void CmdRemoveDuplicates(TNokaBase& e) {
  int col = PopColumnNumber(e);
  std::string store;
  TCsvDb db = ParseTable(PopArgView(e, store), false);
  RemoveDuplicateRows(db, col);
  SetSoreValue(e, db.WriteCsv());
}

void CmdKeyJoin(TNokaBase& e) {
  int key2 = PopColumnNumber(e);
  std::string table2 = PopArgValue(e);
  int key1 = PopColumnNumber(e);
  std::string table1 = PopArgValue(e);
  bool fn = FieldNamesOn(e);
  TCsvDb t1 = ParseTable(table1, fn);
  JoinTables(t1, key1, ParseTable(table2, fn), key2);
  SetSoreTyped(e, t1.WriteCsv(), "s");
}

void CmdTranspose(TNokaBase& e) { SetSoreTyped(e, Transposed(*PopArgTable(e)).WriteCsv(), "s"); }

void CmdToTab(TNokaBase& e) { SetSoreTyped(e, PopArgTable(e)->WriteTab(), "s"); }

void CmdToComma(TNokaBase& e) {
  TCsvDb db;
  db.ReadTab(PopArgValue(e));
  SetSoreTyped(e, db.WriteCsv(), "s");
}


using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::表ピックアップ, CmdPick},
    {Id::表完全一致ピックアップ, CmdPickExact},
    {Id::表条件抽出, CmdExtract},
    {Id::表検索, CmdSearch},
    {Id::表曖昧検索, CmdFuzzySearch},
    {Id::表検索次の値, CmdSearchNext},
    {Id::表検索クリア, CmdSearchClear},
    {Id::表最大値, CmdMax},
    {Id::表最小値, CmdMin},
    {Id::表平均値, CmdAverage},
    {Id::表合計, CmdSum},
    {Id::表ソート, CmdSort},
    {Id::表数値ソート, CmdNumberSort},
    {Id::表日付ソート, CmdDateSort},
    {Id::表列挿入, CmdColumnInsert},
    {Id::表列削除, CmdColumnDelete},
    {Id::表重複項目削除, CmdRemoveDuplicates},
    {Id::表列コピー, CmdColumnCopy},
    {Id::表列貼付け, CmdColumnPaste},
    {Id::表キー合成, CmdKeyJoin},
    {Id::表行列交換, CmdTranspose},
    {Id::表列指定置換, CmdColumnReplace},
    {Id::表列移動, CmdColumnMove},
    {Id::表列数, CmdColumnCount},
    {Id::タブ区切りに変換, CmdToTab},
    {Id::カンマ区切りに変換, CmdToComma},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/table/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kTableFamily{"table", kCommands, kMessages};

}  // namespace nokari
