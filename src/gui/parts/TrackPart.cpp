// トラック: a slider, range 0..10, never smaller than 10 × 10 (the
// minimum size holds against every later resize).
#include <QSlider>

#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class TrackPart : public QtPart<QSlider> {
 public:
  TrackPart() : QtPart(new QSlider(Qt::Horizontal)) {
    w()->setMinimumSize(10, 10);
    w()->resize(150, 45);
    w()->setRange(0, 10);
    w()->setTickPosition(QSlider::TicksBelow);
    QObject::connect(w(), &QSlider::valueChanged, Context(), [this] {
      // The handler may read the size: it is never below the minimum.
      w()->resize(w()->size().expandedTo(w()->minimumSize()));
      ReportChange();
    });
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

std::unique_ptr<QtPartBase> MakeTrackPart() { return std::make_unique<TrackPart>(); }

}  // namespace nokari
