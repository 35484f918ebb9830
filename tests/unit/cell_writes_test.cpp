// 名前#列#行 は 値 writes one row where it stands when the text is in the
// form writing its table gives. Whatever the text and the writes, the value
// must be exactly what reading the whole text as a table, setting the cell
// and writing the table again gives (the long way, which EngineCaches::
// PlansOff keeps), and reads between writes (#i, #i#j) must see what that
// text reads as.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestHost.h"
#include "core/EngineCaches.h"
#include "core/Scan.h"
#include "words/Hash.h"
#include "words/TableText.h"
#include "words/Value.h"

namespace nokari {
namespace {

using testing::TestEngine;

// The long way, from the table engine alone.
std::string CellWrittenAnew(const std::string& text, int row, int col, const std::string& value) {
  TCsvDbBase table;
  table.ReadCsv(text);
  table.SetCell(row, col, value);
  return table.WriteCsv();
}

// 名前#i は 値: the text's lines with line i replaced, joined by CR LF.
std::string LineWrittenAnew(const std::string& text, size_t index, const std::string& value) {
  std::vector<std::string> lines;
  for (auto l : SplitLines(text)) lines.emplace_back(l);
  if (lines.size() <= index) lines.resize(index + 1);
  lines[index] = value;
  std::string joined;
  for (size_t k = 0; k < lines.size(); ++k) joined += (k ? "\r\n" : "") + lines[k];
  return joined;
}

struct Rng {
  uint32_t seed;
  uint32_t operator()(uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  }
};

// What the caches beside a value claim must hold of the text: the table
// kept is what the text reads as, cell for cell (the count of cells in a
// row shows in #i); the rows' starts are where writing that table puts its
// rows, and only for a text that writing gives back exactly.
bool LaidOut(const THashNode& var) {
  return var.Tables && var.Tables->CsvLayout && var.Tables->CsvLayout->Version == var.Version;
}

void ExpectCachesHold(const THashNode& var, const std::string& where) {
  TCsvDbBase fresh;
  fresh.ReadCsv(var.Value);
  if (const TCsvDbBase* kept = var.CurrentTable()) {
    ASSERT_EQ(kept->Rows.size(), fresh.Rows.size()) << where;
    for (size_t r = 0; r < fresh.Rows.size(); ++r)
      ASSERT_EQ(kept->Rows[r].Cells, fresh.Rows[r].Cells) << where << " row " << r;
  }
  if (LaidOut(var)) {
    const TCsvLayout& layout = *var.Tables->CsvLayout;
    ASSERT_EQ(fresh.WriteCsv(), var.Value) << where;
    ASSERT_EQ(layout.Width, fresh.Width()) << where;
    ASSERT_EQ(layout.RowStarts.size(), fresh.Rows.size() + 1) << where;
    ASSERT_EQ(layout.RowStarts.back(), var.Value.size()) << where;
    size_t full = 0;
    for (size_t r = 0; r < fresh.Rows.size(); ++r) {
      std::string line;
      AppendRowText(line, fresh.Rows[r], layout.Width);
      ASSERT_EQ(var.Value.substr(layout.RowStarts[r], layout.RowStarts[r + 1] - layout.RowStarts[r]), line)
          << where << " row " << r;
      if (fresh.Rows[r].Count() == layout.Width) ++full;
    }
    ASSERT_EQ(layout.FullRows, full) << where;
  }
}


void WriteCell(TestEngine& t, int row, int col, const std::string& value) {
  AssignStatement(t.e, "X#(" + std::to_string(col) + ")#(" + std::to_string(row) + ")", QuoteAsLiteral(value));
}

THashNode& VariableX(TestEngine& t) {
  THashNode* var = t.e.Words.Find("X");
  if (!var) var = CreateVariable(t.e, "X");
  return *var;
}

// Texts to start from: the writer's own form, and every way of leaving it
// (bare LF or CR, no last line end, an empty line at the end, edge blanks,
// quotes a writer would not write, a quoted line break, a short row whose
// empty cell ends it, a lead byte before a comma).
const std::vector<std::string> kStarts = {
    "",
    "a,b\r\n",
    "a,b\r\nc,d\r\n",
    "a,b",
    "a\nb\n",
    "a,b\r\n\r\n",
    "\r\n",
    "a,,\r\n",
    ",\r\n,\r\n",
    "x\r\ny,z\r\n",
    " a , b \r\n",
    "\"a\"  ,b\r\n",
    "\"x\r\ny\",z\r\n",
    "\"open,\r\nrow",
    "a\rb,c\r\n",
    "\"\"\"q\"\"\",\"ID\"\r\n",
    "\x82,x,\x82\xa0\r\n",
    "1,2,3\r\n4,5,6\r\n7,8,9\r\n",
};

// Values: plain, empty, needing quotes (separator, quote, line ends, ID),
// edge blanks and control characters (which read back otherwise), and
// double-byte text.
const std::vector<std::string> kValues = {
    "", "v", "long value", "a,b", "say \"hi\"", "\"", "\"\"", "x\r\ny", "lf\nonly", "cr\ronly", " edge", "edge ",
    "\t", "ID", "IDs,", "\x93\x8c\x8b\x9e", "\x82\xa0,", ",", "  ", "\"q", "q\"",
};

// Values without line ends, which the line write puts where they stand; a
// quote left open makes its row take the next lines when read.
const std::vector<std::string> kLineValues = {"", "v", "long value", "a,b", "\"q\",r", " x ", "\"open", "ID"};

// Many random sequences of cell writes (inside, at and far past the end;
// inside and past the width), with line writes, whole-text replacements and
// reads in between: every step's text is the long way's, with the fast path
// and with it turned off.
TEST(CellWrites, InPlaceAgreesWithTheLongWay) {
  TestEngine fast, slow;
  slow.e.Caches->PlansOff = true;
  Rng next{20261209};
  size_t laidOutWrites = 0;
  for (const std::string& start : kStarts) {
    for (int round = 0; round < 30; ++round) {
      THashNode& a = VariableX(fast);
      THashNode& b = VariableX(slow);
      a.SetValue(start);
      b.SetValue(start);
      std::string expected = start;
      for (int step = 0; step < 30; ++step) {
        const std::string where = "start " + ::testing::PrintToString(start) + " round " +
                                  std::to_string(round) + " step " + std::to_string(step);
        uint32_t kind = next(20);
        if (kind == 0) {  // replaced as a whole
          expected = kStarts[next(static_cast<uint32_t>(kStarts.size()))];
          a.SetValue(expected);
          b.SetValue(expected);
        } else if (kind == 1) {  // lines written, read between: the first puts the text in line form
          for (uint32_t n = 1 + next(3); n > 0; --n) {
            if (next(2)) ElementValue(fast.e, a, 0, true, 0);
            size_t index = next(6);
            const std::string& value = kLineValues[next(static_cast<uint32_t>(kLineValues.size()))];
            expected = LineWrittenAnew(expected, index, value);
            for (TestEngine* t : {&fast, &slow})
              AssignStatement(t->e, "X#(" + std::to_string(index) + ")", QuoteAsLiteral(value));
            ASSERT_EQ(a.Value, expected) << where;
            ExpectCachesHold(a, where);
          }
        } else if (kind < 6) {  // reads, which keep the table beside the text
          TCsvDbBase table;
          table.ReadCsv(expected);
          int64_t row = next(8), col = next(5);
          std::string cell = row < table.RowCount() ? table.Cell(static_cast<int>(row), static_cast<int>(col)) : "";
          ASSERT_EQ(ElementValue(fast.e, a, col, true, row), cell) << where;
          std::string line = row >= table.RowCount()          ? ""
                             : table.CellCount(static_cast<int>(row)) == 1 ? table.Cell(static_cast<int>(row), 0)
                                                                      : table.RowLine(static_cast<int>(row));
          ASSERT_EQ(ElementValue(fast.e, a, row, false, -1), line) << where;
        } else {  // a cell written, most often in or just past the last row
          TCsvDbBase table;
          table.ReadCsv(expected);
          int row = next(3) ? table.RowCount() - 1 + static_cast<int>(next(3)) : static_cast<int>(next(9));
          if (row < 0) row = 0;
          int col = static_cast<int>(next(next(4) ? 3 : 6));
          const std::string& value = kValues[next(static_cast<uint32_t>(kValues.size()))];
          if (LaidOut(a)) ++laidOutWrites;
          expected = CellWrittenAnew(expected, row, col, value);
          WriteCell(fast, row, col, value);
          WriteCell(slow, row, col, value);
        }
        ASSERT_EQ(a.Value, expected) << where;
        ASSERT_EQ(b.Value, expected) << where;
        ExpectCachesHold(a, where);
      }
    }
  }
  // The fast path was taken, not only the long way.
  EXPECT_GT(laidOutWrites, 500u);
}

// A table filled row by row, three cells a row, read back as it grows: the
// rows' starts and the table stay beside the text from the second row on,
// and the text is the long way's all along.
TEST(CellWrites, GrowingTableStaysInPlace) {
  TestEngine t;
  THashNode& x = VariableX(t);
  x.SetValue("");
  std::string expected;
  for (int row = 0; row < 300; ++row) {
    const std::string values[3] = {std::to_string(row), row % 7 ? "a,b" : "say \"hi\"", row % 5 ? "" : "x\r\ny"};
    for (int col = 0; col < 3; ++col) {
      expected = CellWrittenAnew(expected, row, col, values[col]);
      WriteCell(t, row, col, values[col]);
      ASSERT_EQ(ElementValue(t.e, x, col, true, row), values[col]) << row;
    }
    ASSERT_EQ(x.Value, expected) << row;
    if (row > 0) {
      ASSERT_TRUE(LaidOut(x)) << row;
    }
    ASSERT_TRUE(x.CurrentTable()) << row;
  }
  ExpectCachesHold(x, "end");
  // A write inside, shorter and longer than what it replaces, moves the
  // rows after it.
  for (const std::string& value : {std::string("zz"), std::string(), std::string("much longer value, quoted")}) {
    expected = CellWrittenAnew(expected, 17, 1, value);
    WriteCell(t, 17, 1, value);
    ASSERT_EQ(x.Value, expected);
    ExpectCachesHold(x, "inside");
    ASSERT_TRUE(LaidOut(x));
  }
  expected = CellWrittenAnew(expected, 299, 1, "last");
  WriteCell(t, 299, 1, "last");
  EXPECT_EQ(x.Value, expected);
}

// Where the fast path must step aside, and what it leaves for the next
// write.
TEST(CellWrites, LeavesTheFormItCannotKeep) {
  TestEngine t;
  THashNode& x = VariableX(t);
  // A text in another form takes the long way, which gives the writer's
  // form: the next write is in place.
  x.SetValue("a,b\nc,d");
  WriteCell(t, 2, 0, "e");
  EXPECT_EQ(x.Value, "a,b\r\nc,d\r\ne,\r\n");
  WriteCell(t, 2, 1, "f");
  EXPECT_EQ(x.Value, "a,b\r\nc,d\r\ne,f\r\n");
  EXPECT_TRUE(LaidOut(x));
  // A column past the width: every row widens.
  WriteCell(t, 0, 2, "g");
  EXPECT_EQ(x.Value, "a,b,g\r\nc,d,\r\ne,f,\r\n");
  // A value with an edge blank is written as it stands but reads back
  // trimmed: the text is no longer its table's writing, the table read
  // from it still is what reads see.
  WriteCell(t, 1, 0, " c");
  EXPECT_EQ(x.Value, "a,b,g\r\n c,d,\r\ne,f,\r\n");
  EXPECT_FALSE(LaidOut(x));
  EXPECT_EQ(ElementValue(t.e, x, 0, true, 1), "c");
  ExpectCachesHold(x, "edge blank");
  WriteCell(t, 1, 1, "D");
  EXPECT_EQ(x.Value, "a,b,g\r\nc,D,\r\ne,f,\r\n");
  // Emptying the last cell of the one row that made the width narrows the
  // table the next write reads.
  WriteCell(t, 0, 2, "");
  EXPECT_EQ(x.Value, "a,b,\r\nc,D,\r\ne,f,\r\n");
  EXPECT_FALSE(LaidOut(x));
  WriteCell(t, 0, 0, "A");
  EXPECT_EQ(x.Value, "A,b\r\nc,D\r\ne,f\r\n");
  // A line write in between is seen by the next cell write.
  AssignStatement(t.e, "X#(1)", QuoteAsLiteral("p,q,r"));
  WriteCell(t, 1, 0, "P");
  EXPECT_EQ(x.Value, "A,b,\r\nP,q,r\r\ne,f,\r\n");
}

// A list grown line by line and read back as it grows: the table kept for
// reads follows each line written, so reading does not parse the whole
// text again; a line that would join the next when read drops it.
TEST(CellWrites, LineWritesKeepTheTableForReads) {
  TestEngine t;
  THashNode& x = VariableX(t);
  x.SetValue("");
  std::string expected;
  for (int line = 0; line < 200; ++line) {
    const std::string value = line % 3 ? std::to_string(line) : "a" + std::to_string(line) + ",\"b\"";
    expected = LineWrittenAnew(expected, static_cast<size_t>(line), value);
    AssignStatement(t.e, "X#(" + std::to_string(line) + ")", QuoteAsLiteral(value));
    ASSERT_EQ(x.Value, expected);
    if (line > 0) {
      ASSERT_TRUE(x.CurrentTable()) << line;
    }
    TCsvDbBase table;
    table.ReadCsv(expected);
    ASSERT_EQ(ElementValue(t.e, x, line, false, -1),
              table.CellCount(line) == 1 ? table.Cell(line, 0) : table.RowLine(line));
    ASSERT_EQ(ElementValue(t.e, x, 1, true, line), table.Cell(line, 1)) << line;
  }
  ExpectCachesHold(x, "grown");
  // Written inside, and far past the end (empty rows between).
  for (auto [index, value] : {std::pair<int, std::string>{5, "p,q"}, {250, "far"}, {0, ""}}) {
    expected = LineWrittenAnew(expected, static_cast<size_t>(index), value);
    AssignStatement(t.e, "X#(" + std::to_string(index) + ")", QuoteAsLiteral(value));
    ASSERT_EQ(x.Value, expected);
    ASSERT_TRUE(x.CurrentTable()) << index;
    ExpectCachesHold(x, "line " + std::to_string(index));
  }
  // An empty last line is no row when the text is read.
  for (int index : {252, 250}) {
    ElementValue(t.e, x, 0, true, 0);
    expected = LineWrittenAnew(expected, static_cast<size_t>(index), "");
    AssignStatement(t.e, "X#(" + std::to_string(index) + ")", QuoteAsLiteral(""));
    ASSERT_EQ(x.Value, expected);
    ExpectCachesHold(x, "empty last line " + std::to_string(index));
    AssignStatement(t.e, "X#(" + std::to_string(index) + ")", QuoteAsLiteral("back"));
    expected = LineWrittenAnew(expected, static_cast<size_t>(index), "back");
  }
  // A quote left open: the row would run on into the next line.
  AssignStatement(t.e, "X#(3)", QuoteAsLiteral("\"open"));
  EXPECT_FALSE(x.CurrentTable());
  TCsvDbBase table;
  table.ReadCsv(x.Value);
  EXPECT_EQ(ElementValue(t.e, x, 0, true, 3), table.Cell(3, 0));
  ExpectCachesHold(x, "open quote");
}

}  // namespace
}  // namespace nokari
