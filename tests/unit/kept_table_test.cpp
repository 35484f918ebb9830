// Table commands on a variable read the table kept beside its value
// (KeptTable) instead of parsing the text again. The table must always be
// what the text reads as now; one lent to a command that keeps it (a
// search) must stay what the text read as when it was lent, whatever is
// written to the variable afterwards; and a long text keeps no table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestHost.h"
#include "words/Contract.h"
#include "words/Hash.h"
#include "words/TableText.h"
#include "words/Value.h"

namespace nokari {
namespace {

using testing::TestEngine;

struct Rng {
  uint32_t seed;
  uint32_t operator()(uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  }
};

using Cells = std::vector<std::vector<std::string>>;

Cells CellsOf(const TCsvDbBase& table) {
  Cells out;
  for (const auto& row : table.Rows) out.push_back(row.Cells);
  return out;
}

Cells Parsed(std::string_view text) {
  TCsvDbBase table;
  table.ReadCsv(text);
  return CellsOf(table);
}

THashNode& Variable(TestEngine& t, const std::string& name) {
  THashNode* var = t.e.Words.Find(name);
  if (!var) var = CreateVariable(t.e, name);
  return *var;
}

// The table argument as a command pops it.
std::shared_ptr<const TCsvDbBase> TableArgument(TestEngine& t, const std::string& utf8) {
  t.e.ArgStack.Push(t.Prepared(utf8));
  return PopArgTable(t.e);
}

TEST(KeptTable, CommandsOnOneVariableParseItOnce) {
  TestEngine t;
  std::string out = t.Run(
      "T=「k,v\nb,2\na,1」\n"
      "Tの、表行数を、表示\n"
      "Tの、1列目の、表合計を、表示\n");
  EXPECT_EQ(out, "3\n3\n");
  THashNode& var = Variable(t, "T");
  ASSERT_TRUE(var.CurrentTable());
  EXPECT_EQ(CellsOf(*var.CurrentTable()), Parsed(var.Value));
  // Lent as it is, never copied; an expression is parsed for itself.
  EXPECT_EQ(TableArgument(t, "T").get(), var.CurrentTable());
  auto fresh = TableArgument(t, "T&「」");
  EXPECT_NE(fresh.get(), var.CurrentTable());
  EXPECT_EQ(CellsOf(*fresh), Parsed(var.Value));
  // After a write, what the text reads as now.
  AssignStatement(t.e, "T", "T&" + QuoteAsLiteral("c,3"));
  auto now = TableArgument(t, "T");
  EXPECT_EQ(CellsOf(*now), Parsed(var.Value));
  EXPECT_EQ(now->RowCount(), 3);
}

// Random writes of every kind (cells and lines in place or the long way,
// whole values, appends) between lendings and reads: every table lent
// stays what its text read as, and the table lent now is the text's.
TEST(KeptTable, LentTablesStayAsLentThroughWrites) {
  static const std::vector<std::string> kTexts = {"", "a,b\r\n", "a,b\r\nc,d\r\n", "k,v\nx,1\ny,2", "\"q\r\nr\",s\r\n",
                                                   "1,2,3\r\n4,5,6\r\n", "a\r\n\r\nb,c"};
  static const std::vector<std::string> kValues = {"", "v", "a,b", "say \"hi\"", "x\r\ny", " e ", "ID", "9"};
  TestEngine t;
  THashNode& var = Variable(t, "X");
  Rng next{31337};
  struct Lent {
    std::shared_ptr<const TCsvDbBase> Table;
    Cells Expected;
  };
  std::vector<Lent> lent;
  for (int step = 0; step < 6000; ++step) {
    const std::string where = "step " + std::to_string(step) + " text " + ::testing::PrintToString(var.Value);
    switch (next(7)) {
      case 0:
        var.SetValue(kTexts[next(static_cast<uint32_t>(kTexts.size()))]);
        break;
      case 1:  // a cell, in place when the text allows
        AssignStatement(t.e, "X#(" + std::to_string(next(4)) + ")#(" + std::to_string(next(5)) + ")",
                        QuoteAsLiteral(kValues[next(static_cast<uint32_t>(kValues.size()))]));
        break;
      case 2:  // a line
        AssignStatement(t.e, "X#(" + std::to_string(next(5)) + ")",
                        QuoteAsLiteral(kValues[next(static_cast<uint32_t>(kValues.size()))]));
        break;
      case 3:  // appended
        AssignStatement(t.e, "X", "X&" + QuoteAsLiteral(kValues[next(static_cast<uint32_t>(kValues.size()))]));
        break;
      case 4:  // a read, which keeps the table too
        ElementValue(t.e, var, next(3), true, next(4));
        break;
      default: {
        auto table = KeptTable(var);
        ASSERT_TRUE(table) << where;
        ASSERT_EQ(CellsOf(*table), Parsed(var.Value)) << where;
        if (lent.size() > 3) lent.erase(lent.begin() + next(static_cast<uint32_t>(lent.size())));
        lent.push_back({std::move(table), Parsed(var.Value)});
      }
    }
    for (const Lent& l : lent) ASSERT_EQ(CellsOf(*l.Table), l.Expected) << where;
    if (const TCsvDbBase* kept = var.CurrentTable()) {
      ASSERT_EQ(CellsOf(*kept), Parsed(var.Value)) << where;
    }
  }
}

TEST(KeptTable, LongTextsKeepNoTable) {
  TestEngine t;
  THashNode& var = Variable(t, "X");
  var.SetValue(std::string(kKeptTableLimit + 1, 'x'));
  EXPECT_FALSE(KeptTable(var));
  EXPECT_FALSE(var.Tables && var.Tables->Parsed);
  // Parsed for the command alone.
  auto table = TableArgument(t, "X");
  ASSERT_TRUE(table);
  EXPECT_EQ(table->Cell(0, 0).size(), kKeptTableLimit + 1);
  EXPECT_FALSE(var.Tables && var.Tables->Parsed);
  // One kept already (for element access) is lent all the same.
  EXPECT_EQ(ElementValue(t.e, var, 0, true, 0).size(), kKeptTableLimit + 1);
  EXPECT_EQ(TableArgument(t, "X").get(), var.CurrentTable());
}

}  // namespace
}  // namespace nokari
