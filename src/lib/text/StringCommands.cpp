// The string commands: measuring, searching, cutting, building, formatting
// and testing text. Each wrapper pops its arguments (last slot first), calls
// a pure function of TextCore.h and leaves the result in それ.
#include <new>

#include "core/Cp932.h"
#include "words/TableText.h"
#include "lib/text/TextCommands.h"
#include "lib/text/TextCore.h"
#include "lib/text/Messages.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {

namespace {

using namespace text;

void SetSoreCount(TNokaBase& e, int64_t n) { SetSoreTyped(e, FormatInt(n), "e"); }

int64_t PopInt(TNokaBase& e) { return ToInt64(PopArgNumber(e)); }
int64_t PopIntDefault(TNokaBase& e, int64_t def) { return IntDefault(PopArgValue(e), def); }

// ---- measuring, searching, replacing ---------------------------------------

void Len(TNokaBase& e) { SetSoreCount(e, CharCount(PopArgValue(e))); }
void LenB(TNokaBase& e) { SetSoreCount(e, PopArgValue(e).size()); }

void Pos(TNokaBase& e) {
  std::string needle = PopArgValue(e);
  SetSoreCount(e, CharPosition(PopArgValue(e), needle));
}

void Occurrences(TNokaBase& e) {
  std::string word = PopArgValue(e);
  SetSoreCount(e, CountOccurrences(PopArgValue(e), word));
}

void Compare(TNokaBase& e) {
  std::string b = PopArgValue(e);
  SetSoreFlag(e, PopArgValue(e) == b);
}

void Replace(TNokaBase& e) {
  std::string to = PopArgValue(e), from = PopArgValue(e);
  SetSoreText(e, ReplaceAll(PopArgValue(e), from, to));
}

void ReplaceOne(TNokaBase& e) {
  std::string to = PopArgValue(e), from = PopArgValue(e);
  int64_t n = PopInt(e);
  SetSoreText(e, ReplaceNth(PopArgValue(e), n, from, to));
}

// ---- cutting and building ----------------------------------------------------

void Left(TNokaBase& e) {
  int64_t n = PopInt(e);
  SetSoreText(e, LeftChars(PopArgValue(e), n));
}

void Right(TNokaBase& e) {
  int64_t n = PopInt(e);
  SetSoreText(e, RightChars(PopArgValue(e), n));
}

void Mid(TNokaBase& e) {
  int64_t n = PopIntDefault(e, 0), start = PopIntDefault(e, 0);
  SetSoreText(e, MidChars(PopArgValue(e), start, n));
}

void MidB(TNokaBase& e) {
  int64_t n = PopIntDefault(e, 0), start = PopIntDefault(e, 0);
  SetSoreText(e, MidBytes(PopArgValue(e), start, n));
}

void DropRight(TNokaBase& e) {
  int64_t n = PopInt(e);
  SetSoreText(e, DropRightChars(PopArgValue(e), n));
}

void DropLeft(TNokaBase& e) {
  int64_t n = PopInt(e);
  SetSoreText(e, DropLeftChars(PopArgValue(e), n));
}

// Builds a large text; a result beyond the limit, or one the machine cannot
// hold, is reported as the command's error.
template <typename Build>
std::string BuildOrRaise(TNokaBase& e, int64_t n, Build build) {
  std::string out;
  bool ok;
  try {
    ok = build(out);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) RaiseCommandError(e, msg::kTextTooLarge, {FormatInt(n)});
  return out;
}

void Refrain(TNokaBase& e) {
  int64_t n = PopIntDefault(e, 0);
  std::string s = PopArgValue(e);
  SetSoreText(e, BuildOrRaise(e, n, [&](std::string& out) { return Repeat(s, n, out); }));
}

// One-column table written as CSV: each piece quoted by the table engine's
// cell rule and followed by CR LF.
void Split(TNokaBase& e) {
  std::string delim = PopArgValue(e);
  std::string out;
  for (const std::string& piece : SplitPieces(PopArgValue(e), delim))
    out.append(QuoteCell(piece)).append("\r\n");
  SetSoreText(e, std::move(out));
}

void ParagraphCmd(TNokaBase& e) {
  int64_t n = PopIntDefault(e, -1);
  SetSoreText(e, Paragraph(PopArgValue(e), n));
}

void Wrap(TNokaBase& e) {
  int64_t width = PopInt(e);
  std::string s = PopArgValue(e);
  int64_t tab = ToInt64(ToNumber(VarValue(e, "タブ文字の個数")));
  SetSoreText(e, WrapText(s, width, tab, VarValue(e, "禁則処理の行頭禁止文字")));
}

// ---- trimming, filling, formatting -------------------------------------------

void Trim(TNokaBase& e) { SetSoreValue(e, TrimBlanks(PopArgValue(e))); }
void Okurigana(TNokaBase& e) { SetSoreText(e, DropOkurigana(PopArgValue(e))); }

void Currency(TNokaBase& e) {
  std::string text = PopArgValue(e);
  std::string out;
  if (!FormatCurrency(ToNumber(text), text.find('.') != std::string::npos, out))
    RaiseCommandError(e, msg::kTextRangeError, {text});
  SetSoreValue(e, std::move(out));
}

void Format(TNokaBase& e) {
  std::string format = PopArgValue(e);
  std::string out;
  if (!FormatSpecified(PopArgValue(e), format, out))
    RaiseCommandError(e, msg::kBadSyntax);
  SetSoreText(e, std::move(out));
}

void Pad(TNokaBase& e, char fill) {
  int64_t width = PopInt(e);
  std::string s = PopArgValue(e);
  SetSoreValue(e, BuildOrRaise(e, width, [&](std::string& out) { return PadLeft(s, width, fill, out); }));
}

void RightAlign(TNokaBase& e) { Pad(e, ' '); }
void ZeroFill(TNokaBase& e) { Pad(e, '0'); }
void Upper(TNokaBase& e) { SetSoreText(e, ToUpperText(PopArgValue(e))); }
void Lower(TNokaBase& e) { SetSoreText(e, ToLowerText(PopArgValue(e))); }

// ---- character codes and tests -----------------------------------------------

void Chr(TNokaBase& e) {
  std::string text = PopArgValue(e);
  int64_t code = IntDefault(text, -1);
  if (code < 0) RaiseCommandError(e, msg::kArgError);
  if (code > 65535) RaiseCommandError(e, msg::kTextRangeError, {text});
  SetSoreText(e, CharFromCode(code));
}

void Asc(TNokaBase& e) {
  std::string text = PopArgValue(e);
  if (text.empty()) RaiseCommandError(e, msg::kArgError);
  SetSoreCount(e, CodeOfFirstChar(text));
}

template <bool (*Test)(std::string_view)>
void CharTest(TNokaBase& e) {
  SetSoreFlag(e, Test(PopArgValue(e)));
}

// ---- tags ---------------------------------------------------------------------

void TagStrip(TNokaBase& e) { SetSoreText(e, StripTags(PopArgValue(e))); }

void TagCut(TNokaBase& e) {
  std::string name = PopArgValue(e);
  SetSoreText(e, ExtractTags(PopArgValue(e), name));
}

void TableTag(TNokaBase& e) {
  std::string option = PopArgValue(e);
  TCsvDbBase table;
  table.ReadCsv(PopArgValue(e));
  const int width = table.Width();
  std::string out = "<TABLE " + option + ">\r\n";
  for (int row = 0; row < table.RowCount(); ++row) {
    out += "<TR>";
    for (int col = 0; col < width; ++col) out.append("<TD>").append(table.Cell(row, col)).append("</TD>");
    out += "</TR>\r\n";
  }
  out += "</TABLE>";
  SetSoreText(e, std::move(out));
}


using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::文字数, Len},
    {Id::バイト数, LenB},
    {Id::行数, CmdLineCount},
    {Id::何文字目, Pos},
    {Id::出現回数, Occurrences},
    {Id::文比較, Compare},
    {Id::置換, Replace},
    {Id::単置換, ReplaceOne},
    {Id::LEFT, Left},
    {Id::RIGHT, Right},
    {Id::切り出す, Mid},
    {Id::MIDB, MidB},
    {Id::右端削除, DropRight},
    {Id::左端削除, DropLeft},
    {Id::リフレイン, Refrain},
    {Id::確保, CmdReserve},
    {Id::区切る, Split},
    {Id::段落を切り出す, ParagraphCmd},
    {Id::行揃え, Wrap},
    {Id::左端を切り取る, CmdCutLeft},
    {Id::右端を切り取る, CmdCutRight},
    {Id::切り取る, CmdCutAt},
    {Id::判別して切り取る, CmdCutEscaped},
    {Id::範囲を切り取る, CmdCutRange},
    {Id::前後の空白削除, Trim},
    {Id::送り仮名削除, Okurigana},
    {Id::通貨形式に変換, Currency},
    {Id::指定形式に変換, Format},
    {Id::右寄せ, RightAlign},
    {Id::ゼロで埋める, ZeroFill},
    {Id::大文字変換, Upper},
    {Id::小文字変換, Lower},
    {Id::文字, Chr},
    {Id::キーコード, Asc},
    {Id::大文字か, CharTest<IsUpperFirst>},
    {Id::数字か, CharTest<IsDigitFirst>},
    {Id::全角か, CharTest<IsWideFirst>},
    {Id::ひらがなか, CharTest<IsHiraganaFirst>},
    {Id::カタカナか, CharTest<IsKatakanaFirst>},
    {Id::数列か, CharTest<IsNumeral>},
    {Id::タグ削除, TagStrip},
    {Id::タグ切り出し, TagCut},
    {Id::テーブルタグで囲む, TableTag},
    {Id::バイナリ取得, CmdBinaryGet},
    {Id::バイナリ設定, CmdBinarySet},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/text/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kTextFamily{"text", kCommands, kMessages};

}  // namespace nokari
