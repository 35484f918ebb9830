#include "host/Repl.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "core/Engine.h"
#include "core/Errors.h"
#include "core/Messages.h"
#include "core/Prepare.h"
#include "host/ConsoleHost.h"
#include "host/ReadlineApi.h"
#include "host/Run.h"
#include "words/Contract.h"
#include "words/Hash.h"

namespace nokari {
namespace {

constexpr const char* kPrompt = "nokari> ";
constexpr const char* kMorePrompt = "   ...> ";

// One character read the way source preparation reads it: full-width
// punctuation folded to its ASCII form, ｢ ｣ to '"'. 0 for a character that
// matters to nobody here.
char FoldedAt(std::string_view s, size_t i, size_t& len) {
  len = CharLenAt(s, i);
  unsigned char b = s[i];
  if (len == 2) {
    const char* f = FoldedChar(b, static_cast<unsigned char>(s[i + 1]));
    return f && f[0] && !f[1] ? f[0] : 0;
  }
  if (b == 0xA2 || b == 0xA3) return '"';
  return static_cast<char>(b);
}

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// The last line of an entry, without its trailing blanks and commas.
std::string_view LastLineTail(std::string_view s) {
  size_t start = s.find_last_of('\n');
  s = s.substr(start == std::string_view::npos ? 0 : start + 1);
  for (;;) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == ',' || s.back() == '\r')) s.remove_suffix(1);
    if (EndsWith(s, Sj("、")) || EndsWith(s, Sj("，")) || EndsWith(s, Sj("　")))
      s.remove_suffix(2);
    else
      return s;
  }
}

// A line ending with 、 (or ，, or ","): the statement goes on on the next
// line, as it does in a script (「x」を、 / 表示; 名前は、 / 「太郎」).
bool EndsWithComma(std::string_view s) {
  size_t start = s.find_last_of('\n');
  s = s.substr(start == std::string_view::npos ? 0 : start + 1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return (!s.empty() && s.back() == ',') || EndsWith(s, Sj("、")) || EndsWith(s, Sj("，"));
}

// The words whose body may be the next line, as they end a line (with
// their usual okurigana).
bool EndsWithBlockWord(std::string_view s) {
  static const char* const kWords[] = {"ならば", "なら", "違えば", "でなければ", "回", "繰り返す", "繰り返し",
                                       "繰返す", "繰返し", "繰返", "反復", "ループ"};
  std::string_view tail = LastLineTail(s);
  for (const char* word : kWords)
    if (EndsWith(tail, Sj(word))) return true;
  return false;
}

std::string HistoryPath() {
  const char* data = getenv("XDG_DATA_HOME");
  std::string base;
  if (data && *data == '/') {
    base = data;
  } else {
    const char* home = getenv("HOME");
    if (!home || !*home) return {};
    base = std::string(home) + "/.local/share";
  }
  // Folders made one by one; one that exists already is fine.
  std::string folder;
  for (const std::string& part : {base, base + "/nokari"}) {
    folder = part;
    mkdir(folder.c_str(), 0700);
  }
  return folder + "/history";
}

// History kept across sessions: read at the start, each line appended as
// it is entered (so a killed session keeps it), trimmed to 1000 lines.
class History {
 public:
  History() : path_(HistoryPath()) {
    using_history();
    stifle_history(1000);
    if (path_.empty()) return;
    int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0) {
      path_.clear();
      return;
    }
    close(fd);
    read_history(path_.c_str());
    history_truncate_file(path_.c_str(), 1000);
  }
  void Add(const char* line) {
    if (!*line) return;
    HIST_ENTRY* last = history_length > 0 ? history_get(history_base + history_length - 1) : nullptr;
    if (last && std::string_view(last->line) == line) return;
    add_history(line);
    if (!path_.empty()) append_history(1, path_.c_str());
  }

 private:
  std::string path_;
};

// Ctrl-C: at the prompt it drops the entry being typed; while an entry
// runs it stops the entry (the engine leaves its loop at the next
// statement, a wait ends early) and the prompt comes back. The handler
// only raises flags; the engine's stop flag is read by its own loop.
volatile sig_atomic_t gInterrupted = 0;
TNokaBase* gRunning = nullptr;

void OnInterrupt(int) {
  gInterrupted = 1;
  if (gRunning) gRunning->StopFlag = true;
}

// Set when Ctrl-C dropped what was being typed: the entry collected so far
// goes too.
bool gDropEntry = false;

// Readline calls this (outside the signal handler) when a signal broke its
// read. The line typed so far is given up and a fresh prompt shown; the
// read goes on.
int OnSignalDuringRead() {
  if (!gInterrupted) return 0;
  gInterrupted = 0;
  gDropEntry = true;
  rl_replace_line("", 0);
  fputs("^C\n", stdout);
  fflush(stdout);
  rl_set_prompt(kPrompt);
  rl_on_new_line();
  rl_redisplay();
  return 0;
}

void CatchInterrupts(bool terminal) {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: the read must return to its reader
  sigaction(SIGINT, &action, nullptr);
  if (!terminal) return;
  rl_catch_signals = 0;
  rl_signal_event_hook = OnSignalDuringRead;
  // Also looked at while readline waits for a key: a Ctrl-C that came just
  // before its read began broke no read, and would otherwise wait for the
  // next key.
  rl_event_hook = OnSignalDuringRead;
}

// A name alone on a line, as one might type to see a variable: one word,
// no particle, no punctuation.
bool IsBareName(std::string_view cp932) {
  if (cp932.empty()) return false;
  for (size_t i = 0; i < cp932.size();) {
    size_t len = CharLenAt(cp932, i);
    unsigned char b = cp932[i];
    if (len == 1 && !(isalnum(b) || b == '_' || b >= 0xA6)) return false;
    if (len == 2 && (cp932.substr(i, 2) == Sj("、") || cp932.substr(i, 2) == Sj("。") ||
                     cp932.substr(i, 2) == Sj("　") || cp932.substr(i, 2) == Sj("「") ||
                     cp932.substr(i, 2) == Sj("（")))
      return false;
    i += len;
  }
  return true;
}

// One line of input from a pipe or a file, without its line end; none at
// the end of the input. The last line counts whole without a line end.
// Ctrl-C while waiting drops the entry, as at a terminal.
std::optional<std::string> ReadPipedLine() {
  char* buf = nullptr;
  size_t capacity = 0;
  for (;;) {
    errno = 0;
    ssize_t n = getline(&buf, &capacity, stdin);
    if (n >= 0) {
      std::string line(buf, static_cast<size_t>(n));
      free(buf);
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      return line;
    }
    if (errno == EINTR && gInterrupted) {
      clearerr(stdin);
      gInterrupted = 0;
      gDropEntry = true;
      continue;
    }
    free(buf);
    return std::nullopt;
  }
}

bool IsDefinition(std::string_view cp932) {
  size_t i = cp932.find_first_not_of(" \t");
  if (i == std::string_view::npos) return false;
  return cp932[i] == '*' || cp932.substr(i, 2) == Sj("＊");
}

class Session {
 public:
  explicit Session(const StartOptions& options) {
    ConnectServices(e_, host_.Services());
    LoadCommandText(e_, options, "-i");
    try {
      StartProgram(e_, "");  // the built-in words, no text yet
    } catch (ENoka&) {
      ShowErrorLog(e_);
    }
    e_.Cursor.Reset();
    e_.ErrorLog.clear();
  }

  // Reads and runs entries until the input ends or the program does.
  // `terminal`: lines come from readline, with prompts and history; from a
  // pipe or a file they are read as they are, and no prompt is written.
  int Run(bool terminal) {
    std::optional<History> history;
    if (terminal) history.emplace();
    CatchInterrupts(terminal);
    std::string entry;
    for (;;) {
      fflush(stdout);
      gInterrupted = 0;
      gDropEntry = false;
      std::optional<std::string> line = terminal ? ReadTerminalLine(entry.empty(), *history) : ReadPipedLine();
      if (gDropEntry) entry.clear();
      if (!line) return EndOfInput(entry, terminal);
      std::string cp932 = FromUtf8(*line);
      if (entry.empty() && cp932.find_first_not_of(" \t\r") == std::string::npos) continue;
      if (!entry.empty()) entry += "\r\n";
      entry += cp932;
      if (Incomplete(entry, cp932)) continue;
      RunEntry(entry);
      entry.clear();
      if (e_.Closed) {
        fflush(stdout);
        return e_.ExitStatus;
      }
    }
  }

 private:
  // A definition runs to its first empty line; anything else while
  // ScanEntry finds something open.
  static bool Incomplete(const std::string& entry, const std::string& lastLine) {
    if (IsDefinition(entry)) return lastLine.find_first_not_of(" \t\r") != std::string::npos;
    return ScanEntry(entry).Open();
  }

  static std::optional<std::string> ReadTerminalLine(bool first, History& history) {
    char* raw = readline(first ? kPrompt : kMorePrompt);
    if (!raw) return std::nullopt;
    std::string line = raw;
    history.Add(raw);
    free(raw);
    return line;
  }

  int EndOfInput(const std::string& entry, bool terminal) {
    if (!entry.empty()) host_.Diagnostic(FromUtf8("(閉じていない入力を捨てました)"));
    else if (terminal) fputs("\n", stdout);  // after the prompt
    fflush(stdout);
    return 0;
  }

  // A variable's (or constant's, or part's) name alone shows its value.
  bool ShowBareName(const std::string& cp932) {
    std::string name = cp932;
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t' || name.back() == '\r')) name.pop_back();
    size_t start = name.find_first_not_of(" \t");
    if (start == std::string::npos) return false;
    name = name.substr(start);
    if (!IsBareName(name)) return false;
    THashNode* word = FindWord(e_, name);
    if (!word || IsCallable(word)) return false;
    e_.ErrorLog.clear();
    try {
      host_.WriteText(Sj("→ ") + EvaluateText(e_, name), TextStyle{});
    } catch (ENoka&) {
      ShowErrorLog(e_);
    }
    return true;
  }

  void RunEntry(const std::string& cp932) {
    if (ShowBareName(cp932)) return;
    const bool definition = IsDefinition(cp932);
    const uint64_t soreVersion = e_.SoreVar->Version;
    const std::string soreValue = e_.SoreVar->Value;
    e_.ErrorLog.clear();
    e_.StopFlag = false;
    e_.FileName = e_.MainFilePath;
    try {
      TextBuf prepared = MakeText(Prepare(e_, cp932 + "\r\n"));
      CollectLabels(e_, prepared, e_.FileName, /*redefine=*/true);
      if (!definition) {
        e_.Cursor = TextPos::StartOf(prepared);
        e_.LineNo = 0;
        // A Ctrl-C since the line was entered counts too.
        gRunning = &e_;
        if (gInterrupted) e_.StopFlag = true;
        RunLoop(e_);
        gRunning = nullptr;
      }
    } catch (ENoka& err) {
      gRunning = nullptr;
      if (e_.ErrorLog.empty())
        host_.Diagnostic(ErrorLine(e_, Sj(msg::kSystemErrorPrefix) + err.Message));
      else
        ShowErrorLog(e_);
    }
    gRunning = nullptr;
    if (gInterrupted) host_.Diagnostic(FromUtf8("(中断しました)"));
    // Whatever the entry left running ends with it.
    e_.RunStack.ClearAll();
    e_.ArgStack.Clear();
    e_.Cursor.Reset();
    if (e_.Closed) return;
    e_.StopFlag = false;
    if (e_.SoreVar->Version != soreVersion || e_.SoreVar->Value != soreValue)
      host_.WriteText(Sj("→ ") + e_.SoreVar->Value, TextStyle{});
  }

  // The host first: the engine's parts go before the host takes Qt down.
  ConsoleHost host_;
  TNokaBase e_;
};

}  // namespace

EntryState ScanEntry(const std::string& s) {
  EntryState st;
  bool inDq = false, inBq = false, inBlock = false, inLine = false;
  bool openedByCorner = false;  // as source preparation reads 「…「…」…」
  int corners = 0;
  for (size_t i = 0; i < s.size();) {
    size_t len;
    const char f = FoldedAt(s, i, len);
    const std::string_view raw(s.data() + i, len);
    i += len;
    if (f == '\r' || f == '\n') {
      inLine = false;
      continue;
    }
    if (inLine) continue;
    if (inBlock) {
      inBlock = f != '}';
      continue;
    }
    if (inDq) {
      if (f == '\\' && i < s.size()) {
        i += CharLenAt(s, i);  // an escaped character
      } else if (f == '"' && openedByCorner && (IsOpeningCorner(raw) || (corners > 0 && IsClosingCorner(raw)))) {
        corners += IsOpeningCorner(raw) ? 1 : -1;
      } else if (f == '"' && (!openedByCorner || IsClosingCorner(raw))) {
        inDq = false;  // in a text 「 began, only 」 ends it
      }
      continue;
    }
    if (inBq) {
      inBq = f != '`';  // a doubled `` closes and opens again
      continue;
    }
    size_t nextLen;
    switch (f) {
      case '"':
        inDq = true;
        openedByCorner = IsOpeningCorner(raw);
        corners = 0;
        break;
      case '`': inBq = true; break;
      case '{': inBlock = true; break;
      case '\'': inLine = true; break;
      case '/':
        if (i < s.size() && FoldedAt(s, i, nextLen) == '/') inLine = true;
        break;
      case '(': ++st.Brackets; break;
      case ')':
        if (st.Brackets > 0) --st.Brackets;
        break;
      default: break;
    }
  }
  st.InText = inDq || inBq;
  st.InComment = inBlock;
  st.BlockWordEnd = !st.InText && !st.InComment && !inLine && EndsWithBlockWord(s);
  st.CommaEnd = !st.InText && !st.InComment && !inLine && EndsWithComma(s);
  return st;
}

int RunRepl(const StartOptions& options) {
  // Readline serves a terminal only: from a pipe it would never see the
  // end of the input (it polls for more for ever).
  const bool terminal = isatty(STDIN_FILENO);
  if (terminal) {
    // The prompt's library is opened first: without it there is no
    // prompt, and the reason is said rather than thrown past main.
    try {
      ReadlineApi();
    } catch (const ENoka& err) {
      fprintf(stderr, "%s\n", ToUtf8(err.Message).c_str());
      return 1;
    }
    // Readline measures and edits characters by the terminal's locale.
    setlocale(LC_CTYPE, "");
  }
  Session session(options);
  return session.Run(terminal);
}

}  // namespace nokari
