// イメージ: a picture on the own ImageView; empty, it shows white.
#include <algorithm>

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
  // The picture never grows past kMaxCanvasSide a side: a part a script
  // made huge must not take gigabytes for a canvas nobody can see whole
  // (drawing beyond it is clipped).
  ICanvas* Canvas() override {
    QtCanvas& canvas = w()->Surface();
    if (canvas.Image().isNull())
      canvas.Reset(std::clamp(w()->width(), 1, kMaxCanvasSide), std::clamp(w()->height(), 1, kMaxCanvasSide), 0xFFFFFF);
    return &canvas;
  }
  static constexpr int kMaxCanvasSide = 8192;
};

}  // namespace

std::unique_ptr<QtPartBase> MakeImagePart() { return std::make_unique<ImagePart>(); }

}  // namespace nokari
