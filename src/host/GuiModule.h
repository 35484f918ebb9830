// The window module libnokari-gui.so, which holds everything that uses Qt.
// It lives beside the program and is opened only when a window or a GUI
// part is needed, so a console run that uses neither never loads Qt.
#pragma once
#include <string>

namespace nokari {

// The module's path: beside `exePath` (empty: the running program).
std::string GuiModulePath(const std::string& exePath = {});

// Opens the module (the same handle on every call of a process) and finds
// `entry` in it. Null, with `error` saying why (UTF-8), when either fails.
void* GuiModuleEntry(const std::string& exePath, const char* entry, std::string& error);

}  // namespace nokari
