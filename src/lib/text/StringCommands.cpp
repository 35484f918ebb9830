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

// Commands that only read a text take a variable's text where it stands
// (PopArgView): a long text is not copied to be measured or searched.
void CmdLen(TNokaBase& e) {
  std::string store;
  SetSoreCount(e, CharCount(PopArgView(e, store)));
}

void CmdLenB(TNokaBase& e) {
  std::string store;
  SetSoreCount(e, PopArgView(e, store).size());
}

void CmdPos(TNokaBase& e) {
  std::string needle = PopArgValue(e);
  std::string store;
  SetSoreCount(e, CharPosition(PopArgView(e, store), needle));
}

void CmdOccurrences(TNokaBase& e) {
  std::string word = PopArgValue(e);
  std::string store;
  SetSoreCount(e, CountOccurrences(PopArgView(e, store), word));
}

void CmdCompare(TNokaBase& e) {
  std::string b = PopArgValue(e);
  SetSoreFlag(e, PopArgValue(e) == b);
}

void CmdReplace(TNokaBase& e) {
  std::string to = PopArgValue(e), from = PopArgValue(e);
  SetSoreText(e, ReplaceAll(PopArgValue(e), from, to));
}

void CmdReplaceOne(TNokaBase& e) {
  std::string to = PopArgValue(e), from = PopArgValue(e);
  int64_t n = PopInt(e);
  SetSoreText(e, ReplaceNth(PopArgValue(e), n, from, to));
}

// ---- cutting and building ----------------------------------------------------

void CmdLeft(TNokaBase& e) {
  int64_t n = PopInt(e);
  SetSoreText(e, LeftChars(PopArgValue(e), n));
}

void CmdRight(TNokaBase& e) {
  int64_t n = PopInt(e);
  SetSoreText(e, RightChars(PopArgValue(e), n));
}

void CmdMid(TNokaBase& e) {
  int64_t n = PopIntDefault(e, 0), start = PopIntDefault(e, 0);
  std::string store;
  THashNode* lent = nullptr;
  const std::string_view s = PopArgView(e, store, lent);
  SetSoreText(e, MidChars(s, start, n, [&](size_t index) { return CharOffsetIn(lent, s, index); }));
}

void CmdMidB(TNokaBase& e) {
  int64_t n = PopIntDefault(e, 0), start = PopIntDefault(e, 0);
  SetSoreText(e, MidBytes(PopArgValue(e), start, n));
}

void CmdDropRight(TNokaBase& e) {
  int64_t n = PopInt(e);
  SetSoreText(e, DropRightChars(PopArgValue(e), n));
}

void CmdDropLeft(TNokaBase& e) {
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

void CmdRefrain(TNokaBase& e) {
  int64_t n = PopIntDefault(e, 0);
  std::string s = PopArgValue(e);
  SetSoreText(e, BuildOrRaise(e, n, [&](std::string& out) { return Repeat(s, n, out); }));
}

// One-column table written as CSV: each piece quoted by the table engine's
// cell rule and followed by CR LF.
void CmdSplit(TNokaBase& e) {
  std::string delim = PopArgValue(e);
  const std::string text = PopArgValue(e);
  std::string out;
  out.reserve(text.size() + text.size() / 2 + 2);  // a line end for every piece of one byte
  ForEachPiece(text, delim, [&](std::string_view piece) { AppendQuotedCell(out, piece).append("\r\n"); });
  SetSoreText(e, std::move(out));
}

void CmdParagraph(TNokaBase& e) {
  int64_t n = PopIntDefault(e, -1);
  SetSoreText(e, Paragraph(PopArgValue(e), n));
}

void CmdWrap(TNokaBase& e) {
  int64_t width = PopInt(e);
  std::string s = PopArgValue(e);
  int64_t tab = ToInt64(ToNumber(VarValue(e, "タブ文字の個数")));
  SetSoreText(e, WrapText(s, width, tab, VarValue(e, "禁則処理の行頭禁止文字")));
}

// ---- trimming, filling, formatting -------------------------------------------

void CmdTrim(TNokaBase& e) { SetSoreValue(e, TrimBlanks(PopArgValue(e))); }
void CmdOkurigana(TNokaBase& e) { SetSoreText(e, DropOkurigana(PopArgValue(e))); }

void CmdCurrency(TNokaBase& e) {
  std::string text = PopArgValue(e);
  std::string out;
  // A full-width ． (typed with the input method) is a decimal point too.
  static const std::string fullStop = Sj("．");
  const bool decimals = text.find('.') != std::string::npos || text.find(fullStop) != std::string::npos;
  if (!FormatCurrency(ToNumber(text), decimals, out))
    RaiseCommandError(e, msg::kTextRangeError, {text});
  SetSoreValue(e, std::move(out));
}

void CmdFormat(TNokaBase& e) {
  std::string format = PopArgValue(e);
  std::string value = PopArgValue(e);
  std::string out;
  switch (FormatSpecified(value, format, out)) {
    case FormatResult::Ok: break;
    case FormatResult::BadFormat: RaiseCommandError(e, msg::kBadSyntax);
    case FormatResult::ValueOutOfRange: RaiseCommandError(e, msg::kTextRangeError, {value});
  }
  SetSoreText(e, std::move(out));
}

void Pad(TNokaBase& e, char fill) {
  int64_t width = PopInt(e);
  std::string s = PopArgValue(e);
  SetSoreValue(e, BuildOrRaise(e, width, [&](std::string& out) { return PadLeft(s, width, fill, out); }));
}

void CmdRightAlign(TNokaBase& e) { Pad(e, ' '); }
void CmdZeroFill(TNokaBase& e) { Pad(e, '0'); }
void CmdUpper(TNokaBase& e) { SetSoreText(e, ToUpperText(PopArgValue(e))); }
void CmdLower(TNokaBase& e) { SetSoreText(e, ToLowerText(PopArgValue(e))); }

// ---- character codes and tests -----------------------------------------------

void CmdChr(TNokaBase& e) {
  std::string text = PopArgValue(e);
  int64_t code = IntDefault(text, -1);
  if (code < 0) RaiseCommandError(e, msg::kArgError);
  if (code > 65535) RaiseCommandError(e, msg::kTextRangeError, {text});
  SetSoreText(e, CharFromCode(code));
}

void CmdAsc(TNokaBase& e) {
  std::string text = PopArgValue(e);
  if (text.empty()) RaiseCommandError(e, msg::kArgError);
  SetSoreCount(e, CodeOfFirstChar(text));
}

template <bool (*Test)(std::string_view)>
void CmdCharTest(TNokaBase& e) {
  SetSoreFlag(e, Test(PopArgValue(e)));
}

// ---- tags ---------------------------------------------------------------------

void CmdTagStrip(TNokaBase& e) { SetSoreText(e, StripTags(PopArgValue(e))); }

void CmdTagCut(TNokaBase& e) {
  std::string name = PopArgValue(e);
  SetSoreText(e, ExtractTags(PopArgValue(e), name));
}

void CmdTableTag(TNokaBase& e) {
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
    {Id::文字数, CmdLen},
    {Id::バイト数, CmdLenB},
    {Id::行数, CmdLineCount},
    {Id::何文字目, CmdPos},
    {Id::出現回数, CmdOccurrences},
    {Id::文比較, CmdCompare},
    {Id::置換, CmdReplace},
    {Id::単置換, CmdReplaceOne},
    {Id::LEFT, CmdLeft},
    {Id::RIGHT, CmdRight},
    {Id::切り出す, CmdMid},
    {Id::MIDB, CmdMidB},
    {Id::右端削除, CmdDropRight},
    {Id::左端削除, CmdDropLeft},
    {Id::リフレイン, CmdRefrain},
    {Id::確保, CmdReserve},
    {Id::区切る, CmdSplit},
    {Id::段落を切り出す, CmdParagraph},
    {Id::行揃え, CmdWrap},
    {Id::左端を切り取る, CmdCutLeft},
    {Id::右端を切り取る, CmdCutRight},
    {Id::切り取る, CmdCutAt},
    {Id::判別して切り取る, CmdCutEscaped},
    {Id::範囲を切り取る, CmdCutRange},
    {Id::前後の空白削除, CmdTrim},
    {Id::送り仮名削除, CmdOkurigana},
    {Id::通貨形式に変換, CmdCurrency},
    {Id::指定形式に変換, CmdFormat},
    {Id::右寄せ, CmdRightAlign},
    {Id::ゼロで埋める, CmdZeroFill},
    {Id::大文字変換, CmdUpper},
    {Id::小文字変換, CmdLower},
    {Id::文字, CmdChr},
    {Id::キーコード, CmdAsc},
    {Id::大文字か, CmdCharTest<IsUpperFirst>},
    {Id::数字か, CmdCharTest<IsDigitFirst>},
    {Id::全角か, CmdCharTest<IsWideFirst>},
    {Id::ひらがなか, CmdCharTest<IsHiraganaFirst>},
    {Id::カタカナか, CmdCharTest<IsKatakanaFirst>},
    {Id::数列か, CmdCharTest<IsNumeral>},
    {Id::タグ削除, CmdTagStrip},
    {Id::タグ切り出し, CmdTagCut},
    {Id::テーブルタグで囲む, CmdTableTag},
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
