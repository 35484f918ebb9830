#include "host/Startup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/Messages.h"
#include "core/Source.h"
#include "host/Packed.h"
#include "lib/cipher/Messages.h"
#include "words/Registry.h"

namespace nokari {
namespace {

std::string ExecutablePath(const char* argv0) {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0) return std::string(buf, n);
  return argv0 ? argv0 : "nokari";
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string DefaultScriptPath(const std::string& exe) {
  size_t slash = exe.find_last_of('/');
  size_t dot = exe.find_last_of('.');
  std::string base = (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ? exe.substr(0, dot) : exe;
  return base + ".nkr";
}

// The script path with its folder made absolute and real: started as
// ./a.nkr, 母艦のパス would otherwise stay relative and move with every
// change of the current folder, and the security policy would count
// whatever the current folder holds as the script's own. "" when the
// folder cannot be resolved.
std::string RealScriptPath(const std::string& path) {
  size_t slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
  char real[PATH_MAX];
  if (!realpath(folder.c_str(), real)) return {};
  std::string out = real;
  if (out.back() != '/') out += '/';
  return out + leaf;
}

}  // namespace

std::string UsageText() {
  return "usage: nokari [options] [script.nkr] [arguments...]\n"
         "  -console          run without a window: output to standard output\n"
         "  -debug            warnings also open the error dialog\n"
         "  -linestop         stop after every line (debugging)\n"
         "  -security LEVEL   low | mid | high\n"
         "  -runtime FILE     run the packed script of another program\n"
         "  -resource FILE    read packed files from a merged file\n"
         "  -run              do not look for a script packed into this program\n"
         "  --pack OUT SCRIPT [FILES...]  write OUT: this program with SCRIPT and FILES packed in\n"
         "  -answers FILE     answer every dialog from FILE, one answer a line\n"
         "                    (\"cancel\" cancels; NOKARI_ANSWERS_TRANSCRIPT=F\n"
         "                    writes the questions asked to F)\n"
         "  -e TEXT           run TEXT as the program (console mode)\n"
         "  -i                an interactive prompt (console mode)\n"
         "  --list-words      show how many built-in words are implemented\n"
         "  --help-word WORD  show a built-in word's particles, kind and family\n"
         "  --list-words-md   print the reference of every built-in word (Markdown)\n"
         "  --help            show this help\n"
         "  --version         show the version\n";
}

namespace {

// A program with its own container runs the packed script; of its
// parameters only -console is ours (taken out, so the program's own
// parameters keep their numbers), the rest are the program's.
bool TakePackedScript(StartOptions& o, const std::string& program, int scriptIndex) {
  try {
    if (!OpenPackedFiles(program) || !PackedScript()) return false;
  } catch (ENoka& err) {
    o.StartFailure = ToUtf8(Sj(msg::kUnpackFailed));
    return false;
  }
  o.Packed = true;
  o.Script = "nokari.nkr";
  o.ScriptIndex = scriptIndex;
  return true;
}

void TakeConsoleOption(StartOptions& o) {
  for (size_t i = 1; i < o.Args.size();) {
    if (o.Args[i] == "-console") {
      o.Console = true;
      o.Args.erase(o.Args.begin() + static_cast<long>(i));
      if (o.ScriptIndex > static_cast<int>(i)) --o.ScriptIndex;
    } else {
      ++i;
    }
  }
}

// -security WORD. Any other word than a level leaves the level as it is,
// with a note; a script's name there (-security hello.nkr, the level
// forgotten) would otherwise leave nothing to run, without a word.
void TakeSecurityLevel(StartOptions& o, const std::string& word) {
  std::string level = word;
  for (char& c : level) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (level == "low") o.SecurityLevel = 0;
  else if (level == "mid") o.SecurityLevel = 1;
  else if (level == "high") o.SecurityLevel = 2;
  else if ((level.size() > 4 && level.compare(level.size() - 4, 4, ".nkr") == 0) || FileExists(word)) {
    if (o.OptionSlip.empty())
      o.OptionSlip = "-security needs a level (low, mid or high) before the script: it took \"" + word +
                     "\" as its level";
  } else {
    o.OptionNotes += "nokari: -security: \"" + word + "\" is no level (low, mid or high); the level stays as it was\n";
  }
}

}  // namespace

StartOptions ParseCommandLine(int argc, char** argv) {
  StartOptions o;
  for (int i = 0; i < argc; ++i) o.Args.push_back(argv[i]);
  o.ExePath = ExecutablePath(argc > 0 ? argv[0] : nullptr);
  if (argc > 1 && std::string(argv[1]) == "--pack") {
    o.PackAsked = true;
    o.PackArgs.assign(o.Args.begin() + 2, o.Args.end());
    return o;
  }
  if (!(argc > 1 && std::string(argv[1]) == "-run") && TakePackedScript(o, o.ExePath, 0)) {
    TakeConsoleOption(o);
    return o;
  }
  if (!o.StartFailure.empty()) return o;
  int runtimeIndex = -1;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a.empty() || a[0] != '-') {
      if (o.ScriptIndex < 0) {
        o.ScriptIndex = i;
        o.Script = a;
      }
      continue;
    }
    if (a == "-console") o.Console = true;
    else if (a == "-debug") o.Debug = true;
    else if (a == "-linestop") o.LineStop = true;
    else if (a == "-run") {
    } else if (a == "-runtime" && i + 1 < argc) {
      o.RunOption = true;
      o.RuntimeFile = argv[++i];
      runtimeIndex = i;
      break;  // the rest are the packed program's parameters
    } else if (a == "-answers" && i + 1 < argc) {
      o.AnswersFile = argv[++i];
    } else if (a == "-resource" && i + 1 < argc) {
      o.ResourceFile = argv[++i];
    } else if (a == "-security") {
      if (i + 1 < argc)
        TakeSecurityLevel(o, argv[++i]);
      else if (o.OptionSlip.empty())
        o.OptionSlip = "-security needs a level after it: low, mid or high";
    } else if (a == "--help" || a == "-h") o.Help = true;
    else if (a == "--version") o.Version = true;
    else if (a == "-e" && i + 1 < argc && o.ScriptIndex < 0) {
      o.EvalAsked = true;
      o.ScriptIndex = ++i;
      o.EvalText = argv[i];
    } else if (a == "-e" && o.ScriptIndex < 0) {
      if (o.OptionSlip.empty()) o.OptionSlip = "-e needs the text of a program after it: nokari -e '「こんにちは」を、表示'";
    } else if (a == "-i" && o.ScriptIndex < 0) {
      o.Interactive = true;
      o.ScriptIndex = i;
    } else if (a == "--list-words") o.ListWords = true;
    else if (a == "--list-words-md") o.ListWordsMarkdown = true;
    else if (a == "--help-word") {
      o.HelpWordAsked = true;
      if (i + 1 < argc) o.HelpWord = argv[++i];
    } else if (a.rfind("--help-word=", 0) == 0) {
      o.HelpWordAsked = true;
      o.HelpWord = a.substr(12);
    }
    else if (o.ScriptIndex < 0 && o.BadOption.empty()) o.BadOption = a;
  }
  if (runtimeIndex > 0) {
    // The other program's own script; our -console still counts.
    if (!TakePackedScript(o, o.RuntimeFile, runtimeIndex)) o.StartFailure = ToUtf8(Sj(msg::kBrokenRuntime));
    TakeConsoleOption(o);
    return o;
  }
  if (!o.ResourceFile.empty()) {
    try {
      OpenPackedFiles(o.ResourceFile, /*wholeFile=*/true);
    } catch (ENoka&) {
      o.StartFailure = ToUtf8(Sj(msg::kResourceFailed));
    }
  }
  if (o.ScriptIndex < 0) {
    std::string def = DefaultScriptPath(o.ExePath);
    if (FileExists(def)) {
      o.Script = def;
      o.DefaultScript = true;
    }
  }
  return o;
}

namespace {

// The packed script runs as "nokari.nkr" in the folder of the program that
// carries it, which becomes the current folder as a script's folder does.
bool LoadPackedScript(TNokaBase& e, const StartOptions& o, std::string& source, std::string& message) {
  e.PackedScript = true;
  std::optional<std::string> bytes = PackedScript();
  // This program's own path is known for certain; argv[0] may be a bare
  // name found on PATH.
  std::string program = o.ScriptIndex == 0 ? o.ExePath : RealScriptPath(o.Args[o.ScriptIndex]);
  if (program.empty()) program = o.Args[o.ScriptIndex];
  e.MainFilePath = FromUtf8(program);
  e.FileName = Sj("nokari.nkr");
  try {
    source = DecodeScript(e, bytes ? *bytes : std::string(), e.FileName);
  } catch (ENoka& err) {
    message = err.Message;
    return false;
  }
  if (chdir(program.substr(0, program.find_last_of('/') + 1).c_str()) != 0) {
    // The script still runs; relative names resolve against the old folder.
  }
  return true;
}

}  // namespace

std::string StartFileProblem(const StartOptions& o) {
  if (o.Packed || o.Script.empty()) return {};
  std::string cp932Name = FromUtf8(o.Script);
  std::string path = SystemPath(cp932Name);
  const char* reason = nullptr;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    reason = errno == EACCES ? msg::kStartFileNoPermission : msg::kStartFileMissing;
  } else if (S_ISDIR(st.st_mode)) {
    reason = msg::kStartFileIsFolder;
  } else if (!S_ISREG(st.st_mode)) {
    reason = msg::kStartFileNotRegular;
  } else {
    int fd = open(path.c_str(), O_RDONLY);
    if (fd >= 0) {
      close(fd);
      return {};
    }
    reason = errno == EACCES ? msg::kStartFileNoPermission : nullptr;
  }
  std::string message = FormatMessage(Sj(msg::kCannotReadStartFile), {cp932Name});
  return reason ? message + Sj(reason) : message;
}

bool LoadStartScript(TNokaBase& e, const StartOptions& o, std::string& source, std::string& message) {
  e.Args = o.Args;
  e.ExePath = o.ExePath;
  e.DebugMode = o.Debug;
  e.LineStop = o.LineStop;
  e.RunOption = o.RunOption;
  e.DefaultScript = o.DefaultScript;
  e.SecurityLevel = o.SecurityLevel;
  e.ScriptArgIndex = o.DefaultScript ? 0 : o.ScriptIndex;
  if (o.DefaultScript) e.Args[0] = o.Script;
  if (o.Packed) return LoadPackedScript(e, o, source, message);
  std::string cp932Name = FromUtf8(o.Script);
  e.FileName = cp932Name;
  e.MainFilePath = cp932Name;
  bool ok = false;
  try {
    ok = ReadScriptFile(e, cp932Name, source);
  } catch (ENoka& err) {
    message = err.Message;
    return false;
  }
  if (!ok) {
    message = StartFileProblem(o);
    if (message.empty()) message = FormatMessage(Sj(msg::kCannotReadStartFile), {cp932Name});
    return false;
  }
  std::string path = RealScriptPath(SystemPath(cp932Name));
  if (path.empty()) return true;  // read, yet its folder is gone: nothing to rely on
  // 母艦のパス is taken from MainFilePath; コマンドライン引数 keeps the
  // parameter as it was given.
  e.FileName = e.MainFilePath = FromUtf8(path);
  if (chdir(path.substr(0, path.find_last_of('/') + 1).c_str()) != 0) {
    // The script still runs; relative names resolve against the old folder.
  }
  return true;
}

void LoadCommandText(TNokaBase& e, const StartOptions& o, const std::string& nameUtf8) {
  e.Args = o.Args;
  e.ExePath = o.ExePath;
  e.DebugMode = o.Debug;
  e.LineStop = o.LineStop;
  e.SecurityLevel = o.SecurityLevel;
  char cwd[PATH_MAX];
  std::string folder = getcwd(cwd, sizeof cwd) ? cwd : ".";
  if (folder.back() != '/') folder += '/';
  std::string path = folder + nameUtf8;
  // The program's own parameter holds its (made-up) path: 母艦のパス and
  // the security policy read the program's folder from there.
  if (o.ScriptIndex >= 0 && o.ScriptIndex < static_cast<int>(e.Args.size())) {
    e.ScriptArgIndex = o.ScriptIndex;
    e.Args[o.ScriptIndex] = path;
  } else {
    e.ScriptArgIndex = static_cast<int>(e.Args.size());
    e.Args.push_back(path);
  }
  e.FileName = e.MainFilePath = FromUtf8(path);
}

void PrintWordCoverage() {
  std::map<std::string, std::pair<int, int>> perFamily;  // implemented, registered
  std::set<int> seen;
  int total = 0, done = 0;
  for (const RegistryRow& row : RegistryTable()) {
    if (row.Kind != RowKind::Command) continue;
    auto& counts = perFamily[row.Family ? row.Family : "?"];
    ++counts.second;
    ++total;
    if (CommandFor(row.Number) || IsBranchWordNumber(row.Number)) {
      ++counts.first;
      ++done;
    }
  }
  for (auto& [family, counts] : perFamily)
    printf("%-16s %3d / %3d\n", family.c_str(), counts.first, counts.second);
  printf("%-16s %3d / %3d\n", "total", done, total);
}

}  // namespace nokari
