// Source preparation and label collection.
#include <gtest/gtest.h>

#include "TestHost.h"
#include "core/Prepare.h"

namespace nokari {
namespace {

using testing::TestEngine;

std::string Prep(TestEngine& t, const std::string& utf8) { return ToUtf8(Prepare(t.e, FromUtf8(utf8))); }

TEST(Prepare, FoldsPunctuationOutsideStringsOnly) {
  TestEngine t;
  EXPECT_EQ(Prep(t, "「こんにちは、」、と。"), "\"こんにちは、\",と;");
  EXPECT_EQ(Prep(t, "Ａ＝１２＋ｂ"), "A=12+b");
  EXPECT_EQ(Prep(t, "『ａ「』"), "`ａ「`");
  EXPECT_EQ(Prep(t, "x≦y≠z"), "x<=y<>z");
  // != is not-equal too, also written full-width; in strings it stays.
  EXPECT_EQ(Prep(t, "N!=3 N！＝3 「N!=3」 『!=』 N! = 3"), "N<>3 N<>3 \"N!=3\" `!=` N! = 3");
  EXPECT_EQ(t.Run("Nは、5\nもし、N!=3ならば「T」を、表示。違えば「F」を、表示\n(N!=5)を、表示\n"
                  "「{N!=3}{N！＝5}{「!=」&N}」を、表示\n"),
            "T\n0\n10!=5\n");
}

TEST(Prepare, RemovesCommentsAndKeepsLineMarkers) {
  TestEngine t;
  EXPECT_EQ(Prep(t, "a\r\nb\r\n"), "a\r\n1:b\r\n2:");
  EXPECT_EQ(Prep(t, "a // c\r\nb"), "a \r\n1:b");
  EXPECT_EQ(Prep(t, "a ' 「c\r\nb"), "a \r\n1:b");
  EXPECT_EQ(Prep(t, "a ※ c\r\nb"), "a \r\n1:b");
  // A block comment spanning lines keeps the numbering; ｛ and } pair up.
  EXPECT_EQ(Prep(t, "a｛x\r\ny}b"), "a\r\n1:b");
  // A line end inside a string has no marker but still counts.
  EXPECT_EQ(Prep(t, "\"a\r\nb\"\r\nc"), "\"a\r\nb\"\r\n2:c");
}

TEST(Prepare, BackquotesAndEscapes) {
  TestEngine t;
  EXPECT_EQ(Prep(t, "``"), "``");
  EXPECT_EQ(Prep(t, "`a``b`"), "`a``b`");
  EXPECT_EQ(Prep(t, "\"a\\\"b\""), "\"a\\\"b\"");
  // A string's second byte 0x5C (ソ) is not an escape.
  EXPECT_EQ(Prep(t, "「ソ」"), "\"ソ\"");
}

// A text opened with 「 keeps further 「…」 pairs as they stand; one opened
// with " (or ｢) ends at the next quote of any kind, and " ends a 「 text
// too, as before.
TEST(Prepare, CornerBracketsNest) {
  TestEngine t;
  EXPECT_EQ(Prep(t, "「彼は「はい」と言った」、表示"), "\"彼は「はい」と言った\",表示");
  EXPECT_EQ(Prep(t, "「a「b「c」」d」x"), "\"a「b「c」」d\"x");
  EXPECT_EQ(Prep(t, "「{A&「円」}」"), "\"{A&「円」}\"");
  EXPECT_EQ(Prep(t, "「a」「b」"), "\"a\"\"b\"");
  EXPECT_EQ(Prep(t, "\"a「x"), "\"a\"x");
  // In a text 「 began, a quote is a quote: only 」 ends it.
  EXPECT_EQ(Prep(t, "「a\"b」x"), "\"a\\\"b\"x");
  EXPECT_EQ(Prep(t, "「\"{A}\",「B」」"), "\"\\\"{A}\\\",「B」\"");
  EXPECT_THROW(Prepare(t.e, FromUtf8("「a\"x")), ENoka);
  // A full-width ￥ escapes only n, t, ￥ and \: before 」 it is a yen sign.
  EXPECT_EQ(Prep(t, "「合計￥」x"), "\"合計￥\"x");
  EXPECT_EQ(Prep(t, "「a￥」b"), "\"a￥\"b");
  EXPECT_EQ(Prep(t, "「a￥￥」"), "\"a￥￥\"");
  EXPECT_EQ(Prep(t, "「a\\」b」"), "\"a\\」b\"");
  EXPECT_EQ(Prep(t, "｢a｢b｣c｣"), "\"a｢b｣c\"");
  EXPECT_EQ(Prep(t, "『a「b』"), "`a「b`");
  EXPECT_THROW(Prepare(t.e, FromUtf8("「a「b」")), ENoka);
  EXPECT_EQ(t.Run("Aは、5\n「合計{A&「円」}」を、表示\n「「」」を、表示\n"), "合計5円\n「」\n");
  TestEngine csv;
  EXPECT_EQ(csv.Run("Aは、「山田」\n「\"{A}\",\"東京\"」を、表示\n"), "\"山田\",\"東京\"\n");
}

TEST(Prepare, UnbalancedBracketsNameTheirLineAndText) {
  TestEngine t;
  std::string src = "a\r\nb\r\n「あいうえおかきくけこさしすせそ\r\nd\r\n";
  try {
    Prepare(t.e, FromUtf8(src));
    FAIL();
  } catch (ENoka& err) {
    std::string m = ToUtf8(err.Message);
    EXPECT_NE(m.find("(3行目)"), std::string::npos) << m;
    EXPECT_NE(m.find("「」または\"\"が対応していません。『あいうえおかきくけこ』の近く"), std::string::npos) << m;
  }
  EXPECT_THROW(Prepare(t.e, FromUtf8("{ abc")), ENoka);
  EXPECT_THROW(Prepare(t.e, FromUtf8("『abc")), ENoka);
}

// An excerpt never ends in half a character: the lead byte at the very end
// of the text would swallow the message's closing quote in UTF-8.
TEST(Prepare, ExcerptsEndOnWholeCharacters) {
  TestEngine t;
  for (const char* open : {"「", "『", "｛"}) {
    try {
      Prepare(t.e, FromUtf8(std::string("a\r\n") + open + "あい") + "\x82");
      FAIL() << open;
    } catch (ENoka& err) {
      std::string m = ToUtf8(err.Message);
      EXPECT_NE(m.find("『あい』の近く"), std::string::npos) << m;
      EXPECT_NE(m.find("(2行目)"), std::string::npos) << m;
    }
  }
}

// Any message argument cut after a lead byte loses that byte, not the
// template's next character.
TEST(Messages, ArgumentsEndOnWholeCharacters) {
  EXPECT_EQ(ToUtf8(FormatMessage(FromUtf8("「%s」"), {FromUtf8("表示") + "\x82"})), "「表示」");
  EXPECT_EQ(ToUtf8(FormatMessage(FromUtf8("「%s」"), {FromUtf8("表示")})), "「表示」");
  EXPECT_EQ(FormatMessage("[%s]", {std::string("\x82\xA0\x82")}), "[\x82\xA0]");
  EXPECT_EQ(FormatMessage("[%s]", {std::string("\x82")}), "[]");
}

TEST(Prepare, SurvivesBrokenInput) {
  TestEngine t;
  std::string nul("a\0b", 3);
  EXPECT_EQ(Prepare(t.e, nul), "a b");
  std::string lone = "abc\x82";  // a lead byte at the very end
  EXPECT_EQ(Prepare(t.e, lone).size(), 4u);
}

TEST(CollectLabels, OnlyWholeLinesAreLabels) {
  TestEngine t;
  std::string text = Prepare(t.e, FromUtf8("＊甲\r\n  *乙\r\n*丙 \r\nx*丁\r\n**戊\r\n「*己\r\n」"));
  CollectLabels(t.e, MakeText(text), "f.nkr");
  EXPECT_NE(t.e.Words.Find(FromUtf8("甲")), nullptr);
  EXPECT_NE(t.e.Words.Find(FromUtf8("乙")), nullptr);
  EXPECT_EQ(t.e.Words.Find(FromUtf8("丙")), nullptr);
  EXPECT_EQ(t.e.Words.Find(FromUtf8("丁")), nullptr);
  EXPECT_EQ(t.e.Words.Find(FromUtf8("戊")), nullptr);
  EXPECT_EQ(t.e.Words.Find(FromUtf8("己")), nullptr);
  // A label named like a built-in word is refused.
  EXPECT_THROW(CollectLabels(t.e, MakeText(Prepare(t.e, FromUtf8("*表示\r\n"))), "f.nkr"), ENoka);
}

}  // namespace
}  // namespace nokari
