// The registration table of built-in words: counts, order, a sample of rows
// against the published vocabulary, and the properties registration relies on
// (unique names, unique folded command names, texts representable in CP932).
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/Encoding.h"
#include "words/Family.h"
#include "words/Hash.h"
#include "words/Registry.h"
#include "words/RegistryNames.h"

namespace nokari {
namespace {

const RegistryRow* FindRow(std::string_view name) {
  for (const auto& row : RegistryTable())
    if (name == row.Name) return &row;
  return nullptr;
}

std::vector<const RegistryRow*> RowsOf(RowKind kind) {
  std::vector<const RegistryRow*> out;
  for (const auto& row : RegistryTable())
    if (row.Kind == kind) out.push_back(&row);
  return out;
}

std::vector<const RegistryRow*> Commands() { return RowsOf(RowKind::Command); }

std::vector<const RegistryRow*> VariablesAndConstants() {
  std::vector<const RegistryRow*> out;
  for (const auto& row : RegistryTable())
    if (row.Kind != RowKind::Command) out.push_back(&row);
  return out;
}

// The type letter as the engine reads it: the last byte of the CP932 tag.
char TypeLetter(const RegistryRow& row) {
  std::string tag = FromUtf8(row.TypeTag);
  if (tag.empty()) return '-';
  char c = tag.back();
  return c == 's' || c == 'e' ? c : '-';
}

struct CommandSample {
  const char* Name;
  int Number;
  const char* ArgSpec;
};

TEST(RegistryTable, Counts) {
  EXPECT_EQ(RegistryTable().size(), 641u);
  EXPECT_EQ(RowsOf(RowKind::Command).size(), 517u);
  EXPECT_EQ(RowsOf(RowKind::Variable).size(), 92u);
  EXPECT_EQ(RowsOf(RowKind::Constant).size(), 32u);
}

TEST(RegistryTable, FirstAndLastCommands) {
  auto cmds = Commands();
  ASSERT_EQ(cmds.size(), 517u);
  const CommandSample first[] = {{"おわり", 2, ""},   {"終わり", 2, ""}, {"おわる", 2, ""},
                                 {"飛ぶ", 5, "?へ"}, {"呼ぶ", 6, "?を"}, {"戻る", 3, ""}};
  for (size_t i = 0; i < std::size(first); ++i) {
    EXPECT_STREQ(cmds[i]->Name, first[i].Name);
    EXPECT_EQ(cmds[i]->Number, first[i].Number) << first[i].Name;
    EXPECT_STREQ(cmds[i]->Text, first[i].ArgSpec) << first[i].Name;
  }
  const CommandSample last[] = {{"フォームの位置復元", 276, "から"},
                                {"共有保存", 87, "?へ"},
                                {"共有読込", 88, "?を"},
                                {"DDE送信", 208, "?の,?に,?を"},
                                {"DDEサーバー作成", 209, "?を呼ぶ,?という"}};
  size_t base = cmds.size() - std::size(last);
  for (size_t i = 0; i < std::size(last); ++i) {
    EXPECT_STREQ(cmds[base + i]->Name, last[i].Name);
    EXPECT_EQ(cmds[base + i]->Number, last[i].Number) << last[i].Name;
    EXPECT_STREQ(cmds[base + i]->Text, last[i].ArgSpec) << last[i].Name;
  }
}

TEST(RegistryTable, CommandRowsAreWellFormed) {
  for (const auto* row : Commands()) {
    EXPECT_GE(row->Number, 0) << row->Name;
    EXPECT_LT(row->Number, kMaxCommandNumber) << row->Name;
    // 202 and 203 are gaps in the numbering: nothing may reach them.
    EXPECT_NE(row->Number, 202) << row->Name;
    EXPECT_NE(row->Number, 203) << row->Name;
    EXPECT_STREQ(row->TypeTag, "") << row->Name;
    EXPECT_EQ(row->Init, InitFrom::Literal) << row->Name;
  }
  for (const auto* row : VariablesAndConstants()) EXPECT_EQ(row->Number, -1) << row->Name;
}

TEST(RegistryTable, SampleCommandsMatchVocabulary) {
  const CommandSample samples[] = {
      {"表示", 0, "?と"},
      {"移動", 1, "?へ"},
      {"文字数", 92, "?の"},
      {"LEN", 92, "?"},
      {"RE", 187, "?,?"},
      {"単置換", 438, "?で,?個目の,?を,?に"},
      {"繰り返す", 56, "?を,?から,?まで"},
      {"ループ", 414, "?で"},
      {"作業フォルダ", 89, "?へ"},
      {"作業ディレクトリ", 89, ""},
      {"ファイル合成", 206, "?を, ?へ"},  // odd spacing kept as registered
      {"フォームの位置記録", 275, "へ"},
      {"DLLを利用", 390, "?の,?を,?の,?として"},
      {"タイマー設定", 263, "?秒後に,?へ飛ぶ"},
      {"表キー合成", 311, "?の,?列目と,?の,?列目で"},
      {"表完全一致ピックアップ", 500, "?の,?列目から,?を"},
      {"カンマ区切りに変換", 502, "?を"},
      {"バイナリ設定", 416, "?を,?の,?に,?形式で"},
      {"CMYK", 411, "?,?,?,?"},
      {"乗せ換える", 401, "?を,?の上へ"},
      {"乗せる", 401, "?を,?へ"},
      {"DB問い合わせ", 466, "?と"},
      {"ウィンドウ列挙", 183, ""},
      {"ウインドウ列挙", 183, ""},
      {"イメージ半透明コピー", 257, "?を,?の,?に,?パーセント"},
  };
  for (const auto& s : samples) {
    const RegistryRow* row = FindRow(s.Name);
    ASSERT_NE(row, nullptr) << s.Name;
    EXPECT_EQ(row->Kind, RowKind::Command) << s.Name;
    EXPECT_EQ(row->Number, s.Number) << s.Name;
    EXPECT_STREQ(row->Text, s.ArgSpec) << s.Name;
  }
}

TEST(RegistryTable, VariablesInOrder) {
  auto vars = VariablesAndConstants();
  ASSERT_EQ(vars.size(), 124u);
  const char* head[] = {"そして", "回数", "タブ文字の個数", "禁則処理の行頭禁止文字", "マッチ数"};
  for (size_t i = 0; i < std::size(head); ++i) EXPECT_STREQ(vars[i]->Name, head[i]);
  const char* tail[] = {"OS", "デスクトップの幅", "デスクトップの高さ", "のかりバージョン",
                        "のかり最終更新日"};
  size_t base = vars.size() - std::size(tail);
  for (size_t i = 0; i < std::size(tail); ++i) EXPECT_STREQ(vars[base + i]->Name, tail[i]);

  // そして stands directly after 言う.
  auto table = RegistryTable();
  const RegistryRow* say = FindRow("言う");
  ASSERT_NE(say, nullptr);
  ASSERT_LT(say + 1, table.data() + table.size());
  EXPECT_STREQ(say[1].Name, "そして");
}

TEST(RegistryTable, SampleVariablesMatchVocabulary) {
  struct Sample {
    const char* Name;
    RowKind Kind;
    const char* Value;
    char Letter;
  };
  const Sample samples[] = {
      {"そして", RowKind::Variable, "", '-'},
      {"回数", RowKind::Constant, "0", 'e'},
      {"タブ文字の個数", RowKind::Variable, "8", '-'},
      {"禁則処理の行頭禁止文字", RowKind::Variable,
       "、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』!),.:;?]}｡｣､･ｰﾞﾟ", '-'},
      {"アーカイブファイル", RowKind::Constant, "32", 'e'},
      {"エラーメッセージ", RowKind::Constant, "", 's'},
      {"終了不可能", RowKind::Constant, "0", '-'},
      {"表フィールド名", RowKind::Variable, "0", '-'},
      {"文字書体", RowKind::Variable, "ＭＳ ゴシック", 's'},
      {"押された特殊キー", RowKind::Constant, "", '-'},
      {"縦", RowKind::Variable, "縦", 's'},
      {"DB_ACCESS2000", RowKind::Variable, "Microsoft.Jet.OLEDB.4.0", 's'},
      {"圧縮オプション", RowKind::Variable, "-a1 -r2 -x1 -l1 -jp1 -o2 -ji0", 's'},
      {"メールサーバーから削除", RowKind::Variable, "1", 's'},
      {"HKEY_USERS", RowKind::Constant, "3", 'e'},
      {"キャンセル", RowKind::Variable, "2", 'e'},
      {"それ", RowKind::Variable, "", '-'},
      {"そ", RowKind::Variable, "", '-'},
      {"茶色", RowKind::Variable, "#993300", 's'},
  };
  for (const auto& s : samples) {
    const RegistryRow* row = FindRow(s.Name);
    ASSERT_NE(row, nullptr) << s.Name;
    EXPECT_EQ(row->Kind, s.Kind) << s.Name;
    EXPECT_STREQ(row->Text, s.Value) << s.Name;
    EXPECT_EQ(TypeLetter(*row), s.Letter) << s.Name;
    EXPECT_EQ(row->Init, InitFrom::Literal) << s.Name;
  }
}

TEST(RegistryTable, ComputedValues) {
  struct Sample {
    const char* Name;
    RowKind Kind;
    InitFrom Init;
    char Letter;
  };
  const Sample samples[] = {
      {"ウィンドウ色", RowKind::Variable, InitFrom::WindowColor, '-'},
      {"ウインドウ色", RowKind::Variable, InitFrom::WindowColor, '-'},
      {"選択色", RowKind::Variable, InitFrom::SelectColor, '-'},
      {"コマンドライン引数", RowKind::Constant, InitFrom::CommandLine, '-'},
      {"母艦のパス", RowKind::Constant, InitFrom::ScriptFolder, 's'},
      {"ゴミ箱のパス", RowKind::Constant, InitFrom::TrashFolder, 's'},
      {"TEMPのパス", RowKind::Constant, InitFrom::TempFolder, 's'},
      {"OS", RowKind::Constant, InitFrom::OsName, 's'},
      {"デスクトップの幅", RowKind::Variable, InitFrom::ScreenWidth, 'e'},
      {"デスクトップの高さ", RowKind::Variable, InitFrom::ScreenHeight, 'e'},
      {"のかりバージョン", RowKind::Variable, InitFrom::Version, 's'},
      {"のかり最終更新日", RowKind::Variable, InitFrom::BuildDate, 's'},
  };
  for (const auto& s : samples) {
    const RegistryRow* row = FindRow(s.Name);
    ASSERT_NE(row, nullptr) << s.Name;
    EXPECT_EQ(row->Kind, s.Kind) << s.Name;
    EXPECT_EQ(row->Init, s.Init) << s.Name;
    EXPECT_STREQ(row->Text, "") << s.Name;
    EXPECT_EQ(TypeLetter(*row), s.Letter) << s.Name;
  }
  int computed = 0;
  for (const auto* row : VariablesAndConstants()) computed += row->Init != InitFrom::Literal;
  EXPECT_EQ(computed, 24);
}

TEST(RegistryTable, UntypedRowsAreExactlyTheListedOnes) {
  // A description must not end in a byte the engine would read as a type.
  const std::set<std::string> untyped = {
      "そして", "タブ文字の個数", "禁則処理の行頭禁止文字", "終了不可能", "表フィールド名",
      "押された特殊キー", "それ", "そ", "ウィンドウ色", "ウインドウ色", "デスクトップ色",
      "アクティブ色", "非アクティブ色", "選択色", "コマンドライン引数"};
  for (const auto* row : VariablesAndConstants()) {
    EXPECT_NE(std::string_view(row->TypeTag).size(), 0u) << row->Name;
    EXPECT_EQ(TypeLetter(*row) == '-', untyped.count(row->Name) == 1) << row->Name;
  }
}

TEST(RegistryTable, NamesNeverCollide) {
  // Commands are registered under their folded names and variables as
  // written; a collision would silently replace an earlier word.
  std::set<std::string> names;
  std::set<std::string> variableNames;
  for (const auto& row : RegistryTable()) {
    EXPECT_TRUE(names.insert(FromUtf8(row.Name)).second) << row.Name;
    if (row.Kind != RowKind::Command) variableNames.insert(FromUtf8(row.Name));
  }
  std::map<std::string, std::string> folded;
  for (const auto* row : Commands()) {
    std::string key = StripOkurigana(FromUtf8(row->Name));
    auto [it, fresh] = folded.emplace(key, row->Name);
    EXPECT_TRUE(fresh) << row->Name << " folds like " << it->second;
    EXPECT_EQ(variableNames.count(key), 0u) << row->Name;
  }
}

TEST(RegistryTable, TextsConvertToCp932AndFamiliesAreKnown) {
  const std::set<std::string> families = {
      "control", "text",   "dialog", "clipboard-file", "file",  "words",  "debug",
      "dll",     "time-program", "math", "list",     "table", "output", "gui",
      "sound",   "office", "archive", "net",         "registry", "shared-dde"};
  for (const auto& row : RegistryTable()) {
    std::string out;
    for (const char* text : {row.Name, row.Text, row.TypeTag})
      EXPECT_TRUE(Utf8ToCp932(text, out)) << row.Name << ": " << text;
    ASSERT_NE(row.Family, nullptr) << row.Name;
    EXPECT_EQ(families.count(row.Family), 1u) << row.Name << ": " << row.Family;
  }
}

// The CP932 texts made at build time stand row for row beside the table and
// are what converting its UTF-8 texts at run time gives.
TEST(RegistryTable, BuildTimeCp932TextsAgreeWithTheTable) {
  const auto rows = RegistryTable();
  const auto texts = RegistryNamesCp932();
  ASSERT_EQ(texts.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(texts[i].Name, FromUtf8(rows[i].Name)) << rows[i].Name;
    EXPECT_EQ(texts[i].Text, FromUtf8(rows[i].Text ? rows[i].Text : "")) << rows[i].Name;
    EXPECT_EQ(texts[i].TypeTag, FromUtf8(rows[i].TypeTag ? rows[i].TypeTag : "")) << rows[i].Name;
  }
}

// The families' implementation lists against the registration table: a
// number implemented but never registered, implemented twice (a later
// family would silently replace an earlier one) or out of range is a
// mistake in a table, caught here rather than by a script.
TEST(Families, ImplementationsAgreeWithRegistration) {
  std::set<int> registered;
  for (const auto* row : Commands()) registered.insert(row->Number);
  std::map<int, std::string> boundBy;
  for (const Family* family : Families()) {
    for (const CommandImpl& impl : family->Commands) {
      EXPECT_GE(impl.Number, 0) << family->Name;
      EXPECT_LT(impl.Number, kMaxCommandNumber) << family->Name;
      EXPECT_TRUE(registered.count(impl.Number)) << family->Name << " implements unregistered " << impl.Number;
      EXPECT_NE(impl.Fn, nullptr) << family->Name << " " << impl.Number;
      auto [it, fresh] = boundBy.emplace(impl.Number, family->Name);
      EXPECT_TRUE(fresh) << impl.Number << " bound by " << it->second << " and " << family->Name;
    }
  }
  // Dispatch finds exactly what the families list.
  for (int n = 0; n < kMaxCommandNumber; ++n)
    EXPECT_EQ(CommandFor(n) != nullptr, boundBy.count(n) > 0) << n;
}

// ならば, なら, 違えば, でなければ are read by もし itself; they are registered
// words with no implementation of their own.
TEST(Families, BranchWordsAreRegisteredWithoutImplementation) {
  for (const char* name : {"ならば", "なら", "違えば", "でなければ"}) {
    const RegistryRow* row = FindRow(name);
    ASSERT_NE(row, nullptr) << name;
    EXPECT_TRUE(IsBranchWordNumber(row->Number)) << name;
  }
}

TEST(Families, NamesAndMessagesAreUnique) {
  std::set<std::string> familyNames, messageNames, messageTexts;
  for (const Family* family : Families()) {
    EXPECT_TRUE(familyNames.insert(family->Name).second) << family->Name;
    for (const MessageEntry& m : family->Messages) {
      EXPECT_TRUE(messageNames.insert(m.Name).second) << m.Name;
      EXPECT_TRUE(messageTexts.insert(m.Text).second) << m.Name << " repeats another message's text";
    }
  }
  EXPECT_GT(messageNames.size(), 40u);  // every family's list was read
}

}  // namespace
}  // namespace nokari
