// スクロール: a scroll box, 300 × 200. Parts put on it go into its inner
// widget, which grows to hold them all (never smaller than the view), so
// the bars appear when a part stands outside the view.
#include <QChildEvent>
#include <QEvent>
#include <QScrollArea>

#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class ScrollInner : public QWidget {
 public:
  explicit ScrollInner(QScrollArea* area) : area_(area) {}
  // Fits the inner widget to its children's extent and the view.
  void Grow() {
    QRect extent = childrenRect();
    QSize size(std::max(extent.right() + 1, 0), std::max(extent.bottom() + 1, 0));
    // The view's size from the area's own: a hidden area's viewport has
    // not been laid out yet.
    resize(size.expandedTo(area_->maximumViewportSize()));
  }

 protected:
  // A child arriving, moving, resizing or showing changes the extent.
  bool event(QEvent* event) override {
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildRemoved) {
      QObject* child = static_cast<QChildEvent*>(event)->child();
      if (event->type() == QEvent::ChildAdded)
        child->installEventFilter(this);
      else
        child->removeEventFilter(this);
      Grow();
    }
    return QWidget::event(event);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::ShowToParent:  // also while the window is not shown
      case QEvent::HideToParent:
        Grow();
        break;
      default:
        break;
    }
    return QWidget::eventFilter(watched, event);
  }

 private:
  QScrollArea* area_;
};

class ScrollPart : public QtPart<QScrollArea> {
 public:
  ScrollPart() : QtPart(new QScrollArea), inner_(new ScrollInner(w())) {
    w()->resize(300, 200);
    w()->setWidgetResizable(false);
    w()->setWidget(inner_);
    inner_->setMouseTracking(true);
    inner_->Grow();
  }
  QWidget* ChildArea() override { return inner_; }
  void SetGeometry(const PartRect& r) override {
    QtPart::SetGeometry(r);
    inner_->Grow();
  }

 private:
  ScrollInner* inner_;  // owned by the scroll area
};

}  // namespace

std::unique_ptr<QtPartBase> MakeScrollPart() { return std::make_unique<ScrollPart>(); }

}  // namespace nokari
