// The table reader and writer. Besides not crashing, a table read from any
// text must survive being written and read again unchanged (the writer
// quotes whatever the reader would otherwise take apart), for CSV and tab
// text alike. An empty cell is the same as an absent one, so rows compare
// without trailing empty cells and tables without trailing empty rows.
#include <cstdio>
#include <cstdlib>

#include "Targets.h"
#include "words/TableText.h"

using namespace nokari;

namespace {

std::vector<std::vector<std::string>> Normalized(const TCsvDbBase& table) {
  std::vector<std::vector<std::string>> rows;
  for (const auto& row : table.Rows) {
    std::vector<std::string> cells = row.Cells;
    while (!cells.empty() && cells.back().empty()) cells.pop_back();
    rows.push_back(std::move(cells));
  }
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  return rows;
}

void CheckRoundTrip(std::string_view text, char sep) {
  TCsvDbBase first;
  first.ReadText(text, sep);
  std::string written = first.WriteText(sep);
  TCsvDbBase second;
  second.ReadText(written, sep);
  if (Normalized(first) != Normalized(second)) {
    fprintf(stderr, "table changed by writing and reading again (separator %d)\n", sep);
    abort();
  }
  // One row written as a line and read back alone.
  for (int r = 0; r < first.RowCount() && r < 8; ++r) {
    TCsvDbBase line;
    line.SetRowLine(0, first.RowLine(r, sep), sep);
    TCsvDbBase original;
    original.Rows.push_back(first.Rows[r]);
    if (Normalized(line) != Normalized(original)) {
      fprintf(stderr, "row %d changed by RowLine and SetRowLine (separator %d)\n", r, sep);
      abort();
    }
  }
}

}  // namespace

int NokariFuzzCsv(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckRoundTrip(text, ',');
  CheckRoundTrip(text, '\t');
  return 0;
}
