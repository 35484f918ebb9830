// The string command wrappers through the dispatch table: argument order,
// それ's type mark, write-back into variables and the error messages.
#include <gtest/gtest.h>

#include "core/Encoding.h"
#include "core/Engine.h"
#include "core/Errors.h"
#include "words/Registry.h"
#include "words/Value.h"

using namespace nokari;

namespace {

const std::string& J(const char* utf8) { return Sj(utf8); }

class StringCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterBuiltins(e); }

  // Runs command `n` with phrases already bound (first slot first); a
  // phrase is a variable name, a number or a backquoted literal. The
  // command runs as if the script wrote its first registered name.
  std::string Run(int n, std::initializer_list<std::string> phrases) {
    for (const std::string& p : phrases) e.ArgStack.Push(p);
    e.RunningWord = {};
    for (const RegistryRow& row : RegistryTable())
      if (row.Kind == RowKind::Command && row.Number == n) {
        e.RunningWord = J(row.Name);
        break;
      }
    CommandFor(n)(e);
    EXPECT_EQ(e.ArgStack.Count(), 0u) << "command " << n << " left phrases behind";
    return e.SoreVar->Value;
  }
  static std::string Lit(const std::string& s) { return QuoteAsLiteral(s); }
  // The message of the error command `n` raises.
  std::string ErrorOf(int n, std::initializer_list<std::string> phrases) {
    try {
      Run(n, phrases);
    } catch (const ENoka& err) {
      // Phrases left over would be seen by the next statement.
      EXPECT_EQ(e.ArgStack.Count(), 0u) << "command " << n << " failed leaving phrases";
      e.ArgStack.Clear();
      return err.Message;
    }
    return "<no error>";
  }
  void SetVar(const char* name, const std::string& value) { CreateVariable(e, J(name), value); }
  std::string Var(const char* name) { return e.Words.GetValue(J(name)); }
  std::string Mark() { return e.SoreVar->TypeTag; }

  TNokaBase e;
};

TEST_F(StringCommandsTest, ArgumentOrderOfMultiSlotCommands) {
  EXPECT_EQ(Run(47, {Lit(J("ソ表\\")), Lit("\\")}), "3");          // 何文字目
  EXPECT_EQ(Run(410, {Lit("aaaa"), Lit("aa")}), "2");              // 出現回数
  EXPECT_EQ(Run(46, {Lit(J("表\\")), Lit("\\"), Lit("/")}), J("表/"));  // 置換
  EXPECT_EQ(Run(438, {Lit("banana"), "2", Lit("a"), Lit("o")}), "banona");
  EXPECT_EQ(Run(48, {Lit("abcdef"), "0", "3"}), "ab");             // MID
  EXPECT_EQ(Run(431, {Lit("abcdef"), "2", "2"}), "bc");            // MIDB
  EXPECT_EQ(Run(189, {Lit(J("あいう")), "2"}), J("あい"));         // LEFT
  EXPECT_EQ(Run(293, {Lit("3.14159"), Lit("%.1f")}), "3.1");       // 指定形式に変換
  EXPECT_EQ(Run(50, {Lit(J("ソ")), "2"}), J("ソソ"));              // リフレイン
}

TEST_F(StringCommandsTest, MarksFollowTheCommand) {
  Run(92, {Lit("abc")});
  EXPECT_EQ(Mark(), "e");
  Run(189, {Lit("abc"), "1"});
  EXPECT_EQ(Mark(), "s");
  e.SoreVar->TypeTag = "e";
  EXPECT_EQ(Run(72, {Lit(J("　x "))}), "x");  // トリム leaves the mark
  EXPECT_EQ(Mark(), "e");
  EXPECT_EQ(Run(174, {Lit("7"), "3"}), "  7");  // 右寄せ
  EXPECT_EQ(Mark(), "e");
}

TEST_F(StringCommandsTest, CutFromVariableWritesBack) {
  SetVar("A", J("ソ表能"));
  EXPECT_EQ(Run(277, {J("A"), "1"}), J("ソ"));  // 左端を切り取る
  EXPECT_EQ(Var("A"), J("表能"));
  EXPECT_EQ(Run(278, {J("A"), "1"}), J("能"));  // 右端を切り取る
  EXPECT_EQ(Var("A"), J("表"));
  EXPECT_EQ(Run(277, {Lit("abc"), "1"}), "a");  // a literal has nowhere to go
  SetVar("B", "key=value");
  EXPECT_EQ(Run(99, {J("B"), Lit("=")}), "key");
  EXPECT_EQ(Var("B"), "value");
  EXPECT_EQ(Run(99, {J("B"), Lit("=")}), "value");
  EXPECT_EQ(Var("B"), "");
}

TEST_F(StringCommandsTest, SoreIsNeverWrittenBack) {
  e.SoreVar->SetValue("a=b");
  EXPECT_EQ(Run(99, {J("それ"), Lit("=")}), "a");
  e.SoreVar->SetValue("x<b>y");
  EXPECT_EQ(Run(266, {J("それ"), Lit("<b>"), Lit(">")}), "<b>");
}

TEST_F(StringCommandsTest, EscapedAndRangeCuts) {
  SetVar("D", "a\\,b,c");
  EXPECT_EQ(Run(279, {J("D"), Lit(","), Lit("\\")}), "a\\,b");
  EXPECT_EQ(Var("D"), "c");
  SetVar("G", J("前[表\\]後"));
  EXPECT_EQ(Run(266, {J("G"), Lit("["), Lit("]")}), J("[表\\]"));
  EXPECT_EQ(Var("G"), J("前後"));
  EXPECT_EQ(Run(266, {J("G"), Lit("("), Lit(")")}), "");
  EXPECT_EQ(Var("G"), J("前後"));
}

TEST_F(StringCommandsTest, ReserveAndBinaryForms) {
  Run(73, {J("B"), "4"});  // 確保 creates the variable
  EXPECT_EQ(Var("B"), std::string(4, '\0'));
  Run(416, {Lit("-2"), J("B"), "1", Lit("int")});
  EXPECT_EQ(Run(415, {J("B"), "1", Lit("DWORD")}), "4294967294");
  EXPECT_EQ(Mark(), "e");
  EXPECT_EQ(Run(415, {J("B"), "0", Lit("BYTE")}), "254");  // below 2 reads byte 1
  e.SoreVar->SetValue("kept");
  Run(415, {J("B"), "1", Lit("QWORD")});
  EXPECT_EQ(e.SoreVar->Value, "kept");
  Run(73, {J("B"), "2"});
  EXPECT_EQ(Var("B"), "\xFE\xFF");
}

TEST_F(StringCommandsTest, Errors) {
  EXPECT_NE(ErrorOf(76, {"-1"}).find(J("\"文字\"命令の引数に誤りがあります。")), std::string::npos);
  EXPECT_NE(ErrorOf(76, {Lit("abc")}).find(J("\"文字\"命令の引数に誤りがあります。")), std::string::npos);
  EXPECT_NE(ErrorOf(76, {"65536"}).find(J("範囲外")), std::string::npos);
  EXPECT_NE(ErrorOf(75, {Lit("")}).find(J("\"キーコード\"命令の引数に誤りがあります。")), std::string::npos);
  EXPECT_NE(ErrorOf(70, {J("無い")}).find(J("変数\"無い\"が見つかりません。")), std::string::npos);
  EXPECT_NE(ErrorOf(99, {Lit(""), Lit("=")}).find(J("\"切り取る\"命令の引数に誤りがあります。")),
            std::string::npos);
  EXPECT_NE(ErrorOf(279, {Lit("a,b"), Lit(","), Lit("ab")})
                .find(J("\"判別して切り取る\"命令の引数に誤りがあります。判別文字は \\などの半角１文字で指定。")),
            std::string::npos);
  EXPECT_NE(ErrorOf(266, {Lit("abc"), Lit("a"), Lit("c")})
                .find(J("１番目の引数は、変数である必要があります。")),
            std::string::npos);
  EXPECT_NE(ErrorOf(293, {Lit("5"), Lit("%x")}).find(J("\"指定形式に変換\"は、文法が正しくないため、実行できません。")),
            std::string::npos);
  SetVar("B", "ab");
  EXPECT_NE(ErrorOf(416, {Lit("1"), J("B"), "1", Lit("DWORD")}).find(J("バイナリ設定")), std::string::npos);
  EXPECT_EQ(Var("B"), "ab");
  EXPECT_NE(ErrorOf(416, {Lit("1"), J("無い"), "1", Lit("BYTE")}).find(J("\"無い\"")), std::string::npos);
}

TEST_F(StringCommandsTest, HugeCountsRaiseNamingTheCommand) {
  EXPECT_NE(ErrorOf(50, {Lit("ab"), "1000000000000"}).find(J("\"リフレイン\"")), std::string::npos);
  EXPECT_NE(ErrorOf(73, {J("B"), "1E15"}).find(J("\"確保\"")), std::string::npos);
  EXPECT_NE(ErrorOf(174, {Lit("a"), "1E15"}).find(J("\"右寄せ\"")), std::string::npos);
  EXPECT_NE(ErrorOf(175, {Lit("a"), "1E15"}).find(J("\"ゼロで埋める\"")), std::string::npos);
}

TEST_F(StringCommandsTest, SplitAndTableTagUseTheTableEngine) {
  EXPECT_EQ(Run(36, {Lit(J("ID,ソ\\,\"q")), Lit(",")}), J("\"ID\"\r\nソ\\\r\n\"\"\"q\"\r\n"));
  EXPECT_EQ(Run(394, {Lit("a,b\r\nc"), Lit("border=1")}),
            "<TABLE border=1>\r\n<TR><TD>a</TD><TD>b</TD></TR>\r\n<TR><TD>c</TD><TD></TD></TR>\r\n</TABLE>");
}

TEST_F(StringCommandsTest, WrapReadsItsVariables) {
  EXPECT_EQ(Run(412, {Lit(J("あいうえ。")), "4"}), J("あい\r\nうえ。\r\n"));
  e.Words.Find(J("禁則処理の行頭禁止文字"))->SetValue("");
  EXPECT_EQ(Run(412, {Lit(J("あいうえ。")), "4"}), J("あい\r\nうえ\r\n。"));
  e.Words.Find(J("タブ文字の個数"))->SetValue("2");
  EXPECT_EQ(Run(412, {Lit("\tab"), "3"}), "\ta\r\nb");
}

}  // namespace
