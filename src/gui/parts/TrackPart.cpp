// トラック: a slider, range 0..10, never smaller than 10 × 10 (the
// minimum size holds against every later resize).
#include <QSlider>

#include "gui/parts/SliderPart.h"

namespace nokari {
namespace {

class TrackPart : public SliderPart<QSlider> {
 public:
  TrackPart() : SliderPart(new QSlider(Qt::Horizontal)) {
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
};

}  // namespace

std::unique_ptr<QtPartBase> MakeTrackPart() { return std::make_unique<TrackPart>(); }

}  // namespace nokari
