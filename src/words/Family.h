// A command family: the commands it implements and the messages it owns.
// Every family is one folder ending in one definition of its Family; the
// list of families (words/Families.inc) is the one place that names them,
// and dispatch, --list-words and the checks over all messages read it.
#pragma once
#include <span>

#include "words/Contract.h"

namespace nokari {

// One message of a family's table, for the checks that read all of them.
struct MessageEntry {
  const char* Name;  // "kReadWriteFailed"
  const char* Text;  // UTF-8
};

struct Family {
  const char* Name;                        // "file"
  std::span<const CommandImpl> Commands;   // {id, implementation} rows
  std::span<const MessageEntry> Messages;  // the family's own messages
  // Called once per engine after the built-in words are registered, for a
  // family that serves the interpreter beyond its commands (the parts
  // family installs the object model). Null for most.
  void (*Install)(TNokaBase& e) = nullptr;
  // Runs a word the family declared at run time (kind 5, a library
  // function), its arguments bound already. Dispatch calls it for every
  // such word. Null for all but the family that declares them.
  void (*CallDeclared)(TNokaBase& e, THashNode& word) = nullptr;
};

// Every family, in the order of words/Families.inc.
std::span<const Family* const> Families();

// A family's registration lists its messages from its Messages.inc:
//   constexpr MessageEntry kMessages[] = {
//   #define NOKARI_MESSAGE(name, text) {#name, text},
//   #include "lib/file/Messages.inc"
//   #undef NOKARI_MESSAGE
//   };

}  // namespace nokari
