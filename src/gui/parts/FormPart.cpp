// フォーム: a top-level window whose client is filled by its canvas "img"
// (an ImageView). The canvas follows the window's size, keeping what was
// drawn; parts put on the form stand above it.
#include <QResizeEvent>
#include <functional>

#include "gui/parts/ImageView.h"
#include "gui/parts/PartKinds.h"
#include "gui/parts/WindowPart.h"

namespace nokari {
namespace {

class FormWindow : public QWidget {
 public:
  FormWindow() {
    SetWindowColor(Qt::white);
    img_ = new ImageView(this);
    img_->setObjectName("img");
    img_->setMouseTracking(true);  // the form's mouse events come from its canvas
    // What is saved and copied of the canvas is the img's area, not the
    // larger picture kept from a larger client.
    img_->Surface().SetVisibleSize([this] { return img_->size(); });
    resize(320, 240);
    FollowClient();
  }
  ImageView* Img() const { return img_; }
  std::function<void()> Resized;  // after the canvas followed
  // The picture grows with the client and never shrinks; the img takes
  // the client's new size. A picture loaded larger than the client keeps
  // the img's size until the client changes. Called on the resize event
  // and by the handle too: a hidden window gets its resize events only
  // when shown, and a console run never shows it.
  void FollowClient() {
    img_->GrowCanvasTo(size(), palette().color(QPalette::Window));
    img_->resize(size() == followed_ ? img_->size().expandedTo(size()) : size());
    followed_ = size();
  }
  void SetWindowColor(const QColor& c) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, c);
    setPalette(pal);
    setAutoFillBackground(true);
  }

 protected:
  void resizeEvent(QResizeEvent*) override {
    FollowClient();
    if (Resized) Resized();
  }

 private:
  ImageView* img_;
  QSize followed_;  // the client size the img last followed
};

class FormPart : public WindowPart<FormWindow> {
 public:
  FormPart() : WindowPart(new FormWindow) {
    w()->Resized = [this] { ClientResized(); };
  }
  ~FormPart() override {
    if (w()) w()->Resized = nullptr;
  }
  QWidget* ChildArea() override { return w(); }

  ColorRef BackColor() const override { return ColorRefOf(w()->palette().color(QPalette::Window)); }
  // The window takes the colour and the canvas starts over in it, at the
  // client size.
  void SetBackColor(ColorRef c) override {
    w()->SetWindowColor(QColorOf(c));
    QImage fresh(w()->size(), QImage::Format_RGB32);
    fresh.fill(QColorOf(c));
    w()->Img()->SetPicture(fresh);
    w()->Img()->setGeometry(w()->rect());
  }

  // A picture replaces the canvas, and the canvas takes its size.
  bool LoadPicture(const std::string& path) override {
    ImageView* img = w()->Img();
    if (path.empty()) {
      img->SetPicture(QImage());
      return true;
    }
    if (!img->Load(Q(path))) return false;
    img->resize(img->Picture().size());
    return true;
  }
  PartRect PictureSize() const override {
    const QImage& p = w()->Img()->Picture();
    return PartRect{0, 0, p.width(), p.height()};
  }
  bool Stretch() const override { return w()->Img()->Stretch(); }
  void SetStretch(bool on) override { w()->Img()->SetStretch(on); }
  bool Transparent() const override { return w()->Img()->Transparent(); }
  void SetTransparent(bool on) override { w()->Img()->SetTransparent(on); }
  // The img, at least as large as the client.
  ICanvas* Canvas() override {
    w()->FollowClient();
    return &w()->Img()->Surface();
  }

 protected:
  void FollowClient() override { w()->FollowClient(); }
};

}  // namespace

std::unique_ptr<QtPartBase> MakeFormPart() { return std::make_unique<FormPart>(); }

}  // namespace nokari
