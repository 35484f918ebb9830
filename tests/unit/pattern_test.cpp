// Wildcards and regular expressions. Regex results were checked against
// perl (s///, tr///, split); differences are said next to the case.
#include <gtest/gtest.h>

#include "core/Encoding.h"
#include "lib/pattern/Regex.h"
#include "lib/pattern/Wildcard.h"

namespace nokari {
namespace {

using Strings = std::vector<std::string>;

TEST(Wildcard, FullMatchBasics) {
  EXPECT_TRUE(WildcardMatch("abc", "a*c"));
  EXPECT_TRUE(WildcardMatch("abc", "*"));
  EXPECT_TRUE(WildcardMatch("", "*"));
  EXPECT_TRUE(WildcardMatch("1x2", "#?#"));
  EXPECT_FALSE(WildcardMatch("ax2", "#?#"));
  EXPECT_FALSE(WildcardMatch("abcd", "a?c"));
  EXPECT_TRUE(WildcardMatch(Sj("表計算.txt"), Sj("表*.txt")));
  EXPECT_TRUE(WildcardMatch(Sj("ソ"), "?"));
  // "?" at the end of the subject reads nothing past it.
  EXPECT_TRUE(WildcardMatch("a", "a?"));
}

TEST(Wildcard, LazyStarIsNeverRetried) {
  EXPECT_TRUE(WildcardMatch("a.txt", "*.txt"));
  EXPECT_FALSE(WildcardMatch("a.txt.txt", "*.txt"));
  EXPECT_TRUE(WildcardMatch("a.txt.txt", "*.txt*"));
  EXPECT_TRUE(WildcardMatch("xaybz", "*a*b*"));
  // Many stars over a long text finish quickly (no exponential retrying).
  std::string text(1000, 'a');
  EXPECT_FALSE(WildcardMatch(text, "*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(WildcardMatch(text + "b", "*a*a*a*a*a*a*a*a*b"));
}

TEST(Wildcard, Sets) {
  EXPECT_TRUE(WildcardMatch("5", "[0-9]"));
  EXPECT_FALSE(WildcardMatch("", "[0-9]"));
  EXPECT_FALSE(WildcardMatch("", "[!0-9]"));
  EXPECT_TRUE(WildcardMatch("a", "[!0-9]"));
  EXPECT_TRUE(WildcardMatch(Sj("か"), Sj("[あ-ん]")));
  EXPECT_FALSE(WildcardMatch(Sj("カ"), Sj("[あ-ん]")));
  EXPECT_TRUE(WildcardMatch("b", "[z-a]"));  // a reversed range is reordered
  EXPECT_TRUE(WildcardMatch("\r", "[\\n]"));
  EXPECT_TRUE(WildcardMatch("\t", "[\\t]"));
  EXPECT_TRUE(WildcardMatch("a-", "a[-]"));
  EXPECT_THROW(WildcardMatch("a", "[\\x]"), WildcardError);
}

TEST(Wildcard, RepeatedSets) {
  EXPECT_TRUE(WildcardMatch("123", "[+0-9]"));
  EXPECT_FALSE(WildcardMatch("", "[+0-9]"));
  EXPECT_TRUE(WildcardMatch("", "[*0-9]"));
  EXPECT_TRUE(WildcardMatch(Sj("12円"), Sj("[+0-9]円")));
  EXPECT_TRUE(WildcardMatch("1212", "[+12]"));
  // The first element outside the set is left for the next element.
  EXPECT_FALSE(WildcardMatch("12ax", "[+0-9]x"));
  EXPECT_FALSE(WildcardMatch("12a", "[*0-9]"));
  EXPECT_THROW(WildcardMatch("12", "[*0-9]?"), WildcardError);
  EXPECT_TRUE(WildcardMatch("12x", "[*0-9](x"));  // one pick-up marker is skipped
}

TEST(Wildcard, Alternatives) {
  EXPECT_TRUE(WildcardMatch("abx", "[=ab|a]x"));
  EXPECT_FALSE(WildcardMatch("abx", "[=a|ab]x"));
  EXPECT_TRUE(WildcardMatch(Sj("東京都"), Sj("[=大阪|東京]都")));
  // Three alternatives are reordered: [x|yy|zzz] is tried as x, zzz, yy.
  EXPECT_TRUE(WildcardMatch("zzz", "[=x|yy|zzz]"));
}

TEST(Wildcard, EscapesAndLineBreaks) {
  EXPECT_TRUE(WildcardMatch("a\r\nb", "a\\nb"));
  EXPECT_TRUE(WildcardMatch("a*b", "a\\*b"));
  EXPECT_FALSE(WildcardMatch("axb", "a\\*b"));
  // Backslashes in the subject stay literal.
  EXPECT_TRUE(WildcardMatch("c:\\n", "c:\\\\n"));
  // 0x5C as a second byte is not an escape.
  EXPECT_TRUE(WildcardMatch(Sj("ソ表能"), Sj("ソ?能")));
  EXPECT_TRUE(WildcardMatch(Sj("表"), Sj("[表]")));
}

TEST(Wildcard, SubjectSetIsOneElement) {
  // A "[...]" inside the subject is one element.
  EXPECT_TRUE(WildcardMatch("[abc]", "?"));
  EXPECT_FALSE(WildcardMatch("[abc]", "\\[abc\\]"));
}

TEST(Wildcard, PrefixAndPickups) {
  auto r = WildcardPrefix("12abc", "(#)#");
  EXPECT_TRUE(r.Ok);
  EXPECT_EQ(r.Matched, "12");
  EXPECT_EQ(r.Rest, "abc");
  EXPECT_EQ(r.Pickups, Strings{"1"});

  r = WildcardPrefix("name=value;rest", "(*)=(*);");
  EXPECT_EQ(r.Matched, "name=value;");
  EXPECT_EQ(r.Pickups, (Strings{"name", "value"}));
  EXPECT_EQ(r.Rest, "rest");

  r = WildcardPrefix(Sj("表示テスト"), Sj("(表*)テ"));
  EXPECT_EQ(r.Pickups, Strings{Sj("表示")});

  r = WildcardPrefix("abc", "(x)");
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Matched, "");
  EXPECT_EQ(r.Rest, "abc");

  r = WildcardPrefix("key:val", "*:(*)");  // "*" before a final ")" takes the rest
  EXPECT_EQ(r.Pickups, Strings{"val"});
  EXPECT_EQ(r.Rest, "");
}

TEST(Wildcard, HasWildcard) {
  EXPECT_TRUE(HasWildcard("a*"));
  EXPECT_TRUE(HasWildcard("[a]"));
  EXPECT_FALSE(HasWildcard("abc"));
  EXPECT_FALSE(HasWildcard(Sj("ゼ")));  // 0x83 0x5B: "[" as a second byte
}

TEST(Regex, ExpressionParsing) {
  auto e = ParsePerlExpr("m/a\\/b/i", 'm', true);
  EXPECT_EQ(e.Pattern, "a\\/b");
  EXPECT_EQ(e.Options, "i");
  EXPECT_EQ(ParsePerlExpr("max", 'm', true).Pattern, "max");  // not an m-expression
  EXPECT_EQ(ParsePerlExpr("a/b", 'm', true).Pattern, "a/b");
  e = ParsePerlExpr("s#a#b#g", 's', false);
  EXPECT_EQ(e.Pattern, "a");
  EXPECT_EQ(e.Replacement, "b");
  EXPECT_EQ(e.Options, "g");
  e = ParsePerlExpr("tr/a-z/A-Z/", 't', false);
  EXPECT_EQ(e.Replacement, "A-Z");
  e = ParsePerlExpr(Sj("s/ソ/表/"), 's', false);  // 0x5C second bytes
  EXPECT_EQ(e.Pattern, Sj("ソ"));
  EXPECT_EQ(e.Replacement, Sj("表"));
  EXPECT_THROW(ParsePerlExpr("s/a/b", 's', false), RegexError);
  EXPECT_THROW(ParsePerlExpr("abc", 's', false), RegexError);
  EXPECT_THROW(ParsePerlExpr("m/a/1", 'm', true), RegexError);
}

TEST(Regex, MatchGroups) {
  EXPECT_EQ(RegexMatch("abc", "b(.)", ""), (Strings{"bc", "c"}));
  EXPECT_EQ(RegexMatch("abc", "x", ""), Strings{});
  EXPECT_EQ(RegexMatch("abc", "(z)?c", ""), (Strings{"c", ""}));
  EXPECT_EQ(RegexMatch("ABC", "b", "i"), Strings{"B"});
  EXPECT_EQ(RegexMatch("", "^$", ""), Strings{""});
  // Characters, not bytes: "." takes a whole double-byte character.
  EXPECT_EQ(RegexMatch(Sj("ソ表"), ".$", ""), Strings{Sj("表")});
  EXPECT_EQ(RegexMatch(Sj("ソ表"), "\\\\", ""), Strings{});
  EXPECT_EQ(RegexMatch("ab\ncd", "^c", ""), Strings{});
  EXPECT_EQ(RegexMatch("ab\ncd", "^c", "m"), Strings{"c"});
  EXPECT_EQ(RegexMatch("a\nb", "a.b", "s"), Strings{"a\nb"});
  EXPECT_THROW(RegexMatch("a", "(", ""), RegexError);
}

TEST(Regex, SubstituteLikePerl) {
  EXPECT_EQ(RegexSubstitute("hello world", "(\\w+) (\\w+)", "$2 $1", ""), "world hello");
  EXPECT_EQ(RegexSubstitute("hello world", "(\\w+) (\\w+)", "\\2 \\1", ""), "world hello");
  EXPECT_EQ(RegexSubstitute("aaa", "a", "b", ""), "baa");
  EXPECT_EQ(RegexSubstitute("aaa", "a", "b", "g"), "bbb");
  EXPECT_EQ(RegexSubstitute("abc", "b*", "-", "g"), "-a--c-");
  EXPECT_EQ(RegexSubstitute("a.b", "\\.", "[$&]", "g"), "a[.]b");
  EXPECT_EQ(RegexSubstitute("ab", "b", "\\n\\$1", ""), "a\n$1");
  EXPECT_EQ(RegexSubstitute(Sj("ソ表ソ"), Sj("ソ"), Sj("能"), "g"), Sj("能表能"));
  int groups = -1;
  RegexSubstitute("abc", "(b)(c)", "x", "", &groups);
  EXPECT_EQ(groups, 3);
  RegexSubstitute("abc", "z", "x", "", &groups);
  EXPECT_EQ(groups, 0);
}

TEST(Regex, SplitLikePerl) {
  EXPECT_EQ(RegexSplit("a,b,c", ",", ""), (Strings{"a", "b", "c"}));
  EXPECT_EQ(RegexSplit(",a,,b,,", ",", ""), (Strings{"", "a", "", "b"}));
  EXPECT_EQ(RegexSplit("abc", "", ""), (Strings{"a", "b", "c"}));
  EXPECT_EQ(RegexSplit("axb", "x*", ""), (Strings{"a", "b"}));
  EXPECT_EQ(RegexSplit("a1b2c", "(\\d)", ""), (Strings{"a", "1", "b", "2", "c"}));
  EXPECT_EQ(RegexSplit("", ",", ""), Strings{});
  EXPECT_EQ(RegexSplit(Sj("表ソ能"), "", ""), (Strings{Sj("表"), Sj("ソ"), Sj("能")}));
  EXPECT_EQ(RegexSplit(Sj("ソ、表、能"), Sj("、"), ""), (Strings{Sj("ソ"), Sj("表"), Sj("能")}));
  EXPECT_EQ(RegexSplit("a,b,c,d", ",", "", 2), (Strings{"a", "b,c,d"}));
}

TEST(Regex, TransliterateLikePerl) {
  EXPECT_EQ(Transliterate("hello", "a-y", "b-z", ""), "ifmmp");
  EXPECT_EQ(Transliterate("hello", "lo", "x", ""), "hexxx");
  EXPECT_EQ(Transliterate("hello", "l", "", "d"), "heo");
  EXPECT_EQ(Transliterate("hello", "a-z", "", "s"), "helo");
  EXPECT_EQ(Transliterate("hello world", "a-z", "_", "c"), "hello_world");
  EXPECT_EQ(Transliterate("hello world", "a-z", "", "cd"), "helloworld");
  EXPECT_EQ(Transliterate("aabbccdd", "a-c", "xy", "ds"), "xydd");
  EXPECT_EQ(Transliterate(Sj("あいう"), Sj("あ-う"), Sj("ア-ウ"), ""), Sj("アイウ"));
  EXPECT_EQ(Transliterate(Sj("ソA"), "A", Sj("表"), ""), Sj("ソ表"));
  EXPECT_THROW(Transliterate("a", "z-a", "", ""), RegexError);
  // Complement with neither a list nor d: every character stands for itself.
  EXPECT_EQ(Transliterate("abc", "a", "", "c"), "abc");
}

}  // namespace
}  // namespace nokari
