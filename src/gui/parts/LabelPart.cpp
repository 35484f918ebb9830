// ラベル: a caption with no background of its own (transparent) until
// told otherwise; a background colour shows only once it is opaque.
#include <QLabel>

#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class LabelPart : public QtPart<QLabel> {
 public:
  LabelPart() : QtPart(new QLabel) {
    w()->resize(65, 13);
    w()->setAutoFillBackground(false);
    w()->setTextFormat(Qt::PlainText);  // a script's "<b>" is text, not markup
  }
  std::string Text() const override { return FromQ(w()->text()); }
  void SetText(const std::string& text) override { w()->setText(Q(text)); }
  bool Transparent() const override { return !w()->autoFillBackground(); }
  void SetTransparent(bool on) override { w()->setAutoFillBackground(!on); }
  void SetBackColor(ColorRef c) override {
    bool transparent = Transparent();
    QtPart::SetBackColor(c);
    SetTransparent(transparent);
  }
};

}  // namespace

std::unique_ptr<QtPartBase> MakeLabelPart() { return std::make_unique<LabelPart>(); }

}  // namespace nokari
