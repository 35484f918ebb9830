// イメージ: a picture on the own ImageView; empty, it shows white.
#include "gui/QtText.h"
#include "gui/parts/ImageView.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class ImagePart : public QtPart<ImageView> {
 public:
  ImagePart() : QtPart(new ImageView) { w()->resize(105, 105); }
  bool LoadPicture(const std::string& path) override {
    if (path.empty()) {
      w()->SetPicture(QImage());
      return true;
    }
    return w()->Load(Q(path));
  }
  PartRect PictureSize() const override {
    const QImage& p = w()->Picture();
    return PartRect{0, 0, p.width(), p.height()};
  }
  bool Stretch() const override { return w()->Stretch(); }
  void SetStretch(bool on) override { w()->SetStretch(on); }
  bool Transparent() const override { return w()->Transparent(); }
  void SetTransparent(bool on) override { w()->SetTransparent(on); }
  // An イメージ without a picture gets a white one of its own size the
  // first time something draws on it.
  ICanvas* Canvas() override {
    QtCanvas& canvas = w()->Surface();
    if (canvas.Image().isNull()) canvas.Reset(std::max(1, w()->width()), std::max(1, w()->height()), 0xFFFFFF);
    return &canvas;
  }
};

}  // namespace

std::unique_ptr<QtPartBase> MakeImagePart() { return std::make_unique<ImagePart>(); }

}  // namespace nokari
