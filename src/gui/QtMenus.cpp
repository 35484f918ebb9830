#include "gui/QtMenus.h"

#include <QAction>
#include <QApplication>
#include <QImageReader>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>

#include "gui/QtHost.h"
#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

const char kMenuItemProperty[] = "nokariMenuItem";

// Key names as Windows spells them in shortcut texts, where Qt spells them
// otherwise; the rest (Ctrl, Shift, Alt, F1, Del, Ins, Esc, Enter, Space,
// Tab, Home, End, PgUp, the arrows) Qt reads as they are.
struct KeyName {
  const char* Windows;
  const char* Qt;
};
constexpr KeyName kKeyNames[] = {
    {"BkSp", "Backspace"},
    {"PgDn", "PgDown"},
};

QString QtKeyName(const QString& name) {
  for (const KeyName& k : kKeyNames)
    if (name.compare(QLatin1String(k.Windows), Qt::CaseInsensitive) == 0) return QLatin1String(k.Qt);
  return name;
}

QString WindowsKeyName(const QString& name) {
  for (const KeyName& k : kKeyNames)
    if (name == QLatin1String(k.Qt)) return QLatin1String(k.Windows);
  return name;
}

// The stand-in widget of a menu item's handle (the widget its QAction
// hangs on); null for any other handle.
QWidget* StandInOf(PartHandle& item) {
  auto* part = dynamic_cast<QtPartBase*>(&item);
  QWidget* w = part ? part->Widget() : nullptr;
  return w && w->property(kMenuItemProperty).toBool() ? w : nullptr;
}

}  // namespace

std::optional<QKeySequence> KeySequenceOf(const QString& text) {
  QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) return QKeySequence();
  // The last "+" separates the key, so "Ctrl++" names the plus key.
  qsizetype cut = trimmed.size() > 1 ? trimmed.lastIndexOf('+', trimmed.size() - 2) : -1;
  QStringList names;
  for (const QString& modifier : trimmed.left(std::max<qsizetype>(cut, 0)).split('+', Qt::SkipEmptyParts))
    names << modifier.trimmed();
  names << QtKeyName(trimmed.mid(cut + 1).trimmed());
  QKeySequence keys = QKeySequence::fromString(names.join('+'), QKeySequence::PortableText);
  if (keys.count() != 1 || keys[0].key() == Qt::Key_unknown) return std::nullopt;
  // A modifier alone is no key.
  switch (keys[0].key()) {
    case Qt::Key_Control: case Qt::Key_Shift: case Qt::Key_Alt: case Qt::Key_Meta:
      return std::nullopt;
    default:
      return keys;
  }
}

QString ShortcutTextOf(const QKeySequence& keys) {
  QString text = keys.toString(QKeySequence::PortableText);
  qsizetype cut = text.size() > 1 ? text.lastIndexOf('+', text.size() - 2) : -1;
  return text.left(cut + 1) + WindowsKeyName(text.mid(cut + 1));
}

QIcon IconFromFile(const QString& path) {
  QImageReader reader(path);
  QImage image = reader.read();
  if (image.isNull()) return QIcon();
  return QIcon(QPixmap::fromImage(image));
}

QAction* MenuActionOf(PartHandle& item) {
  QWidget* standIn = StandInOf(item);
  return standIn ? standIn->findChild<QAction*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

std::unique_ptr<PartHandle> MakeMenuItem(TfrmNoka& window, PartHandle* parentItem, const std::string& caption) {
  std::unique_ptr<QtPartBase> item = MakeMenuPart();
  // Its clicks reach the script as any part's do.
  item->SetEventSlots(EventSlotsOf(PartKind::メニュー));
  QWidget* standIn = item->Widget();
  standIn->setProperty(kMenuItemProperty, true);
  standIn->setParent(window.Client());
  standIn->hide();
  QAction* action = MenuActionOf(*item);
  item->SetText(caption);
  action->setSeparator(caption == "-");
  QAction* parent = parentItem ? MenuActionOf(*parentItem) : nullptr;
  if (parent) {
    // An item gets its sub-menu with its first child; the menu goes with
    // the parent item's stand-in (a child item's own action stays its own).
    QMenu* menu = parent->menu<QMenu*>();
    if (!menu) {
      menu = new QMenu(StandInOf(*parentItem));
      parent->setMenu(menu);
    }
    menu->addAction(action);
  } else {
    window.MenuBar()->addAction(action);
    window.PlaceMenuBar();
  }
  return item;
}

TrayIcon::TrayIcon() : context_(std::make_unique<QObject>()) {}
TrayIcon::~TrayIcon() = default;

bool TrayIcon::Shown() const { return icon_ && icon_->isVisible(); }

void TrayIcon::Set(bool on, const QString& tip) {
  on_ = on;
  tip_ = tip;
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  if (on && !icon_) {
    icon_ = std::make_unique<QSystemTrayIcon>();
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated, icon_.get(),
                     [this](QSystemTrayIcon::ActivationReason reason) {
                       if (reason == QSystemTrayIcon::Trigger) Activate(true);
                       if (reason == QSystemTrayIcon::Context) Activate(false);
                     });
  }
  if (!icon_) return;
  if (!on) {
    icon_->hide();
    return;
  }
  QIcon icon = QApplication::windowIcon();
  // A tray icon without a picture shows nothing at all.
  if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
  icon_->setIcon(icon);
  icon_->setToolTip(tip);
  icon_->show();
}

void TrayIcon::SetIcon(const QIcon& icon) {
  if (icon_) icon_->setIcon(icon);
}

void TrayIcon::Activate(bool leftButton) {
  QTimer::singleShot(0, context_.get(), [this, leftButton] {
    if (clicked_) clicked_(leftButton);
  });
}

}  // namespace nokari
