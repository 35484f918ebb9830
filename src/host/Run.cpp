#include "host/Run.h"

#include <memory>

#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/Events.h"
#include "core/Messages.h"
#include "host/ConsoleHost.h"
#include "host/ConsoleProgress.h"
#include "host/ScriptedDialogs.h"
#include "host/Security.h"
#include "host/Sound.h"
#include "lib/dde/DebugLink.h"

namespace nokari {
namespace {

// The user asked to close the main window: the engine runs the close
// handler, which may refuse; when it agrees, RequestClose has the window
// service close the window. A program that has already ended only closes.
// While the script runs (the request came through a pump inside a command:
// a dialog, 待つ) the close handler waits for the next statement boundary.
void OnUserClose(TNokaBase& e) {
  if (e.Closed)
    e.Services.Window->CloseMainWindow();
  else if (e.RunDepth > 0)
    QueueCloseRequest(e);
  else
    RequestClose(e);
}

// -answers FILE: the dialogs (and 言う) answered by a ScriptedDialogs over
// the host's services. It lives until the program exits, after any engine
// that talks to it. False, with a note, when the file cannot be read.
bool AnswerFromFile(HostServices& services, const StartOptions& options) {
  if (options.AnswersFile.empty()) return true;
  std::vector<std::string> lines;
  if (!ScriptedDialogs::ReadAnswers(options.AnswersFile, lines)) {
    services.Output->Diagnostic(FromUtf8("nokari: cannot read the answers file " + options.AnswersFile));
    return false;
  }
  static std::unique_ptr<ScriptedDialogs> scripted;
  scripted = std::make_unique<ScriptedDialogs>(std::move(lines), services);
  services = scripted->Services();
  return true;
}

}  // namespace

void ConnectServices(TNokaBase& e, const HostServices& services) {
  e.Services = services;
  if (!e.Services.Changes) e.Services.Changes = &HostSecurityPolicy();
  if (!e.Services.Sound) e.Services.Sound = &HostSound();
  if (!e.Services.Progress && e.Services.Console) e.Services.Progress = &HostConsoleProgress();
  e.Services.Window->SetCloseRequestHandler([&e] { OnUserClose(e); });
}

bool StartScript(TNokaBase& e, const HostServices& hostServices, const StartOptions& options) {
  // Read before the script's folder becomes the current one: a relative
  // name is meant from where the program was started.
  HostServices services = hostServices;
  bool answersRead = AnswerFromFile(services, options);
  ConnectServices(e, services);
  if (options.Script.empty() || !answersRead) return false;
  std::string source, message;
  if (!LoadStartScript(e, options, source, message)) {
    // On standard error in every mode, for a window run started from a
    // shell too; a window shows it in a box as well, where anyone can see
    // one (off screen it would wait for ever).
    e.Services.Output->Diagnostic(message);
    if (!e.Services.Console && e.Services.Output->BoxesSeen())
      e.Services.Output->MessageBox(message, Sj(msg::kAppTitle));
    return false;
  }
  try {
    StartProgram(e, source);
  } catch (ENoka&) {
    ShowErrorLog(e);
    return false;
  }
  // The script editor can follow and drive a script's run.
  dde::ServeDebuggerLink(e);
  return true;
}

void RunStarted(TNokaBase& e) {
  try {
    RunLoop(e);
  } catch (ENoka& err) {
    if (e.ErrorLog.empty())
      e.Services.Output->MessageBox(ErrorLine(e, Sj(msg::kSystemErrorPrefix) + err.Message), Sj(msg::kAppTitle));
    else
      ShowErrorLog(e);
    e.StopFlag = true;
  }
}

int FinishConsole(TNokaBase& e, const ConsoleHost& host) {
  // Out of text, or in 待機: events still run while anything that could
  // bring one is armed (the script timer, a watched socket). With nothing
  // armed no event can ever come (parts exist, but nobody can click them),
  // so the program ends here rather than waiting for ever.
  RunWhileArmed(e);
  // Running out of text closes the program as a window close would: the
  // close handler runs; with no window left, a refusal cannot keep it open.
  if (!e.Closed && !e.StopFlag) {
    RequestClose(e);
    if (!e.Closed) {
      e.NoExitVar->SetValue("0");
      RequestClose(e);
    }
  }
  fflush(stdout);
  // The process ends next: its words need not be freed one by one.
  e.Words.AbandonAtExit();
  return host.ErrorShown() ? 1 : e.ExitStatus;
}

int RunConsole(const StartOptions& options) {
  ConsoleHost host;
  TNokaBase e;
  if (!StartScript(e, host.Services(), options)) return options.Script.empty() ? 0 : 1;
  RunStarted(e);
  return FinishConsole(e, host);
}

int RunConsoleText(const StartOptions& options) {
  ConsoleHost host;
  TNokaBase e;
  HostServices services = host.Services();
  if (!AnswerFromFile(services, options)) return 1;
  ConnectServices(e, services);
  LoadCommandText(e, options, "-e");
  std::string text = FromUtf8(options.EvalText);
  // A last line end, as a file has: the line markers count lines by them.
  if (text.empty() || (text.back() != '\n' && text.back() != '\r')) text += "\r\n";
  try {
    StartProgram(e, text);
  } catch (ENoka&) {
    ShowErrorLog(e);
    return 1;
  }
  RunStarted(e);
  return FinishConsole(e, host);
}

}  // namespace nokari
