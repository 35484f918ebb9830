// ボタン: a push button; a picture becomes its icon, so the same widget
// (and what is connected to it) stays when a picture is set.
#include <QPushButton>

#include "gui/QtText.h"
#include "gui/parts/ImageView.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class ButtonPart : public QtPart<QPushButton> {
 public:
  ButtonPart() : QtPart(new QPushButton) {
    w()->resize(75, 25);
    // The button's own click: a press and release inside it, or the space
    // key while it has the focus.
    clickFromMouse_ = false;
    QObject::connect(w(), &QPushButton::clicked, Context(), [this] { ReportClick(); });
  }
  std::string Text() const override { return FromQ(w()->text()); }
  void SetText(const std::string& text) override { w()->setText(Q(text)); }

  bool LoadPicture(const std::string& path) override {
    if (path.empty()) {
      picture_ = QImage();
      w()->setIcon(QIcon());
      return true;
    }
    bool ok = false;
    QImage image = ReadPicture(Q(path), &ok);
    if (!ok) return false;
    picture_ = image;
    w()->setIcon(QIcon(QPixmap::fromImage(image)));
    w()->setIconSize(image.size());
    return true;
  }
  PartRect PictureSize() const override { return PartRect{0, 0, picture_.width(), picture_.height()}; }

 private:
  QImage picture_;
};

}  // namespace

std::unique_ptr<QtPartBase> MakeButtonPart() { return std::make_unique<ButtonPart>(); }

}  // namespace nokari
