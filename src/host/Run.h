// Runs a program on a host: start handler, run loop, close.
#pragma once
#include "core/Engine.h"
#include "core/Services.h"
#include "host/ConsoleHost.h"
#include "host/Startup.h"

namespace nokari {

// Connects the engine to a host's services: the engine talks to them, and
// a user's close of the main window becomes the engine's close request.
void ConnectServices(TNokaBase& e, const HostServices& services);
// Connects the services (as above), loads and starts the script;
// false when the program ends at once. Failures are reported through the
// services.
bool StartScript(TNokaBase& e, const HostServices& services, const StartOptions& options);
// The run loop of the start handler; an error escaping it is reported.
void RunStarted(TNokaBase& e);
// True once the program has ended (closed, or stopped by an error), so a
// window host leaves its event loop.
inline bool ProgramEnded(const TNokaBase& e) { return e.Closed || e.StopFlag; }
// Console mode from start to exit status.
int RunConsole(const StartOptions& options);
// Console mode for the program text given by -e.
int RunConsoleText(const StartOptions& options);
// The end of a console run: the close handler runs as at a window's close,
// then the exit status (1 once an error was shown).
int FinishConsole(TNokaBase& e, const ConsoleHost& host);

}  // namespace nokari
