// Menus and the notification-area icon on Qt: the main window's menu bar
// with its items and sub-menus, shortcut texts as scripts write them,
// pictures for items and the application icon, and the tray icon.
#pragma once
#include <QIcon>
#include <QKeySequence>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/Parts.h"

class QAction;
class QObject;
class QSystemTrayIcon;

namespace nokari {

class TfrmNoka;

// A shortcut as scripts write it: modifiers and one key joined by "+"
// ("Ctrl+S", "Shift+F1", "Alt+X", "Ctrl+Shift+Del"), the Windows key names
// included ("BkSp", "PgDn", "Ins"); case does not matter. None when the
// text names no key or more than one; an empty text is the empty sequence.
std::optional<QKeySequence> KeySequenceOf(const QString& text);
// The same, spelt back the Windows way ("Ctrl+S", "BkSp").
QString ShortcutTextOf(const QKeySequence& keys);

// An icon read from a picture file (PNG, BMP, ICO ...); null when the file
// cannot be read as a picture.
QIcon IconFromFile(const QString& path);

// The action behind a menu item's handle; null for any other handle.
QAction* MenuActionOf(PartHandle& item);

// A menu item with that caption ("-": a separator) at the end of
// `parentItem`'s sub-menu (made with its first child), or of the main
// window's menu bar when `parentItem` is null.
std::unique_ptr<PartHandle> MakeMenuItem(TfrmNoka& window, PartHandle* parentItem, const std::string& caption);

// The notification-area icon. Where the desktop has no notification area
// (the offscreen platform, many desktops) it keeps its state and shows
// nothing. Clicks reach the handler later, from the event loop: true for
// the left button, false for the right.
class TrayIcon {
 public:
  TrayIcon();
  ~TrayIcon();
  void Set(bool on, const QString& tip);
  bool On() const { return on_; }
  QString Tip() const { return tip_; }
  // Whether an icon actually shows.
  bool Shown() const;
  void SetHandler(std::function<void(bool leftButton)> clicked) { clicked_ = std::move(clicked); }
  // The application's icon changed.
  void SetIcon(const QIcon& icon);
  // What a click on the icon does. The handler runs the script, so it is
  // never called inside the platform's own event handling: it is called
  // from the event loop, after this returns.
  void Activate(bool leftButton);

 private:
  std::unique_ptr<QObject> context_;  // the queued calls die with the icon
  bool on_ = false;
  QString tip_;
  std::function<void(bool)> clicked_;
  std::unique_ptr<QSystemTrayIcon> icon_;
};

}  // namespace nokari
