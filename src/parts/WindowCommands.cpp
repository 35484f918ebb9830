// The main window's commands: showing it, its window states, full screen,
// its frame style, the application's icon, the mouse cursor and the
// notification-area icon; and the window family they form with the menu
// commands (parts/MenuCommands.cpp).
//
// Where there is no window to change (a console run, or no window layer
// at all) these commands do nothing and never fail: a script written for a
// window still runs to its end.
#include <filesystem>
#include <memory>

#include "core/Cp932.h"
#include "lib/file/Messages.h"
#include "lib/path/Path.h"
#include "lib/text/TextCore.h"
#include "parts/MenuCommands.h"
#include "parts/Messages.h"
#include "parts/ObjectModel.h"
#include "words/Family.h"

namespace nokari {
namespace {

// The family's state in one engine. The host keeps the notification
// icon's handler beyond the engine's life; the handler holds this token
// weakly and does nothing once the engine has gone.
struct WindowFamilyState {
  std::shared_ptr<bool> Alive = std::make_shared<bool>(true);
  bool TrayHandlerSet = false;
};

// 母艦's widget, or null where there is none to change. A window layer
// that cannot be loaded raises on being asked; here that only means there
// is no window.
PartHandle* MainHandle(TNokaBase& e) {
  TObjNode* mothership = e.Objects.GetAt(0);
  if (!mothership || !e.Services.Parts) return nullptr;
  try {
    return parts::ControlOf(e, *mothership);
  } catch (const ENoka&) {
    return nullptr;
  }
}

void CmdShowMain(TNokaBase& e) { e.Services.Window->ShowMainWindow(); }

void CmdMaximizeMain(TNokaBase& e) {
  if (PartHandle* h = MainHandle(e)) h->SetWindowState(WindowState::Maximized);
}

// Back to a normal sizeable window first, so that restoring it later gives
// a window the user can size.
void CmdMinimizeMain(TNokaBase& e) {
  PartHandle* h = MainHandle(e);
  if (!h) return;
  h->SetWindowState(WindowState::Normal);
  h->SetFrameStyle(2);
  h->SetWindowState(WindowState::Minimized);
}

// Undoes full screen as well: the cursor shown, not on top, a sizeable
// frame.
void CmdRestoreMain(TNokaBase& e) {
  e.Services.Window->SetCursorVisible(true);
  PartHandle* h = MainHandle(e);
  if (!h) return;
  h->SetWindowState(WindowState::Normal);
  h->SetStayOnTop(false);
  h->SetFrameStyle(2);
}

// Maximised, on top, without a frame, covering the screen from (0,0).
void CmdFullScreenMain(TNokaBase& e) {
  PartHandle* h = MainHandle(e);
  if (!h) return;
  ScreenSize screen = e.Services.Screen->PrimaryScreenSize();
  h->SetWindowState(WindowState::Maximized);
  h->SetStayOnTop(true);
  h->SetFrameStyle(0);
  h->SetGeometry({0, 0, screen.Width, screen.Height});
}

// 0 none, 1 single, 2 sizeable, 3 dialog (枠なし ... ダイアログスタイル);
// another number is no style and changes nothing, as with スタイル.
void CmdMainStyle(TNokaBase& e) {
  int style = ToInt32(PopArgNumber(e));
  PartHandle* h = MainHandle(e);
  if (h && style >= 0 && style <= 3) h->SetFrameStyle(style);
}

// The input method goes with the cursor: off while it is hidden.
void CmdShowCursor(TNokaBase& e) {
  bool on = ToInt32(PopArgNumber(e)) != 0;
  e.Services.Window->SetCursorVisible(on);
  if (PartHandle* h = MainHandle(e)) h->SetInputMethod(on);
}

// --- 母艦アイコン -----------------------------------------------------------

bool IsFile(const std::string& cp932Name) {
  std::error_code ec;
  return !cp932Name.empty() && std::filesystem::is_regular_file(NativePath(cp932Name), ec);
}

// The icon's file: the name found by the script's search rules, or, when
// no such file exists, the file an イメージ of that name took its picture
// from. (A picture drawn rather than loaded has no file: the name then
// fails as a missing file does.)
std::string IconFile(TNokaBase& e, const std::string& name) {
  std::string file = ResolveReadName(e, name);
  if (IsFile(file)) return file;
  const THashNode* w = FindWord(e, name);
  if (!w || w->Kind != kObject || w->TypeTag != Sj("イメージ")) return {};
  std::string picture = text::TrimBlanks(w->Value);
  if (picture.empty()) return {};
  file = ResolveReadName(e, picture);
  return IsFile(file) ? file : std::string();
}

// A console has no icon to set: an existing file is all it can check.
void CmdMainIcon(TNokaBase& e) {
  std::string name = text::TrimBlanks(PopArgValue(e));
  std::string file = IconFile(e, name);
  if (file.empty()) RaiseError(e, msg::kReadWriteFailed, {name});
  if (!e.Services.Window->SetAppIcon(file) && !e.Services.Console) RaiseError(e, msg::kReadWriteFailed, {name});
}

// --- タスクトレイへアイコン表示 ---------------------------------------------

constexpr size_t kTrayTipChars = 64;

// The main window's caption, at most 64 characters.
std::string TrayTip(TNokaBase& e) {
  PartHandle* h = MainHandle(e);
  std::string caption = h ? h->Text() : Sj(msg::kAppTitle);
  return caption.substr(0, ByteOffsetOfChar(caption, kTrayTipChars));
}

// An error in the click handler is shown as any script error is; quitting
// there ends the program.
void ReportHandlerError(TNokaBase& e) {
  if (ShowErrorLog(e) != ErrorChoice::Quit) return;
  e.Cursor.Reset();
  e.StopFlag = true;
  e.Closed = true;
  e.Services.Window->CloseMainWindow();
}

// The host calls this from its event loop, never inside its own handler.
// Left button: 母艦's click event. Right button: the user is asked whether
// to end, and a yes closes the window as its close box would (the close
// handler may still refuse).
void OnTrayClick(TNokaBase& e, bool leftButton) {
  if (PartHandle* h = MainHandle(e)) h->Focus();
  try {
    if (leftButton) {
      if (TObjNode* mothership = e.Objects.GetAt(0)) parts::RunEventSlot(e, *mothership, 1);
    } else if (e.Services.Dialogs->YesNo(Sj(msg::kAskQuit), Sj(msg::kAppTitle))) {
      if (e.Closed)
        e.Services.Window->CloseMainWindow();
      else
        RequestClose(e);
    }
  } catch (const ENoka&) {
    ReportHandlerError(e);
  }
}

void CmdTrayIcon(TNokaBase& e) {
  bool on = ToInt32(PopArgNumber(e)) != 0;
  IWindowService& window = *e.Services.Window;
  if (!on) {
    window.SetTrayIcon(false, {});
    return;
  }
  WindowFamilyState& s = FamilyState<WindowFamilyState>(e);
  if (!s.TrayHandlerSet) {
    window.SetTrayHandler([&e, alive = std::weak_ptr<bool>(s.Alive)](bool leftButton) {
      if (!alive.expired()) OnTrayClick(e, leftButton);
    });
    s.TrayHandlerSet = true;
  }
  window.SetTrayIcon(true, TrayTip(e));
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::母艦浮上, CmdShowMain},
    {Id::母艦最大化, CmdMaximizeMain},
    {Id::母艦最小化, CmdMinimizeMain},
    {Id::母艦元のサイズ, CmdRestoreMain},
    {Id::母艦全画面化, CmdFullScreenMain},
    {Id::母艦アイコン, CmdMainIcon},
    {Id::母艦スタイル設定, CmdMainStyle},
    {Id::カーソル表示, CmdShowCursor},
    {Id::タスクトレイへアイコン表示, CmdTrayIcon},
    {Id::メニュー作成, parts::CmdMenuCreate},
    {Id::メニュー追加, parts::CmdMenuAdd},
    {Id::メニューパス作成, parts::CmdMenuPathCreate},
};

}  // namespace

// The window family's messages are the parts family's (parts/Messages.inc).
extern const Family kWindowFamily{"window", kCommands, {}};

}  // namespace nokari
