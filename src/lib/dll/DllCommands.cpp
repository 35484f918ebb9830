// Functions of shared libraries declared and called as commands: DLL宣言,
// 文字型DLL宣言 and DLLを利用 make a word of kind 5 whose call lands here
// (CallDeclaredWord), by particles, in the bracket form or as a value.
//
// A declared word keeps its call form in Value ("" every argument a text
// and an int result, "P" the same with a text result, "=" + result letter +
// parameter letters for a typed declaration) and "\"library\"function" in
// TypeTag; the function's address stays in this family's state under that
// TypeTag, so a copied or renamed word still reaches it.
#include <dlfcn.h>

#include <cstring>
#include <unordered_map>

#include "lib/dll/Declaration.h"
#include "lib/dll/ForeignCall.h"
#include "lib/dll/Messages.h"
#include "lib/japanese/Convert.h"
#include "lib/path/Path.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

struct DllState {
  // Every library loaded by a declaration. None is ever closed: a word
  // declared from it may outlive any table rebuild, and a library's own
  // threads or handlers may still run code in it.
  std::vector<void*> Libraries;
  std::unordered_map<std::string, void*> Functions;  // by the word's TypeTag
};

// A declaration's texts are read as program text is: full-width letters,
// signs and Japanese punctuation ("？と、？を") in their ASCII form.
std::string AsProgramText(const std::string& text) {
  std::string s = ExpressionHalfWidth(text);
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// Where a library without a folder is looked for before the loader's own
// places: beside the script, then beside this program.
std::vector<std::string> LibraryFolders(TNokaBase& e) {
  std::vector<std::string> folders;
  for (const char* var : {"母艦のパス", "ランタイムのパス"}) {
    std::string folder = VarValue(e, var);
    if (!folder.empty()) folders.push_back(NativePath(folder));
  }
  return folders;
}

void AddDeclaredWord(TNokaBase& e, const std::string& name, const std::string& library,
                     const std::string& function, std::string argSpec, std::string form) {
  if (name.empty() || function.empty()) RaiseCommandError(e, msg::kArgError);
  void* handle = dll::OpenLibrary(ToNativeName(library), LibraryFolders(e));
  if (!handle) RaiseError(e, msg::kDllNotFound, {library});
  void* fn = dlsym(handle, ToUtf8(function).c_str());
  if (!fn) RaiseError(e, msg::kDllFunctionNotFound, {library, function});
  DllState& state = FamilyState<DllState>(e);
  state.Libraries.push_back(handle);
  auto word = std::make_shared<THashNode>();
  word->Name = name;
  word->Kind = kDllFunction;
  word->ArgSpec = std::move(argSpec);
  word->Value = std::move(form);
  word->TypeTag = "\"" + library + "\"" + function;
  state.Functions[word->TypeTag] = fn;
  // Found with its okurigana left out too, as a user function is, unless
  // that name is another word's.
  std::string folded = StripOkurigana(name);
  AddWord(e, word);
  const THashNode* other = folded != name ? FindWord(e, folded) : nullptr;
  if (folded != name && (!other || other->Kind == kDllFunction)) {
    auto alias = std::make_shared<THashNode>();
    alias->Name = folded;
    alias->CopyAttributes(*word);
    AddWord(e, std::move(alias));
  }
}

// DLL宣言 / 文字型DLL宣言: library ?の, "関数名(?と,?を)" ?を, new name ?で.
template <bool TextResult>
void CmdDeclare(TNokaBase& e) {
  std::string name = AsProgramText(PopArgValue(e));
  dll::PlainDeclaration d = dll::ParsePlain(AsProgramText(PopArgValue(e)));
  std::string library = PopArgValue(e);
  AddDeclaredWord(e, name, library, d.Function, d.ArgSpec, TextResult ? "P" : "");
}

// DLLを利用: library ?の, "int f(int, char*)" ?を, particles ?の, new name
// ?として. A type outside the list, or particles that do not match the
// parameters one for one, would make every call pass the wrong values.
void CmdDeclareTyped(TNokaBase& e) {
  std::string name = AsProgramText(PopArgValue(e));
  std::string argSpec = AsProgramText(PopArgValue(e));
  dll::TypedDeclaration d = dll::ParseTyped(AsProgramText(PopArgValue(e)));
  std::string library = PopArgValue(e);
  if (!d.Ok || dll::CountArguments(argSpec) != dll::CountPassed(d.Params)) RaiseCommandError(e, msg::kArgError);
  AddDeclaredWord(e, name, library, d.Function, argSpec, "=" + std::string(1, d.Result) + d.Params);
}

// One argument as the script gave it: its value, and the variable it names
// (a buffer the function may write into; the variable then gets what it
// wrote, up to the first zero byte).
struct ScriptArgument {
  std::string Value;
  THashNode* Variable = nullptr;
};

std::vector<ScriptArgument> PopScriptArguments(TNokaBase& e, size_t n) {
  if (ArgCount(e) < n) RaiseCommandError(e, msg::kArgError);
  std::vector<ScriptArgument> args(n);
  for (size_t k = n; k-- > 0;) {
    std::string raw = PopArgText(e);
    THashNode* w = FindWord(e, raw);
    if (w && w->Kind == kVariable && !w->Reserved) args[k].Variable = w;
    args[k].Value = EvaluateText(e, raw);
  }
  return args;
}

// The call of a declared word; messages name it as the script wrote it.
void CallDeclaredWord(TNokaBase& e, THashNode& word) {
  const std::string& form = word.Value;
  const bool typed = !form.empty() && form[0] == '=';
  const size_t n = dll::CountArguments(word.ArgSpec);
  if ((typed && form.size() < 2) || (!typed && ((form != "" && form != "P") || n > 5)))
    RaiseCommandError(e, msg::kDllBadDefinition);
  const DllState& state = FamilyState<DllState>(e);
  auto found = state.Functions.find(word.TypeTag);
  if (found == state.Functions.end()) RaiseCommandError(e, msg::kDllBadDefinition);
  const std::string letters = typed ? form.substr(2) : std::string(n, 'p');
  const char resultLetter = typed ? form[1] : form == "P" ? 'p' : 'i';
  // The particles may have been changed since (名義変更).
  if (dll::CountPassed(letters) != n) RaiseCommandError(e, msg::kArgError);

  std::vector<ScriptArgument> given = PopScriptArguments(e, n);
  std::vector<dll::CallArgument> args;
  std::vector<size_t> from;  // which script argument each call argument came from
  size_t k = 0;
  for (char letter : letters) {
    if (letter == 'v') continue;
    if (letter == 'p') {
      args.push_back(dll::CallArgument::Text(given[k].Value));
    } else {
      std::optional<int64_t> v = dll::IntegerArgument(letter, ToNumber(given[k].Value));
      if (!v) RaiseCommandError(e, msg::kArgError);
      args.push_back(dll::CallArgument::Number(letter, *v));
    }
    from.push_back(k++);
  }
  dll::CallResult r = dll::CallFunction(found->second, resultLetter, args);
  if (r.Status == dll::CallResult::kBadSignature) RaiseCommandError(e, msg::kDllBadDefinition);
  if (r.Status == dll::CallResult::kFault) RaiseCommandError(e, msg::kDllCallFailed);
  for (size_t j = 0; j < args.size(); ++j) {
    ScriptArgument& a = given[from[j]];
    if (args[j].Letter != 'p' || !a.Variable) continue;
    const std::vector<char>& buf = args[j].Buffer;
    std::string written(buf.data(), strnlen(buf.data(), buf.size()));
    if (written != a.Value) a.Variable->SetValue(std::move(written), "s");
  }
  if (resultLetter == 'p')
    SetSoreTyped(e, std::move(r.Text), "s");
  else if (resultLetter == 'v')
    SetSoreTyped(e, std::string(), "e");
  else
    SetSoreTyped(e, dll::IntegerResult(resultLetter, r.Integer), "e");
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::DLL宣言, CmdDeclare<false>},
    {Id::文字型DLL宣言, CmdDeclare<true>},
    {Id::DLLを利用, CmdDeclareTyped},
};
constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/dll/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kDllFamily{"dll", kCommands, kMessages, nullptr, CallDeclaredWord};

}  // namespace nokari
