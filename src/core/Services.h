// The host services: the small interfaces through which the engine and the
// command families reach the outside world. Each asks one kind of thing of
// the host (write, ask, clipboard, screen, events, window), so a family
// depends only on the services it uses and a host implements each on its
// own terms: the console host on the standard streams and poll(), the Qt
// host on the window system, the unit tests' capture host in memory. One
// object may implement several of them.
//
// Every text crossing these interfaces is CP932; hosts convert at their
// edge. Command code holds the rules (defaults, conversions, what a cancel
// means); a service only performs or asks.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace nokari {

struct TNokaBase;

// How a text is drawn on a surface that has styles; the console ignores it.
struct TextStyle {
  std::string Face;        // font face as the script names it (CP932)
  int Points = 12;         // font size in points
  uint32_t Rgb = 0;        // 0xRRGGBB
};

// 表示, 言う and the diagnostics that go beside the program's output.
class IOutputService {
 public:
  virtual ~IOutputService() = default;
  // 表示: text on the main output surface, line ends splitting it into
  // lines. The surface keeps its own pen: where the next line goes depends
  // on the font's height, which only the surface can measure.
  virtual void WriteText(const std::string& text, const TextStyle& style) = 0;
  // Whether WriteText looks at its style. A terminal has one font and
  // colour: there 表示 need not work the style out of the font variables,
  // which was most of what it cost.
  virtual bool ShowsTextStyle() const { return true; }
  // 言う: a message box with an OK button.
  virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
  // Warnings of -debug in console mode, refusals nobody was asked about.
  virtual void Diagnostic(const std::string& text) = 0;
  // Whether a message box reaches anyone: not on a window system drawing
  // off screen, where nobody could press its OK.
  virtual bool BoxesSeen() const { return true; }
};

enum class ErrorChoice { Continue, Quit, Debug };
// None: the user made no choice; Nobody: there was no one to ask (a console
// without a terminal).
enum class Confirm { Yes, No, AllYes, AllNo, None, Nobody };

// A font as the font dialog shows and answers it. Points 0: no size given.
struct FontChoice {
  std::string Face;  // CP932
  int Points = 0;
  bool Bold = false, Italic = false, Underline = false;
};

// One entry of a file chooser's type list: "テキスト" and "*.txt" (several
// patterns joined by ";").
struct FileFilter {
  std::string Description;
  std::string Pattern;
};

enum class YesNoAnswer { Yes, No, Cancel };

// Questions to the user. Each returns what was answered; a cancel is an
// empty optional, so the command decides what a cancel leaves in それ
// (and what a choice means: the command splits the choices, builds the
// filters, cuts and formats; the service only shows and asks).
//
// The questions after the first four have a default that cancels: a host
// that cannot show them (the quiet services, tests that ask nothing) still
// answers, the way a user who closes every dialog would.
class IDialogService {
 public:
  virtual ~IDialogService() = default;
  // The error dialog; `log` is the whole error log.
  virtual ErrorChoice ShowErrorDialog(const std::string& log, bool debugMode) = 0;
  // 尋ねる: one line of text, starting as `initial`.
  virtual std::optional<std::string> Input(const std::string& prompt, const std::string& initial) = 0;
  // はい/いいえ; true for yes.
  virtual bool YesNo(const std::string& prompt, const std::string& caption) = 0;
  // The security confirmation with はい/いいえ/全てはい/全ていいえ.
  virtual Confirm AskConfirm(const std::string& question) = 0;

  // はい/いいえ/キャンセル.
  virtual YesNoAnswer YesNoCancel(const std::string& /*prompt*/, const std::string& /*caption*/) {
    return YesNoAnswer::Cancel;
  }
  // A choice from a list, answered through a result field that starts as
  // `initial`; `editable`: the field takes any text, else only a choice.
  virtual std::optional<std::string> Choose(const std::string& /*prompt*/, const std::vector<std::string>& /*items*/,
                                            const std::string& /*initial*/, bool /*editable*/) {
    return std::nullopt;
  }
  // A choice by clicking one of a few buttons; answers the caption.
  virtual std::optional<std::string> ChooseButton(const std::string& /*prompt*/,
                                                  const std::vector<std::string>& /*items*/) {
    return std::nullopt;
  }
  // Several lines of text, starting as `initial` (lines end in CR LF).
  virtual std::optional<std::string> Memo(const std::string& /*initial*/) { return std::nullopt; }
  // A colour (0xRRGGBB), starting from `initial`.
  virtual std::optional<uint32_t> Color(uint32_t /*initial*/) { return std::nullopt; }
  // A font, starting from `initial`.
  virtual std::optional<FontChoice> Font(const FontChoice& /*initial*/) { return std::nullopt; }
  // Files to read, one or several, in the current folder; `initialName`
  // fills the name field when not empty.
  virtual std::optional<std::vector<std::string>> OpenFiles(const std::vector<FileFilter>& /*filters*/,
                                                            const std::string& /*initialName*/) {
    return std::nullopt;
  }
  // A file to write, in the current folder, with an overwrite question;
  // `defaultExt` (no ".") is added to a name typed without one.
  virtual std::optional<std::string> SaveFile(const std::vector<FileFilter>& /*filters*/,
                                              const std::string& /*defaultExt*/, const std::string& /*initialName*/) {
    return std::nullopt;
  }
  // A folder, browsing from `start` (empty: the user's home).
  virtual std::optional<std::string> Folder(const std::string& /*start*/) { return std::nullopt; }
  // The font of the program's own dialogs (their labels and text fields),
  // from the text settings at the time of asking; `bold`/`italic`/
  // `underline` as the font text (文字書体) says. Hosts without fonts
  // ignore it.
  virtual void SetDialogFont(const TextStyle& /*style*/, bool /*bold*/, bool /*italic*/, bool /*underline*/) {}
};

class IClipboardService {
 public:
  virtual ~IClipboardService() = default;
  virtual std::string ClipboardText() = 0;
  virtual void SetClipboardText(const std::string& text) = 0;
};

struct ScreenSize {
  int Width = 1024;
  int Height = 768;
};

class IScreenService {
 public:
  virtual ~IScreenService() = default;
  virtual ScreenSize PrimaryScreenSize() = 0;
  // The window system's colour of button faces (0x00BBGGRR), which
  // dialogs are painted in (ウィンドウ色). Without a window system, the
  // light grey that buttons usually have.
  virtual uint32_t ButtonFaceColour() { return 0xF0F0F0; }
};

// Where events come from: the window system, timers and file descriptors
// (sockets, pipes). Callbacks run on the engine's one thread, from inside
// ProcessEvents or Wait; they should only queue work for the engine, which
// runs it at a statement boundary.
class IEventPump {
 public:
  using Millis = std::chrono::milliseconds;
  using Callback = std::function<void()>;
  // Background: a watch that alone does not keep a console program
  // running (Armed leaves it out), such as the debugger's link.
  enum Direction { Readable = 1, Writable = 2, Background = 4 };

  virtual ~IEventPump() = default;
  // Runs what is pending now (window events, due timers, ready watches)
  // without blocking.
  virtual void ProcessEvents() = 0;
  // Lets events run for `duration`; returns early once `stop()` holds. The
  // condition is checked after every round of events.
  virtual void Wait(Millis duration, const std::function<bool()>& stop) = 0;
  // Calls `ready` whenever `fd` is readable or writable (`directions`, a
  // mask of Direction) until Unwatch. Returns a watch id > 0.
  virtual int WatchFd(int fd, int directions, Callback ready) = 0;
  virtual void Unwatch(int watchId) = 0;
  // Calls `fired` once after `delay`. Returns a timer id > 0.
  virtual int StartTimer(Millis delay, Callback fired) = 0;
  // Harmless for a timer that already fired or was cancelled.
  virtual void CancelTimer(int timerId) = 0;
  // How many timers and watches are armed: whether anything could still
  // bring an event. Asked by hosts without an event loop of their own (a
  // console program keeps running while this is not 0); a pump that cannot
  // tell answers 0.
  virtual size_t Armed() const { return 0; }
};

// The main window (母艦).
class IWindowService {
 public:
  virtual ~IWindowService() = default;
  // Not called when the script holds 母艦浮上.
  virtual void ShowMainWindow() = 0;
  // The engine has decided to end (おわり, the close handler agreed, the
  // error dialog's quit): close the window and leave the event loop.
  virtual void CloseMainWindow() = 0;
  // The user asks to close the window. The host never decides that
  // itself: it calls `request` (later, outside its own event handler), and
  // the engine runs the close handler, which may refuse; when it agrees the
  // engine calls CloseMainWindow.
  virtual void SetCloseRequestHandler(std::function<void()> request) = 0;

  // The rest has defaults, for hosts without a window to change.
  // The application's icon from a picture file (CP932 path); false when
  // it cannot be read.
  virtual bool SetAppIcon(const std::string& /*path*/) { return false; }
  // The mouse cursor over our windows shown or hidden (カーソル表示).
  virtual void SetCursorVisible(bool /*on*/) {}
  // The notification-area icon on or off, with the main window's caption
  // as its tip. Where no notification area exists the host keeps the state
  // and shows nothing. `clicked(true)` for the left button, `(false)` for
  // the right; called from the event loop, never inside the host's own
  // handler.
  virtual void SetTrayIcon(bool /*on*/, const std::string& /*tip*/) {}
  virtual bool TrayIconOn() const { return false; }
  virtual void SetTrayHandler(std::function<void(bool leftButton)> /*clicked*/) {}
};

// A file or folder opened for judging before a change (lib/path/Path.h).
class CheckedTarget;

// The security policy that every change to files, folders and settings
// asks first. The policy itself (levels, security.ini, the containment
// check) belongs to the application layer (host/Security); commands only
// ask. Each method returns true when the change is REFUSED: the caller then
// does nothing and reports nothing. `question` (CP932) is shown when the
// user has to confirm.
class IChangeGuard {
 public:
  virtual ~IChangeGuard() = default;
  // A change touching `paths` (CP932); it counts as inside the script
  // folder only when every path is.
  virtual bool RefusesChange(TNokaBase& e, const std::string& question, const std::vector<std::string>& paths) = 0;
  // A change to resolved targets, judged by their resolved paths and, when
  // allowed, opened so that the command changes exactly what was judged.
  // `wildcard`: the script named the targets by a pattern.
  virtual bool RefusesChange(TNokaBase& e, const std::string& question, const std::vector<CheckedTarget*>& targets,
                             bool wildcard) = 0;
};

// The guard of an engine without an application layer: it refuses every
// change, since nobody has said which changes are safe.
IChangeGuard* RefusingChangeGuard();

// The widgets behind GUI parts. Its interface arrives with the parts
// themselves; until then no host provides one and the slot stays null.
class IPartService;
class ISoundService;  // core/Sound.h
class IProgressService;  // core/Progress.h
class IDebugService;  // core/Debugger.h

// The services an engine talks to. A fresh engine holds the quiet
// services, so code below the application layer never checks for null
// (except Parts, which is null until a host provides parts).
struct HostServices {
  IOutputService* Output = nullptr;
  IDialogService* Dialogs = nullptr;
  IClipboardService* Clipboard = nullptr;
  IScreenService* Screen = nullptr;
  IEventPump* Pump = nullptr;
  IWindowService* Window = nullptr;
  IPartService* Parts = nullptr;
  ISoundService* Sound = nullptr;  // null: a quiet one (SoundOf, core/Sound.h)
  IProgressService* Progress = nullptr;  // null: a quiet one (ProgressOf, core/Progress.h)
  IDebugService* Debugger = nullptr;  // null: a quiet one (DebuggerOf, core/Debugger.h)
  // The security policy. Null until the application layer installs its
  // own (host/Run's ConnectServices does); read through ChangeGuardOf.
  IChangeGuard* Changes = nullptr;
  // Console mode: no window; warnings go to standard error, not a dialog.
  bool Console = true;
};

// The services of a host that implements the five user-facing interfaces
// itself, with its own event pump (the console, Qt and test hosts).
template <class Host>
HostServices ServicesOf(Host& host, IEventPump& pump, bool console) {
  HostServices s;
  s.Output = &host;
  s.Dialogs = &host;
  s.Clipboard = &host;
  s.Screen = &host;
  s.Window = &host;
  s.Pump = &pump;
  s.Console = console;
  return s;
}

// Services that do nothing (output is dropped, every question is
// cancelled, the error dialog answers Quit, the clipboard stays empty, the
// screen is 1024 × 768, the pump has no events): what an engine without a
// host, such as a unit test of one family, talks to.
HostServices QuietServices();

// The guard to ask: the installed one, or the refusing one when none is
// (a change is never let through for want of a policy).
inline IChangeGuard& ChangeGuardOf(const HostServices& s) { return s.Changes ? *s.Changes : *RefusingChangeGuard(); }

}  // namespace nokari
