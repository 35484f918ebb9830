// The widget of アニメ: frame pictures shown one after another on a timer.
// 100 × 100, white, 300 ms a frame, repeating without end (-1) until a
// repeat count is set. Button modes: 0 none; 1 a raised look while the
// mouse is over it and inverted while pressed; 2 as 1, and the frames run
// only while the mouse is over it.
#pragma once
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <vector>

namespace nokari {

class AnimeBox : public QWidget {
 public:
  AnimeBox();
  // Shows frame 0 and starts the timer when there is more than one frame
  // (in mode 2 only while the mouse is over the box), counting repeats
  // afresh.
  void Restart();
  void SetFrames(std::vector<QImage> frames);
  const std::vector<QImage>& Frames() const { return frames_; }
  int Frame() const { return frame_; }
  bool Running() const { return timer_.isActive(); }
  int Interval() const { return interval_; }
  void SetInterval(int ms);
  void SetRepeatCount(int n);
  void SetButtonMode(int mode);
  QColor Color = Qt::white;
  bool Stretch = false, Transparent = false;
  // One timer step: the next frame, wrapping, counting repeats.
  void Tick();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::vector<QImage> frames_;
  QTimer timer_;
  int frame_ = 0;
  int interval_ = 300;
  int repeat_ = -1, repeatsLeft_ = -1;
  int buttonMode_ = 0;
  bool hover_ = false, pressed_ = false;
};

}  // namespace nokari
