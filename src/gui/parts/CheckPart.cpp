// チェック: a check box; its number is 1 when checked.
#include <QCheckBox>

#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class CheckPart : public QtPart<QCheckBox> {
 public:
  CheckPart() : QtPart(new QCheckBox) {
    w()->resize(97, 17);
    // Only the user's click: a script's check mark (setChecked) is none.
    clickFromMouse_ = false;
    QObject::connect(w(), &QCheckBox::clicked, Context(), [this] { ReportClick(); });
  }
  std::string Text() const override { return FromQ(w()->text()); }
  void SetText(const std::string& text) override { w()->setText(Q(text)); }
  int Value() const override { return w()->isChecked() ? 1 : 0; }
  void SetValue(int n) override { w()->setChecked(n != 0); }
};

}  // namespace

std::unique_ptr<QtPartBase> MakeCheckPart() { return std::make_unique<CheckPart>(); }

}  // namespace nokari
