// The security policy that guards every change to files, folders and
// settings. Level 0 allows everything, level 2 refuses everything, level 1
// (the default) asks the user before a change outside the script's folder.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "core/Services.h"

namespace nokari {

// Level of the first letter of a security.ini value: H 2, L 0, anything else 1.
int SecurityLevelFromText(std::string_view value);

// Value of `key` in `[section]` of INI text; section and key compare ASCII
// case-insensitively. False when absent.
bool ReadIniValue(std::string_view iniText, std::string_view section, std::string_view key,
                  std::string& value);

// The level from security.ini: first in the script folder (section = the
// main file's name), then in the executable's folder (section = the main
// file's whole path); 1 when neither has it. Folders and paths are CP932.
int ReadSecurityLevel(const std::string& scriptFolder, const std::string& exeFolder,
                      const std::string& mainFilePath);

// True when `native` names security.ini in any letter case, directly or
// through a link.
bool IsSecurityIni(const std::string& native);

// True when the canonical target of `native` lies inside `baseNative` (the
// script folder); an empty base holds nothing.
bool InsideFolder(const std::string& native, const std::string& baseNative);

// The policy below as the engine's change guard (HostServices::Changes);
// stateless, shared by every engine: it reads the level and the script
// folder from the engine it is asked about.
IChangeGuard& HostSecurityPolicy();

// Asks the policy before a change to `path` (CP932). Returns true when the
// change is REFUSED: the caller then does nothing and reports nothing.
// `question` (CP932) is shown when the user has to confirm.
bool ChangeRefused(TNokaBase& e, const std::string& question, const std::string& path);
// The same for a change touching several paths (a move: source and target):
// it counts as inside only when every path is.
bool ChangeRefused(TNokaBase& e, const std::string& question, const std::vector<std::string>& paths);
// The same for resolved targets, which the policy judges by their resolved
// paths and, when it allows the change, opens (CheckedTarget::Open) so that
// the command changes exactly what was judged; a target inside the script
// folder is opened with the kernel keeping it there. A target that failed
// to open is the command's failure to report. `wildcard`: the script named
// the targets by a pattern, which asks even inside the script folder.
bool ChangeRefused(TNokaBase& e, const std::string& question, const std::vector<CheckedTarget*>& targets,
                 bool wildcard = false);

}  // namespace nokari
