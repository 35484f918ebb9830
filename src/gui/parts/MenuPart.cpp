// メニュー: a menu item over a QAction. Menus themselves (bars, sub-menus,
// where an item goes) are built by the menu commands; this handle only
// holds the item, with a hidden stand-in widget answering the geometry a
// menu item does not have.
#include <QAction>

#include "gui/QtMenus.h"
#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class MenuPart : public QtPartBase {
 public:
  MenuPart() : QtPartBase(new QWidget), action_(new QAction(widget_)) {
    widget_->hide();  // for good: it must never cover the window's client
    QObject::connect(action_, &QAction::triggered, Context(), [this] { ReportClick(); });
  }
  QAction* Action() const { return action_; }

  bool Visible() const override { return action_->isVisible(); }
  void SetVisible(bool on) override { action_->setVisible(on); }
  bool Enabled() const override { return action_->isEnabled(); }
  void SetEnabled(bool on) override { action_->setEnabled(on); }
  bool SetParent(PartHandle&) override { return false; }
  bool Focus() override { return false; }
  std::string Text() const override { return FromQ(action_->text()); }
  void SetText(const std::string& text) override { action_->setText(Q(text)); }
  // The check mark. Only a checked item is checkable, so an unchecked
  // one shows no empty box beside its caption.
  int Value() const override { return action_->isChecked() ? 1 : 0; }
  void SetValue(int n) override {
    action_->setCheckable(n != 0);
    action_->setChecked(n != 0);
  }
  bool SetShortcut(const std::string& text) override {
    std::optional<QKeySequence> keys = KeySequenceOf(Q(text));
    if (!keys) return false;
    action_->setShortcut(*keys);
    return true;
  }
  std::string Shortcut() const override { return FromQ(ShortcutTextOf(action_->shortcut())); }
  // The picture is the item's icon.
  bool LoadPicture(const std::string& path) override {
    QIcon icon = path.empty() ? QIcon() : IconFromFile(Q(path));
    if (!path.empty() && icon.isNull()) return false;
    action_->setIcon(icon);
    return true;
  }
  PartRect PictureSize() const override {
    QList<QSize> sizes = action_->icon().availableSizes();
    return sizes.isEmpty() ? PartRect{} : PartRect{0, 0, sizes.first().width(), sizes.first().height()};
  }

 private:
  QAction* action_;  // owned by the stand-in widget
};

}  // namespace

std::unique_ptr<QtPartBase> MakeMenuPart() { return std::make_unique<MenuPart>(); }

}  // namespace nokari
