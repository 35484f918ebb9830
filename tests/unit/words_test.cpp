// The word table, the okurigana fold and the word stack.
#include <gtest/gtest.h>

#include "core/Encoding.h"
#include "core/Errors.h"
#include "words/Hash.h"

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

}  // namespace
}  // namespace nokari
