// The word table, the okurigana fold, the word stack and bracket calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "TestHost.h"
#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/Scan.h"
#include "words/Hash.h"
#include "words/NameIndex.h"
#include "words/Value.h"

namespace nokari {
namespace {

std::string Fold(const char* utf8) { return ToUtf8(StripOkurigana(FromUtf8(utf8))); }

WordRef Var(const std::string& name, const std::string& value = "", bool reserved = false) {
  return std::make_shared<THashNode>(FromUtf8(name), FromUtf8(value), 0, reserved);
}

TEST(Okurigana, Fold) {
  EXPECT_EQ(Fold("言う"), "言");
  EXPECT_EQ(Fold("言います"), "言");
  EXPECT_EQ(Fold("書き込む"), "書込");
  EXPECT_EQ(Fold("おわり"), "おわり");
  EXPECT_EQ(Fold("ファイルコピー"), "ファイルコピー");
  EXPECT_EQ(Fold("画像を読む"), "画像読");
  EXPECT_EQ(Fold("書ぁ"), "書ぁ");
  EXPECT_EQ(Fold("A言うB"), "A言B");
}

TEST(THash, OrderIsBucketThenInsertion) {
  THash h;
  // "b" (98) and "!A" (33+65=98) share a bucket; "a" (97) comes first.
  h.Add(Var("b"));
  h.Add(Var("a"));
  h.Add(Var("!A"));
  std::vector<std::string> names;
  for (auto* n : h.ToArray()) names.push_back(n->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "!A"}));
  EXPECT_EQ(h.NamesText(), "a\r\nb\r\n!A");
}

TEST(THash, ReplaceKeepsPlaceAndIdentity) {
  THash h;
  h.Add(Var("x", "1"));
  h.Add(Var("y", "2"));
  THashNode* before = h.Find("x");
  EXPECT_EQ(h.Add(Var("x", "3")), 2);
  EXPECT_EQ(h.Find("x"), before);
  EXPECT_EQ(h.GetValue("x"), "3");
  EXPECT_EQ(h.Count(), 2);
}

// Names that differ only in their digits crowd a few byte-sum buckets (a
// dictionary keyed by numbers). Replacing one must still find it, keep its
// place and identity, and leave the order of the rest as it was.
TEST(THash, CrowdedBucketsReplaceInPlace) {
  THash h;
  for (int k = 1; k <= 3000; ++k) h.Add(Var(std::to_string(k), "v"));
  std::vector<THashNode*> before = h.ToArray();
  THashNode* node = h.Find("2999");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(h.Add(Var("2999", "new")), 3000);
  EXPECT_EQ(h.Find("2999"), node);
  EXPECT_EQ(node->Value, "new");
  EXPECT_EQ(h.ToArray(), before);
  EXPECT_EQ(h.Delete("1500"), 2999);
  EXPECT_EQ(h.Delete("1500"), -1);
  EXPECT_EQ(h.Find("1500"), nullptr);
  EXPECT_EQ(h.Add(Var("1500")), 3000);
  EXPECT_EQ(h.ToArray().size(), 3000u);
}

// Deleting from a crowded bucket (a word removed leaves a hole there, and a
// bucket half holes is closed up) must look exactly like taking the word
// out of its place: the rest keep their order, a name added again goes to
// the end of its bucket, and every listing skips what is gone.
TEST(THash, DeletingKeepsTheOrderOfTheRest) {
  THash h;
  std::array<std::vector<std::string>, THash::kBuckets> model;
  size_t count = 0;
  auto listed = [&] {
    std::vector<std::string> got;
    for (THashNode* n : h.ToArray()) got.push_back(n->Name);
    return got;
  };
  auto expectOrder = [&](int step) {
    std::vector<std::string> want;
    std::string names, pairs;
    for (const auto& bucket : model)
      for (const std::string& n : bucket) {
        // The reference kept for a word is found where its index entry says
        // it stands, also after its bucket was closed up.
        THashNode* node = h.Find(n);
        ASSERT_NE(node, nullptr) << n;
        ASSERT_EQ(h.FindRef(n).get(), node) << step << " " << n;
        want.push_back(n);
        names += (names.empty() ? "" : "\r\n") + n;
        pairs += (pairs.empty() ? "" : "\r\n") + n + "=v" + n;
      }
    ASSERT_EQ(listed(), want) << step;
    ASSERT_EQ(h.NamesText(), names) << step;
    ASSERT_EQ(h.PairsText(), pairs) << step;
    ASSERT_EQ(static_cast<size_t>(h.Count()), count) << step;
  };
  auto present = [&](const std::string& name) {
    const auto& bucket = model[THash::HashOf(name)];
    return std::find(bucket.begin(), bucket.end(), name) != bucket.end();
  };
  uint32_t seed = 99;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int k = 1; k <= 3000; ++k) {
    std::string name = std::to_string(k);
    h.Add(Var(name, "v" + name));
    model[THash::HashOf(name)].push_back(name);
    ++count;
  }
  for (int step = 0; step < 20000; ++step) {
    // Mostly deletions, in no order, of names made early and late.
    std::string name = std::to_string(1 + next(next(4) ? 3000 : 4000));
    auto& bucket = model[THash::HashOf(name)];
    if (present(name) && next(5)) {
      THashNode* node = h.Find(name);
      ASSERT_NE(node, nullptr) << step;
      bucket.erase(std::find(bucket.begin(), bucket.end(), name));
      --count;
      ASSERT_EQ(h.Delete(name), static_cast<int>(count)) << step;
      ASSERT_EQ(h.Find(name), nullptr) << step;
      ASSERT_EQ(h.Delete(name), -1) << step;
    } else if (!present(name)) {
      ASSERT_EQ(h.Add(Var(name, "v" + name)), static_cast<int>(++count)) << step;
      bucket.push_back(name);
    } else {  // replaced: same place, same node
      THashNode* node = h.Find(name);
      ASSERT_EQ(h.Add(Var(name, "v" + name)), static_cast<int>(count)) << step;
      ASSERT_EQ(h.Find(name), node) << step;
    }
    if (step % 1000 == 0) expectOrder(step);
  }
  expectOrder(-1);
  // Everything deleted, then made again.
  for (THashNode* n : h.ToArray()) {
    std::string name = n->Name;
    ASSERT_GE(h.Delete(name), 0);
  }
  EXPECT_EQ(h.Count(), 0);
  EXPECT_TRUE(h.ToArray().empty());
  EXPECT_EQ(h.NamesText(), "");
  h.Add(Var("12"));
  h.Add(Var("21"));
  EXPECT_EQ(h.NamesText(), "12\r\n21");
  h.Clear();
  h.Add(Var("21"));
  h.Add(Var("12"));
  EXPECT_EQ(h.NamesText(), "21\r\n12");
  EXPECT_EQ(h.Delete("21"), 1);
  EXPECT_EQ(h.Find("12")->Name, "12");
}

// Names of every length up to 20 that differ in one byte only, at every
// place (the index hashes the last bytes apart from the rest): each is
// found as itself, and names that differ from them are not found.
TEST(THash, NamesDifferingInOneByteStayApart) {
  THash h;
  std::vector<std::string> names;
  for (size_t len = 1; len <= 20; ++len)
    for (size_t at = 0; at < len; ++at)
      for (char c : {'a', 'b', '\x82'}) {
        std::string name(len, 'x');
        name[at] = c;
        names.push_back(name);
      }
  for (const std::string& n : names)
    if (!h.Find(n)) h.Add(std::make_shared<THashNode>(n, n, 0, false));
  for (const std::string& n : names) {
    THashNode* node = h.Find(n);
    ASSERT_NE(node, nullptr) << n;
    EXPECT_EQ(node->Value, n);
  }
  for (size_t len = 0; len <= 21; ++len) EXPECT_EQ(h.Find(std::string(len, 'x')), nullptr) << len;
  EXPECT_EQ(h.Find("xxa" + std::string(18, 'x')), nullptr);
}

// The index moves entries back over a removed one. In a table of eight
// entries holding up to six names, probes run into each other and wrap
// round its end all the time: after every insertion and removal, each name
// held is found (its word, its slot) and no other is.
TEST(NameIndex, RemovalKeepsEveryProbeWhole) {
  std::vector<std::unique_ptr<THashNode>> nodes;
  for (int k = 0; k < 40; ++k) nodes.push_back(std::make_unique<THashNode>("n" + std::to_string(k), "", 0, false));
  NameIndex index;
  std::vector<bool> held(nodes.size());
  size_t count = 0;
  uint32_t seed = 7;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int step = 0; step < 20000; ++step) {
    // Six names at most: the table stays at eight entries.
    const size_t k = next(static_cast<uint32_t>(nodes.size()));
    const std::string& name = nodes[k]->Name;
    if (held[k]) {
      ASSERT_TRUE(index.Erase(name)) << step;
      held[k] = false;
      --count;
    } else if (count < 6) {
      index.Insert(name, {nodes[k].get(), static_cast<uint32_t>(k), static_cast<uint8_t>(k)});
      held[k] = true;
      ++count;
    }
    ASSERT_EQ(index.size(), count);
    for (size_t i = 0; i < nodes.size(); ++i) {
      const NameIndex::Slot* slot = index.Find(nodes[i]->Name);
      if (!held[i]) {
        ASSERT_EQ(slot, nullptr) << step << " " << i;
        ASSERT_FALSE(index.Erase(nodes[i]->Name));
        continue;
      }
      ASSERT_NE(slot, nullptr) << step << " " << i;
      ASSERT_EQ(slot->Node, nodes[i].get());
      ASSERT_EQ(slot->Pos, i);
    }
  }
  index.Clear();
  EXPECT_EQ(index.Find("n1"), nullptr);
  EXPECT_FALSE(index.Erase("n1"));
}

TEST(THash, ReservedWordsCannotBeReplaced) {
  THash h;
  h.Add(Var("表示", "", true));
  EXPECT_THROW(h.Add(Var("表示", "x")), ENoka);
}

TEST(THash, FoldedLookupAndDelete) {
  THash h;
  auto cmd = Var("言");
  cmd->Kind = kCommand;
  h.Add(cmd);
  EXPECT_NE(h.Find(FromUtf8("言います"), true), nullptr);
  EXPECT_EQ(h.Find(FromUtf8("言います"), false), nullptr);
  h.Add(Var("書"));
  h.Add(Var("書き"));
  EXPECT_EQ(h.Delete(FromUtf8("書き"), true), 1);
  EXPECT_EQ(h.Delete("nothing"), -1);
}

TEST(THash, LoadFromTextAndPairs) {
  THash h;
  h.LoadFromText(" a = 1\r\n\r\nb=2=3\nc");
  EXPECT_EQ(h.GetValue("a"), " 1");
  EXPECT_EQ(h.GetValue("b"), "2=3");
  EXPECT_EQ(h.Count(), 4);  // the blank line is an item with an empty key
  EXPECT_EQ(h.Find(""), nullptr);
}

TEST(TStack, Operations) {
  TStack s;
  EXPECT_EQ(s.PopLast(), "");
  s.Push("a");
  s.Push("b");
  s.Push("c");
  EXPECT_EQ(s.Peek(1), "b");
  EXPECT_EQ(s.PopFirst(), "a");
  EXPECT_EQ(s.PopLast(), "c");
  EXPECT_EQ(s.Count(), 1u);
}


// ---- Bracket calls ----

using testing::TestEngine;

std::string ValueOf(TestEngine& t, const char* name) { return ToUtf8(t.e.Words.GetValue(FromUtf8(name))); }

// A nested call hands on the very value the same call gives when its result
// is stored in a variable first, whatever the text holds: commas,
// operators, quotes, brackets, line ends, command names, second bytes 0x5C.
TEST(BracketCalls, NestedValueEqualsStoredValue) {
  const char* texts[] = {
      "『4,200』", "『1+2』",    "『a\"b』",   "『(x)』",      "『a)b,c』",  "「say 」&CHR(96)&「hi」&CHR(96)",
      "『表示』",  "『表ソ\\』", "『--3』",    "『7FFFFFFF』", "『 12』",    "『』",
      "「a\\nb」", "『2.5E1』",  "『{X}』",    "『a&b』",      "『$FF』",    "『-3』",
      "『それ』",  "『X』",      "『A#0』",    "『ABS(-1)』",
  };
  for (const char* text : texts) {
    TestEngine t;
    t.Run(std::string("X=") + text +
          "\nV=LEFT(X,100)\nA=MID(V,1,100)\nB=MID(LEFT(X,100),1,100)\nC=文字数(V)\nD=文字数(LEFT(X,100))\n");
    EXPECT_EQ(t.host.Errors, "") << text;
    EXPECT_EQ(ValueOf(t, "B"), ValueOf(t, "A")) << text;
    EXPECT_EQ(ValueOf(t, "A"), ValueOf(t, "X")) << text;
    EXPECT_EQ(ValueOf(t, "D"), ValueOf(t, "C")) << text;
  }
}

// Numbers are handed on as numbers, and elements as their text.
TEST(BracketCalls, NumbersAndElementsHandedOn) {
  TestEngine t;
  t.Run("V=ABS(-5)\nA=ABS(V)\nB=ABS(ABS(-5))\nT=「12,800」\nC=置換(T#0,「,」,「」)\nD=文字数(T#0)\n"
        "E=文字数(ABS(-1234))\nF=LEFT(ABS(-007),5)\n");
  EXPECT_EQ(ValueOf(t, "B"), "5");
  EXPECT_EQ(t.e.Words.Find("B")->TypeTag, t.e.Words.Find("A")->TypeTag);
  EXPECT_EQ(ValueOf(t, "C"), "12800");
  EXPECT_EQ(ValueOf(t, "D"), "6");
  EXPECT_EQ(ValueOf(t, "E"), "4");
  EXPECT_EQ(ValueOf(t, "F"), "7");
  EXPECT_EQ(ValueAsPhrase("-1.5E-7", "e"), "-1.5E-7");
  EXPECT_EQ(ValueAsPhrase("1,000", "e"), "`1,000`");  // a number tag on text that is no number
  EXPECT_EQ(ValueAsPhrase("12", "s"), "`12`");
  EXPECT_EQ(ValueAsPhrase("", "e"), "``");
}

TEST(BracketCalls, NumbersWithExponents) {
  TestEngine t;
  t.Run("A=ABS(2.5E1)\nB=ABS(-1.5E-1)\nC=LEFT(「abcdef」,2.0E0)\nD=ABS(1E3)\nE=MID(「abcdef」,2, 3)\n");
  EXPECT_EQ(t.host.Errors, "");
  EXPECT_EQ(ValueOf(t, "A"), "25");
  EXPECT_EQ(ValueOf(t, "B"), "0.15");
  EXPECT_EQ(ValueOf(t, "C"), "ab");
  EXPECT_EQ(ValueOf(t, "D"), "1000");
  EXPECT_EQ(ValueOf(t, "E"), "bcd");
}

TEST(BracketCalls, HexadecimalResultsAreText) {
  TestEngine t;
  t.Run("A=HEX(2147483647)\nB=文字数(HEX(2147483647))\nC=LEFT(HEX(-1),4)\n");
  EXPECT_EQ(ValueOf(t, "A"), "7FFFFFFF");
  EXPECT_EQ(t.e.Words.Find("A")->TypeTag, "s");
  EXPECT_EQ(ValueOf(t, "B"), "8");
  EXPECT_EQ(ValueOf(t, "C"), "FFFF");
}

// Nesting costs linear time and memory: each level is read where it stands.
// Levels that carry long texts would need gigabytes if each copied the
// levels inside it.
TEST(BracketCalls, DeepNestingIsLinearAndCapped) {
  auto nest = [](const std::string& open, const std::string& middle, const std::string& close, int n) {
    std::string s = "X=";
    for (int i = 0; i < n; ++i) s += open;
    s += middle;
    for (int i = 0; i < n; ++i) s += close;
    return s + "\n";
  };
  TestEngine t;
  t.Run(nest("MID(", "「abc」", ",1,2)", 1500));
  EXPECT_EQ(ValueOf(t, "X"), "ab");
  const std::string pad(4000, 'x');
  t.Run(nest("LEFT(「" + pad + "」&", "1", ",1)", 600));
  EXPECT_EQ(t.host.Errors, "");
  EXPECT_EQ(ValueOf(t, "X"), "x");
  t.Run(nest("ABS(1+「" + pad + "」*0+", "1", ")", 500));
  EXPECT_EQ(ValueOf(t, "X"), "501");
  t.Run(nest("ABS((" + std::string(20, ' '), "-1", "))", 250));
  EXPECT_EQ(ValueOf(t, "X"), "1");
  EXPECT_EQ(t.host.Errors, "");
  const std::pair<const char*, const char*> shapes[] = {{"MID(", ",1,2)"}, {"ABS(1+", ")"}, {"LEFT(「a」&", ",1)"}};
  for (auto [open, close] : shapes) {
    TestEngine deep;
    deep.Run(nest(open, "1", close, 14000));
    EXPECT_NE(deep.host.Errors.find("実行が無限ループしている可能性があるので終了します。"), std::string::npos) << open;
    EXPECT_EQ(deep.e.NestDepth, 0);
  }
}

// An error deep inside nested expressions is wrapped once, not again at
// every level (which would repeat every text below: quadratic).
TEST(BracketCalls, DeepErrorIsWrappedOnce) {
  TestEngine t;
  std::string s = "X=";
  for (int i = 0; i < 600; ++i) s += "ABS(1+" + std::string(100, ' ');
  s += "*";
  for (int i = 0; i < 600; ++i) s += ")";
  t.Run(s + "\n");
  EXPECT_NE(t.host.Errors.find("計算式に誤りがあります。"), std::string::npos);
  EXPECT_LT(t.e.ErrorLog.size(), 20000u);
}

TEST(BracketCalls, UnbalancedArgumentListsAreErrors) {
  for (const char* program : {"X=MID(「abc」,1,2\n", "X=ABS(1+ABS(2)\n", "X=LEFT((「a」,1)\n", "X=ABS(1+「a)\n"}) {
    TestEngine t;
    t.Run(program);
    EXPECT_NE(t.host.Errors.find("[エラー]"), std::string::npos) << program;
  }
}

// ---- Assignment hints ----

TEST(AssignmentHints, FoldedNamesNameTheirCommand) {
  TestEngine t;
  t.Run("全角は、1\n");
  EXPECT_NE(t.host.Errors.find("予約語なので代入できません。送り仮名を除くと命令\"全角か\"と同じ名前です。"), std::string::npos)
      << t.host.Errors;
  TestEngine plain;
  plain.Run("表示は、3\n");  // the command's own name needs no hint
  EXPECT_EQ(plain.host.Errors.find("送り仮名"), std::string::npos);
}

TEST(AssignmentHints, ItemAssignmentNamesTheVariable) {
  TestEngine t;
  t.Run("X=『\"a=1』\nXの「b」は、2\n");
  EXPECT_NE(t.host.Errors.find("がありません。(変数\"X\"の内容を評価していました。)"), std::string::npos) << t.host.Errors;
  // the log holds the line once, with its hint
  EXPECT_EQ(ToUtf8(t.e.ErrorLog).find("がありません。\r\n"), std::string::npos);
}

// 名前#i は 値 written where the line stands must give exactly the text that
// splitting into lines, writing the line and joining by CR LF gives, for
// every kind of text (bare LF or CR, a line end at the end, empty lines),
// values with and without line ends, writes inside, at and far past the
// end, and a variable changed in between by other means.
TEST(ElementWrites, InPlaceAgreesWithSplitAndJoin) {
  auto model = [](const std::string& text, size_t index, const std::string& value) {
    std::vector<std::string> lines;
    for (auto l : SplitLines(text)) lines.emplace_back(l);
    if (lines.size() <= index) lines.resize(index + 1);
    lines[index] = value;
    std::string joined;
    for (size_t k = 0; k < lines.size(); ++k) joined += (k ? "\r\n" : "") + lines[k];
    return joined;
  };
  const std::vector<std::string> starts = {"", "a", "a\r\nb", "a\nb", "a\r\n", "\r\n", "a\rb",
                                           "\r\n\r\nc", "a\r\nb\r\nc", "\n", "x\r\n\r"};
  const std::vector<std::string> values = {"", "v", "long value", "x\r\ny", "z\n", "\r"};
  TestEngine t;
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (const std::string& start : starts) {
    for (int round = 0; round < 40; ++round) {
      THashNode* var = t.e.Words.Find("X");
      if (!var) var = CreateVariable(t.e, "X");
      var->SetValue(start);
      std::string expected = start;
      for (int step = 0; step < 12; ++step) {
        if (next(10) == 0) {  // the text replaced as a whole in between
          expected = starts[next(static_cast<uint32_t>(starts.size()))];
          var->SetValue(expected);
          continue;
        }
        size_t index = next(7);
        const std::string& value = values[next(static_cast<uint32_t>(values.size()))];
        expected = model(expected, index, value);
        AssignStatement(t.e, "X#(" + std::to_string(index) + ")", QuoteAsLiteral(value));
        ASSERT_EQ(var->Value, expected) << "start " << ::testing::PrintToString(start) << " step " << step;
      }
    }
  }
}

}  // namespace
}  // namespace nokari
