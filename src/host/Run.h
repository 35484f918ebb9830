// Runs a program on a host: start handler, run loop, close.
#pragma once
#include "core/Engine.h"
#include "host/Host.h"
#include "host/Startup.h"

namespace nokari {

// Loads and starts the script; false when the program ends at once.
// Failures are reported through the host.
bool StartScript(TNokaBase& e, IHost& host, const StartOptions& options);
// The run loop of the start handler; an error escaping it is reported.
void RunStarted(TNokaBase& e, IHost& host);
// Console mode from start to exit status.
int RunConsole(const StartOptions& options);

}  // namespace nokari
