// The command API's word-stack helpers: what a command sees of its
// arguments before it takes them.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestHost.h"
#include "words/Contract.h"
#include "words/Registry.h"

namespace nokari {
namespace {

using testing::TestEngine;

void PushAll(TNokaBase& e, std::initializer_list<const char*> phrases) {
  for (const char* p : phrases) e.ArgStack.Push(p);
}

TEST(Contract, PeekCountsFromTheTopAndTakesNothing) {
  TestEngine t;
  PushAll(t.e, {"a", "b", "c"});
  EXPECT_EQ(PeekArgText(t.e), "c");
  EXPECT_EQ(PeekArgText(t.e, 1), "b");
  EXPECT_EQ(PeekArgText(t.e, 2), "a");
  EXPECT_EQ(PeekArgText(t.e, 3), "");  // deeper than the stack
  EXPECT_EQ(ArgCount(t.e), 3u);
  EXPECT_EQ(PopArgText(t.e), "c");
  t.e.ArgStack.Clear();
  EXPECT_EQ(PeekArgText(t.e), "");
}

TEST(Contract, DuplicateTopArgCopiesOnlyTheTop) {
  TestEngine t;
  DuplicateTopArg(t.e);  // an empty stack stays empty
  EXPECT_EQ(ArgCount(t.e), 0u);
  // A phrase longer than a short string's inline buffer, with the stack
  // full to its capacity: the copy is made before the stack grows.
  const std::string longPhrase(100, 'x');
  t.e.ArgStack.Push("under");
  t.e.ArgStack.Push(longPhrase);
  t.e.ArgStack.Items.shrink_to_fit();
  DuplicateTopArg(t.e);
  ASSERT_EQ(ArgCount(t.e), 3u);
  EXPECT_EQ(PopArgText(t.e), longPhrase);
  EXPECT_EQ(PopArgText(t.e), longPhrase);
  EXPECT_EQ(PopArgText(t.e), "under");
}

// The binder fills an omitted first slot with それ; a command tells that
// apart from それ written out.
TEST(Contract, FirstArgOmittedOnlyWhenTheBinderFilledIt) {
  TestEngine t;
  THashNode word(FromUtf8("試す"), "", 0, false);
  word.Kind = kCommand;
  word.ArgSpec = FromUtf8("?を,?で");

  t.e.ArgStack.Push(FromUtf8("「x」で"));
  BindArguments(t.e, word);
  EXPECT_TRUE(FirstArgOmitted(t.e));
  EXPECT_EQ(ToUtf8(PeekArgText(t.e, 1)), "それ");
  EXPECT_EQ(ToUtf8(PeekArgText(t.e)), "「x」");

  t.e.ArgStack.Clear();
  t.e.ArgStack.Push(FromUtf8("それを"));
  t.e.ArgStack.Push(FromUtf8("「x」で"));
  BindArguments(t.e, word);
  EXPECT_FALSE(FirstArgOmitted(t.e));
  EXPECT_EQ(ArgCount(t.e), 2u);
}

// Commands whose first argument is optional act on the omission: with no
// folder named, 作業フォルダ reports the current folder, though それ (which
// the binder put in the empty slot) names another.
TEST(Contract, OptionalFirstArgumentThroughACommand) {
  TestEngine t;
  const std::string here = std::filesystem::current_path().string();
  ASSERT_NE(here, "/");
  std::string out = t.Run("それは、「/」\n作業フォルダ\nそれを、表示\n");
  EXPECT_EQ(out, here + "/\n") << t.host.Errors;
  EXPECT_EQ(std::filesystem::current_path().string(), here);
}

}  // namespace
}  // namespace nokari
