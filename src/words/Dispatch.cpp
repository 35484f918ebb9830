// Argument binding by particle and dispatch by command number.
#include <array>
#include <mutex>
#include <unordered_map>

#include "core/Cp932.h"
#include "core/Hot.h"
#include "core/Keywords.h"
#include "words/Family.h"
#include "words/Registry.h"

namespace nokari {
namespace {

using DispatchTable = std::array<CommandFn, kMaxCommandNumber>;

const DispatchTable& Table() {
  static const DispatchTable table = [] {
    DispatchTable t{};
    for (const Family* family : Families())
      for (const CommandImpl& impl : family->Commands) t[impl.Number] = impl.Fn;
    return t;
  }();
  return table;
}

// The family that runs declared words (kind 5), if any.
using DeclaredFn = void (*)(TNokaBase&, THashNode&);
DeclaredFn DeclaredCaller() {
  static const DeclaredFn fn = [] {
    for (const Family* family : Families())
      if (family->CallDeclared) return family->CallDeclared;
    return DeclaredFn{};
  }();
  return fn;
}

// Slot particles of an ArgSpec, split once per distinct ArgSpec. Entries
// are never removed, so words may keep pointers to them.
using SlotEntry = std::pair<const std::string, std::vector<std::string>>;

const SlotEntry& SlotsFor(const std::string& argSpec) {
  static std::unordered_map<std::string, std::vector<std::string>> cache;
  auto it = cache.find(argSpec);
  if (it != cache.end()) return *it;
  std::vector<std::string> slots;
  if (!argSpec.empty()) {
    size_t start = 0;
    for (;;) {
      size_t comma = argSpec.find(',', start);
      std::string slot = argSpec.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      size_t b = 0, e = slot.size();
      while (b < e && (slot[b] == ' ' || slot[b] == '\t')) ++b;
      while (e > b && (slot[e - 1] == ' ' || slot[e - 1] == '\t')) --e;
      slot = slot.substr(b, e - b);
      if (!slot.empty() && slot[0] == '?') slot.erase(0, 1);
      slots.push_back(slot);
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  return *cache.emplace(argSpec, std::move(slots)).first;
}

// Whether a phrase's tail fits a slot particle (equal or equivalent).
bool Fits(std::string_view phrase, const std::string& particle) {
  if (particle.empty()) return true;
  if (phrase.size() < particle.size()) return false;
  std::string_view tail = phrase.substr(phrase.size() - particle.size());
  if (tail == particle) return true;
  static const std::string to = Sj("と"), wo = Sj("を"), no = Sj("の"), ni = Sj("に"), he = Sj("へ");
  if (particle == to) return tail == wo;
  if (particle == no) return tail == wo;
  if (particle == wo) return tail == to || tail == no;
  if (particle == ni) return tail == he;
  if (particle == he) return tail == ni;
  return false;
}

// A word's slot list, remembered on the word while its ArgSpec stays.
const std::vector<std::string>& SlotsOf(THashNode& word) {
  if (!word.SlotSpec || *word.SlotSpec != word.ArgSpec) {
    const SlotEntry& entry = SlotsFor(word.ArgSpec);
    word.SlotSpec = &entry.first;
    word.SlotList = &entry.second;
  }
  return *word.SlotList;
}

// Whether the phrases already stand in slot order, each fitting its slot:
// then binding only strips the particles.
bool InSlotOrder(const std::vector<std::string>& items, const std::vector<std::string>& slots) {
  if (items.size() != slots.size()) return false;
  for (size_t k = 0; k < slots.size(); ++k)
    if (!Fits(items[k], slots[k])) return false;
  return true;
}

// Makes `name` the running word for a scope; the outer one comes back on
// leaving, by return or by error (a nested call runs its own commands).
// The name is a view of text that outlives the command: the verb of the
// statement being run (its plan, or the reading's own string) or the
// word's name (the statement holds the word).
class RunningWordScope {
 public:
  RunningWordScope(TNokaBase& e, std::string_view name) : e_(e), outer_(e.RunningWord) { e_.RunningWord = name; }
  ~RunningWordScope() { e_.RunningWord = outer_; }
  RunningWordScope(const RunningWordScope&) = delete;
  RunningWordScope& operator=(const RunningWordScope&) = delete;

 private:
  TNokaBase& e_;
  const std::string_view outer_;
};

}  // namespace

#define NOKARI_FAMILY(name) extern const Family k##name##Family;
#include "words/Families.inc"
#undef NOKARI_FAMILY

std::span<const Family* const> Families() {
  static constexpr const Family* kAll[] = {
#define NOKARI_FAMILY(name) &k##name##Family,
#include "words/Families.inc"
#undef NOKARI_FAMILY
  };
  return kAll;
}

bool IsFlowCommandNumber(int number) {
  using enum CommandId;
  switch (static_cast<CommandId>(number)) {
    case おわり: case 戻る: case 飛ぶ: case 呼ぶ: case 待機: case ならば: case 違えば: case なら:
    case 繰り返す: case 反復: case もし: case 抜ける: case 条件分岐: case 続ける: case ループ:
      return true;
    default:
      return false;
  }
}

bool IsQuietCommandNumber(int number) {
  using enum CommandId;
  switch (static_cast<CommandId>(number)) {
    // text
    case 文字数: case バイト数: case 何文字目: case 出現回数: case 文比較: case 置換: case 単置換:
    case LEFT: case RIGHT: case 切り出す: case MIDB: case 右端削除: case 左端削除: case 前後の空白削除:
    case 大文字変換: case 小文字変換: case 文字: case キーコード:
    case 大文字か: case 数字か: case 全角か: case ひらがなか: case カタカナか: case 数列か:
    case 半角変換: case 全角変換: case 英数半角変換: case ひらがな変換: case カタカナ変換:
    // numbers
    case 整数: case INT: case TRUNC: case ROUND: case CEIL: case FLOOR: case FRAC: case 切り捨て: case 四捨五入:
    case ABS: case EXP: case LN: case LOG: case LOG2: case LOG10: case POWER: case SQRT:
    case サイン: case コサイン: case タンジェント: case ARCSIN: case ARCCOS: case ARCTAN: case HYPOT:
    case サイクルからラジアン: case 度からラジアン: case グラードからラジアン:
    case ラジアンからサイクル: case ラジアンから度: case ラジアンからグラード:
    case 余り: case AND: case OR: case XOR: case NOT: case 右シフト: case 左シフト: case HEX:
    // tables
    case 要素数: case 表行数:
      return true;
    default:
      return false;
  }
}

// Words that move the cursor elsewhere: never in the bracket form.
bool IsJumpCommandNumber(int number) {
  using enum CommandId;
  switch (static_cast<CommandId>(number)) {
    case おわり: case 戻る: case 飛ぶ: case 呼ぶ: case 待機: case 抜ける: case 続ける:
      return true;
    default:
      return false;
  }
}

void RefuseFlowWordAsValue(TNokaBase& e, const THashNode& word, const std::string& writtenName,
                           bool asStatement) {
  if (word.Kind != kCommand || !IsFlowCommandNumber(word.CommandNumber)) return;
  if (!asStatement || IsJumpCommandNumber(word.CommandNumber)) RaiseError(e, msg::kFlowWordAsValue, {writtenName});
}

CommandFn CommandFor(int number) {
  if (number < 0 || number >= kMaxCommandNumber) return nullptr;
  return Table()[number];
}

void BindArguments(TNokaBase& e, THashNode& word, std::string_view written) {
  const std::vector<std::string>& slots = SlotsOf(word);
  const std::string_view name = written.empty() ? std::string_view(word.Name) : written;
  const size_t n = slots.size();
  TStack& stack = e.ArgStack;
  e.ImplicitSore = false;
  if (n == 0) return;
  if (n == stack.Count() + 1) {
    const std::string& sore = Kw().Sore;
    stack.Items.insert(stack.Items.begin(), e.LooseBinding ? sore : sore + slots[0]);
    e.ImplicitSore = true;
  }
  if (stack.Count() < n) RaiseError(e, msg::kTooFewArgs, {name, word.ArgSpec});
  if (!e.LooseBinding && InSlotOrder(stack.Items, slots)) {
    for (size_t k = 0; k < n; ++k) stack.Items[k].resize(stack.Items[k].size() - slots[k].size());
    return;
  }
  if (e.LooseBinding) {
    // Each slot, from the last, takes the topmost phrase left: the top n
    // phrases stay where they are, in slot order, their particles stripped.
    const size_t base = stack.Count() - n;
    for (size_t k = 0; k < n; ++k) {
      std::string& phrase = stack.Items[base + k];
      if (Fits(phrase, slots[k])) phrase.resize(phrase.size() - slots[k].size());
    }
    if (stack.Count() > 5000) RaiseError(e, msg::kStackFull);
    return;
  }
  std::vector<std::string> bound(n);
  for (size_t k = n; k-- > 0;) {
    const std::string& particle = slots[k];
    auto& items = stack.Items;
    size_t chosen = items.size();
    for (size_t i = items.size(); i-- > 0;)
      if (Fits(items[i], particle)) {
        chosen = i;
        break;
      }
    if (chosen == items.size()) RaiseError(e, msg::kNoFittingArg, {name, word.ArgSpec, particle});
    std::string phrase = std::move(items[chosen]);
    items.erase(items.begin() + chosen);
    if (Fits(phrase, particle)) phrase.resize(phrase.size() - particle.size());
    bound[k] = std::move(phrase);
  }
  for (auto& b : bound) stack.Push(std::move(b));
  if (stack.Count() > 5000) RaiseError(e, msg::kStackFull);
}

void Dispatch(TNokaBase& e, THashNode& word, std::string_view written) {
  BindArguments(e, word, written);
  RunCommand(e, word, written);
}

size_t SlotCount(THashNode& word) { return SlotsOf(word).size(); }

const std::string& SlotParticle(THashNode& word, size_t slot) { return SlotsOf(word)[slot]; }

std::string LooselyBound(THashNode& word, size_t slot, const std::string& phrase) {
  const std::string& particle = SlotsOf(word)[slot];
  return Fits(phrase, particle) ? phrase.substr(0, phrase.size() - particle.size()) : phrase;
}

bool BindInSlotOrder(THashNode& word, const std::vector<std::string>& phrases, std::vector<std::string>& bound) {
  const std::vector<std::string>& slots = SlotsOf(word);
  if (slots.empty() || !InSlotOrder(phrases, slots)) return false;
  bound.resize(slots.size());
  for (size_t k = 0; k < slots.size(); ++k) bound[k] = phrases[k].substr(0, phrases[k].size() - slots[k].size());
  return true;
}

namespace {

// Runs a command's implementation as the word `name`, its errors wrapped
// once as a command's.
template <class Run>
void RunAsCommand(TNokaBase& e, std::string_view name, Run run) {
  RunningWordScope running(e, name);
  try {
    run();
  } catch (ENoka& err) {
    if (e.StopFlag) throw;
    RaiseError(e, msg::kCommandError, {err.Message});
  } catch (std::bad_alloc&) {
    throw;
  } catch (std::exception& err) {
    RaiseError(e, msg::kCommandError, {FromUtf8(err.what())});
  }
}

}  // namespace

void RunCommand(TNokaBase& e, THashNode& word, std::string_view written) {
  int number = word.CommandNumber;
  const bool declared = word.Kind == kDllFunction;
  if (!declared && IsBranchWordNumber(number)) return;
  CommandFn fn = declared ? nullptr : CommandFor(number);
  DeclaredFn declaredFn = declared ? DeclaredCaller() : nullptr;
  if (!fn && !declaredFn) {
    std::string name = word.Name == "\\" ? "\\" + std::to_string(number) : word.Name;
    RaiseError(e, msg::kBrokenLink, {name});
  }
  const std::string_view name = written.empty() ? std::string_view(word.Name) : written;
  if (declaredFn)
    RunAsCommand(e, name, [&] { declaredFn(e, word); });
  else
    RunAsCommand(e, name, [&] { fn(e); });
}

CommandFn PlannedCommandFn(const THashNode& word) {
  if (word.Kind != kCommand || IsBranchWordNumber(word.CommandNumber)) return nullptr;
  return CommandFor(word.CommandNumber);
}

NOKARI_HOT void RunCommandFn(TNokaBase& e, CommandFn fn, const THashNode& word, std::string_view written) {
  RunAsCommand(e, written.empty() ? std::string_view(word.Name) : written, [&] { fn(e); });
}

}  // namespace nokari
