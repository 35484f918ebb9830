// バー: a scroll bar, horizontal until told otherwise, range 0..100.
#include <QScrollBar>

#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class BarPart : public QtPart<QScrollBar> {
 public:
  BarPart() : QtPart(new QScrollBar(Qt::Horizontal)) {
    w()->resize(121, 16);
    w()->setRange(0, 100);
    QObject::connect(w(), &QScrollBar::valueChanged, Context(), [this] { ReportChange(); });
  }
  int Value() const override { return w()->value(); }
  void SetValue(int n) override { w()->setValue(n); }
  int Minimum() const override { return w()->minimum(); }
  int Maximum() const override { return w()->maximum(); }
  void SetRange(int minimum, int maximum) override { w()->setRange(minimum, maximum); }
  bool Vertical() const override { return w()->orientation() == Qt::Vertical; }
  void SetVertical(bool on) override { w()->setOrientation(on ? Qt::Vertical : Qt::Horizontal); }
};

}  // namespace

std::unique_ptr<QtPartBase> MakeBarPart() { return std::make_unique<BarPart>(); }

}  // namespace nokari
