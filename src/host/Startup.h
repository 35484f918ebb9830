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
  // An option written wrong (UTF-8): -e without its text, -security with
  // the script where its level belongs. Printed, and the exit status is 2.
  std::string OptionSlip;
  // Notes on options that are ignored (UTF-8, one a line): a -security
  // level that is no level. Printed on standard error; the program runs.
  std::string OptionNotes;
  // -e TEXT: TEXT (UTF-8) runs as the program; -i: the interactive prompt.
  // Both take ScriptIndex (TEXT's place, or -i's) so that the parameters
  // after it reach the program as コマンドライン引数.
  bool EvalAsked = false, Interactive = false;
  std::string EvalText;
  // The script came from a container (this program's own, or -runtime's
  // program): Script is "nokari.nkr", ScriptIndex the program's parameter.
  bool Packed = false;
  // --pack OUTPUT SCRIPT [FILES...]: the parameters after --pack.
  bool PackAsked = false;
  std::vector<std::string> PackArgs;
  // Why the program cannot start (UTF-8): a broken -runtime program or
  // -resource file, a damaged container. Printed, and the exit status is 1.
  std::string StartFailure;
  // -answers FILE (UTF-8 path): every dialog answered from FILE
  // (host/ScriptedDialogs.h).
  std::string AnswersFile;
};

StartOptions ParseCommandLine(int argc, char** argv);
std::string UsageText();

// Loads the script named by the options into the engine (file name, flags,
// arguments) and makes its folder the current one. Returns false with a
// CP932 message when the start file cannot be read.
bool LoadStartScript(TNokaBase& e, const StartOptions& options, std::string& source, std::string& message);

// Why the start script named by the options cannot be read, as the
// message shown for it (CP932: the file's name, then the reason: no such
// file, a folder, a pipe or device, no permission); "" when it can be
// read, or comes from a container.
std::string StartFileProblem(const StartOptions& options);

// Prepares the engine for a program with no file of its own (-e, the
// prompt): the same fields as LoadStartScript, with the current folder as
// the program's folder and `nameUtf8` as its file name there (error lines
// name it, 母艦のパス is the folder with its final "/").
void LoadCommandText(TNokaBase& e, const StartOptions& options, const std::string& nameUtf8);

// Prints, per family, how many registered commands have an implementation.
void PrintWordCoverage();

}  // namespace nokari
