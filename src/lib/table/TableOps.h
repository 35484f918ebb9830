// Operations of the 表 commands on parsed tables, kept free of the engine so
// that they can be tested directly. The command wrappers live in
// TableCommands.cpp.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "words/TableText.h"

namespace nokari {

// A working table with the column and search operations of the commands.
class TCsvDb : public TCsvDbBase {
 public:
  int FirstDataRow() const { return FieldNames ? 1 : 0; }

  // Inserts an empty cell at `index` in every row (short rows padded first).
  void InsertColumn(int index);
  // Same, row i receiving items[i] ("" beyond the list).
  void InsertColumn(int index, const std::vector<std::string>& items);
  // Rows shorter than the index are untouched.
  void DeleteColumn(int index);
  // In every row long enough for both indexes, the cell at `from` is taken
  // out and inserted at `to`.
  void MoveColumn(int from, int to);
  // Drops leading and trailing blank rows, then the trailing blank cells of
  // the first and last rows left.
  void RemoveBlankEdges();
  TCsvDb Transposed() const;

  enum class Match { Exact, Contains, Wildcard };
  // First row from `start` matching the key in column `col` (-1: any cell
  // for Exact, the row's CSV line otherwise); -1 when none.
  int FindRow(int start, int col, std::string_view key, Match how) const;
};

// The operations that only read a table take it as it is kept beside a
// variable's value (words/Value.h KeptTable), never copied, with the field
// names setting beside it; the TCsvDb forms read db.FieldNames.
TCsvDb Transposed(const TCsvDbBase& db);
int FindRow(const TCsvDbBase& db, int start, int col, std::string_view key, TCsvDb::Match how);

// Lines of a list value: separated by CR LF, CR or LF; a final line end
// adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);
// Every line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// Occurrences of `from` replaced by `to`, on character boundaries; an empty
// `from` changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// 表ピックアップ / 表完全一致ピックアップ for column >= 0: the header (with
// field names) and the data rows whose cell matches, as CSV.
std::string PickColumn(const TCsvDb& db, int col, std::string_view pattern, bool exact);
std::string PickColumn(const TCsvDbBase& db, bool fieldNames, int col, std::string_view pattern, bool exact);
// 表ピックアップ for column -1: plain lines that match, each with CR LF.
std::string PickLines(std::string_view text, std::string_view pattern, bool fieldNames);

enum class SortKey { Text, Number, Date };
// Stable ascending sort of the data rows by the cell in `col`; dates are
// read with `defaultYear` for dates written without a year.
void SortRows(TCsvDb& db, int col, SortKey key, int defaultYear);
// The CSV text of the table with its blank edges removed (RemoveBlankEdges)
// and its rows sorted so, written from the table as it stands.
std::string SortedText(const TCsvDbBase& db, bool fieldNames, int col, SortKey key, int defaultYear);

// Keeps the first of every group of rows with equal keys (column -1: the
// whole CSV line). Every row takes part, header or not.
void RemoveDuplicateRows(TCsvDb& db, int col);

// 表キー合成: appends table 2's cells (minus its key column) to the rows of
// table 1 with an equal key.
void JoinTables(TCsvDb& t1, int key1, const TCsvDb& t2, int key2);

// Every occurrence of `from` in the column's cells replaced, header included.
void ReplaceInColumn(TCsvDb& db, int col, std::string_view from, std::string_view to);

enum class Aggregate { Max, Min, Sum, Average };
long double AggregateColumn(const TCsvDb& db, int col, Aggregate kind);
long double AggregateColumn(const TCsvDbBase& db, bool fieldNames, int col, Aggregate kind);

// A failed condition: its CP932 text, shown after the parse-error prefix.
struct TConditionError {
  std::string Text;
};
// 表条件抽出: the header and the rows satisfying the condition, as CSV.
// Throws TConditionError.
std::string ExtractRows(std::string_view table, std::string_view condition, int defaultYear);
std::string ExtractRows(const TCsvDbBase& db, std::string_view condition, int defaultYear);

// Search state kept between 表検索, 表曖昧検索 and 表検索次の値.
struct TFindCsv {
  // Shared with the searched variable when it lent its table: kept as it
  // was when the search began, whatever the variable becomes.
  std::shared_ptr<const TCsvDbBase> Table;
  std::string Key;
  int Column = -1;
  int StartRow = 0;
  bool Fuzzy = false;

  void Clear();
  // One search step: the hit's row index, or -1 (and later steps stay -1).
  int Next();
};

}  // namespace nokari
