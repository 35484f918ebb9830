// Table operations behind the 表 commands.
#include <gtest/gtest.h>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "lib/pattern/Wildcard.h"
#include "lib/table/TableOps.h"
#include "words/Contract.h"

namespace nokari {
namespace {

TCsvDb Db(std::string_view text, bool fieldNames = false) {
  TCsvDb db;
  db.ReadCsv(text);
  db.FieldNames = fieldNames;
  return db;
}

TEST(TableColumns, InsertDeleteMovePaste) {
  TCsvDb db = Db("a,b,c\r\nd\r\n");
  db.InsertColumn(1);
  EXPECT_EQ(db.WriteCsv(), "a,,b,c\r\nd,,,\r\n");
  db.DeleteColumn(0);
  EXPECT_EQ(db.WriteCsv(), ",b,c\r\n,,\r\n");
  db = Db("a,b,c\r\nd\r\n");
  db.InsertColumn(3, {"x", "y", "z"});  // short row padded; items beyond rows unused
  EXPECT_EQ(db.WriteCsv(), "a,b,c,x\r\nd,,,y\r\n");
  db = Db("a,b,c\r\nd,e\r\n");
  db.MoveColumn(0, 2);  // the short row cannot hold index 2 and stays
  EXPECT_EQ(db.WriteCsv(), "b,c,a\r\nd,e,\r\n");
}

TEST(TableColumns, TransposeDropsBlankEdges) {
  TCsvDb db = Db("\r\n1,2,\r\n3,4, \r\n , \r\n");
  EXPECT_EQ(db.Transposed().WriteCsv(), ",1,3\r\n,2,4\r\n");
  db.RemoveBlankEdges();
  EXPECT_EQ(db.RowCount(), 2);
  EXPECT_EQ(db.WriteCsv(), "1,2\r\n3,4\r\n");
}

TEST(TableSearch, StepsThroughHitsThenStaysAtMinusOne) {
  TFindCsv find;
  find.Table = std::make_shared<TCsvDb>(Db("name,n\r\nabc,1\r\nxbz,2\r\nabc,3\r\n", true));
  find.Key = "abc";
  find.Column = 0;
  find.StartRow = 1;
  EXPECT_EQ(find.Next(), 1);
  EXPECT_EQ(find.Next(), 3);
  EXPECT_EQ(find.Next(), -1);
  EXPECT_EQ(find.Next(), -1);

  find.Fuzzy = true;  // containment on the whole CSV line
  find.Key = "b";
  find.Column = -1;
  find.StartRow = 0;
  EXPECT_EQ(find.Next(), 1);
  find.Key = "x?z*";  // wildcard
  find.StartRow = 0;
  EXPECT_EQ(find.Next(), 2);
  find.Clear();
  EXPECT_EQ(find.Next(), -1);
}

TEST(TableSearch, ExactAnyCellForColumnMinusOne) {
  TCsvDb db = Db("a,b\r\nc,abc\r\n");
  EXPECT_EQ(db.FindRow(0, -1, "abc", TCsvDb::Match::Exact), 1);
  EXPECT_EQ(db.FindRow(0, -1, "ab", TCsvDb::Match::Exact), -1);
  EXPECT_EQ(db.FindRow(0, 1, "ab", TCsvDb::Match::Contains), 1);
}

TEST(TablePick, ColumnAndLines) {
  TCsvDb db = Db("name,v\r\napple,1\r\nbanana,2\r\ngrape,3\r\n", true);
  EXPECT_EQ(PickColumn(db, 0, "ap", false), "name,v\r\napple,1\r\ngrape,3\r\n");
  EXPECT_EQ(PickColumn(db, 0, "b*", false), "name,v\r\nbanana,2\r\n");
  EXPECT_EQ(PickColumn(db, 0, "ap", true), "name,v\r\n");
  EXPECT_EQ(PickColumn(db, 0, "apple", true), "name,v\r\napple,1\r\n");
  EXPECT_EQ(PickLines("name\r\nnap\r\nx\nap2", "ap", true), "nap\r\nap2\r\n");
}

TEST(TableSort, StableWithHeaderKept) {
  TCsvDb db = Db("k,v\r\nb,1\r\na,2\r\nb,0\r\na,1\r\n", true);
  SortRows(db, 0, SortKey::Text, 2000);
  EXPECT_EQ(db.WriteCsv(), "k,v\r\na,2\r\na,1\r\nb,1\r\nb,0\r\n");
  db = Db("10\r\n9\r\n-1.5\r\nx\r\n");
  SortRows(db, 0, SortKey::Number, 2000);
  EXPECT_EQ(db.WriteCsv(), "-1.5\r\nx\r\n9\r\n10\r\n");
  db = Db("2004/01/02\r\n2003/12/31 23:00\r\nnot a date\r\n");
  SortRows(db, 0, SortKey::Date, 2000);
  EXPECT_EQ(db.WriteCsv(), "not a date\r\n2003/12/31 23:00\r\n2004/01/02\r\n");
}

TEST(TableSort, LargeStableSortKeepsEqualRowsInOrder) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += std::to_string(i % 3) + "," + std::to_string(i) + "\r\n";
  TCsvDb db = Db(text);
  SortRows(db, 0, SortKey::Number, 2000);
  int last = -1;
  for (int r = 0; r < 34; ++r) {
    int id = std::stoi(db.Cell(r, 1));
    EXPECT_EQ(db.Cell(r, 0), "0");
    EXPECT_GT(id, last);
    last = id;
  }
}

TEST(TableRows, DuplicatesJoinReplace) {
  TCsvDb db = Db("k,v\r\na,1\r\nk,2\r\na,3\r\n");
  RemoveDuplicateRows(db, 0);  // removes the row equal to row 0 too
  EXPECT_EQ(db.WriteCsv(), "k,v\r\na,1\r\n");
  db = Db("a,1\r\na,1\r\na,2\r\n");
  RemoveDuplicateRows(db, -1);
  EXPECT_EQ(db.WriteCsv(), "a,1\r\na,2\r\n");

  TCsvDb t1 = Db("id,name\r\n1,A\r\n2,B\r\n3,C\r\n", true);
  TCsvDb t2 = Db("price,id\r\n100,2\r\n200,1\r\n300,2\r\n", true);
  JoinTables(t1, 0, t2, 1);
  EXPECT_EQ(t1.WriteCsv(), "id,name,price\r\n1,A,200\r\n2,B,100\r\n3,C,\r\n");

  db = Db("aXa,b\r\nX\r\n");
  ReplaceInColumn(db, 0, "X", "YY");
  ReplaceInColumn(db, 1, "b", "c");
  EXPECT_EQ(db.WriteCsv(), "aYYa,c\r\nYY,\r\n");
}

TEST(TableAggregate, EmptyCellsCountAsZeroExceptForMinimum) {
  TCsvDb db = Db("v\r\n4\r\n\r\n-2\r\n8\r\n", true);
  // The blank line is a row without cells: it still counts.
  EXPECT_EQ(AggregateColumn(db, 0, Aggregate::Sum), 10);
  EXPECT_EQ(AggregateColumn(db, 0, Aggregate::Average), 2.5);
  EXPECT_EQ(AggregateColumn(db, 0, Aggregate::Max), 8);
  EXPECT_EQ(AggregateColumn(db, 0, Aggregate::Min), -2);
  db = Db("5\r\n,\r\n7\r\n");
  EXPECT_EQ(AggregateColumn(db, 0, Aggregate::Min), 5);
  EXPECT_EQ(AggregateColumn(Db("x\r\n", true), 0, Aggregate::Average), 0);
}

TEST(TableCondition, AndOrGroupToTheRight) {
  std::string table = Sj("名前,価格\r\nApple,150\r\nBanana,120\r\nAvocado,90\r\nCherry,300\r\n");
  EXPECT_EQ(ExtractRows(table, Sj("価格 >= 100 かつ 名前 = \"A*\""), 2000),
            Sj("名前,価格\r\nApple,150\r\n"));
  // Full-width operators and 「」 are mapped first.
  EXPECT_EQ(ExtractRows(table, Sj("価格＜１００"), 2000), Sj("名前,価格\r\nAvocado,90\r\n"));
  // A AND B OR C means A AND (B OR C).
  EXPECT_EQ(ExtractRows(table, Sj("価格>100 AND 名前=\"C*\" OR 名前=\"B*\""), 2000),
            Sj("名前,価格\r\nBanana,120\r\nCherry,300\r\n"));
  EXPECT_EQ(ExtractRows(table, Sj("(価格<100 OR 価格>200) and 名前<>\"C*\""), 2000),
            Sj("名前,価格\r\nAvocado,90\r\n"));
  EXPECT_EQ(ExtractRows(table, Sj("名前 > `B`"), 2000), Sj("名前,価格\r\nBanana,120\r\nCherry,300\r\n"));
}

TEST(TableCondition, AWordWithoutQuotesIsText) {
  std::string table = Sj("名前,都市,n\r\n田中,東京,1\r\n佐藤,大阪,\r\n鈴木,東京,-2\r\n");
  // Compared as numbers, 東京 and every city were 0 and every row matched.
  EXPECT_EQ(ExtractRows(table, Sj("都市 = 東京"), 2000), Sj("名前,都市,n\r\n田中,東京,1\r\n鈴木,東京,-2\r\n"));
  EXPECT_EQ(ExtractRows(table, Sj("都市 <> 東京"), 2000), Sj("名前,都市,n\r\n佐藤,大阪,\r\n"));
  EXPECT_EQ(ExtractRows(table, Sj("名前 = 佐* または 名前 = 鈴木"), 2000),
            Sj("名前,都市,n\r\n佐藤,大阪,\r\n鈴木,東京,-2\r\n"));
  // Numbers, signed or not, still compare as numbers (an empty cell is 0).
  EXPECT_EQ(ExtractRows(table, Sj("n < 1"), 2000), Sj("名前,都市,n\r\n佐藤,大阪,\r\n鈴木,東京,-2\r\n"));
  EXPECT_EQ(ExtractRows(table, Sj("n = -2"), 2000), Sj("名前,都市,n\r\n鈴木,東京,-2\r\n"));
  EXPECT_EQ(ExtractRows(table, Sj("n > .5"), 2000), Sj("名前,都市,n\r\n田中,東京,1\r\n"));
  // A quoted value may hold spaces.
  table = Sj("名前,n\r\n佐藤 太郎,1\r\n佐藤,2\r\n");
  EXPECT_EQ(ExtractRows(table, Sj("名前 = 『佐藤 太郎』 or n = 2"), 2000), table);
  EXPECT_EQ(ExtractRows(table, Sj("名前 = \"佐藤 *\""), 2000), Sj("名前,n\r\n佐藤 太郎,1\r\n"));
}

TEST(TableCondition, DatesAndErrors) {
  std::string table = Sj("日,n\r\n2004/01/01,1\r\nbad,2\r\n2004/03/01,3\r\n\r\n");
  EXPECT_EQ(ExtractRows(table, Sj("日 >= #2004/02/01"), 2000), Sj("日,n\r\n2004/03/01,3\r\n"));
  EXPECT_EQ(ExtractRows(table, Sj("日 >= #nonsense"), 2000), Sj("日,n\r\n"));
  try {
    ExtractRows(table, Sj("日 =< 1 or x = 1"), 2000);
    FAIL();
  } catch (const TConditionError& err) {
    EXPECT_EQ(err.Text, Sj("フィールド名\"x\"が見つかりません。"));
  }
  EXPECT_THROW(ExtractRows(table, Sj("n <<= 1"), 2000), TConditionError);
  EXPECT_THROW(ExtractRows(table, Sj("n"), 2000), TConditionError);
}

// The commands read a variable's table as it stands, without a copy to
// change: sorting writes the rows in order with the blank edges left out,
// picking and extraction write the rows chosen. Random tables (blank and
// blank-looking edge rows, ragged rows, cells of spaces, which a parse never
// gives but a table built cell by cell can hold) must give what the copy
// changed and written gives.
struct Rng {
  uint32_t seed;
  uint32_t operator()(uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  }
};

TCsvDb RandomTable(Rng& next) {
  static const std::vector<std::string> kCells = {"", " ", "a", "b", "ab", "10", "9", "-1.5", "x,y", "\"q\"",
                                                  "2004/01/02", "2003/12/31", "ID", "k", "v"};
  TCsvDb db;
  db.Rows.resize(next(9));
  for (auto& row : db.Rows) {
    row.Cells.resize(next(5));
    for (auto& cell : row.Cells) cell = kCells[next(static_cast<uint32_t>(kCells.size()))];
  }
  return db;
}

TEST(TableNoCopy, SortPickExtractAgreeWithTheCopyChanged) {
  Rng next{4242};
  for (int round = 0; round < 4000; ++round) {
    TCsvDb db = RandomTable(next);
    const bool fieldNames = next(2);
    db.FieldNames = fieldNames;
    const int col = static_cast<int>(next(4));
    const std::string where = "round " + std::to_string(round) + ": " + db.WriteCsv();
    for (SortKey key : {SortKey::Text, SortKey::Number, SortKey::Date}) {
      TCsvDb copy = db;
      copy.RemoveBlankEdges();
      SortRows(copy, col, key, 2000);
      ASSERT_EQ(SortedText(db, fieldNames, col, key, 2000), copy.WriteCsv()) << where;
    }
    for (const char* pattern : {"a", "b*", "ab", "?"}) {
      for (bool exact : {false, true}) {
        TCsvDb picked;
        if (fieldNames && db.RowCount() > 0) picked.Rows.push_back(db.Rows[0]);
        for (int r = fieldNames ? 1 : 0; r < db.RowCount(); ++r) {
          const std::string& cell = db.Cell(r, col);
          bool hit = HasWildcard(pattern) ? WildcardMatch(cell, pattern)
                     : exact                ? cell == pattern
                                            : FindChar(cell, pattern) != std::string_view::npos;
          if (hit) picked.Rows.push_back(db.Rows[r]);
        }
        ASSERT_EQ(PickColumn(db, fieldNames, col, pattern, exact), picked.WriteCsv()) << where << pattern;
      }
    }
    // The header is row 0 whatever the setting; rows without cells never match.
    if (db.RowCount() > 0 && db.Rows[0].Count() > 0) {
      std::string field = db.Rows[0].Cells[0];
      if (field.empty() || field.find_first_of(" ,\"") != std::string::npos) continue;
      TCsvDb extracted;
      extracted.Rows.push_back(db.Rows[0]);
      for (int r = 1; r < db.RowCount(); ++r)
        if (db.Rows[r].Count() > 0 && ToNumber(db.Rows[r].Get(0)) >= 1) extracted.Rows.push_back(db.Rows[r]);
      ASSERT_EQ(ExtractRows(db, field + " >= 1", 2000), extracted.WriteCsv()) << where;
    }
  }
}

TEST(TableText, LinesAndReplace) {
  EXPECT_EQ(SplitLines("a\r\nb\rc\n\nd\r\n"), (std::vector<std::string>{"a", "b", "c", "", "d"}));
  EXPECT_EQ(JoinLines({"a", ""}), "a\r\n\r\n");
  EXPECT_EQ(ReplaceAll(Sj("ソ\\ソ"), "\\", "/"), Sj("ソ/ソ"));  // 0x5C second byte kept
  EXPECT_EQ(ReplaceAll("aaa", "", "x"), "aaa");
}

}  // namespace
}  // namespace nokari
