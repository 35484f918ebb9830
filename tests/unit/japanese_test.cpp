// Japanese conversions. Expected bytes for the encodings were checked
// against nkf (JIS, EUC, MIME) and coreutils base64; where this system
// deliberately differs it is said next to the case.
#include <gtest/gtest.h>

#include "core/Encoding.h"
#include "lib/japanese/Convert.h"

namespace nokari {
namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

TEST(Width, HalfWidthMapsLettersSignsAndKatakana) {
  EXPECT_EQ(ToHalfWidth(Sj("ＡＢＣ１２３　！？＠")), "ABC123 !?@");
  EXPECT_EQ(ToHalfWidth(Sj("ガパヴアー。")), Sj("ｶﾞﾊﾟｳﾞｱｰ｡"));
  // Hiragana, kanji and katakana without a half-width form stay.
  EXPECT_EQ(ToHalfWidth(Sj("あ漢ヵヶ")), Sj("あ漢ヵヶ"));
  EXPECT_EQ(ToHalfWidth(Sj("￥＼")), "\\\\");
  // 0x5C as a second byte is part of ソ/表/能, never a sign.
  EXPECT_EQ(ToHalfWidth(Sj("ソ表能")), Sj("ｿ表能"));
}

TEST(Width, FullWidthMergesVoicedMarksAndYen) {
  EXPECT_EQ(ToFullWidth("Ab1 ~"), Sj("Ａｂ１　～"));
  EXPECT_EQ(ToFullWidth(Sj("ｶﾞﾊﾟｳﾞﾊﾞｱﾞ")), Sj("ガパヴバア゛"));
  EXPECT_EQ(ToFullWidth("C:\\x"), Sj("Ｃ：￥ｘ"));
  EXPECT_EQ(ToFullWidth(Sj("表ソ")), Sj("表ソ"));
  // A lone lead byte at the end is kept as it is.
  EXPECT_EQ(ToFullWidth(B({'a', 0x83})), Sj("ａ") + B({0x83}));
}

TEST(Width, AlnumHalfWidthLeavesKanaAlone) {
  EXPECT_EQ(AlnumHalfWidth(Sj("ＡＢＣ１２３ｶﾀｶﾅ")), Sj("ABC123ｶﾀｶﾅ"));
  EXPECT_EQ(AlnumHalfWidth(Sj("（＄）　￥カナ＋")), Sj("($) \\カナ＋"));  // ＋ is not in the set
}

TEST(Width, KanaConversion) {
  EXPECT_EQ(ToHiragana(Sj("アイウヴァンヽヾカナ漢ｶ")), Sj("あいうヴぁんゝゞかな漢ｶ"));
  EXPECT_EQ(ToKatakana(Sj("ぁあんゝゞ表")), Sj("ァアンヽヾ表"));
  EXPECT_EQ(ToKatakana(ToHiragana(Sj("ミムメ"))), Sj("ミムメ"));  // the gap at 0x837F
}

TEST(Width, ExpressionMap) {
  EXPECT_EQ(ExpressionHalfWidth(Sj("１＋２×３÷４")), "1+2*3/4");
  EXPECT_EQ(ExpressionHalfWidth(Sj("Ａ≦Ｂ、Ｃ≧Ｄ。Ｅ≠Ｆ")), "A<=B,C>=D;E<>F");
  EXPECT_EQ(ExpressionHalfWidth(Sj("「あ」『い』｢う｣※")), Sj("\"あ\"`い`\"う\"'"));
  EXPECT_EQ(ExpressionHalfWidth(Sj("表＝ソ")), Sj("表=ソ"));
}

TEST(Codes, Detection) {
  EXPECT_EQ(DetectCode("plain ascii"), kCodeAscii);
  EXPECT_EQ(DetectCode(Sj("あいう")), kCodeSjis);
  EXPECT_EQ(DetectCode(B({0xA4, 0xA2, 0xA4, 0xF3})), kCodeEuc);
  EXPECT_EQ(DetectCode(B({0x1B, '$', 'B', 0x24, 0x22, 0x1B, '(', 'J'})), kCodeJisNew);
  EXPECT_EQ(DetectCode(B({0x1B, '$', '@', 0x24, 0x22})), kCodeJisOld);
  EXPECT_EQ(DetectCode(B({'a', 0x01, 'b'})), kCodeBinary);
  EXPECT_EQ(DetectCode(B({0xB1, 0xB2, 0xB3})), kCodeEucOrSjis);
  EXPECT_EQ(CodeFromName("euc"), kCodeEuc);
  EXPECT_EQ(CodeFromName("jis"), kCodeJisNew);
  EXPECT_EQ(CodeFromName("EUC-JP"), kCodeEuc);
  EXPECT_EQ(CodeFromName("iso-2022-jp"), kCodeJisNew);
  EXPECT_EQ(CodeFromName("UTF-8N"), kCodeUtf8);
  EXPECT_EQ(CodeFromName("utf_8"), kCodeUtf8);
  EXPECT_EQ(CodeFromName("UCS2"), kCodeSjis);  // unknown names stay Shift-JIS (UTF8: Utf8ByName)
}

TEST(Codes, SingleCharacterArithmetic) {
  EXPECT_EQ(SjisToJisCode(0x82A0), 0x2422u);  // あ
  EXPECT_EQ(JisToSjisCode(0x2422), 0x82A0u);
  EXPECT_EQ(SjisToJisCode(0x8140), 0x2121u);
  EXPECT_EQ(SjisToJisCode(0xEAA4), 0x7426u);  // 熙, last JIS X 0208 row
  EXPECT_EQ(SjisToJisCode(0x835C), 0x253Du);  // ソ
  // IBM extensions become their NEC-selected twins (as nkf does).
  EXPECT_EQ(SjisToJisCode(0xFBFC), SjisToJisCode(0xEEE0));  // 髙
  EXPECT_EQ(SjisToJisCode(0xFA4A), SjisToJisCode(0x8754));  // Ⅰ -> NEC row 13
  EXPECT_EQ(SjisToJisCode(0xFA54), SjisToJisCode(0x81CA));  // ￢ -> JIS X 0208
  // User-defined and unassigned codes have no JIS form.
  EXPECT_EQ(SjisToJisCode(0xF040), 0u);
  EXPECT_EQ(SjisToJisCode(0x8540), 0u);
  EXPECT_EQ(SjisToJisCode(0x8230), 0u);  // invalid second byte
}

TEST(Codes, SjisToJisAndEuc) {
  // ESC ( J closes the double-byte run, where nkf writes ESC ( B.
  EXPECT_EQ(SjisToJis(Sj("あ")), B({0x1B, '$', 'B', 0x24, 0x22, 0x1B, '(', 'J'}));
  EXPECT_EQ(SjisToEuc(Sj("あ")), B({0xA4, 0xA2}));
  EXPECT_EQ(SjisToJis(Sj("aあ\r\nい")),
            "a" + B({0x1B, '$', 'B', 0x24, 0x22, 0x1B, '(', 'J'}) + "\r\n" +
                B({0x1B, '$', 'B', 0x24, 0x24, 0x1B, '(', 'J'}));
  // Half-width katakana become full-width in JIS, merging voiced marks.
  EXPECT_EQ(SjisToJis(Sj("ｶﾞﾎﾟｳﾞｱﾞ")),
            B({0x1B, '$', 'B', 0x25, 0x2C, 0x25, 0x5D, 0x25, 0x74, 0x25, 0x22, 0x21, 0x2B,
               0x1B, '(', 'J'}));
  EXPECT_EQ(SjisToEuc(Sj("ｱ")), B({0x8E, 0xB1}));
  const std::string geta = B({0xA2, 0xAE});  // 〓
  EXPECT_EQ(SjisToEuc(B({0xF0, 0x40})), geta);
  EXPECT_EQ(SjisToEuc(B({'a', 0x82})), "a" + geta);  // lone lead byte at the end
  EXPECT_EQ(SjisToEuc(B({0x82, '\r', '\n'})), geta + "\r\n");  // keeps the line break
  EXPECT_EQ(SjisToEuc(Sj("ソ表能")), B({0xA5, 0xBD, 0xC9, 0xBD, 0xC7, 0xBD}));
}

TEST(Codes, BackToSjis) {
  EXPECT_EQ(EucToSjis(B({0xA4, 0xA2, 'x', 0x8E, 0xB1})), Sj("あxｱ"));
  EXPECT_EQ(EucToSjis(B({0x8F, 0xB0, 0xA1})), Sj("〓"));  // JIS X 0212
  EXPECT_EQ(JisToSjis(B({'a', 0x1B, '$', 'B', 0x24, 0x22, '\r', '\n', 0x24, 0x24, 0x1B, '(', 'B', 'b'})),
            Sj("aあ\r\nいb"));
  EXPECT_EQ(JisToEuc(B({0x1B, '$', '@', 0x24, 0x22, 0x1B, '(', 'J', 'z'})), B({0xA4, 0xA2, 'z'}));
  EXPECT_EQ(EucToJis(B({0x8E, 0xB6, 0x8E, 0xDE})),
            B({0x1B, '$', 'B', 0x25, 0x2C, 0x1B, '(', 'J'}));
  const std::string text = Sj("漢字とカナ、ソ表能。ｱｲｳ abc\r\n");
  EXPECT_EQ(EucToSjis(SjisToEuc(text)), text);
  EXPECT_EQ(ConvertDetected(ConvertDetected(text, kCodeEuc), kCodeSjis), text);
  EXPECT_EQ(ConvertDetected(ConvertDetected(Sj("漢字ソ"), kCodeJisNew), kCodeSjis), Sj("漢字ソ"));
}

TEST(Codes, Utf16BothWays) {
  EXPECT_EQ(CodeFromName("utf-16"), kCodeUtf16);
  EXPECT_EQ(CodeFromName("UNICODE"), kCodeUtf16);
  // "品A" and a character outside the basic plane (U+20B9F), little-endian
  // with its mark, as Windows programs write "Unicode" text.
  const std::string le("\xFF\xFE\xC1\x54\x41\x00\x42\xD8\x9F\xDF", 10);
  EXPECT_EQ(ConvertCode(le, kCodeUtf16, kCodeUtf8), "品A\U00020B9F");
  const std::string value = ConvertCode(le, kCodeUtf16, kCodeSjis);
  EXPECT_EQ(value.substr(0, 3), Sj("品A"));
  EXPECT_EQ(value.size(), 5u);  // the last its stand-in
  EXPECT_EQ(ConvertCode(value, kCodeSjis, kCodeUtf16), le);
  EXPECT_EQ(ConvertCode("品A\U00020B9F", kCodeUtf8, kCodeUtf16), le);
  EXPECT_EQ(ConvertCode(Sj("品A"), kCodeSjis, kCodeUtf16), std::string("\xFF\xFE\xC1\x54\x41\x00", 6));
  // A big-endian mark is honoured; a lone surrogate and an odd byte are U+FFFD.
  EXPECT_EQ(ConvertCode(std::string("\xFE\xFF\x54\xC1", 4), kCodeUtf16, kCodeUtf8), "品");
  EXPECT_EQ(ConvertCode(std::string("\xFF\xFE\x00\xD8\x41", 5), kCodeUtf16, kCodeUtf8), "\uFFFD\uFFFD");
  EXPECT_TRUE(HasUtf16Mark(le));
  EXPECT_FALSE(HasUtf16Mark("\xFF"));
}

TEST(Codes, NothingToConvert) {
  EXPECT_EQ(ConvertDetected("ascii only", kCodeJisNew), "ascii only");
  const std::string binary = B({0x02, 0x82, 0xA0});
  EXPECT_EQ(ConvertDetected(binary, kCodeEuc), binary);
  EXPECT_EQ(ConvertCode(Sj("あ"), kCodeSjis, kCodeSjis), Sj("あ"));
  EXPECT_EQ(ConvertCode(Sj("あ"), kCodeEucOrSjis, kCodeEuc), Sj("あ"));
}

TEST(Codes, Utf8ByName) {
  EXPECT_EQ(CodeFromName("utf-8"), kCodeUtf8);
  EXPECT_EQ(CodeFromName("UTF8"), kCodeUtf8);
  EXPECT_EQ(CodeFromName("UTF"), kCodeSjis);
  const std::string utf8 = "\xE6\xBC\xA2\xE5\xAD\x97\xE3\x82\xBD\xE8\xA1\xA8 a\r\n";  // 漢字ソ表 a
  EXPECT_EQ(ConvertCode(utf8, kCodeUtf8, kCodeSjis), Sj("漢字ソ表 a\r\n"));
  EXPECT_EQ(ConvertCode(Sj("漢字ソ表 a\r\n"), kCodeSjis, kCodeUtf8), utf8);
  // The byte-order mark is not text; EUC and JIS cross through Shift-JIS.
  EXPECT_EQ(ConvertCode("\xEF\xBB\xBF" + utf8, kCodeUtf8, kCodeSjis), Sj("漢字ソ表 a\r\n"));
  EXPECT_EQ(ConvertCode(utf8, kCodeUtf8, kCodeEuc), SjisToEuc(Sj("漢字ソ表 a\r\n")));
  EXPECT_EQ(ConvertCode(SjisToJis(Sj("漢字")), kCodeJisNew, kCodeUtf8), "\xE6\xBC\xA2\xE5\xAD\x97");
  // No CP932 form: a stand-in, one double-byte character, never "?" (a
  // wildcard in file commands), and the character again on the way out.
  const std::string smile = ConvertCode("\xF0\x9F\x98\x80", kCodeUtf8, kCodeSjis);
  EXPECT_EQ(smile.size(), 2u);
  EXPECT_EQ(smile.find('?'), std::string::npos);
  EXPECT_EQ(ConvertCode(smile, kCodeSjis, kCodeUtf8), "\xF0\x9F\x98\x80");
}

TEST(Codes, TwinsComeBackInTheFormLastMet) {
  // 〜 and ～ are one CP932 code: each comes back as the form a text that
  // came in used, short texts (by the tables) and long ones (iconv) alike.
  const std::string wave = "10時〜12時", tilde = "10時～12時";
  const std::string longWave = std::string(300, 'x') + wave, longTilde = std::string(300, 'x') + tilde;
  EXPECT_EQ(FromUtf8(wave), FromUtf8(tilde));
  EXPECT_EQ(ToUtf8(FromUtf8(wave)), wave);
  EXPECT_EQ(ToUtf8(FromUtf8(longWave)), longWave);
  EXPECT_EQ(ToUtf8(FromUtf8(tilde)), tilde);
  EXPECT_EQ(ToUtf8(FromUtf8(longTilde)), longTilde);
  const std::string others = "a−b ‖ — ¢£¬";
  EXPECT_EQ(ToUtf8(FromUtf8(others)), others);
  const std::string windows = "a－b ∥ ― ￠￡￢";
  EXPECT_EQ(ToUtf8(FromUtf8(windows)), windows);
  // A fixed text of the program's own is no text coming in.
  FromUtf8(wave);
  Sj("～");
  EXPECT_EQ(ToUtf8(Sj("〜")), wave.substr(std::string("10時").size(), 3));
}

TEST(Codes, CharactersWithoutCp932FormComeBack) {
  // "Café Müller 한 😀" read from UTF-8 and written back: nothing lost, and
  // é and è stay two characters (both were "〓" once, so equal).
  const std::string utf8 = "Caf\xC3\xA9 M\xC3\xBCller \xED\x95\x9C \xF0\x9F\x98\x80";
  const std::string value = FromUtf8(utf8);
  EXPECT_EQ(ToUtf8(value), utf8);
  EXPECT_EQ(ToUtf8(FromUtf8(utf8)), utf8);  // the same stand-ins the second time
  EXPECT_EQ(value.substr(0, 3), "Caf");
  EXPECT_EQ(value.size(), 19u);  // Caf é " M" ü "ller " 한 " " 😀
  EXPECT_NE(FromUtf8("\xC3\xA9"), FromUtf8("\xC3\xA8"));
  // Within a value a stand-in is a character like any other.
  EXPECT_EQ(ToUtf8(value.substr(3, 2) + Sj("様")), "\xC3\xA9\xE6\xA7\x98");
  // A byte that is no character has nothing to stand for.
  EXPECT_EQ(FromUtf8("a\xFF" "b"), Sj("a〓b"));
  // The same unassigned codes that no stand-in was given out for are no
  // characters either.
  EXPECT_EQ(ToUtf8("\xEF\xFC"), "\xEF\xBF\xBD");
  std::string strict;
  EXPECT_TRUE(Utf8ToCp932(utf8, strict));
  EXPECT_EQ(strict, value);
  // A Shift-JIS file gets 〓 (and "\" for ¥); UTF-8 text and the bytes of
  // a binary file that happen to hold a stand-in's code are left alone.
  EXPECT_EQ(ShiftJisFileForm(FromUtf8("Caf\xC3\xA9 \xC2\xA5" "5")), Sj("Caf〓 \\5"));
  const std::string standIn = value.substr(3, 2);
  const std::string binary = std::string("\x89PNG\r\n\x1A\n\0\0", 10) + standIn + "\xFF";
  EXPECT_EQ(ShiftJisFileForm(binary), binary);
  EXPECT_EQ(ShiftJisFileForm(utf8), utf8);
}

TEST(Codes, Utf8Guess) {
  EXPECT_TRUE(LooksLikeUtf8Text("\xE3\x81\x82"));          // あ in UTF-8
  EXPECT_TRUE(LooksLikeUtf8Text("\xEF\xBB\xBF" "abc"));       // a mark alone decides
  EXPECT_FALSE(LooksLikeUtf8Text(Sj("漢字とソ表能ｱｲｳ")));  // CP932 text
  EXPECT_FALSE(LooksLikeUtf8Text("plain ascii"));
  EXPECT_FALSE(LooksLikeUtf8Text("\xE3\x81"));               // cut short: not UTF-8
  // Valid as CP932 too (漢字とソ表、ｱ read byte-wise), still UTF-8.
  EXPECT_TRUE(LooksLikeUtf8Text(ConvertCode(Sj("漢字とソ表、ｱ"), kCodeSjis, kCodeUtf8)));
  EXPECT_FALSE(LooksLikeUtf8Text(Sj("ﾃｲ")));  // C3 B2: also "ò" in UTF-8; CP932 wins
  EXPECT_TRUE(LooksLikeUtf8Text("ka\xC4\x81"));  // ā: its last byte would be a CP932 lead byte
  // Accented letters inside Latin words: "Müller,München" and "José" read
  // as CP932 too (Mﾃｼller), but nobody writes katakana inside a word.
  EXPECT_TRUE(LooksLikeUtf8Text("M\xC3\xBCller,M\xC3\xBCnchen"));
  EXPECT_TRUE(LooksLikeUtf8Text("Jos\xC3\xA9\r\n"));
  EXPECT_TRUE(LooksLikeUtf8Text("\xC3\x89cole"));  // École
  EXPECT_TRUE(LooksLikeUtf8Text("Caf\xC3\xA9 \xC2\xA5" "500"));  // Café ¥500
  // Half-width katakana between other characters stay CP932.
  EXPECT_FALSE(LooksLikeUtf8Text(Sj("1,ﾃｲ,2")));
  EXPECT_FALSE(LooksLikeUtf8Text(Sj("(ﾃｲ)")));
}

TEST(Base64, EncodeDecode) {
  EXPECT_EQ(Base64Encode("abc"), "YWJj");
  EXPECT_EQ(Base64Encode("ab"), "YWI=");
  EXPECT_EQ(Base64Encode("a"), "YQ==");
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode(B({0xFB, 0xFF, 0x00})), "+/8A");
  std::string out;
  ASSERT_TRUE(Base64Decode("YW\r\nJj", out));
  EXPECT_EQ(out, "abc");
  ASSERT_TRUE(Base64Decode("YWI=", out));
  EXPECT_EQ(out, "ab");
  ASSERT_TRUE(Base64Decode("YWI", out));
  EXPECT_EQ(out, "ab");
  ASSERT_TRUE(Base64Decode("+/8A", out));
  EXPECT_EQ(out, B({0xFB, 0xFF, 0x00}));
  EXPECT_FALSE(Base64Decode("YW*j", out));
  EXPECT_FALSE(Base64Decode("YWJjZ", out));  // six bits left over
}

TEST(MailHeader, EncodeKeepsAsciiAndEncodesRuns) {
  // The word carries ESC ( J where nkf -M -j writes ESC ( B.
  EXPECT_EQ(MailHeaderEncode(Sj("Re: テスト")), "Re: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhK?=");
  EXPECT_EQ(MailHeaderEncode(Sj("あ a い")),
            "=?ISO-2022-JP?B?GyRCJCIbKEo=?= a =?ISO-2022-JP?B?GyRCJCQbKEo=?=");
  EXPECT_EQ(MailHeaderEncode("plain"), "plain");
}

TEST(MailHeader, Decode) {
  EXPECT_EQ(MailHeaderDecode("Re: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhK?="), Sj("Re: テスト"));
  // Words written by nkf (ESC ( B), lower-case charset name.
  EXPECT_EQ(MailHeaderDecode("=?iso-2022-jp?B?GyRCJCIbKEI=?= x"), Sj("あ x"));
  EXPECT_EQ(MailHeaderDecode("=?UTF-8?B?44GC?="), "=?UTF-8?B?44GC?=");
  // Half-width katakana survive; a control byte ends the text.
  EXPECT_EQ(MailHeaderDecode(Sj("ｱｲ") + "\x7F" + "rest"), Sj("ｱｲ"));
  // A broken word is left as it is and the next one is still decoded.
  EXPECT_EQ(MailHeaderDecode("=?ISO-2022-JP?B?*?= =?ISO-2022-JP?B?GyRCJCIbKEo=?="),
            "=?ISO-2022-JP?B?*?= " + Sj("あ"));
}

TEST(Mbx, TakesOneMessage) {
  std::string box = "From: a\r\nbody\r\n.\r\nFrom: b\r\n.\r\n";
  EXPECT_EQ(MbxTakeMessage(box), "From: a\r\nbody\r\n.\r\n");
  EXPECT_EQ(box, "From: b\r\n.\r\n");
  std::string open = "x\r\ny";
  EXPECT_EQ(MbxTakeMessage(open), "x\r\ny\r\n");
  EXPECT_EQ(open, "");
  std::string dotted = "..\r\n.\r\n";  // ".." is not the end line
  EXPECT_EQ(MbxTakeMessage(dotted), "..\r\n.\r\n");
}

}  // namespace
}  // namespace nokari
