// The spreadsheet and the word processor: the エクセル and ワード commands,
// performed by LibreOffice through the office helper (OfficeBridge.h).
//
// One helper serves both applications: it starts with the first 起動 and
// ends when neither has a document open any more, or with the run. The
// script's texts cross as UTF-8; documents are always read and written by
// the office itself, never here, so nothing of a workbook is lost.
#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "core/Encoding.h"
#include "lib/file/Messages.h"
#include "lib/office/Messages.h"
#include "lib/office/OfficeBridge.h"
#include "lib/path/Path.h"
#include "lib/print/Messages.h"
#include "lib/text/TextCore.h"
#include "parts/Messages.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

using namespace std::chrono_literals;
using office::Fault;
using office::Reply;
using office::Request;

// The first reply waits for the office to start (half a minute on a busy
// machine with a fresh profile); later ones for one action.
constexpr std::chrono::milliseconds kStartTimeout = 90s;
constexpr std::chrono::milliseconds kReplyTimeout = 30s;
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kHelperName = "nokari-office";

enum class App { Calc, Writer };

struct AppInfo {
  const char* Key;         // the helper's name for it
  const char* Prefix;      // the message every failure starts with
  const char* StartWord;   // the command that must come first
  const char* Packages;    // what to install when the office is missing
  const char* Extensions;  // what it saves
};

const AppInfo& Info(App app) {
  static const AppInfo kCalc{"calc", msg::kExcelError, "エクセル起動", "libreoffice-calc-nogui python3-uno",
                             ".xlsx .xlsm .xls .ods .csv .pdf"};
  static const AppInfo kWriter{"writer", msg::kWordError, "ワード起動", "libreoffice-writer-nogui python3-uno",
                               ".docx .doc .odt .rtf .txt .pdf"};
  return app == App::Calc ? kCalc : kWriter;
}

// The helper of a run and what it holds. Freed with the engine: the
// helper is told to close the office, and its profile folder goes.
struct OfficeState {
  office::Bridge Bridge;
  std::string Profile;       // the office's private profile (native)
  bool OfficeUp = false;     // the office has answered once
  bool Open[2] = {false, false};  // a workbook / a document is open

  ~OfficeState() { Shut(); }
  void Shut() {
    Bridge.Stop();
    OfficeUp = false;
    Open[0] = Open[1] = false;
    if (!Profile.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(Profile, ignored);
      Profile.clear();
    }
  }
};

OfficeState& State(TNokaBase& e) { return FamilyState<OfficeState>(e); }

[[noreturn]] void Fail(TNokaBase& e, App app, const std::string& reason) {
  RaiseError(e, Info(app).Prefix, {reason});
}

[[noreturn]] void FailWith(TNokaBase& e, App app, const char* reasonMsg, std::initializer_list<std::string_view> args) {
  Fail(e, app, FormatMessage(Sj(reasonMsg), args));
}

[[noreturn]] void FailNeedInstall(TNokaBase& e, App app, const std::string& extra = "") {
  FailWith(e, app, msg::kOfficeNeedInstall, {extra + Info(app).Packages});
}

bool Readable(const std::string& path) { return !path.empty() && access(path.c_str(), R_OK) == 0; }

// NOKARI_OFFICE_HELPER, else beside the program (a build tree), else in
// the share folder of an installed one (/usr/bin -> /usr/share/nokari).
std::string HelperPath(TNokaBase& e) {
  if (const char* named = getenv("NOKARI_OFFICE_HELPER"); named && *named) return named;
  std::string folder = e.ExePath.substr(0, e.ExePath.find_last_of('/') + 1);
  for (const std::string& candidate : {folder + kHelperName, folder + "../share/nokari/" + kHelperName})
    if (Readable(candidate)) return candidate;
  return {};
}

std::string MakeProfileFolder() {
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/nokari-office-XXXXXX";
  return mkdtemp(pattern.data()) ? pattern : std::string();
}

void StartHelper(TNokaBase& e, App app, OfficeState& s) {
  if (s.Bridge.Running()) return;
  std::string helper = HelperPath(e);
  if (!Readable(helper)) FailWith(e, app, msg::kOfficeNoHelper, {helper.empty() ? kHelperName : FromUtf8(helper)});
  if (access(kPython, X_OK) != 0) FailNeedInstall(e, app, "python3 ");
  s.Profile = MakeProfileFolder();
  std::string why;
  if (s.Profile.empty() || !s.Bridge.Start({kPython, helper, s.Profile}, why)) {
    if (s.Profile.empty()) why = strerror(errno);
    s.Shut();
    FailWith(e, app, msg::kOfficeHelperFailed, {FromUtf8(helper), FromUtf8(why)});
  }
}

// Why the helper gave no reply, in the script's words; the helper is gone
// by now, and so is every open document.
[[noreturn]] void FailFault(TNokaBase& e, App app, OfficeState& s, Fault fault) {
  office::Ending end = s.Bridge.LastEnding();
  auto waited = (s.OfficeUp ? kReplyTimeout : kStartTimeout).count() / 1000;
  s.Shut();
  std::string said = FromUtf8(end.LastError);
  switch (fault) {
    case Fault::TimedOut:
      FailWith(e, app, msg::kOfficeHelperTimeout,
               {FormatInt(waited)});
    case Fault::Malformed: FailWith(e, app, msg::kOfficeHelperMalformed, {});
    case Fault::Died:
      if (end.Signal) FailWith(e, app, msg::kOfficeHelperKilled, {FormatInt(end.Signal), said});
      FailWith(e, app, msg::kOfficeHelperExited, {FormatInt(end.ExitCode), said});
    default: FailWith(e, app, msg::kOfficeNotStarted, {Sj(Info(app).StartWord)});
  }
}

// The helper's refusal in the script's words. `subject` is the name the
// script gave (a file, a cell, a bookmark, a macro).
[[noreturn]] void FailReply(TNokaBase& e, App app, const Reply& r, const std::string& subject) {
  std::string code = r.TextOf("code");
  std::string detail = FromUtf8(r.TextOf("error"));
  if (code == "nouno" || code == "nosoffice" || code == "noapp") FailNeedInstall(e, app);
  if (code == "nofile") FailWith(e, app, msg::kOfficeNoFile, {subject});
  if (code == "wrongkind") FailWith(e, app, msg::kOfficeWrongKind, {subject});
  if (code == "badext") FailWith(e, app, msg::kOfficeBadExtension, {subject, Info(app).Extensions});
  if (code == "badcell") FailWith(e, app, msg::kOfficeBadCell, {subject});
  if (code == "nobookmark") FailWith(e, app, msg::kOfficeNoBookmark, {subject});
  if (code == "nomacro") FailWith(e, app, msg::kOfficeNoMacro, {subject});
  if (code == "noprinter") Fail(e, app, Sj(msg::kPrintNoPrinter));
  if (code == "nodoc") FailWith(e, app, msg::kOfficeNotStarted, {Sj(Info(app).StartWord)});
  if (code == "officedied") FailWith(e, app, msg::kOfficeEnded, {Sj(Info(app).StartWord)});
  Fail(e, app, detail);
}

// One request and its reply; every failure raises with the app's prefix.
Reply Call(TNokaBase& e, App app, Request request, const std::string& subject = {}) {
  OfficeState& s = State(e);
  request.Text("app", Info(app).Key);
  Reply r;
  Fault fault = s.Bridge.Call(request.Line(), s.OfficeUp ? kReplyTimeout : kStartTimeout, r);
  if (fault != Fault::None) FailFault(e, app, s, fault);
  if (!r.Ok()) {
    std::string code = r.TextOf("code");
    // An office that could not start leaves a helper with nothing to do;
    // one that has gone took every document with it.
    if (!s.OfficeUp && (code == "nouno" || code == "nosoffice" || code == "noapp")) s.Shut();
    if (code == "officedied") {
      s.Open[0] = s.Open[1] = false;
      s.OfficeUp = false;
    }
    FailReply(e, app, r, subject);
  }
  s.OfficeUp = true;
  return r;
}

OfficeState& Require(TNokaBase& e, App app) {
  OfficeState& s = State(e);
  if (!s.Open[static_cast<int>(app)] || !s.Bridge.Running())
    FailWith(e, app, msg::kOfficeNotStarted, {Sj(Info(app).StartWord)});
  return s;
}

// --- both applications ------------------------------------------------------------

template <App A>
void CmdStartApp(TNokaBase& e) {
  OfficeState& s = State(e);
  StartHelper(e, A, s);
  Call(e, A, Request("new"));
  s.Open[static_cast<int>(A)] = true;
}

// A file to open, found as files to read are.
template <App A>
void CmdOpenDocument(TNokaBase& e) {
  std::string name = TrimName(PopArgValue(e));
  Require(e, A);
  std::string path = AbsoluteNative(NativePath(ResolveReadName(e, name)));
  Call(e, A, Request("open").Text("path", path), name);
}

// Saves under `name` after the security policy has agreed (a refusal
// skips the save silently); the office writes the file, in the format its
// extension names unless `format` says otherwise. The office is another
// process and writes by path, so it gets the path as the policy resolved
// and judged it (links already followed), not the script's text.
void SaveDocument(TNokaBase& e, App app, const std::string& name, const char* format) {
  Require(e, app);
  CheckedTarget target(name, AbsoluteNative(NativePath(name)), true);
  if (ChangeGuardOf(e.Services).RefusesChange(e, FormatMessage(Sj(msg::kAskWrite), {name}), {&target}, false)) return;
  Request r("save");
  r.Text("path", target.Path());
  if (format) r.Text("format", format);
  Call(e, app, std::move(r), name);
}

template <App A>
void CmdSaveDocument(TNokaBase& e) {
  SaveDocument(e, A, TrimName(PopArgValue(e)), nullptr);
}

void CmdSaveCsv(TNokaBase& e) { SaveDocument(e, App::Calc, TrimName(PopArgValue(e)), "csv"); }

// Closes the workbook or document with its changes discarded; the office
// goes when the other application has nothing open either.
template <App A>
void CmdQuitApp(TNokaBase& e) {
  OfficeState& s = Require(e, A);
  Call(e, A, Request("close"));
  s.Open[static_cast<int>(A)] = false;
  if (s.Open[0] || s.Open[1]) return;
  Call(e, A, Request("quit"));
  s.Shut();
}

// To the default printer; with NOKARI_PRINT_PDF set (the tests), into
// that PDF file instead, as the other printing commands do.
template <App A>
void CmdPrintDocument(TNokaBase& e) {
  Require(e, A);
  Call(e, A, Request("print"));
}

// The macro's return value, when it has one, goes to それ.
template <App A>
void CmdRunMacro(TNokaBase& e) {
  std::string name = text::TrimBlanks(PopArgValue(e));
  Require(e, A);
  Reply r = Call(e, A, Request("macro").Text("name", ToUtf8(name)), name);
  if (const office::ReplyField* v = r.Find("value"); v && v->Type == office::ReplyField::String)
    SetSoreTyped(e, FromUtf8(v->Text), "s");
}

// --- cells ----------------------------------------------------------------------------

struct CellPos {
  int64_t Col = 0, Row = 0;
};

// Digits, the full-width ones too; at most 9, so the number fits.
bool ReadDigits(std::string_view s, size_t& p, int64_t& out) {
  size_t start = p;
  out = 0;
  for (;;) {
    int d;
    if (p < s.size() && s[p] >= '0' && s[p] <= '9') {
      d = s[p] - '0';
      p += 1;
    } else if (p + 1 < s.size() && static_cast<unsigned char>(s[p]) == 0x82 &&
               static_cast<unsigned char>(s[p + 1]) >= 0x4F && static_cast<unsigned char>(s[p + 1]) <= 0x58) {
      d = static_cast<unsigned char>(s[p + 1]) - 0x4F;
      p += 2;
    } else {
      break;
    }
    if (p - start > 18) return false;
    out = out * 10 + d;
  }
  return p > start;
}

void SkipSpaces(std::string_view s, size_t& p) {
  while (p < s.size() && (s[p] == ' ' || s[p] == '\t')) ++p;
}

// "x,y" counted from 0 (column x+1, row y+1), as the commands take it, or
// the sheet's own "B3". Parentheses around it are allowed.
std::optional<CellPos> ParseCell(std::string_view s) {
  std::string t = text::TrimBlanks(s);
  if (t.size() >= 2 && t.front() == '(' && t.back() == ')') t = text::TrimBlanks(std::string_view(t).substr(1, t.size() - 2));
  size_t p = 0;
  CellPos c;
  if (!t.empty() && isalpha(static_cast<unsigned char>(t[0]))) {
    int64_t col = 0;
    while (p < t.size() && isalpha(static_cast<unsigned char>(t[p])) && p < 4)
      col = col * 26 + (toupper(static_cast<unsigned char>(t[p++])) - 'A' + 1);
    int64_t row;
    if (!ReadDigits(t, p, row) || row < 1 || p != t.size()) return std::nullopt;
    return CellPos{col - 1, row - 1};
  }
  if (!ReadDigits(t, p, c.Col)) return std::nullopt;
  SkipSpaces(t, p);
  if (p >= t.size() || t[p] != ',') return std::nullopt;
  ++p;
  SkipSpaces(t, p);
  if (!ReadDigits(t, p, c.Row)) return std::nullopt;
  SkipSpaces(t, p);
  if (p != t.size()) return std::nullopt;
  return c;
}

CellPos CellArg(TNokaBase& e, const std::string& text) {
  std::optional<CellPos> c = ParseCell(text);
  if (!c) FailWith(e, App::Calc, msg::kOfficeBadCell, {text});
  return *c;
}

// エクセル設定: cell, value. The value is entered as typing it would: "007"
// becomes the number 7, "=A1*2" a formula; a leading ' keeps it text.
void CmdSetCell(TNokaBase& e) {
  std::string value = PopArgValue(e);
  std::string where = PopArgValue(e);
  Require(e, App::Calc);
  CellPos c = CellArg(e, where);
  Call(e, App::Calc, Request("set").Int("col", c.Col).Int("row", c.Row).Text("value", ToUtf8(value)), where);
}

// A name as commands take it: written plainly it is the name; a quoted
// one is evaluated.
std::string NameOf(TNokaBase& e, const std::string& raw) {
  std::string name = text::TrimBlanks(raw);
  return !name.empty() && (name[0] == '"' || name[0] == '`') ? EvaluateText(e, name) : name;
}

// エクセル得る: cell, variable. A number comes as a number (what a formula
// gives, not the formula), anything else as the text shown.
void CmdGetCell(TNokaBase& e) {
  std::string target = NameOf(e, PopArgText(e));
  std::string where = PopArgValue(e);
  THashNode* var = FindWord(e, target);
  if (!var) RaiseError(e, msg::kWordUndefined, {target});
  if (var->Kind != kVariable || var->Reserved) RaiseError(e, msg::kReadOnly, {target});
  Require(e, App::Calc);
  CellPos c = CellArg(e, where);
  Reply r = Call(e, App::Calc, Request("get").Int("col", c.Col).Int("row", c.Row), where);
  if (const office::ReplyField* n = r.Find("number"); n && n->Type == office::ReplyField::Number)
    var->SetValue(FormatNumber(n->Num), "e");
  else
    var->SetValue(FromUtf8(r.TextOf("value")), "s");
}

// --- the word processor ---------------------------------------------------------

// ワードブックマーク設定: bookmark, text. The bookmark's text is replaced
// and the bookmark stays, so it can be set again.
void CmdSetBookmark(TNokaBase& e) {
  std::string value = PopArgValue(e);
  std::string name = text::TrimBlanks(PopArgValue(e));
  Require(e, App::Writer);
  Call(e, App::Writer, Request("bookmark").Text("name", ToUtf8(name)).Text("text", ToUtf8(value)), name);
}

// ワード文字挿入: at the cursor (the start of an opened document), which
// then stands after the text; line ends start new paragraphs.
void CmdInsertText(TNokaBase& e) {
  std::string value = PopArgValue(e);
  Require(e, App::Writer);
  Call(e, App::Writer, Request("insert").Text("text", ToUtf8(value)));
}

// ワード本文を得る: paragraphs end with CR LF, as lists do.
void CmdDocumentText(TNokaBase& e) {
  Require(e, App::Writer);
  Reply r = Call(e, App::Writer, Request("text"));
  SetSoreTyped(e, FromUtf8(r.TextOf("value")), "s");
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::エクセル起動, CmdStartApp<App::Calc>},
    {Id::エクセル開く, CmdOpenDocument<App::Calc>},
    {Id::エクセル保存, CmdSaveDocument<App::Calc>},
    {Id::エクセルCSV形式保存, CmdSaveCsv},
    {Id::エクセル終了, CmdQuitApp<App::Calc>},
    {Id::エクセル印刷, CmdPrintDocument<App::Calc>},
    {Id::エクセル設定, CmdSetCell},
    {Id::エクセル得る, CmdGetCell},
    {Id::エクセルマクロ実行, CmdRunMacro<App::Calc>},
    {Id::ワード起動, CmdStartApp<App::Writer>},
    {Id::ワード開く, CmdOpenDocument<App::Writer>},
    {Id::ワード保存, CmdSaveDocument<App::Writer>},
    {Id::ワード終了, CmdQuitApp<App::Writer>},
    {Id::ワード印刷, CmdPrintDocument<App::Writer>},
    {Id::ワードブックマーク設定, CmdSetBookmark},
    {Id::ワード文字挿入, CmdInsertText},
    {Id::ワード本文を得る, CmdDocumentText},
    {Id::ワードマクロ実行, CmdRunMacro<App::Writer>},
};
constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/office/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kOfficeFamily{"office", kCommands, kMessages};

}  // namespace nokari
