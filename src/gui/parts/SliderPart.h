// What バー and トラック share: both are sliders over a range (a
// QAbstractSlider), with a position, a range and an orientation.
#pragma once
#include "gui/parts/PartKinds.h"

namespace nokari {

template <class W>
class SliderPart : public QtPart<W> {
 public:
  using QtPart<W>::QtPart;
  int Value() const override { return this->w()->value(); }
  void SetValue(int n) override { this->w()->setValue(n); }
  int Minimum() const override { return this->w()->minimum(); }
  int Maximum() const override { return this->w()->maximum(); }
  void SetRange(int minimum, int maximum) override { this->w()->setRange(minimum, maximum); }
  bool Vertical() const override { return this->w()->orientation() == Qt::Vertical; }
  void SetVertical(bool on) override { this->w()->setOrientation(on ? Qt::Vertical : Qt::Horizontal); }
};

}  // namespace nokari
