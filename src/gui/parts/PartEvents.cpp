#include "gui/parts/PartEvents.h"

#include <QApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>

#include "gui/Keys.h"
#include "gui/QtText.h"
#include "gui/parts/QtPart.h"

namespace nokari {
namespace {

constexpr SlotSet kMouse = SlotBit(kPressSlot) | SlotBit(kReleaseSlot) | SlotBit(kMoveSlot);
constexpr SlotSet kKeys = SlotBit(kKeyDownSlot) | SlotBit(kKeyUpSlot);
constexpr SlotSet kClicks = SlotBit(kClickSlot) | SlotBit(kDoubleClickSlot);
constexpr SlotSet kChange = SlotBit(kChangeSlot);

PartEvent MouseAt(QPoint at) {
  PartEvent event;
  event.HasMouse = true;
  event.X = at.x();
  event.Y = at.y();
  return event;
}

// Dropped local files, one a line; URLs of other schemes are no files.
std::string LocalFiles(const QMimeData* mime) {
  QStringList files;
  if (mime && mime->hasUrls())
    for (const QUrl& url : mime->urls())
      if (url.isLocalFile()) files << url.toLocalFile();
  return FromQ(files.join("\r\n"));
}

// Mouse events reach a widget first as the window system sent them
// (spontaneous); a widget that ignores one passes a copy, no longer
// spontaneous, to its parent. Keys and drops pass the same event up, so
// the filter remembers the one it reported and where.
class EventRouter : public QObject {
 public:
  explicit EventRouter(QObject* app) : QObject(app) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
        if (watched->isWidgetType() && event->spontaneous()) Mouse(static_cast<QWidget*>(watched), event);
        return false;
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        // A key from the window system passes the window first: whatever
        // was remembered belongs to an earlier key.
        if (watched->isWindowType()) last_ = {};
        if (watched->isWidgetType()) Key(static_cast<QWidget*>(watched), event);
        return false;
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::Drop:
        return watched->isWidgetType() && Drop(static_cast<QWidget*>(watched), static_cast<QDropEvent*>(event));
      default:
        return false;
    }
  }

 private:
  static void Mouse(QWidget* target, QEvent* event) {
    QtPartBase* part = QtPartBase::Of(target);
    // A list's scroll bar is the list's chrome, not a place to click on;
    // the main window's menu bar stands outside its client.
    if (!part || (qobject_cast<QScrollBar*>(target) && part->Widget() != target)) return;
    QWidget* area = part->MouseArea();
    if (target != part->Widget() && target != area && !area->isAncestorOf(target)) return;
    part->MouseEvent(*static_cast<QMouseEvent*>(event));
  }

  // The window's handle sees the key first (key preview), then the part
  // the key went to, once: not again as the key passes up to parents.
  void Key(QWidget* target, QEvent* event) {
    bool passedUp = last_.Event == event && last_.Type == event->type() && last_.Target &&
                    target != last_.Target && target->isAncestorOf(last_.Target);
    if (passedUp) return;
    last_ = {event, event->type(), target};
    const auto& key = *static_cast<QKeyEvent*>(event);
    QPointer<QWidget> guard = target;
    QtPartBase* window = QtPartBase::Of(target->window());
    if (window) window->KeyEvent(key);
    if (!guard) return;
    QtPartBase* part = QtPartBase::Of(target);
    if (part && part != window) part->KeyEvent(key);
  }

  // Files over a part that accepts them are the part's: taken here, so
  // an editor does not paste their names as text by itself.
  static bool Drop(QWidget* target, QDropEvent* event) {
    QtPartBase* part = QtPartBase::Of(target);
    if (!part || !part->AcceptsFiles()) return false;
    std::string files = LocalFiles(event->mimeData());
    if (files.empty()) return false;
    event->acceptProposedAction();
    if (event->type() == QEvent::Drop) part->FilesDropped(files, target->mapToGlobal(event->position().toPoint()));
    return true;
  }

  struct Delivered {
    QEvent* Event = nullptr;
    QEvent::Type Type = QEvent::None;
    QPointer<QWidget> Target;
  };
  Delivered last_;
};

// Which events a kind's widget reports, besides dropped files.
SlotSet SourcesOf(PartKind kind) {
  using K = PartKind;
  switch (kind) {
    case K::ボタン: return SlotBit(kClickSlot) | kMouse;
    case K::エディタ:
    case K::メモ:
    case K::Tエディタ: return kClicks | kMouse | kKeys | kChange;
    case K::イメージ:
    case K::ラベル:
    case K::アニメ:
    case K::パネル:
    case K::スクロール: return kClicks | kMouse;
    case K::バー: return kKeys | kChange;
    case K::コンボ: return kClicks | kKeys | kChange;
    case K::リスト:
    case K::グリッド: return kClicks | kMouse | kKeys;
    case K::フォーム: return kClicks | kMouse | kKeys | kChange;
    case K::チェック: return SlotBit(kClickSlot) | kMouse | kKeys;
    case K::トラック: return kClicks | kMouse | kChange;
    case K::メニュー:
    case K::ラジオ:
    case K::ブラウザ: return SlotBit(kClickSlot);
    case K::タブページ: return kMouse | kChange;
    case K::ツリー: return kClicks | kMouse | kKeys | kChange;
    case K::リッチエディタ: return kMouse | kKeys | kChange;
  }
  return 0;
}

}  // namespace

SlotSet EventSlotsOf(PartKind kind) { return SourcesOf(kind) | SlotBit(kDropSlot); }

std::string ShiftNames(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons, bool doubleClick) {
  std::string names;
  auto add = [&](bool on, const char* name) {
    if (!on) return;
    if (!names.empty()) names += "\r\n";
    names += name;
  };
  add(modifiers & Qt::ShiftModifier, "Shift");
  add(modifiers & Qt::AltModifier, "Alt");
  add(modifiers & Qt::ControlModifier, "Ctrl");
  add(buttons & Qt::LeftButton, "Left");
  add(buttons & Qt::RightButton, "Right");
  add(buttons & Qt::MiddleButton, "Middle");
  add(doubleClick, "Double");
  return names;
}

void RouteEvents() {
  static QPointer<EventRouter> router;  // dies with its application
  if (router || !qApp) return;
  router = new EventRouter(qApp);
  qApp->installEventFilter(router);
}

// --- the handle's side ------------------------------------------------------

void QtPartBase::SetEventSink(PartEventSink sink) { sink_ = std::move(sink); }

bool QtPartBase::Report(const PartEvent& event) {
  if (!sink_ || !(slots_ & SlotBit(event.Slot))) return true;
  PartEventSink sink = sink_;  // the sink may replace itself while it runs
  return sink(event);
}

void QtPartBase::ReportClick() {
  PartEvent event = lastMouse_;
  event.Slot = kClickSlot;
  Report(event);
}

void QtPartBase::ReportChange() {
  if (reportingChange_ || quiet_) return;
  reportingChange_ = true;
  struct Reset {
    std::weak_ptr<char> life;
    bool& flag;
    ~Reset() {
      if (!life.expired()) flag = false;
    }
  } reset{Life(), reportingChange_};
  PartEvent event;
  event.Slot = kChangeSlot;
  Report(event);
}

void QtPartBase::ReportChange(const QString& state) {
  if (quiet_ || state == lastState_) return;
  lastState_ = state;
  ReportChange();
}

void QtPartBase::MouseEvent(const QMouseEvent& me) {
  QWidget* area = MouseArea();
  QPoint at = area->mapFromGlobal(me.globalPosition().toPoint());
  bool doubleClick = me.type() == QEvent::MouseButtonDblClick;
  bool left = me.button() == Qt::LeftButton;
  PartEvent event = MouseAt(at);
  event.Shift = ShiftNames(me.modifiers(), me.buttons(), doubleClick);
  lastMouse_ = event;
  std::weak_ptr<char> life = Life();
  auto report = [&](int slot) {
    event.Slot = slot;
    Report(event);
    return !life.expired();  // go on only while the part stands
  };
  switch (me.type()) {
    case QEvent::MouseButtonPress:
      pressedHere_ = left;
      report(kPressSlot);
      break;
    case QEvent::MouseButtonDblClick:
      // Its release makes no second click.
      pressedHere_ = false;
      if (report(kDoubleClickSlot)) report(kPressSlot);
      break;
    case QEvent::MouseButtonRelease: {
      bool click = clickFromMouse_ && left && pressedHere_ && area->rect().contains(at);
      if (left) pressedHere_ = false;
      if (report(kReleaseSlot) && click) report(kClickSlot);
      break;
    }
    default:
      report(kMoveSlot);
  }
}

void QtPartBase::KeyEvent(const QKeyEvent& key) {
  // A held key repeats its press only, as keys repeat on the keyboards
  // the scripts know.
  if (key.type() == QEvent::KeyRelease && key.isAutoRepeat()) return;
  PartEvent event;
  event.Slot = key.type() == QEvent::KeyPress ? kKeyDownSlot : kKeyUpSlot;
  event.Key = VirtualKeyOf(key.key(), key.modifiers());
  // The keyboard's shift states only: buttons held are the mouse's news.
  event.Shift = ShiftNames(key.modifiers(), Qt::NoButton, false);
  Report(event);
}

void QtPartBase::FilesDropped(const std::string& files, QPoint globalPos) {
  PartEvent event = MouseAt(MouseArea()->mapFromGlobal(globalPos));
  event.Slot = kDropSlot;
  event.Files = files;
  Report(event);
}

}  // namespace nokari
