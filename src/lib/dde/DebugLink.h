// What the DDE family keeps per engine, and the debugger link: the
// conversation "command" under this program's own service, through which
// the script editor (service "vovezid") follows and drives a run.
//
// Macros of the link (split at the first space into a command and an
// argument, both trimmed):
//   line            a message box "実行ライン:" and the line number
//   line vovezid    "row N" sent to the editor's conversation
//   pause           the debug dialog, now
//   break [vovezid] (the line told to the editor, then) the program ends
// Anything else is answered "NG".
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "lib/dde/Channel.h"

namespace nokari {

struct TNokaBase;

namespace dde {

// The topics a script serves (DDEサーバー作成) and the debugger link.
struct DdeState {
  static constexpr size_t kMaxTopics = 10;
  // One slot a topic, in creation order; an empty one is a topic another
  // running program already served when it was made.
  std::vector<std::unique_ptr<ChannelServer>> Topics;
  std::unique_ptr<ChannelServer> Link;
};

// This program's service name (CP932): "nokari" for the interpreter, a
// packed program's own file name without its extension.
std::string OwnServiceName(const TNokaBase& e);
// The channel folder, made or checked (Channel.h); "" with `why` when it
// is refused.
std::string OpenChannelFolder(std::string& why);

// Starts serving the link (the application layer does, for every run of a
// script). When another running program serves it already, or the folder
// is refused, this one runs without it; -debug says so.
void ServeDebuggerLink(TNokaBase& e);
// One macro of the link (UTF-8 line), as received; false for "NG".
bool RunLinkMacro(TNokaBase& e, const std::string& line);
// Sends "row " and the current line to the editor; nothing when it does
// not answer.
void TellEditor(TNokaBase& e);

}  // namespace dde
}  // namespace nokari
