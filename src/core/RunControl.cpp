#include "core/RunControl.h"

namespace nokari {

bool TRunControlStack::Pop(TRunControl& out) {
  if (frames_.empty()) return false;
  out = std::move(frames_.back());
  frames_.pop_back();
  return true;
}

bool TRunControlStack::Peek(int index, TRunControl& out) const {
  if (index < 0 || index >= Count()) return false;
  out = frames_[index];
  return true;
}

void TRunControlStack::SaveLevel() {
  total_ += Count();
  saved_.push_back(std::move(frames_));
  frames_.clear();
  if (!spare_.empty()) {
    frames_ = std::move(spare_.back());
    spare_.pop_back();
  }
}

void TRunControlStack::RestoreLevel() {
  if (saved_.empty()) return;
  frames_.clear();
  // A small level's storage is kept for the next one (a function called
  // in an expression makes a level at every call).
  if (frames_.capacity() <= kSpareCapacity && spare_.size() < kSpareLevels) spare_.push_back(std::move(frames_));
  frames_ = std::move(saved_.back());
  saved_.pop_back();
  total_ -= Count();
}

void TRunControlStack::ClearAll() {
  frames_.clear();
  saved_.clear();
  total_ = 0;
}

}  // namespace nokari
