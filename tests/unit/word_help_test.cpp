// The word reference (--help-word, docs/words.md): reading argument
// slots, the lookup with okurigana folded, and a reference that holds
// every registered word once.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/WordHelp.h"

namespace nokari {
namespace {

using Strings = std::vector<std::string>;

TEST(WordHelp, ArgParticlesReadEverySlot) {
  EXPECT_EQ(ArgParticles("?の中で,?が"), (Strings{"の中で", "が"}));
  EXPECT_EQ(ArgParticles("?と"), (Strings{"と"}));
  // Bracket-call commands: slots without particles are still slots.
  EXPECT_EQ(ArgParticles("?,?,?"), (Strings{"", "", ""}));
  EXPECT_EQ(ArgParticles("?"), (Strings{""}));
  EXPECT_EQ(ArgParticles("?を, ?へ"), (Strings{"を", "へ"}));
  EXPECT_TRUE(ArgParticles("").empty());
}

TEST(WordHelp, UsageReadsAsAStatementOrACall) {
  RegistryRow position{RowKind::Command, "何文字目", "?の中で,?が", 1, "", "text"};
  EXPECT_EQ(UsageLine(position), "Aの中で、Bが、何文字目");
  RegistryRow left{RowKind::Command, "LEFT", "?,?", 2, "", "text"};
  EXPECT_EQ(UsageLine(left), "LEFT(A,B)");
  RegistryRow end{RowKind::Command, "おわり", "", 3, "", "control"};
  EXPECT_EQ(UsageLine(end), "おわり");
}

TEST(WordHelp, FindsExactNamesAndCommandsWithOtherOkurigana) {
  const RegistryRow* show = FindBuiltinWord("表示");
  ASSERT_NE(show, nullptr);
  EXPECT_STREQ(show->Name, "表示");
  const RegistryRow* loop = FindBuiltinWord("繰り返し");
  ASSERT_NE(loop, nullptr);
  EXPECT_STREQ(loop->Name, "繰り返す");
  // An exact name wins over a fold: 表示出力先 is a variable of its own.
  const RegistryRow* target = FindBuiltinWord("表示出力先");
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->Kind, RowKind::Variable);
  EXPECT_EQ(FindBuiltinWord("ほげ命令"), nullptr);
  EXPECT_EQ(FindBuiltinWord(""), nullptr);
  EXPECT_EQ(FindBuiltinWord("\xff\xfe"), nullptr);
}

TEST(WordHelp, HintListsWordsContainingTheText) {
  Strings near = WordsContaining("出力先", 8);
  EXPECT_NE(std::find(near.begin(), near.end(), "表示出力先"), near.end());
  EXPECT_EQ(WordsContaining("表", 2).size(), 2u);
  EXPECT_TRUE(WordsContaining("", 8).empty());
}

TEST(WordHelp, DescribesCommandsAndVariables) {
  std::string show = DescribeWord(*FindBuiltinWord("表示"), "表示");
  EXPECT_NE(show.find("command (number 0)"), std::string::npos) << show;
  EXPECT_NE(show.find("output"), std::string::npos) << show;
  EXPECT_NE(show.find("Aと、表示"), std::string::npos) << show;
  std::string len = DescribeWord(*FindBuiltinWord("LEN"), "LEN");
  EXPECT_NE(len.find("文字数"), std::string::npos) << len;
  std::string count = DescribeWord(*FindBuiltinWord("回数"), "回数");
  EXPECT_NE(count.find("constant"), std::string::npos) << count;
  EXPECT_NE(count.find("number"), std::string::npos) << count;
  // The type letter is not part of the description.
  EXPECT_NE(count.find("繰り返しが何回目かを表す\n"), std::string::npos) << count;
  std::string folded = DescribeWord(*FindBuiltinWord("繰り返し"), "繰り返し");
  EXPECT_EQ(folded.rfind("繰り返す", 0), 0u) << folded;
  EXPECT_NE(folded.find("繰り返し"), std::string::npos) << folded;
}

// Every registered word is one row of the reference, under its family,
// and cells cannot break the Markdown table.
TEST(WordHelp, MarkdownHoldsEveryWordOnce) {
  std::string md = WordsMarkdown();
  std::map<std::string, int> rowsPerKind;
  std::istringstream lines(md);
  std::string line, family;
  int rows = 0;
  while (std::getline(lines, line)) {
    if (line.rfind("## ", 0) == 0) family = line.substr(3);
    for (const char* kind : {"command", "variable", "constant"}) {
      if (line.rfind("| ", 0) == 0 && line.find(std::string(" | ") + kind + " | ") != std::string::npos) {
        ++rowsPerKind[kind];
        ++rows;
        EXPECT_FALSE(family.empty()) << line;
      }
    }
  }
  std::map<std::string, int> expected;
  for (const RegistryRow& row : RegistryTable())
    ++expected[row.Kind == RowKind::Command ? "command" : row.Kind == RowKind::Variable ? "variable" : "constant"];
  EXPECT_EQ(rowsPerKind, expected);
  EXPECT_EQ(rows, static_cast<int>(RegistryTable().size()));
  EXPECT_NE(md.find("| DB\\_ORACLE | variable |"), std::string::npos);
  EXPECT_NE(md.find("| LEN | command | LEN(A) | same as 文字数 |"), std::string::npos);
  EXPECT_NE(md.find("| 表示 | command | Aと、表示 |  |"), std::string::npos);
}

}  // namespace
}  // namespace nokari
