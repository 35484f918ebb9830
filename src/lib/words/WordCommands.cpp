// Commands on words and values: 計算, the treat-as commands, 入れる,
// 単語コピー, 名義変更, listings, user functions, 要素数 and _P.
#include "core/Cp932.h"
#include "core/Keywords.h"
#include "core/Prepare.h"
#include "core/Scan.h"
#include "words/TableText.h"
#include "words/Contract.h"
#include "words/Expr.h"
#include "words/Value.h"
#include "words/Family.h"

namespace nokari {
namespace {

std::string HalfWidth(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    size_t len = CharLenAt(s, i);
    const char* f = len == 2 ? FoldedChar(s[i], s[i + 1]) : nullptr;
    if (f && f[0])
      out += f;
    else
      out.append(s.substr(i, len));
    i += len;
  }
  return out;
}

void CmdCalculate(TNokaBase& e) {
  std::string text = HalfWidth(PopArgValue(e));
  std::string result;
  size_t logSize = e.ErrorLog.size();
  try {
    result = EvaluateExpression(e, text);
  } catch (ENoka&) {
    if (e.StopFlag) throw;
    // A failed calculation is just an empty result: its lines leave the log
    // (unless the log was trimmed meanwhile, when they are its newest part).
    if (e.ErrorLog.size() >= logSize) e.ErrorLog.resize(logSize);
    result.clear();
  }
  SetSoreTyped(e, std::move(result), "s");
}

// The word a treat-as command works on, created when missing.
THashNode* TreatTarget(TNokaBase& e, std::string initial) {
  std::string name = UnquoteLiteral(PopArgText(e));
  THashNode* w = FindWord(e, name);
  if (!w) return CreateVariable(e, name, std::move(initial));
  if (w->Reserved) RaiseError(e, msg::kObjectExists, {name});
  return w;
}

void CmdAsNumber(TNokaBase& e) {
  THashNode* w = TreatTarget(e, "0");
  w->Table.reset();
  w->Kind = kVariable;
  w->SetValue(w->Value.empty() ? "0" : w->Value, "e");
}

void CmdAsString(TNokaBase& e) {
  THashNode* w = TreatTarget(e, "");
  if (w->Kind == kDictionary) {
    std::string pairs = w->Table ? w->Table->PairsText() : std::string();
    w->Table.reset();
    w->Value = std::move(pairs);
  }
  w->Kind = kVariable;
  w->SetValue(w->Value, "s");
}

void CmdAsDictionary(TNokaBase& e) {
  THashNode* w = TreatTarget(e, "");
  if (w->Kind == kVariable) {
    w->Table = std::make_unique<THash>();
    w->Table->LoadFromText(w->Value);
  } else if (w->Kind == kDictionary) {
    if (!w->Table) w->Table = std::make_unique<THash>();
  } else {
    RaiseErrorText(e, FormatMessage(Sj(msg::kBadSyntax), {w->Name}) + Sj(msg::kCannotChange));
  }
  w->Kind = kDictionary;
  w->SetValue(std::string(), "hs");
}

void CmdPut(TNokaBase& e) {
  THashNode* w = PopArgWord(e, true);
  w->SetValue(e.SoreVar->Value, e.SoreVar->TypeTag);
}

void CmdCopyWord(TNokaBase& e) {
  std::string dest = UnquoteLiteral(PopArgText(e));
  std::string src = UnquoteLiteral(PopArgText(e));
  THashNode* from = FindWord(e, src);
  if (!from) RaiseError(e, msg::kObjectNotCreated, {src});
  THashNode* to = FindWord(e, dest);
  if (!to) to = CreateVariable(e, dest);
  if (to != from) to->CopyAttributes(*from);
}

void CmdRename(TNokaBase& e) {
  std::string formPhrase = PopArgText(e);
  std::string form;
  if (formPhrase.size() >= 2 && formPhrase.front() == '`' && formPhrase.back() == '`') form = UnquoteLiteral(formPhrase);
  if (!form.empty() && form.back() == ';') form.pop_back();
  form = HalfWidth(form);
  THashNode* old = PopArgWord(e, false);
  std::vector<std::string> pieces;
  std::string piece;
  for (size_t i = 0; i <= form.size();) {
    if (i == form.size() || form[i] == ' ' || form[i] == ',') {
      if (piece.empty()) break;
      pieces.push_back(piece);
      piece.clear();
      ++i;
      continue;
    }
    size_t len = CharLenAt(form, i);
    piece.append(form, i, len);
    i += len;
  }
  size_t slots = 0;
  for (char c : old->ArgSpec)
    if (c == '?') ++slots;
  if (pieces.size() != slots + 1) RaiseError(e, msg::kArgError, {old->Name});
  auto copy = std::make_shared<THashNode>();
  copy->CopyAttributes(*old);
  copy->Name = pieces.back();
  std::string spec;
  for (size_t i = 0; i + 1 < pieces.size(); ++i) spec += (i ? "," : "") + pieces[i];
  copy->ArgSpec = spec;
  std::string oldName = old->Name;
  RemoveWord(e, oldName);
  AddWord(e, std::move(copy));
}

void CmdListVariables(TNokaBase& e) {
  long double level = PopArgNumber(e);
  int64_t min = FirstArgOmitted(e) ? 0 : ToInt64(level);
  std::string out;
  for (THashNode* w : AllWords(e))
    if ((w->Kind == kVariable || w->Kind == kDictionary) && !w->Reserved && w->Level >= min) out += w->Name + "\r\n";
  SetSoreTyped(e, std::move(out), "s");
}

void CmdDefineFunction(TNokaBase& e) {
  std::string spec = HalfWidth(PopArgValue(e));
  THashNode* label = PopArgWord(e, false);
  label->ArgSpec = spec;
  std::string folded = StripOkurigana(label->Name);
  if (folded != label->Name) {
    auto alias = std::make_shared<THashNode>();
    alias->Name = folded;
    alias->CopyAttributes(*label);
    AddWord(e, std::move(alias));
  }
}

void CmdTakeArguments(TNokaBase& e) { TakeUserArguments(e); }

void CmdListKeys(TNokaBase& e) {
  std::string name = UnquoteLiteral(PopArgText(e));
  THashNode* w = FindWord(e, name);
  if (!w) RaiseError(e, msg::kObjectNotCreated, {name});
  std::string out;
  if (w->Kind == kDictionary) {
    if (w->Table)
      for (THashNode* item : w->Table->ToArray()) out += item->Name + "\r\n";
  } else {
    for (auto line : SplitLines(w->Value)) {
      size_t eq = line.find('=');
      if (eq != std::string_view::npos) out.append(line.substr(0, eq));
      out += "\r\n";
    }
  }
  SetSoreTyped(e, std::move(out), "s");
}

void CmdCountElements(TNokaBase& e) {
  int64_t n = PopArgTable(e)->RowCount();
  if (VarValue(e, "表フィールド名") == "1" && n > 0) --n;
  SetSoreTyped(e, FormatInt(n), "e");
}

void CmdShow(TNokaBase& e) {
  std::string arg = PopArgText(e);
  std::string value = EvalArg(e, arg);
  std::string shown = UnquoteLiteral(arg);
  e.Services.Output->MessageBox(FormatMessage(Sj(msg::kShowContents), {shown, value}), Sj(msg::kAppTitle));
}


using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::計算, CmdCalculate},
    {Id::名義変更, CmdRename},
    {Id::_P, CmdShow},
    {Id::数値として扱う, CmdAsNumber},
    {Id::文字列として扱う, CmdAsString},
    {Id::ハッシュキー列挙, CmdListKeys},
    {Id::辞書項目列挙, CmdListKeys},
    {Id::辞書として扱う, CmdAsDictionary},
    {Id::単語コピー, CmdCopyWord},
    {Id::要素数, CmdCountElements},
    {Id::表行数, CmdCountElements},
    {Id::変数名列挙, CmdListVariables},
    {Id::入れる, CmdPut},
    {Id::関数定義, CmdDefineFunction},
    {Id::引数取得, CmdTakeArguments},
};

}  // namespace

extern const Family kWordsFamily{"words", kCommands, {}};

}  // namespace nokari
