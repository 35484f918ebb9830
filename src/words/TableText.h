// Table text: a table is text, rows separated by line breaks and cells by
// commas (or tabs). TCsvDbBase parses such text into rows of cells and
// writes it back. Element access (名前#i, 名前#i#j), 区切る, 要素数 and every
// 表 command share it, so it sits with the values rather than in the table
// family (lib/table keeps the commands and TableOps).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nokari {

// One row: an ordered list of cells; an empty cell is the same as an absent
// one, and reading past the end gives "".
class TCsvCells {
 public:
  std::vector<std::string> Cells;
  int Count() const { return static_cast<int>(Cells.size()); }
  const std::string& Get(int col) const;
  void Set(int col, std::string text);
};

class TCsvDbBase {
 public:
  std::vector<TCsvCells> Rows;
  bool FieldNames = false;  // row 0 holds field names

  // Replaces the whole table with the parsed text.
  void ReadCsv(std::string_view text) { ReadText(text, ','); }
  void ReadTab(std::string_view text) { ReadText(text, '\t'); }
  void ReadText(std::string_view text, char sep);
  std::string WriteCsv() const { return WriteText(','); }
  std::string WriteTab() const { return WriteText('\t'); }
  std::string WriteText(char sep) const;

  int RowCount() const { return static_cast<int>(Rows.size()); }
  int CellCount(int row) const;
  const std::string& Cell(int row, int col) const;
  // Pads missing rows and cells.
  void SetCell(int row, int col, std::string text);
  // One row written back as a CSV line (no line end).
  std::string RowLine(int row, char sep = ',') const;
  // Replaces a row by the cells of a CSV line (pads missing rows).
  void SetRowLine(int row, std::string_view line, char sep = ',');
  int Width() const;
};

// One row as WriteText writes it: `width` cells (the row's own, "" beyond
// them) separated by `sep`, then CR LF.
void AppendRowText(std::string& out, const TCsvCells& row, int width, char sep = ',');
// The same with only the row's first `own` cells its own (a row whose
// trailing cells are taken as dropped).
void AppendRowText(std::string& out, const TCsvCells& row, int own, int width, char sep);

// Reads the one CSV row that `text` holds, which ends in CR LF. True when
// the row ends exactly at that CR LF: the row then reads the same wherever
// such a text stands among others that end so (reading a row looks no
// further than its own line end). False for a text holding more than one
// row or a quoted cell left open.
bool ReadCsvRow(std::string_view text, TCsvCells& row);

// Where the rows of a CSV text start, kept beside a word's value while the
// text is exactly what writing its own parsed table gives (see
// AssignElement): a cell written then changes one row's text alone.
struct TCsvLayout {
  uint64_t Version = ~0ull;      // the word's Version it describes
  std::vector<size_t> RowStarts;  // one a row, then the text's length
  int Width = 0;                  // cells written in every row
  size_t FullRows = 0;            // rows that read back with Width cells
};

// A cell written for CSV output: quotes doubled and enclosed when it holds a
// quote; else enclosed when it holds the separator, a line break or "ID"
// (a file starting with ID would be taken for another format by spreadsheets).
// Edge spaces are not protected: the reader trims cells, quoted or not.
std::string QuoteCell(std::string_view cell, char sep = ',');
// QuoteCell's text written onto the end of `out`; `out` returned.
std::string& AppendQuotedCell(std::string& out, std::string_view cell, char sep = ',');

}  // namespace nokari
