// バー: a scroll bar, horizontal until told otherwise, range 0..100.
#include <QScrollBar>

#include "gui/parts/SliderPart.h"

namespace nokari {
namespace {

class BarPart : public SliderPart<QScrollBar> {
 public:
  BarPart() : SliderPart(new QScrollBar(Qt::Horizontal)) {
    w()->resize(121, 16);
    w()->setRange(0, 100);
    QObject::connect(w(), &QScrollBar::valueChanged, Context(), [this] { ReportChange(); });
  }
};

}  // namespace

std::unique_ptr<QtPartBase> MakeBarPart() { return std::make_unique<BarPart>(); }

}  // namespace nokari
