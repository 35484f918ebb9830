// グリッド: its own properties and its main value. The contents are CSV
// text both ways, row 0 being the grid's fixed title row.
#include <algorithm>

#include "parts/kinds/Shared.h"
#include "words/TableText.h"

namespace nokari::parts {
namespace {

// Every row as wide as the widest, so the grid gets a rectangle.
void FillFromCsv(PartHandle& grid, const std::string& csv) {
  TCsvDbBase table;
  table.ReadCsv(csv);
  size_t width = static_cast<size_t>(table.Width());
  std::vector<std::vector<std::string>> rows;
  rows.reserve(table.Rows.size());
  for (TCsvCells& row : table.Rows) {
    row.Cells.resize(width);
    rows.push_back(std::move(row.Cells));
  }
  grid.SetCells(rows);
}

std::string ContentsAsCsv(const PartHandle& grid) {
  TCsvDbBase table;
  for (std::vector<std::string>& row : grid.Cells()) table.Rows.push_back(TCsvCells{std::move(row)});
  return table.WriteCsv();
}

std::string GetContents(Part& part) { return ContentsAsCsv(part.Control); }

void SetContents(Part& part, const std::string& raw) {
  std::string value = Evaluated(part, raw);
  Store(part, value);
  FillFromCsv(part.Control, value);
}

// アイテム is the contents too, but not the object word's text.
void SetItemsCsv(Part& part, const std::string& raw) { FillFromCsv(part.Control, Evaluated(part, raw)); }

// The current row: a row of the grid, never the title row.
std::string GetCurrentRow(Part& part) { return FormatInt(part.Control.Value()); }
void SetCurrentRow(Part& part, const std::string& raw) {
  int n = NumberOf(Evaluated(part, raw));
  if (n >= 0 && n < part.Control.RowCount()) part.Control.SetValue(std::max(n, 1));
}

// 1 or more: cells editable (the in-place editor shows) and whole-row
// selection off; otherwise whole rows are selected and nothing is edited.
void SetCellEditing(Part& part, const std::string& raw) {
  bool on = NumberOf(Evaluated(part, raw)) >= 1;
  part.Control.SetEditable(on);
  part.Control.SetRowSelect(!on);
}

// Sorting on a title click: the grid does not report it back, so ソート
// can only be set.
void SetTitleSort(Part& part, const std::string& raw) { part.Control.SetSortOnTitleClick(FlagOf(Evaluated(part, raw))); }

constexpr PropertyRow kOwnRows[] = {
    {Prop::テキスト, GetContents, SetContents, "s"},
    {Prop::タイトル, GetStored, SetContents, "s"},
    {Prop::アイテム, GetContents, SetItemsCsv, "s"},
    {Prop::値, GetCurrentRow, SetCurrentRow, "e"},
    {Prop::編集, GetEditable, SetCellEditing, "e"},
    {Prop::ソート, nullptr, SetTitleSort, nullptr},
};
// 列 and 行 are the current cell's column and row.
constexpr auto kRows = JoinRows(kOwnRows, kBackColourRows, kFontRows, kCaretRows);

void AssignContents(Part& part, const std::string& value) { FillFromCsv(part.Control, value); }

}  // namespace

const KindBehaviour kGridBehaviour{kRows, GetContents, "s", AssignContents};

}  // namespace nokari::parts
