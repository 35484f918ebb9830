// Wildcards and regular expressions. Regex results were checked against
// perl (s///, tr///, split); differences are said next to the case.
#include <gtest/gtest.h>

#include "core/Encoding.h"
#include "lib/pattern/Messages.h"
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
  auto e = ParsePerlExpr("m/a\\/b/i", 'm');
  EXPECT_EQ(e.Pattern, "a\\/b");
  EXPECT_EQ(e.Options, "i");
  EXPECT_EQ(ParsePerlExpr("max", 'm').Pattern, "max");  // not an m-expression
  EXPECT_EQ(ParsePerlExpr("a/b", 'm').Pattern, "a/b");
  e = ParsePerlExpr("s#a#b#g", 's');
  EXPECT_EQ(e.Pattern, "a");
  EXPECT_EQ(e.Replacement, "b");
  EXPECT_EQ(e.Options, "g");
  e = ParsePerlExpr("tr/a-z/A-Z/", 't');
  EXPECT_EQ(e.Replacement, "A-Z");
  e = ParsePerlExpr(Sj("s/ソ/表/"), 's');  // 0x5C second bytes
  EXPECT_EQ(e.Pattern, Sj("ソ"));
  EXPECT_EQ(e.Replacement, Sj("表"));
  EXPECT_THROW(ParsePerlExpr("s/a/b", 's'), RegexError);
  EXPECT_THROW(ParsePerlExpr("abc", 's'), RegexError);
}

// An "m" and a punctuation mark begin an m-expression only when the
// delimiter closes and nothing but option letters follows; otherwise the
// text is a plain pattern for an "m" and what follows.
TEST(Regex, PlainPatternsStartingWithM) {
  for (const char* plain : {"m.", "m|n", "m-n", "m,", "m/s", "m.m", "m+\\+", "m/a/1"})
    EXPECT_EQ(ParsePerlExpr(plain, 'm').Pattern, plain) << plain;
  EXPECT_EQ(RegexMatch("the name", "m.", ""), Strings{"me"});
  EXPECT_EQ(RegexMatch("m+++", "m+\\+", ""), Strings{"m+"});
  EXPECT_EQ(ParsePerlExpr("m+\\++", 'm').Pattern, "\\+");  // closed: an m-expression
  EXPECT_EQ(ParsePerlExpr("m.a.", 'm').Pattern, "a");
  EXPECT_EQ(ParsePerlExpr("m|a|i", 'm').Options, "i");
}

TEST(Regex, BracketDelimiters) {
  auto e = ParsePerlExpr("m{abc}i", 'm');
  EXPECT_EQ(e.Pattern, "abc");
  EXPECT_EQ(e.Options, "i");
  EXPECT_EQ(ParsePerlExpr("m{a{2}}", 'm').Pattern, "a{2}");  // nested pairs
  // In a match, a group, a class or a count after "m" is a plain pattern.
  for (const char* plain : {"m(a|e)n", "m[ae]n", "m{2}", "m{1,3}x", "m<b>"})
    EXPECT_EQ(ParsePerlExpr(plain, 'm').Pattern, plain) << plain;
  EXPECT_EQ(RegexMatch("men", "m[ae]n", ""), Strings{"men"});
  e = ParsePerlExpr("s{b}{x}g", 's');
  EXPECT_EQ(e.Pattern, "b");
  EXPECT_EQ(e.Replacement, "x");
  EXPECT_EQ(e.Options, "g");
  e = ParsePerlExpr("s(b)(x)", 's');
  EXPECT_EQ(e.Replacement, "x");
  e = ParsePerlExpr("s<a\\>><b>", 's');
  EXPECT_EQ(e.Pattern, "a\\>");
  e = ParsePerlExpr("s[a[b]][x]", 's');
  EXPECT_EQ(e.Pattern, "a[b]");
  e = ParsePerlExpr("s{a} {b}", 's');  // blanks between the two parts
  EXPECT_EQ(e.Replacement, "b");
  e = ParsePerlExpr("s{a}/b/", 's');  // the second part with a delimiter of its own
  EXPECT_EQ(e.Replacement, "b");
  e = ParsePerlExpr("tr{a-c}{A-C}", 't');
  EXPECT_EQ(e.Replacement, "A-C");
  EXPECT_THROW(ParsePerlExpr("s{a}", 's'), RegexError);
  EXPECT_THROW(ParsePerlExpr("s{a}{b", 's'), RegexError);
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

// CR LF is the language's line break: "$" stands before it (never between
// its CR and LF), so captures end without the CR.
TEST(Regex, CrLfIsOneLineBreak) {
  const std::string lines = "apple 120\r\norange 40";
  EXPECT_EQ(RegexSubstitute(lines, "(\\d+)$", "$1yen", "gm"), "apple 120yen\r\norange 40yen");
  EXPECT_EQ(RegexMatch(lines, "^(\\S+) (\\d+)$", "m"), (Strings{"apple 120", "apple", "120"}));
  EXPECT_EQ(RegexMatch("total 300\r\n", "\\d+$", ""), Strings{"300"});
  EXPECT_EQ(RegexMatch("total 300\r\n", "\\d+\\Z", ""), Strings{"300"});
  EXPECT_EQ(RegexMatch("a ERROR b\r\nok\r\n", "^(.*ERROR.*)$", "m"),
            (Strings{"a ERROR b", "a ERROR b"}));
  // Without m, "$" is the end or the last line break only.
  EXPECT_EQ(RegexMatch("1\r\n2\r\n", "\\d$", ""), Strings{"2"});
  EXPECT_EQ(RegexMatch("1\r\n2", "1$", ""), Strings{});
  // Empty matches at every line end, none between CR and LF.
  EXPECT_EQ(RegexSubstitute("a\r\nb", "$", ";", "gm"), "a;\r\nb;");
  EXPECT_EQ(RegexSubstitute("a\r\nb\r\n", "^", ">", "gm"), ">a\r\n>b\r\n");
  // LF alone and an inline (?m) keep working; "$" in a class or escaped is a character.
  EXPECT_EQ(RegexSubstitute("a\nb\r\nc", "$", ";", "gm"), "a;\nb;\r\nc;");
  EXPECT_EQ(RegexMatch("x1\r\ny", "(?m)\\d$", ""), Strings{"1"});
  EXPECT_EQ(RegexMatch("a$\r\n", "[$]", ""), Strings{"$"});
  EXPECT_EQ(RegexMatch("a$\r\n", "a\\$", ""), Strings{"a$"});
  EXPECT_EQ(RegexMatch("a$\r\n", "\\Qa$\\E", ""), Strings{"a$"});
  EXPECT_EQ(RegexMatch("ab\r\n", "(?#$)b$", ""), Strings{"b"});
  EXPECT_EQ(RegexMatch("a\r\nb\r\n", "(?x) b $", ""), Strings{"b"});
  // Double-byte characters before the anchor stay whole.
  EXPECT_EQ(RegexMatch(Sj("容量不足\r\n次"), Sj("不足$"), "m"), Strings{Sj("不足")});
  EXPECT_EQ(RegexSplit("a\r\nb\r\n", "$", "m"), (Strings{"a", "\r\nb", "\r\n"}));
}

TEST(Regex, NamedGroupsAndReplacementForms) {
  EXPECT_EQ(RegexMatch(Sj("2024年3月"), Sj("(?<y>\\d+)年(\\d+)"), ""),
            (Strings{Sj("2024年3"), "2024", "3"}));
  EXPECT_EQ(RegexMatch("abab", "(?<x>ab)\\k<x>", ""), (Strings{"abab", "ab"}));
  EXPECT_EQ(RegexSubstitute("2024-03", "(?<y>\\d+)-(?<m>\\d+)", "$+{m}/${y}", ""), "03/2024");
  EXPECT_EQ(RegexSubstitute("5", "(\\d)", "${1}0", ""), "50");
  EXPECT_EQ(RegexSubstitute("a", "(a)", "[${nope}]", ""), "[]");
  // $10 is group 10 when there are ten groups, group 1 and "0" otherwise.
  EXPECT_EQ(RegexSubstitute("7", "(7)", "$10", ""), "70");
  EXPECT_EQ(RegexSubstitute("abcdefghij", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", "$10", ""), "j");
  EXPECT_EQ(RegexSubstitute("hello world", "(\\w+) (\\w+)", "\\U$1\\E \\u$2", ""), "HELLO World");
  EXPECT_EQ(RegexSubstitute("HELLO", "(\\w+)", "\\u\\L$1", ""), "Hello");
  EXPECT_EQ(RegexSubstitute("ab", "(ab)", "\\l\\UX$1", ""), "xAB");
  EXPECT_EQ(RegexSubstitute(Sj("aソb"), "(.+)", "\\U$1", ""), Sj("AソB"));
}

TEST(Regex, ErrorsSayWhatIsWrong) {
  auto messageOf = [](auto run) -> std::string {
    try {
      run();
    } catch (const RegexError& err) {
      return err.Message;
    }
    return "no error";
  };
  EXPECT_EQ(messageOf([] { RegexMatch("a", "(", ""); }), msg::kRegexParentheses);
  EXPECT_EQ(messageOf([] { RegexMatch("a", "[a", ""); }), msg::kRegexClass);
  EXPECT_EQ(messageOf([] { RegexMatch("a", "*", ""); }), msg::kRegexRepeat);
  EXPECT_EQ(messageOf([] { RegexMatch("a", "\\p{Nope}", ""); }), msg::kRegexName);
  EXPECT_EQ(messageOf([] { ParsePerlExpr("s/a/b", 's'); }), msg::kRegexUnclosed);
  EXPECT_EQ(messageOf([] { ParsePerlExpr("s/a/b/1", 's'); }), msg::kRegexBadOption);
  EXPECT_EQ(messageOf([] { Transliterate("a", "z-a", "", ""); }), msg::kRegexReversedRange);
  try {
    RegexMatch("a", "\\p{Nope}", "");
  } catch (const RegexError& err) {
    EXPECT_EQ(err.Arg, "Nope");
  }
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
  // A range counts characters, not codes: ァ-ン skips 0x837F (no character).
  EXPECT_EQ(Transliterate(Sj("ひらがなむ"), Sj("ぁ-ん"), Sj("ァ-ン"), ""), Sj("ヒラガナム"));
  EXPECT_EQ(Transliterate(Sj("ラム"), Sj("ァ-ン"), Sj("ぁ-ん"), ""), Sj("らむ"));
  EXPECT_EQ(Transliterate(Sj("ヴ"), Sj("ァ-ヶ"), "", "d"), "");
  EXPECT_THROW(Transliterate("a", "z-a", "", ""), RegexError);
  // Complement with neither a list nor d: every character stands for itself.
  EXPECT_EQ(Transliterate("abc", "a", "", "c"), "abc");
}

}  // namespace
}  // namespace nokari
