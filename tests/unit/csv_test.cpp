// The table reader and writer. Regular CSV is checked against what Python's
// csv module yields for the same text; the rest pins this format's own rules.
#include <gtest/gtest.h>

#include "core/Encoding.h"
#include "words/TableText.h"

namespace nokari {
namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows Parse(std::string_view text, char sep = ',') {
  TCsvDbBase db;
  db.ReadText(text, sep);
  Rows out;
  for (const auto& r : db.Rows) out.push_back(r.Cells);
  return out;
}

TEST(Csv, RegularCsvMatchesPythonReader) {
  EXPECT_EQ(Parse("a,b\r\nc\r\n"), (Rows{{"a", "b"}, {"c"}}));
  EXPECT_EQ(Parse("\"x,y\",z\r\n"), (Rows{{"x,y", "z"}}));
  EXPECT_EQ(Parse("1,\"he said \"\"hi\"\"\",3\r\n"), (Rows{{"1", "he said \"hi\"", "3"}}));
  EXPECT_EQ(Parse("\"multi\r\nline\",2\r\nnext,row\r\n"),
            (Rows{{"multi\r\nline", "2"}, {"next", "row"}}));
  EXPECT_EQ(Parse("a,,b\r\n,c,d\r\n"), (Rows{{"a", "", "b"}, {"", "c", "d"}}));
  EXPECT_EQ(Parse("\"\",x\r\n"), (Rows{{"", "x"}}));
  EXPECT_EQ(Parse("a,b\nc,d"), (Rows{{"a", "b"}, {"c", "d"}}));
}

TEST(Csv, FormatRulesBeyondRegularCsv) {
  // Cells are trimmed, inside quotes too.
  EXPECT_EQ(Parse("  a , \" b \" ,c"), (Rows{{"a", "b", "c"}}));
  // Spaces between a closing quote and the separator are skipped.
  EXPECT_EQ(Parse("\"a\"  ,b"), (Rows{{"a", "b"}}));
  // A quote inside an unquoted field is text.
  EXPECT_EQ(Parse("ab\"c,d\""), (Rows{{"ab\"c", "d\""}}));
  // A trailing separator adds no cell; an empty line is a row without cells.
  EXPECT_EQ(Parse("a,\r\n\r\nb"), (Rows{{"a"}, {}, {"b"}}));
  // An unterminated quote runs to the end.
  EXPECT_EQ(Parse("\"abc,d\r\ne"), (Rows{{"abc,d\r\ne"}}));
  EXPECT_EQ(Parse(""), Rows{});
  // Quotes behind control characters: what they hold is trimmed as well.
  EXPECT_EQ(Parse(std::string("\x01\" \x01x \"")), (Rows{{"x"}}));
}

TEST(Csv, DoubleByteSecondBytesAreNotSyntax) {
  // ソ and 表 end in 0x5C; no CP932 second byte can be a comma or quote.
  std::string text = Sj("ソ表,\"能,ソ\"\r\n");
  EXPECT_EQ(Parse(text), (Rows{{Sj("ソ表"), Sj("能,ソ")}}));
  TCsvDbBase db;
  db.ReadCsv(text);
  EXPECT_EQ(db.WriteCsv(), text);
  // A stray lead byte before a quote or comma must not hide them.
  EXPECT_EQ(Parse("\"a\x83\",b\x83,c"), (Rows{{"a\x83", "b\x83", "c"}}));
}

TEST(Csv, WritingPadsRowsAndQuotes) {
  TCsvDbBase db;
  db.ReadCsv("a,b\r\nc");
  EXPECT_EQ(db.WriteCsv(), "a,b\r\nc,\r\n");
  // Same quoting as Python's writer for commas, quotes and line breaks.
  db.Rows.clear();
  db.SetCell(0, 0, "x,y");
  db.SetCell(0, 1, "z");
  db.SetCell(1, 0, "q\"t");
  db.SetCell(1, 1, "n\r\nl");
  EXPECT_EQ(db.WriteCsv(), "\"x,y\",z\r\n\"q\"\"t\",\"n\r\nl\"\r\n");
  EXPECT_EQ(QuoteCell("ID"), "\"ID\"");
  EXPECT_EQ(QuoteCell("VALID"), "\"VALID\"");
  EXPECT_EQ(TCsvDbBase().WriteCsv(), "");
}

TEST(Csv, QuotedEdgeQuotesSurviveRoundTrip) {
  TCsvDbBase db;
  db.SetCell(0, 0, "\"abc\"");
  db.SetCell(0, 1, "\"");
  std::string text = db.WriteCsv();
  TCsvDbBase back;
  back.ReadCsv(text);
  EXPECT_EQ(back.Cell(0, 0), "\"abc\"");
  EXPECT_EQ(back.Cell(0, 1), "\"");
}

TEST(Csv, CellAccessPadsAndReadsPastEnd) {
  TCsvDbBase db;
  db.SetCell(2, 3, "v");
  EXPECT_EQ(db.RowCount(), 3);
  EXPECT_EQ(db.CellCount(0), 0);
  EXPECT_EQ(db.Cell(2, 3), "v");
  EXPECT_EQ(db.Cell(2, 0), "");
  EXPECT_EQ(db.Cell(9, 9), "");
  EXPECT_EQ(db.Cell(-1, -1), "");
  EXPECT_EQ(db.Width(), 4);
  EXPECT_EQ(db.WriteCsv(), ",,,\r\n,,,\r\n,,,v\r\n");
  db.SetRowLine(4, "p,\"q,r\"");
  EXPECT_EQ(db.RowLine(4), "p,\"q,r\"");
  EXPECT_EQ(db.RowCount(), 5);
}

TEST(Csv, TabText) {
  // A LF alone ends a line too (tab text made on Linux); a CR alone does not.
  EXPECT_EQ(Parse("a\tb\t\r\n\r\nc\nd\t\"e\"", '\t'), (Rows{{"a", "b"}, {}, {"c"}, {"d", "\"e\""}}));
  EXPECT_EQ(Parse("x\ty\n\nz\rw\n", '\t'), (Rows{{"x", "y"}, {}, {"z\rw"}}));
  TCsvDbBase db;
  db.ReadCsv("\"x,y\",z\r\nw");
  EXPECT_EQ(db.WriteTab(), "x,y\tz\r\nw\t\r\n");
}

}  // namespace
}  // namespace nokari
