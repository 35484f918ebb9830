#include "lib/dde/DebugLink.h"

#include "core/Debugger.h"
#include "core/Encoding.h"
#include "core/Engine.h"
#include "core/Messages.h"
#include "words/Contract.h"

namespace nokari::dde {
namespace {

constexpr char kEditorService[] = "vovezid";
constexpr char kLinkTopic[] = "command";
// The editor answers at once or not at all; a run never waits long on it.
constexpr std::chrono::milliseconds kEditorTimeout{2000};

std::string Trimmed(const std::string& s) {
  size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

// Ends the program from outside the script, as the error dialog's quit
// does: the run stops at its next step, a wait returns.
void EndFromLink(TNokaBase& e) {
  e.StopFlag = true;
  e.Services.Window->CloseMainWindow();
}

void Note(TNokaBase& e, const std::string& text) {
  if (e.DebugMode) e.Services.Output->Diagnostic(FromUtf8("nokari: " + text));
}

}  // namespace

std::string OwnServiceName(const TNokaBase& e) {
  if (!e.PackedScript) return "nokari";
  std::string name = e.MainFilePath;
  size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

std::string OpenChannelFolder(std::string& why) {
  std::string folder = ChannelFolderPath();
  return PrepareChannelFolder(folder, why) ? folder : std::string();
}

void TellEditor(TNokaBase& e) {
  std::string why;
  std::string folder = OpenChannelFolder(why);
  if (folder.empty()) return;
  SendMacro(SocketPath(folder, kEditorService, kLinkTopic), "row " + std::to_string(e.LineNo), kEditorTimeout);
}

bool RunLinkMacro(TNokaBase& e, const std::string& line) {
  std::string text;
  if (!MacroText(line, text)) return false;
  size_t space = text.find(' ');
  std::string command = Trimmed(text.substr(0, space));
  std::string argument = space == std::string::npos ? std::string() : Trimmed(text.substr(space + 1));
  const bool loaded = e.Source && !e.Source->empty();
  if (command == "line") {
    if (argument == kEditorService)
      TellEditor(e);
    else if (argument.empty())
      e.Services.Output->MessageBox(Sj("実行ライン:") + std::to_string(e.LineNo), Sj(msg::kAppTitle));
    return true;
  }
  if (command == "pause") {
    // Shown where the program stands, also inside a command that lets
    // events run; an idle program has nothing to resume.
    if (loaded && !e.StopFlag) ShowDebugger(e);
    return true;
  }
  if (command == "break") {
    if (!loaded) return true;
    if (argument == kEditorService) TellEditor(e);
    EndFromLink(e);
    return true;
  }
  return false;
}

void ServeDebuggerLink(TNokaBase& e) {
  DdeState& state = FamilyState<DdeState>(e);
  if (state.Link || !e.Services.Pump) return;
  std::string why;
  std::string folder = OpenChannelFolder(why);
  if (folder.empty()) {
    Note(e, "no debugger link: " + why);
    return;
  }
  auto link = std::make_unique<ChannelServer>(
      *e.Services.Pump, [&e](const std::string& line) { return RunLinkMacro(e, line); }, true);
  switch (link->Listen(SocketPath(folder, ToUtf8(OwnServiceName(e)), kLinkTopic), why)) {
    case ChannelServer::Status::Serving:
      state.Link = std::move(link);
      SetEditorSync([](TNokaBase& engine) { TellEditor(engine); });
      return;
    case ChannelServer::Status::AlreadyServed:
      Note(e, "the debugger link is served by another running program; this one runs without it");
      return;
    case ChannelServer::Status::Failed:
      Note(e, "no debugger link: " + why);
      return;
  }
}

}  // namespace nokari::dde
