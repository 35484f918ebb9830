// Pure functions behind the string commands. Every searching, cutting and
// splitting group includes characters whose second byte is 0x5C (ソ 表 能),
// which must never be taken for a backslash.
#include <gtest/gtest.h>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "TestHost.h"
#include "lib/text/TextCore.h"

using namespace nokari;
using namespace nokari::text;

namespace {

const std::string& J(const char* utf8) { return Sj(utf8); }

}  // namespace

TEST(StringsSearch, PositionCountsCharactersAtBoundaries) {
  EXPECT_EQ(CharPosition(J("あいう"), J("い")), 2);
  EXPECT_EQ(CharPosition(J("ソ\\"), "\\"), 2);          // not inside ソ
  EXPECT_EQ(CharPosition(J("表示能力"), "\\"), 0);
  EXPECT_EQ(CharPosition("abc", ""), 0);
  EXPECT_EQ(CharPosition("ab", "abc"), 0);
  EXPECT_EQ(CharPosition("abcabc", "ca"), 3);
}

TEST(StringsSearch, CountIsNonOverlapping) {
  EXPECT_EQ(CountOccurrences("aaaa", "aa"), 2);
  EXPECT_EQ(CountOccurrences(J("ソ表\\能\\"), "\\"), 2);
  EXPECT_EQ(CountOccurrences("abc", ""), 0);
}

TEST(StringsSearch, ReplaceAllNeverRescansInsertedText) {
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll(J("表\\ソ"), "\\", "/"), J("表/ソ"));
}

TEST(StringsSearch, ReplaceNthOnlyThatOccurrence) {
  EXPECT_EQ(ReplaceNth("banana", 2, "a", "o"), "banona");
  EXPECT_EQ(ReplaceNth("banana", 4, "a", "o"), "banana");
  EXPECT_EQ(ReplaceNth("banana", 0, "a", "o"), "banana");
  EXPECT_EQ(ReplaceNth("aaaa", 2, "aa", "b"), "aab");
  EXPECT_EQ(ReplaceNth(J("能\\能\\"), 2, "\\", "#"), J("能\\能#"));
}

// The character-by-character walk the byte search must agree with.
size_t FindByWalking(std::string_view hay, std::string_view needle, size_t from) {
  if (needle.empty()) return std::string_view::npos;
  for (size_t i = from; i + needle.size() <= hay.size(); i += CharLenAt(hay, i))
    if (hay.compare(i, needle.size(), needle) == 0) return i;
  return std::string_view::npos;
}

// Texts of bytes that lead characters, follow them, or stand alone, with
// runs of lead bytes and needles that may start on a second byte (or be a
// lone lead byte): every match the walk would skip must be skipped.
TEST(StringsSearch, ByteSearchFindsOnlyWhereCharactersStart) {
  const unsigned char alphabet[] = {'a', 'b', 0x82, 0xA0, 0x88, 0x9F, 0xE0, 0x40, 0x81, '\n'};
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  for (int round = 0; round < 4000; ++round) {
    std::string hay, needle;
    for (int k = next() % 40; k > 0; --k) hay += static_cast<char>(alphabet[next() % 10]);
    for (int k = 1 + next() % 3; k > 0; --k) needle += static_cast<char>(alphabet[next() % 10]);
    for (size_t from = 0; from <= hay.size() + 1; ++from)
      ASSERT_EQ(FindFrom(hay, needle, from), FindByWalking(hay, needle, from))
          << "round " << round << " from " << from;
  }
  // A long run of lead bytes: the match in the middle of a character is no
  // match, the one after it is.
  std::string run(1001, '\x88');
  run += "A";
  EXPECT_EQ(FindFrom(run, "\x88" "A", 0), 1000u);  // 500 pairs, then the last lead takes A
  EXPECT_EQ(FindFrom(run, "A", 0), std::string::npos);
  EXPECT_EQ(FindFrom(run, "\x88" "A", 1), std::string::npos);  // read from 1, A stands alone
  EXPECT_EQ(FindFrom(run, "A", 1), 1001u);
}

TEST(StringsCut, LeftRightMidByCharacters) {
  EXPECT_EQ(LeftChars(J("あいうえ"), 2), J("あい"));
  EXPECT_EQ(LeftChars("abc", -1), "");
  EXPECT_EQ(RightChars(J("ソ表能"), 2), J("表能"));
  EXPECT_EQ(RightChars("abc", 10), "abc");
  EXPECT_EQ(MidChars("abcdef", 0, 3), "ab");
  EXPECT_EQ(MidChars("abcdef", 7, 3), "");
  EXPECT_EQ(MidChars(J("ソ表能"), 2, INT64_MAX), J("表能"));
  EXPECT_EQ(MidChars("abc", INT64_MIN, INT64_MAX), "");
  EXPECT_EQ(DropLeftChars(J("ソ表能"), 1), J("表能"));
  EXPECT_EQ(DropRightChars(J("ソ表能"), 1), J("ソ表"));
  EXPECT_EQ(DropRightChars("abc", 0), "abc");
}

TEST(StringsCut, MidBytesMaySplitAndStaysInside) {
  EXPECT_EQ(MidBytes(J("ソ"), 2, 1), "\\");
  EXPECT_EQ(MidBytes("abc", -5, 2), "ab");
  EXPECT_EQ(MidBytes("abc", 3, 100), "c");
  EXPECT_EQ(MidBytes("abc", 4, 1), "");
}

TEST(StringsCut, SplitPieces) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitPieces("a,b,", ","), (V{"a", "b"}));
  EXPECT_EQ(SplitPieces("a,,b", ","), (V{"a", "", "b"}));
  EXPECT_EQ(SplitPieces(J("ソ\\表\\能"), "\\"), (V{J("ソ"), J("表"), J("能")}));
  EXPECT_EQ(SplitPieces("abc", ""), (V{"abc"}));
  EXPECT_TRUE(SplitPieces("", ",").empty());
}

TEST(StringsCut, ParagraphsKeepTheirBreaks) {
  std::string t = "a\r\nb\r\n\r\nc\r\n";
  EXPECT_EQ(Paragraph(t, 1), "a\r\nb\r\n\r\n");
  EXPECT_EQ(Paragraph(t, 2), "c\r\n");
  EXPECT_EQ(Paragraph(t, 3), "");
  EXPECT_EQ(Paragraph(t, 0), "");
  EXPECT_EQ(Paragraph(J("表\r\n\r\n能"), 2), J("能"));
}

TEST(StringsCut, LineCount) {
  EXPECT_EQ(LineCount(""), 0);
  EXPECT_EQ(LineCount("a"), 1);
  EXPECT_EQ(LineCount("a\r\n"), 1);
  EXPECT_EQ(LineCount("a\r\nb"), 2);
  EXPECT_EQ(LineCount("a\n\nb"), 3);
  EXPECT_EQ(LineCount("a\r\rb"), 3);
}

TEST(StringsCut, CutAtDelimiter) {
  Cut c = CutAtDelimiter("key=value", "=");
  EXPECT_EQ(c.Taken, "key");
  EXPECT_EQ(c.Rest, "value");
  c = CutAtDelimiter("abc", "=");
  EXPECT_EQ(c.Taken, "abc");
  EXPECT_EQ(c.Rest, "");
  c = CutAtDelimiter(J("ソ\\表"), "\\");
  EXPECT_EQ(c.Taken, J("ソ"));
  EXPECT_EQ(c.Rest, J("表"));
}

TEST(StringsCut, EscapedDelimiterIsNoMatch) {
  Cut c = CutAtDelimiterEscaped("a\\,b,c", ",", '\\');
  EXPECT_EQ(c.Taken, "a\\,b");
  EXPECT_EQ(c.Rest, "c");
  // ソ ends in 0x5C but is no escape: the comma after it still cuts.
  c = CutAtDelimiterEscaped(J("ソ,表"), ",", '\\');
  EXPECT_EQ(c.Taken, J("ソ"));
  EXPECT_EQ(c.Rest, J("表"));
  c = CutAtDelimiterEscaped(J("a\\表,b"), ",", '\\');  // escape takes a whole character
  EXPECT_EQ(c.Taken, J("a\\表"));
  EXPECT_EQ(c.Rest, "b");
}

TEST(StringsCut, RangeEndSearchStartsInsideStart) {
  auto c = CutRange("x<b>y", "<b>", ">");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->Taken, "<b>");
  EXPECT_EQ(c->Rest, "xy");
  EXPECT_FALSE(CutRange("abc", "z", "c"));
  c = CutRange(J("前[表\\]後"), "[", "]");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->Taken, J("[表\\]"));
  EXPECT_EQ(c->Rest, J("前後"));
  c = CutRange("a(bc", "(", ")");
  EXPECT_EQ(c->Taken, "(bc");
}

TEST(StringsBuild, RepeatAndPadRefuseHugeResults) {
  std::string out;
  EXPECT_TRUE(Repeat(J("ソ"), 3, out));
  EXPECT_EQ(out, J("ソソソ"));
  EXPECT_TRUE(Repeat("ab", -1, out));
  EXPECT_EQ(out, "");
  EXPECT_FALSE(Repeat("ab", INT64_MAX / 2, out));
  EXPECT_TRUE(Repeat("", INT64_MAX, out));
  EXPECT_TRUE(PadLeft("12", 5, '0', out));
  EXPECT_EQ(out, "00012");
  EXPECT_TRUE(PadLeft("12345", 3, ' ', out));
  EXPECT_EQ(out, "12345");
  EXPECT_FALSE(PadLeft("1", INT64_MAX, ' ', out));
}

TEST(StringsTrim, BlanksAndFullWidthSpaces) {
  EXPECT_EQ(TrimBlanks(J(" \t　あ い　\r\n")), J("あ い"));
  EXPECT_EQ(TrimBlanks(J("　　")), "");
  // "\x88\x81" is one character followed by "@": no full-width space here.
  EXPECT_EQ(TrimBlanks("\x88\x81\x40"), "\x88\x81\x40");
  EXPECT_EQ(TrimBlanks(J("ソ　")), J("ソ"));
}

TEST(StringsTrim, Okurigana) {
  EXPECT_EQ(DropOkurigana(J("書き込み")), J("書込"));
  EXPECT_EQ(DropOkurigana(J("ひらがな")), J("ひらがな"));
  EXPECT_EQ(DropOkurigana(J("送り仮名")), J("送仮名"));
  EXPECT_EQ(DropOkurigana(J("表すa能う")), J("表a能"));
}

TEST(StringsWrap, KinsokuPullsOneCharacter) {
  std::string kinsoku = J("、。");
  EXPECT_EQ(WrapText(J("あいうえ。"), 4, 8, kinsoku), J("あい\r\nうえ。\r\n"));
  EXPECT_EQ(WrapText("abc", 0, 8, kinsoku), "abc");
  EXPECT_EQ(WrapText("ab\ncd", 10, 8, kinsoku), "ab\r\ncd");
  EXPECT_EQ(WrapText("abcde", 2, 8, ""), "ab\r\ncd\r\ne");
  EXPECT_EQ(WrapText(J("aソ表"), 3, 8, ""), J("aソ\r\n表"));
  EXPECT_EQ(WrapText("\tab", 9, 8, ""), "\ta\r\nb");
}

TEST(StringsWrap, ExpandTabs) {
  EXPECT_EQ(ExpandTabs("a\tb", 4), "a   b");
  EXPECT_EQ(ExpandTabs(J("あ\tb"), 4), J("あ  b"));
  EXPECT_EQ(ExpandTabs("a\nb\n\rc\r", 8), "a\r\nb\r\nc\r\n");
}

TEST(StringsCase, UpperLowerIncludingFullWidth) {
  EXPECT_EQ(ToUpperText(J("abcＡｂｃαдソ")), J("ABCＡＢＣΑДソ"));
  EXPECT_EQ(ToLowerText(J("ABCＺΩЯ表")), J("abcｚωя表"));
  EXPECT_EQ(ToUpperText(J("ой")), J("ОЙ"));  // either side of the 0x7F gap
}

TEST(StringsCase, CharacterTests) {
  EXPECT_TRUE(IsUpperFirst(J("Ａb")));
  EXPECT_FALSE(IsUpperFirst("a"));
  EXPECT_TRUE(IsDigitFirst(J("１")));
  EXPECT_FALSE(IsDigitFirst(""));
  EXPECT_TRUE(IsWideFirst(J("ソ")));
  EXPECT_FALSE(IsWideFirst(J("ｿ")));
  EXPECT_TRUE(IsHiraganaFirst(J("ゑ")));
  EXPECT_FALSE(IsHiraganaFirst(J("ソ")));
  EXPECT_TRUE(IsKatakanaFirst(J("ソ")));
  EXPECT_TRUE(IsKatakanaFirst(J("ヶ")));
  EXPECT_TRUE(IsNumeral("1.5E+3"));
  EXPECT_FALSE(IsNumeral("-1"));
  EXPECT_FALSE(IsNumeral("1a"));
}

TEST(StringsCase, CharacterCodes) {
  EXPECT_EQ(CharFromCode(33440), J("あ"));
  EXPECT_EQ(CharFromCode(0), std::string(1, '\0'));
  EXPECT_EQ(CodeOfFirstChar(J("あ")), 33440);
  EXPECT_EQ(CodeOfFirstChar("\x83"), 0x83);  // a lead byte alone
}

TEST(StringsTags, StripAndExtract) {
  EXPECT_EQ(StripTags(J("  <b>表</b>示 ")), J("表示"));
  EXPECT_EQ(StripTags(J("ソ<a href=x>能")), J("ソ能"));
  EXPECT_EQ(ExtractTags("<td>1</td><TD>2</TD>", "td"), "<td>1</td>\r\n<TD>2</TD>\r\n");
  EXPECT_EQ(ExtractTags("<Td>1</Td>", "td"), "");
  // A prefix match: "b" also opens at <br>, and the first </b> closes it.
  EXPECT_EQ(ExtractTags("a<br>b<b>c</b>", "<b>"), "<br>b<b>c</b>\r\n");
  EXPECT_EQ(ExtractTags("<p>x<p>y</p>", "p"), "<p>x<p>y</p>\r\n");
}

TEST(StringsFormat, Currency) {
  std::string out;
  ASSERT_TRUE(FormatCurrency(1234567, false, out));
  EXPECT_EQ(out, "1,234,567");
  ASSERT_TRUE(FormatCurrency(1234.5, true, out));
  EXPECT_EQ(out, "1,234.50");
  ASSERT_TRUE(FormatCurrency(-1234.5, false, out));
  EXPECT_EQ(out, "-1,235");
  ASSERT_TRUE(FormatCurrency(-0.4, false, out));
  EXPECT_EQ(out, "0");
  ASSERT_TRUE(FormatCurrency(999.995, true, out));
  EXPECT_EQ(out, "1,000.00");
  EXPECT_FALSE(FormatCurrency(1e300, false, out));
}

TEST(StringsFormat, SpecifiedDirectives) {
  auto F = [](std::string_view v, std::string_view f) {
    std::string out;
    switch (FormatSpecified(v, f, out)) {
      case FormatResult::Ok: return out;
      case FormatResult::BadFormat: return std::string("<fail>");
      case FormatResult::ValueOutOfRange: return std::string("<range>");
    }
    return std::string();
  };
  EXPECT_EQ(F("3.14159", "%.2f"), "3.14");
  EXPECT_EQ(F("2", "%f"), "2.00");
  EXPECT_EQ(F("0.125", "%.2f"), "0.13");
  EXPECT_EQ(F("-1.5", "%6.1f|"), "  -1.5|");
  EXPECT_EQ(F("5", "%3d"), "  5");
  EXPECT_EQ(F("-5", "%.3d"), "-005");
  EXPECT_EQ(F("12.9", "%d"), "12");
  EXPECT_EQ(F("ab", "[%-5s]"), "[ab   ]");
  // A 0 before the width pads a number with zeros after its sign.
  EXPECT_EQ(F("12", "%05d"), "00012");
  EXPECT_EQ(F("-12", "%05d"), "-0012");
  EXPECT_EQ(F("3.14159", "%08.2f"), "00003.14");
  EXPECT_EQ(F("12", "[%-05d]"), "[12   ]");
  EXPECT_EQ(F("ab", "%05s"), "   ab");
  EXPECT_EQ(F("123456", "%03d"), "123456");
  EXPECT_EQ(F(J("表示能"), "%.5s"), J("表示"));
  EXPECT_EQ(F("1234567", "%m"), "\\1,234,567");
  EXPECT_EQ(F("50", J("%d%%です")), J("50%です"));
  EXPECT_EQ(F("x", "none"), "none");
  // The value is never read as a format.
  EXPECT_EQ(F("%n%s%d", "%s"), "%n%s%d");
  EXPECT_EQ(F("5", "%x"), "<fail>");
  EXPECT_EQ(F("5", "%d %d"), "<fail>");
  EXPECT_EQ(F("1e30", "%d"), "<range>");
  // Values are read as the language reads numbers everywhere else.
  EXPECT_EQ(F("1,234.5", "%.1f"), "1234.5");
  EXPECT_EQ(F(J("１２３"), "%5d"), "  123");
  EXPECT_EQ(F("", "%d"), "0");
  EXPECT_EQ(F(J("12円"), "%d"), "12");
  EXPECT_EQ(F("1,234", "%m"), "\\1,234");
  EXPECT_EQ(F("5", "%"), "<fail>");
  EXPECT_EQ(F("5", "%99999999d"), "<fail>");
}

TEST(StringsBinary, ReadForms) {
  std::string data("\x01\x02\xFF\xFF\xFF\xFF" "ab\0cd", 11);
  auto R = [&](int64_t off, const char* form) {
    BinaryRead r = ReadBinary(data, off, ParseBinaryForm(form));
    return r.Ok ? r.Value : std::string("<out>");
  };
  EXPECT_EQ(R(0, "word"), "513");
  EXPECT_EQ(R(2, "INT"), "-1");
  EXPECT_EQ(R(2, "DWORD"), "4294967295");
  EXPECT_EQ(R(6, "CHAR*"), "ab");
  EXPECT_EQ(R(9, "char*"), "cd");
  EXPECT_EQ(R(6, "CHAR"), "a");
  EXPECT_EQ(R(9, "DWORD"), "<out>");
  EXPECT_EQ(R(11, "BYTE"), "<out>");
}

TEST(StringsBinary, WriteStaysInsideTheValue) {
  std::string data(6, '\0');
  EXPECT_EQ(WriteBinary(data, 1, BinaryForm::Word, "", 0x1234), BinaryWrite::Ok);
  EXPECT_EQ(data, std::string("\0\x34\x12\0\0\0", 6));
  EXPECT_EQ(WriteBinary(data, 2, BinaryForm::Int, "", -2), BinaryWrite::Ok);
  EXPECT_EQ(data, std::string("\0\x34\xFE\xFF\xFF\xFF", 6));
  EXPECT_EQ(WriteBinary(data, 0, BinaryForm::Byte, "", -1), BinaryWrite::Ok);
  EXPECT_EQ(static_cast<unsigned char>(data[0]), 0xFF);
  EXPECT_EQ(WriteBinary(data, 3, BinaryForm::DWord, "", 1), BinaryWrite::OutOfValue);
  EXPECT_EQ(WriteBinary(data, -1, BinaryForm::Char, "x", 0), BinaryWrite::OutOfValue);
  EXPECT_EQ(WriteBinary(data, 0, BinaryForm::DWord, "", -1), BinaryWrite::OutOfRange);
  EXPECT_EQ(WriteBinary(data, 0, BinaryForm::Int, "", 2147483648.0L), BinaryWrite::OutOfRange);
  EXPECT_EQ(WriteBinary(data, 1, BinaryForm::CharPtr, "abcde", 0), BinaryWrite::OutOfValue);
  EXPECT_EQ(WriteBinary(data, 1, BinaryForm::CharPtr, "abcd", 0), BinaryWrite::Ok);
  EXPECT_EQ(data, std::string("\xFF" "abcd\0", 6));
  EXPECT_EQ(data.size(), 6u);
}

// MID of a long variable keeps where every 64th character starts while the
// value stays as it is: every range of a text of mixed one- and two-byte
// characters (ソ with its second byte 0x5C among them) agrees with walking the
// text, before and after the value changes in place (an append), to another
// text of the same length, and to a shorter one.
TEST(MidOfAVariable, AgreesWithWalkingTheText) {
  std::string text, same;
  for (int i = 0; i < 700; ++i) {
    text += i % 3 == 0 ? "ソ" : i % 3 == 1 ? "a" : "ｱ";
    same += i % 3 == 0 ? "a" : i % 3 == 1 ? "ソ" : "b";
  }
  const std::string shorter = ToUtf8(MidChars(FromUtf8(same + "y"), 10, 300));
  std::string program, expected;
  const auto check = [&](const std::string& value) {
    for (int start : {-3, 0, 1, 2, 63, 64, 65, 128, 300, 699, 700, 701, 800})
      for (int n : {0, 1, 2, 64, 65, 1000}) {
        program += "「[{MID(S," + std::to_string(start) + "," + std::to_string(n) + ")}]」を、表示\n";
        expected += "[" + ToUtf8(MidChars(FromUtf8(value), start, n)) + "]\n";
      }
  };
  program += "Sは、「" + text + "」\n";
  check(text);
  program += "Sは、S&「x」\n";
  check(text + "x");
  program += "Sは、「" + same + "y」\n";
  check(same + "y");
  program += "Sは、MID(S,10,300)\n";
  check(shorter);
  nokari::testing::TestEngine t;
  EXPECT_EQ(t.Run(program), expected);
}
