// Run-control frames: one per active branch, loop, case, call or event, on a
// stack with nested run levels (取り込む, のかりする, handlers and calls made
// from inside expressions each run in a level of their own).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/TextPos.h"
#include "words/Hash.h"

namespace nokari {

enum FrameKind : uint8_t {
  kTrueBranch = 0,
  kFalseBranch = 1,
  kCountLoop = 2,   // 繰り返す
  kTimesLoop = 3,   // N回
  kCallFrame = 4,   // 呼ぶ / label call
  kEventFrame = 5,  // event handler
  kEachLoop = 6,    // 反復
  kCaseFrame = 8,   // 条件分岐 case
  kWhileLoop = 9,   // ループ
};

struct TRunControl {
  TextPos ReturnPos;
  TextPos ExitPos;
  int32_t Counter = 0;  // kind 5: the record whose event runs (-1: none)
  int32_t Limit = 0;    // kind 5: its event slot
  uint8_t Kind = 0;
  TextPos Body;  // the block's body where it stands (P its start); null for calls
  // The file name to give back when the frame ends (calls, events, loops):
  // a share, so that a call copies no text (SharedFileName in core/Engine.h).
  TextBuf SavedFileName;
  std::string Condition;
  WordRef CounterVar;                                   // kind 2
  // kind 2: the counter word's Version when the loop last wrote its text,
  // so the next turn can count that text up in place (CheckRunControl).
  uint64_t CounterTextVersion = ~0ull;
  std::shared_ptr<std::vector<std::string>> Items;      // kind 6
};

class TRunControlStack {
 public:
  int Count() const { return static_cast<int>(frames_.size()); }
  // Frames over every run level: the guard against endless recursion.
  int TotalCount() const { return total_ + Count(); }
  int Levels() const { return static_cast<int>(saved_.size()); }
  void Push(TRunControl frame) { frames_.push_back(std::move(frame)); }
  // A new empty frame on top, filled in place.
  TRunControl& PushNew() { return frames_.emplace_back(); }
  bool Pop(TRunControl& out);
  bool Peek(int index, TRunControl& out) const;
  TRunControl* Top() { return frames_.empty() ? nullptr : &frames_.back(); }
  void DropTop() { frames_.pop_back(); }
  TRunControl* At(int index) { return index >= 0 && index < Count() ? &frames_[index] : nullptr; }
  void Clear() { frames_.clear(); }
  // Whether any frame, on this level or a saved one, satisfies `pred`.
  template <class Pred>
  bool AnyFrame(Pred pred) const {
    for (const TRunControl& f : frames_)
      if (pred(f)) return true;
    for (const std::vector<TRunControl>& level : saved_)
      for (const TRunControl& f : level)
        if (pred(f)) return true;
    return false;
  }
  void SaveLevel();
  void RestoreLevel();
  void ClearAll();

 private:
  std::vector<TRunControl> frames_;
  std::vector<std::vector<TRunControl>> saved_;
  // Emptied storage of levels that ended, for the next levels to reuse.
  static constexpr size_t kSpareCapacity = 256, kSpareLevels = 16;
  std::vector<std::vector<TRunControl>> spare_;
  int total_ = 0;  // frames held by the saved levels
};

}  // namespace nokari
