// ラジオ: a titled group of radio buttons; the items are the buttons (one
// a line, top to bottom) and the number is the checked one's index (-1
// when none).
#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class RadioPart : public QtPart<QGroupBox> {
 public:
  RadioPart() : QtPart(new QGroupBox), group_(new QButtonGroup(w())) {
    w()->resize(185, 105);
    new QVBoxLayout(w());
    // A click is the user picking a button, not a click on the frame.
    clickFromMouse_ = false;
    QObject::connect(group_, &QButtonGroup::buttonClicked, Context(), [this] { ReportClick(); });
  }
  std::string Text() const override { return FromQ(w()->title()); }
  void SetText(const std::string& text) override { w()->setTitle(Q(text)); }

  std::vector<std::string> Items() const override {
    std::vector<std::string> items;
    for (QAbstractButton* b : group_->buttons()) items.push_back(FromQ(b->text()));
    return items;
  }
  void SetItems(const std::vector<std::string>& items) override {
    for (QAbstractButton* b : group_->buttons()) delete b;  // leaves the group and the layout
    for (size_t i = 0; i < items.size(); ++i) {
      auto* button = new QRadioButton(Q(items[i]), w());
      button->setMouseTracking(true);
      group_->addButton(button, static_cast<int>(i));
      w()->layout()->addWidget(button);
    }
  }
  void SetItemText(int index, const std::string& text) override {
    if (QAbstractButton* b = group_->button(index)) b->setText(Q(text));
  }
  int Value() const override { return group_->checkedId(); }
  void SetValue(int n) override {
    if (QAbstractButton* b = group_->button(n)) {
      b->setChecked(true);
      return;
    }
    // An exclusive group will not uncheck its last button.
    if (QAbstractButton* checked = group_->checkedButton()) {
      group_->setExclusive(false);
      checked->setChecked(false);
      group_->setExclusive(true);
    }
  }

 private:
  QButtonGroup* group_;  // owned by the box
};

}  // namespace

std::unique_ptr<QtPartBase> MakeRadioPart() { return std::make_unique<RadioPart>(); }

}  // namespace nokari
