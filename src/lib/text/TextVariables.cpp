// String commands that take a variable by name: they read its value and
// write a remainder or bytes back into it.
#include <cmath>
#include <new>

#include "core/Cp932.h"
#include "lib/text/TextCommands.h"
#include "lib/text/TextCore.h"
#include "words/Value.h"
#include "lib/text/Messages.h"

namespace nokari::text {

THashNode* FindVariable(TNokaBase& e, const std::string& raw) {
  if (raw.empty() || raw[0] == '"' || raw[0] == '`') return nullptr;
  THashNode* node = FindWord(e, raw);
  return node && node->Kind == kVariable ? node : nullptr;
}

VarArg PopVarArg(TNokaBase& e, bool evaluate) {
  VarArg a;
  // Reading the raw text consumes the phrase, so read it from a copy and
  // leave the phrase itself for evaluation.
  DuplicateTopArg(e);
  a.Raw = PopArgText(e);
  a.Var = FindVariable(e, a.Raw);
  if (a.Var && !evaluate) {
    PopArgText(e);
    a.Value = a.Var->Value;
  } else {
    a.Value = PopArgValue(e);
  }
  return a;
}

void WriteBack(TNokaBase& e, THashNode* var, std::string rest) {
  if (var && var != e.SoreVar.get() && !var->Reserved) var->SetValue(std::move(rest));
}

// 行数: of a variable named; a text written out, a bracket, or a part or
// dictionary named is evaluated (行数(メモ1), 「一\n二」の、行数). A name
// that is no word is still an error, as a mistyped variable would be.
void CmdLineCount(TNokaBase& e) {
  std::string raw = PopArgText(e);
  THashNode* var = FindVariable(e, raw);
  if (var) {
    SetSoreValue(e, FormatInt(LineCount(var->Value)));
    return;
  }
  THashNode* word = raw.empty() ? nullptr : FindWord(e, raw);
  const bool written = !raw.empty() && (raw[0] == '"' || raw[0] == '`' || raw[0] == '(');
  if (!written && !(word && (word->Kind == kObject || word->Kind == kDictionary)))
    RaiseError(e, msg::kVariableNotFound, {raw});
  SetSoreValue(e, FormatInt(LineCount(EvaluateText(e, raw))));
}

void CmdReserve(TNokaBase& e) {
  long double n = PopArgNumber(e);
  DuplicateTopArg(e);
  bool existed = FindVariable(e, PopArgText(e)) != nullptr;
  THashNode* var = PopArgWord(e, true);
  if (var->Kind != kVariable || var->Reserved) RaiseCommandError(e, msg::kArgError);
  if (n > static_cast<long double>(kMaxBuiltBytes))
    RaiseCommandError(e, msg::kTextTooLarge, {FormatNumber(n)});
  std::string value = var->Value;
  try {
    value.resize(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  } catch (const std::bad_alloc&) {
    RaiseCommandError(e, msg::kTextTooLarge, {FormatNumber(n)});
  }
  if (existed) var->SetValue(std::move(value));
  else var->SetValue(std::move(value), "s");
}

namespace {

void CutEnd(TNokaBase& e, bool left) {
  int64_t n = ToInt64(PopArgNumber(e));
  VarArg a = PopVarArg(e, true);
  if (n < 1 || a.Raw.empty()) return SetSoreText(e, "");
  std::string taken = left ? LeftChars(a.Value, n) : RightChars(a.Value, n);
  WriteBack(e, a.Var, left ? DropLeftChars(a.Value, n) : DropRightChars(a.Value, n));
  SetSoreText(e, std::move(taken));
}

// The value to cut for 切り取る and 判別して切り取る.
VarArg PopCutSource(TNokaBase& e) {
  VarArg a = PopVarArg(e, false);
  if (!a.Var && a.Value.empty()) RaiseCommandError(e, msg::kArgError);
  return a;
}

}  // namespace

void CmdCutLeft(TNokaBase& e) { CutEnd(e, true); }
void CmdCutRight(TNokaBase& e) { CutEnd(e, false); }

void CmdCutAt(TNokaBase& e) {
  std::string delim = PopArgValue(e);
  VarArg a = PopCutSource(e);
  if (delim.empty()) return SetSoreText(e, "");
  Cut cut = CutAtDelimiter(a.Value, delim);
  WriteBack(e, a.Var, std::move(cut.Rest));
  SetSoreText(e, std::move(cut.Taken));
}

void CmdCutEscaped(TNokaBase& e) {
  std::string escape = PopArgValue(e);
  std::string delim = PopArgValue(e);
  VarArg a = PopVarArg(e, false);
  if (escape.size() != 1) RaiseCommandError(e, msg::kTextEscapeChar);
  if (!a.Var && a.Value.empty()) RaiseCommandError(e, msg::kArgError);
  if (delim.empty()) return SetSoreText(e, "");
  Cut cut = CutAtDelimiterEscaped(a.Value, delim, escape[0]);
  WriteBack(e, a.Var, std::move(cut.Rest));
  SetSoreText(e, std::move(cut.Taken));
}

void CmdCutRange(TNokaBase& e) {
  std::string end = PopArgValue(e);
  std::string start = PopArgValue(e);
  THashNode* var = FindVariable(e, PopArgText(e));
  if (!var) RaiseCommandError(e, msg::kTextRangeNeedsVar);
  std::optional<Cut> cut = CutRange(var->Value, start, end);
  if (!cut) return SetSoreText(e, "");
  WriteBack(e, var, std::move(cut->Rest));
  SetSoreText(e, std::move(cut->Taken));
}

namespace {

// Byte offset of a 1-based byte position argument.
int64_t OffsetOf(long double position) { return ToInt64(position) - 1; }

}  // namespace

void CmdBinaryGet(TNokaBase& e) {
  BinaryForm form = ParseBinaryForm(PopArgValue(e));
  long double position = PopArgNumber(e);
  THashNode* var = PopArgWord(e, false);
  if (form == BinaryForm::Unknown) return;
  int64_t offset = std::max<int64_t>(OffsetOf(position), 0);
  BinaryRead r = ReadBinary(var->Value, offset, form);
  if (!r.Ok) RaiseCommandError(e, msg::kTextBinaryOutside, {FormatInt(offset + 1)});
  if (form == BinaryForm::CharPtr) SetSoreValue(e, std::move(r.Value));
  else SetSoreTyped(e, std::move(r.Value), r.IsNumber ? "e" : "s");
}

void CmdBinarySet(TNokaBase& e) {
  BinaryForm form = ParseBinaryForm(PopArgValue(e));
  long double position = PopArgNumber(e);
  // Every phrase is taken before anything can fail, so none is left over.
  std::string name = UnquoteLiteral(PopArgText(e));
  std::string value = PopArgValue(e);
  THashNode* var = FindWord(e, name);
  if (!var) RaiseError(e, msg::kObjectNotFound, {name});
  if (form == BinaryForm::Unknown) return;
  std::string data = var->Value;
  switch (WriteBinary(data, OffsetOf(position), form, value, ToNumber(value))) {
    case BinaryWrite::Ok:
      var->SetValue(std::move(data));
      return;
    case BinaryWrite::OutOfRange:
      RaiseCommandError(e, msg::kTextRangeError, {value});
    case BinaryWrite::OutOfValue:
      RaiseCommandError(e, msg::kTextBinaryOutside, {FormatNumber(position)});
  }
}

}  // namespace nokari::text
