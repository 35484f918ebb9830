#include "host/WordHelp.h"

#include <cstdio>
#include <map>

#include "core/Encoding.h"
#include "words/Family.h"
#include "words/Hash.h"

namespace nokari {
namespace {

const char* KindName(RowKind kind) {
  switch (kind) {
    case RowKind::Command: return "command";
    case RowKind::Variable: return "variable";
    case RowKind::Constant: return "constant";
  }
  return "?";
}

// A variable's type tag is a description whose last letter, "s" or "e",
// is the type; any other ending leaves the word untyped.
std::string TypeName(std::string_view tag) {
  if (tag.empty()) return {};
  if (tag.back() == 'e') return "number";
  if (tag.back() == 's') return "string";
  return {};
}

std::string Description(std::string_view tag) {
  if (!TypeName(tag).empty()) tag.remove_suffix(1);
  return std::string(tag);
}

std::string InitialValue(const RegistryRow& row) {
  if (row.Init != InitFrom::Literal) return "(set when the program starts)";
  return *row.Text ? row.Text : "(empty)";
}

// The first command registered under the same number: LEN is the same
// command as 文字数, and the reference says so.
const RegistryRow* FirstOfNumber(int number) {
  for (const RegistryRow& row : RegistryTable())
    if (row.Kind == RowKind::Command && row.Number == number) return &row;
  return nullptr;
}

std::vector<std::string> OtherNames(const RegistryRow& command) {
  std::vector<std::string> out;
  for (const RegistryRow& row : RegistryTable())
    if (row.Kind == RowKind::Command && row.Number == command.Number && &row != &command) out.push_back(row.Name);
  return out;
}

// The family whose implementation table holds the number, or "".
std::string ImplementingFamily(int number) {
  for (const Family* family : Families())
    for (const CommandImpl& impl : family->Commands)
      if (impl.Number == number) return family->Name;
  return {};
}

std::string Join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string out;
  for (const auto& p : parts) {
    if (!out.empty()) out += separator;
    out += p;
  }
  return out;
}

void AddField(std::string& out, const char* label, const std::string& value) {
  char head[32];
  snprintf(head, sizeof head, "  %-13s", label);
  out += head;
  out += value;
  out += '\n';
}

// Markdown cell text: the characters a table row or inline markup would
// take for syntax are escaped, line ends cannot occur in the table.
std::string Cell(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (std::string_view("\\|<>*_`[]").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

const RegistryRow* FindBuiltinWord(std::string_view name) {
  if (name.empty()) return nullptr;
  for (const RegistryRow& row : RegistryTable())
    if (name == row.Name) return &row;
  std::string folded = StripOkurigana(FromUtf8(name));
  for (const RegistryRow& row : RegistryTable())
    if (row.Kind == RowKind::Command && StripOkurigana(FromUtf8(row.Name)) == folded) return &row;
  return nullptr;
}

std::vector<std::string> WordsContaining(std::string_view part, size_t limit) {
  std::vector<std::string> out;
  if (part.empty()) return out;
  for (const RegistryRow& row : RegistryTable()) {
    if (out.size() >= limit) break;
    // UTF-8 never matches inside another character, so a byte search is
    // a character search.
    if (std::string_view(row.Name).find(part) != std::string_view::npos) out.push_back(row.Name);
  }
  return out;
}

std::vector<std::string> ArgParticles(std::string_view argSpec) {
  std::vector<std::string> out;
  if (argSpec.find('?') == std::string_view::npos) return out;
  size_t pos = 0;
  while (pos <= argSpec.size()) {
    size_t comma = argSpec.find(',', pos);
    if (comma == std::string_view::npos) comma = argSpec.size();
    std::string_view slot = argSpec.substr(pos, comma - pos);
    while (!slot.empty() && (slot.front() == ' ' || slot.front() == '?')) slot.remove_prefix(1);
    while (!slot.empty() && slot.back() == ' ') slot.remove_suffix(1);
    out.emplace_back(slot);
    pos = comma + 1;
  }
  return out;
}

std::string UsageLine(const RegistryRow& row) {
  std::vector<std::string> particles = ArgParticles(row.Text);
  if (particles.empty()) return row.Name;
  bool bare = true;
  for (const auto& p : particles) bare = bare && p.empty();
  std::vector<std::string> phrases;
  for (size_t i = 0; i < particles.size(); ++i) {
    std::string placeholder(1, static_cast<char>('A' + i % 26));
    phrases.push_back(placeholder + particles[i]);
  }
  if (bare) return std::string(row.Name) + "(" + Join(phrases, ",") + ")";
  return Join(phrases, "、") + "、" + row.Name;
}

std::string DescribeWord(const RegistryRow& row, std::string_view asked) {
  std::string out = row.Name;
  if (!asked.empty() && asked != row.Name) out += "  (" + std::string(asked) + ": okurigana folded)";
  out += '\n';
  if (row.Kind == RowKind::Command) {
    AddField(out, "kind:", std::string("command (number ") + std::to_string(row.Number) + ")");
    AddField(out, "family:", row.Family ? row.Family : "?");
    AddField(out, "usage:", UsageLine(row));
    std::vector<std::string> particles = ArgParticles(row.Text);
    if (particles.empty()) {
      AddField(out, "arguments:", "none");
    } else {
      for (auto& p : particles)
        if (p.empty()) p = "(none)";
      AddField(out, "particles:", Join(particles, "  "));
    }
    std::vector<std::string> others = OtherNames(row);
    if (!others.empty()) AddField(out, "same as:", Join(others, ", "));
    std::string impl = ImplementingFamily(row.Number);
    if (IsBranchWordNumber(row.Number)) AddField(out, "implemented:", "yes (read by もし itself)");
    else if (!impl.empty() && CommandFor(row.Number)) AddField(out, "implemented:", "yes (lib/" + impl + ")");
    else AddField(out, "implemented:", "not yet");
    return out;
  }
  AddField(out, "kind:", row.Kind == RowKind::Constant ? "constant (read-only)" : "variable");
  AddField(out, "family:", row.Family ? row.Family : "?");
  std::string type = TypeName(row.TypeTag);
  if (!type.empty()) AddField(out, "type:", type);
  std::string description = Description(row.TypeTag);
  if (!description.empty()) AddField(out, "description:", description);
  AddField(out, "initial:", InitialValue(row));
  return out;
}

std::string WordsMarkdown() {
  std::vector<std::string> order;  // families by first appearance
  std::map<std::string, std::vector<const RegistryRow*>> byFamily;
  std::map<RowKind, int> counts;
  for (const RegistryRow& row : RegistryTable()) {
    std::string family = row.Family ? row.Family : "?";
    if (!byFamily.count(family)) order.push_back(family);
    byFamily[family].push_back(&row);
    ++counts[row.Kind];
  }
  std::string out =
      "# Built-in words\n\n"
      "<!-- Generated by `nokari --list-words-md` from the registration table\n"
      "     (src/words/RegistryTable.cpp). Do not edit: the CTest docs/words-md\n"
      "     fails when this file differs from what the program prints. -->\n\n";
  out += "Every word Nokari registers when a program starts: " + std::to_string(RegistryTable().size()) +
         " words (" + std::to_string(counts[RowKind::Command]) + " commands, " +
         std::to_string(counts[RowKind::Variable]) + " variables, " + std::to_string(counts[RowKind::Constant]) +
         " constants), by family, in registration order.\n\n"
         "A command's usage shows its argument slots: each phrase is a value (A, B …)\n"
         "followed by its particle, and the particle tells which slot the phrase fills.\n"
         "A command whose slots have no particle is called as 名前(A,B).\n"
         "`nokari --help-word 名前` prints one entry, and says whether this build\n"
         "implements the command yet.\n\n"
         "| family | words |\n|---|---|\n";
  for (const auto& family : order)
    out += "| [" + family + "](#" + family + ") | " + std::to_string(byFamily[family].size()) + " |\n";
  for (const auto& family : order) {
    out += "\n## " + family + "\n\n| word | kind | usage or value | notes |\n|---|---|---|---|\n";
    for (const RegistryRow* row : byFamily[family]) {
      std::string usage, notes;
      if (row->Kind == RowKind::Command) {
        usage = UsageLine(*row);
        const RegistryRow* first = FirstOfNumber(row->Number);
        if (first && first != row) notes = std::string("same as ") + first->Name;
      } else {
        usage = InitialValue(*row);
        notes = Description(row->TypeTag);
        std::string type = TypeName(row->TypeTag);
        if (!type.empty()) notes += (notes.empty() ? "" : " ") + std::string("(") + type + ")";
      }
      out += "| " + Cell(row->Name) + " | " + KindName(row->Kind) + " | " + Cell(usage) + " | " + Cell(notes) +
             " |\n";
    }
  }
  return out;
}

int PrintWordHelp(const std::string& name) {
  if (name.empty()) {
    fputs("nokari: --help-word needs the name of a built-in word, e.g. nokari --help-word 表示\n", stderr);
    return 2;
  }
  if (const RegistryRow* row = FindBuiltinWord(name)) {
    fputs(DescribeWord(*row, name).c_str(), stdout);
    return 0;
  }
  fprintf(stderr, "nokari: %s is not a built-in word\n", name.c_str());
  std::vector<std::string> near = WordsContaining(name, 8);
  if (!near.empty()) fprintf(stderr, "  words containing it: %s\n", Join(near, ", ").c_str());
  fputs("  docs/words.md lists every built-in word (nokari --list-words-md prints it)\n", stderr);
  return 2;
}

}  // namespace nokari
