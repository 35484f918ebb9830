// アニメ: the AnimeBox behind a handle; frames come from picture files.
#include <QPainter>

#include "gui/QtText.h"
#include "gui/parts/AnimeBox.h"
#include "gui/parts/ImageView.h"
#include "gui/parts/PartKinds.h"

namespace nokari {

AnimeBox::AnimeBox() {
  resize(100, 100);
  connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

void AnimeBox::Restart() {
  frame_ = 0;
  repeatsLeft_ = repeat_;
  bool run = frames_.size() > 1 && repeat_ != 0 && (buttonMode_ != 2 || hover_);
  if (run)
    timer_.start(interval_);
  else
    timer_.stop();
  update();
}

void AnimeBox::SetFrames(std::vector<QImage> frames) {
  frames_ = std::move(frames);
  Restart();
}

void AnimeBox::SetInterval(int ms) {
  interval_ = std::max(ms, 1);
  timer_.setInterval(interval_);
}

void AnimeBox::SetRepeatCount(int n) {
  repeat_ = n;
  Restart();
}

void AnimeBox::SetButtonMode(int mode) {
  buttonMode_ = mode;
  Restart();
}

void AnimeBox::Tick() {
  if (pressed_ || frames_.empty()) return;  // a pressed box holds its frame
  if (++frame_ < static_cast<int>(frames_.size())) {
    update();
    return;
  }
  // Hover mode shows frame 0 at rest only: a running cycle restarts at 1.
  frame_ = buttonMode_ == 2 && frames_.size() > 1 ? 1 : 0;
  if (repeatsLeft_ > 0 && --repeatsLeft_ < 1) timer_.stop();
  update();
}

void AnimeBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!Transparent) p.fillRect(rect(), Color);
  if (frame_ < static_cast<int>(frames_.size())) {
    const QImage& image = frames_[frame_];
    QPixmap pixmap = QPixmap::fromImage(image);
    // Frames mark their transparent colour by the top-left pixel.
    if (Transparent) pixmap.setMask(pixmap.createMaskFromColor(image.pixelColor(0, 0), Qt::MaskInColor));
    if (Stretch)
      p.drawPixmap(rect(), pixmap);
    else
      p.drawPixmap(0, 0, pixmap);
  }
  if (buttonMode_ != 0 && hover_) {
    int pen = width() / 24 + 1;
    QRect r = rect().adjusted(pen / 2, pen / 2, -(pen + 1) / 2, -(pen + 1) / 2);
    p.setPen(QPen(palette().color(QPalette::Light), pen));
    p.drawPolyline(QPolygon{r.bottomLeft(), r.topLeft(), r.topRight()});
    p.setPen(QPen(palette().color(QPalette::Dark), pen));
    p.drawPolyline(QPolygon{r.topRight(), r.bottomRight(), r.bottomLeft()});
  }
  if (buttonMode_ != 0 && pressed_) {
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.fillRect(rect(), Qt::white);
  }
}

void AnimeBox::enterEvent(QEnterEvent*) {
  hover_ = true;
  if (buttonMode_ == 2) Restart();
  update();
}

void AnimeBox::leaveEvent(QEvent*) {
  hover_ = false;
  if (buttonMode_ == 2) {
    timer_.stop();
    frame_ = 0;
  }
  update();
}

void AnimeBox::mousePressEvent(QMouseEvent*) {
  pressed_ = buttonMode_ != 0;
  update();
}

void AnimeBox::mouseReleaseEvent(QMouseEvent*) {
  pressed_ = false;
  update();
}

namespace {

class AnimePart : public QtPart<AnimeBox> {
 public:
  AnimePart() : QtPart(new AnimeBox) {}

  // Every file is read before anything changes: one that cannot be read
  // leaves the frames as they were.
  bool LoadFrames(const std::vector<std::string>& paths, bool append) override {
    std::vector<QImage> frames = append ? w()->Frames() : std::vector<QImage>{};
    for (const std::string& path : paths) {
      bool ok = false;
      frames.push_back(ReadPicture(Q(path), &ok));
      if (!ok) return false;
    }
    w()->SetFrames(std::move(frames));
    return true;
  }
  bool LoadPicture(const std::string& path) override {
    if (!path.empty()) return LoadFrames({path}, false);
    w()->SetFrames({});
    return true;
  }
  PartRect PictureSize() const override {
    const auto& frames = w()->Frames();
    if (frames.empty()) return {};
    const QImage& shown = frames[std::min<size_t>(w()->Frame(), frames.size() - 1)];
    return PartRect{0, 0, shown.width(), shown.height()};
  }
  // The number of an アニメ is its frame interval.
  int Value() const override { return w()->Interval(); }
  void SetValue(int n) override { w()->SetInterval(n); }
  void SetRepeatCount(int n) override { w()->SetRepeatCount(n); }
  void SetButtonMode(int mode) override { w()->SetButtonMode(mode); }
  bool Stretch() const override { return w()->Stretch; }
  void SetStretch(bool on) override {
    w()->Stretch = on;
    w()->update();
  }
  bool Transparent() const override { return w()->Transparent; }
  void SetTransparent(bool on) override {
    w()->Transparent = on;
    w()->update();
  }
  ColorRef BackColor() const override { return ColorRefOf(w()->Color); }
  void SetBackColor(ColorRef c) override {
    w()->Color = QColorOf(c);
    w()->update();
  }
};

}  // namespace

std::unique_ptr<QtPartBase> MakeAnimePart() { return std::make_unique<AnimePart>(); }

}  // namespace nokari
