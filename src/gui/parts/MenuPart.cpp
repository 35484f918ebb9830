// メニュー: a menu item over a QAction. Menus themselves (bars, sub-menus,
// where an item goes) are built by the menu commands; this handle only
// holds the item, with a hidden stand-in widget answering the geometry a
// menu item does not have.
#include <QAction>

#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class MenuPart : public QtPartBase {
 public:
  MenuPart() : QtPartBase(new QWidget), action_(new QAction(widget_)) {
    action_->setCheckable(true);
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
  // The check mark.
  int Value() const override { return action_->isChecked() ? 1 : 0; }
  void SetValue(int n) override { action_->setChecked(n != 0); }

 private:
  QAction* action_;  // owned by the stand-in widget
};

}  // namespace

std::unique_ptr<QtPartBase> MakeMenuPart() { return std::make_unique<MenuPart>(); }

}  // namespace nokari
