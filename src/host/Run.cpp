#include "host/Run.h"

#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/Messages.h"
#include "host/ConsoleHost.h"

namespace nokari {

bool StartScript(TNokaBase& e, IHost& host, const StartOptions& options) {
  e.Host = &host;
  if (options.Script.empty()) return false;
  std::string source, message;
  if (!LoadStartScript(e, options, source, message)) {
    if (host.IsConsole())
      host.Diagnostic(message);
    else
      host.MessageBox(message, Sj(msg::kAppTitle));
    return false;
  }
  try {
    StartProgram(e, source);
  } catch (ENoka&) {
    ShowErrorLog(e, host);
    return false;
  }
  return true;
}

void RunStarted(TNokaBase& e, IHost& host) {
  try {
    RunLoop(e);
  } catch (ENoka& err) {
    if (e.ErrorLog.empty())
      host.MessageBox(ErrorLine(e, Sj(msg::kSystemErrorPrefix) + err.Message), Sj(msg::kAppTitle));
    else
      ShowErrorLog(e, host);
    e.StopFlag = true;
  }
}

int RunConsole(const StartOptions& options) {
  ConsoleHost host;
  TNokaBase e;
  if (!StartScript(e, host, options)) return options.Script.empty() ? 0 : 1;
  RunStarted(e, host);
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
  return host.ErrorShown() ? 1 : e.ExitStatus;
}

}  // namespace nokari
