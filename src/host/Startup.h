// The command line and the start of a program.
#pragma once
#include <string>
#include <vector>

#include "core/Engine.h"

namespace nokari {

struct StartOptions {
  std::vector<std::string> Args;  // argv, UTF-8
  std::string ExePath;
  std::string Script;             // UTF-8 path of the script
  int ScriptIndex = -1;           // index of the script parameter in Args
  bool DefaultScript = false;
  bool Console = false, Debug = false, LineStop = false, RunOption = false;
  std::string RuntimeFile, ResourceFile;
  int SecurityLevel = -1;
  bool Help = false, Version = false, ListWords = false;
  bool HelpWordAsked = false;     // --help-word NAME
  std::string HelpWord;           // UTF-8, "" when the name is missing
  bool ListWordsMarkdown = false; // --list-words-md
  std::string BadOption;          // an unknown option before the script
};

StartOptions ParseCommandLine(int argc, char** argv);
std::string UsageText();

// Loads the script named by the options into the engine (file name, flags,
// arguments) and makes its folder the current one. Returns false with a
// CP932 message when the start file cannot be read.
bool LoadStartScript(TNokaBase& e, const StartOptions& options, std::string& source, std::string& message);

// Prints, per family, how many registered commands have an implementation.
void PrintWordCoverage();

}  // namespace nokari
