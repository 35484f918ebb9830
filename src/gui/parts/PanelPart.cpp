// パネル: a raised frame with its caption centred, a container.
#include <QFrame>
#include <QPainter>

#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class PanelFrame : public QFrame {
 public:
  PanelFrame() {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);  // a panel hides what is behind it
  }
  QString Caption;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QFrame::paintEvent(event);
    if (Caption.isEmpty()) return;
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(contentsRect(), Qt::AlignCenter, Caption);
  }
};

class PanelPart : public QtPart<PanelFrame> {
 public:
  PanelPart() : QtPart(new PanelFrame) { w()->resize(185, 41); }
  QWidget* ChildArea() override { return w(); }
  std::string Text() const override { return FromQ(w()->Caption); }
  void SetText(const std::string& text) override {
    w()->Caption = Q(text);
    w()->update();
  }
};

}  // namespace

std::unique_ptr<QtPartBase> MakePanelPart() { return std::make_unique<PanelPart>(); }

}  // namespace nokari
