// INI files and registry documents, engine-free.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/Encoding.h"
#include "lib/settings/IniFile.h"
#include "lib/settings/Registry.h"
#include "lib/settings/SharedMemory.h"

namespace nokari::settings {
namespace {

TEST(IniFileTest, ReadsLikeSettingsFilesAlwaysWere) {
  IniFile ini("; comment\n[Main]\n  Key = \" spaced \" \nplain=a=b\n[main2]\nx=1\n");
  EXPECT_EQ(ini.Get("main", "KEY").value_or("?"), " spaced ");
  EXPECT_EQ(ini.Get("MAIN", "plain").value_or("?"), "a=b");
  EXPECT_FALSE(ini.Get("main", "x").has_value());
  EXPECT_FALSE(ini.Get("nothing", "x").has_value());
  EXPECT_EQ(ini.Get("main2", "x").value_or("?"), "1");
  // A comment is never a key, even with "=" in it.
  IniFile commented(";k=v\n[s]\n;k=v\n");
  EXPECT_FALSE(commented.Get("", ";k").has_value());
  EXPECT_FALSE(commented.Get("s", ";k").has_value());
}

TEST(IniFileTest, WritingChangesOneLineAndKeepsTheRest) {
  IniFile ini("[a]\nk=1\n\n; note\n[b]\nk=2");
  ini.Set("A", "K", "9");
  ini.Set("a", "new", "x");
  ini.Set("c", "k", "3");
  EXPECT_EQ(ini.Text(), "[a]\nk=9\nnew=x\n\n; note\n[b]\nk=2\n\n[c]\nk=3\n");
  IniFile crlf("[a]\r\nk=1\r\n");
  crlf.Set("a", "k", "2");
  EXPECT_EQ(crlf.Text(), "[a]\r\nk=2\r\n");
  IniFile fresh;
  fresh.Set("s", "k", "v");
  EXPECT_EQ(fresh.Text(), "[s]\r\nk=v\r\n");
}

TEST(IniFileTest, NamesFoldOnlyAsciiAndNeverASecondByte) {
  // 0x83 0x61 (ソ... a lead byte then 'a') must not match 0x83 0x41.
  EXPECT_TRUE(SameName("Abc", "aBC"));
  EXPECT_FALSE(SameName("\x83\x61", "\x83\x41"));
  EXPECT_TRUE(SameName(Sj("設定X"), Sj("設定x")));
}

TEST(IniFileTest, AMegabyteLineIsJustALongValue) {
  std::string big(1 << 20, 'v');
  IniFile ini("[s]\nk=" + big + "\n");
  EXPECT_EQ(ini.Get("s", "k").value_or("").size(), big.size());
}

TEST(RegistryDocumentTest, RoundTripsEveryKindOfValue) {
  RegistryDocument doc;
  RegKey& key = doc.Ensure(Sj("Software\\のかり\\"));
  SetValue(key, RegValue{Sj("名前"), RegValue::Kind::String, Sj("値 \"引用\" \\ \r\n次"), 0});
  SetValue(key, RegValue{"", RegValue::Kind::String, "default", 0});
  SetValue(key, RegValue{"b", RegValue::Kind::Binary, std::string("\0\xff\x10", 3), 0});
  SetValue(key, RegValue{"d", RegValue::Kind::Dword, "", 0xFEDCBA98u});
  std::string text = doc.Text();
  RegistryDocument back;
  int bad = 0;
  ASSERT_TRUE(back.Parse(text, bad)) << bad;
  EXPECT_EQ(back.Text(), text);
  RegKey* found = back.Find(Sj("software\\のかり"));
  ASSERT_TRUE(found);
  EXPECT_EQ(FindValue(*found, Sj("名前"))->Data, Sj("値 \"引用\" \\ \r\n次"));
  EXPECT_EQ(FindValue(*found, "B")->Data, std::string("\0\xff\x10", 3));
  EXPECT_EQ(FindValue(*found, "d")->Number, 0xFEDCBA98u);
  EXPECT_EQ(FindValue(*found, "")->Data, "default");
  // The parent key exists as a key of its own.
  EXPECT_EQ(back.Subkeys("SOFTWARE"), std::vector<std::string>{Sj("のかり")});
}

TEST(RegistryDocumentTest, AHandEditedFileIsRefusedNotHalfRead) {
  RegistryDocument doc;
  int bad = 0;
  EXPECT_FALSE(doc.Parse("REGEDIT4\n\n[k]\n\"a\"=\"1\"\nnonsense\n", bad));
  EXPECT_EQ(bad, 5);
  EXPECT_FALSE(doc.Parse("REGEDIT4\n\"orphan\"=\"1\"\n", bad));
  EXPECT_FALSE(doc.Parse("[k]\n\"a\"=hex:0g\n", bad));
  EXPECT_FALSE(doc.Parse("[k]\n\"a\"=dword:123456789\n", bad));
  EXPECT_FALSE(doc.Parse("[k]\n\"a\"=\"unterminated\n", bad));
  EXPECT_TRUE(doc.Keys().empty());
}

TEST(RegistryDocumentTest, DeletingAKeyTakesEverythingBelowIt) {
  RegistryDocument doc;
  doc.Ensure("a\\b\\c");
  doc.Ensure("a\\bb");
  EXPECT_TRUE(doc.DeleteKey("A\\B"));
  EXPECT_FALSE(doc.Find("a\\b\\c"));
  EXPECT_TRUE(doc.Find("a\\bb"));
  EXPECT_FALSE(doc.DeleteKey("a\\b"));
}

TEST(RegistryFilesTest, ChangesGoThroughTheFileUnderTheConfigFolder) {
  char dir[] = "/tmp/nokari-reg-XXXXXX";
  ASSERT_TRUE(mkdtemp(dir));
  setenv("XDG_CONFIG_HOME", dir, 1);
  std::string why;
  ASSERT_TRUE(ChangeRegistry(
      1, [](RegistryDocument& doc) { SetValue(doc.Ensure("k"), RegValue{"v", RegValue::Kind::String, "1", 0}); return true; },
      why))
      << why;
  EXPECT_EQ(RegistryFilePath(1), std::string(dir) + "/nokari/registry/HKEY_CURRENT_USER.reg");
  RegistryDocument doc;
  ASSERT_TRUE(LoadRegistry(1, doc, why));
  EXPECT_EQ(FindValue(*doc.Find("K"), "V")->Data, "1");
  // Nonsense written by hand: an error, and the file stays as it was.
  FILE* f = fopen(RegistryFilePath(1).c_str(), "w");
  fputs("garbage\n", f);
  fclose(f);
  EXPECT_FALSE(ChangeRegistry(1, [](RegistryDocument&) { return true; }, why));
  EXPECT_NE(why.find("line 1"), std::string::npos);
  std::string cmd = std::string("rm -rf ") + dir;
  EXPECT_EQ(system(cmd.c_str()), 0);
  unsetenv("XDG_CONFIG_HOME");
}

TEST(SharedMemoryTest, NamesAreEscapedIntoOneObjectName) {
  EXPECT_EQ(SharedObjectName("ab-1_"), "/nokari.ab-1_");
  EXPECT_EQ(SharedObjectName("a/b"), "/nokari.a%2Fb");
  EXPECT_EQ(SharedObjectName(".."), "/nokari.%2E%2E");
  EXPECT_LE(SharedObjectName(std::string(1000, '/')).size(), 250u);
}

}  // namespace
}  // namespace nokari::settings
