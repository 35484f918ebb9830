// 行揃え: wrapping text to a byte width with line-start prohibition.
#include "core/Cp932.h"
#include "lib/text/TextCore.h"

namespace nokari::text {

namespace {

class Wrapper {
 public:
  Wrapper(std::string_view s, int64_t width, int64_t tab, std::string_view kinsoku)
      : s_(s), width_(width), tab_(tab), kinsoku_(kinsoku) {}

  std::string Run() {
    while (i_ < s_.size()) {
      if (CharLenAt(s_, i_) == 2) Wide();
      else Narrow();
    }
    return std::move(out_);
  }

 private:
  void Wide() {
    if (column_ + 2 > width_ && BreakPulled()) return;
    out_.append(s_, i_, 2);
    i_ += 2;
    column_ += 2;
  }

  void Narrow() {
    if (column_ >= width_ && BreakPulled()) return;
    char c = s_[i_++];
    if (c == '\r' || c == '\n') {
      if (i_ < s_.size() && (s_[i_] == '\r' || s_[i_] == '\n')) ++i_;
      BreakPulled();
      return;
    }
    out_.push_back(c);
    column_ += c == '\t' ? tab_ : 1;
  }

  // Breaks the line; a prohibited character at the cursor is first pulled
  // onto the ending line. Returns true when it pulled one, so the caller
  // moves on to the character after it.
  bool BreakPulled() {
    bool pulled = false;
    if (!kinsoku_.empty() && i_ < s_.size()) {
      size_t len = CharLenAt(s_, i_);
      if (FindFrom(kinsoku_, s_.substr(i_, len), 0) != std::string_view::npos) {
        out_.append(s_, i_, len);
        i_ += len;
        pulled = true;
      }
    }
    out_ += "\r\n";
    column_ = 0;
    return pulled;
  }

  std::string_view s_;
  int64_t width_, tab_;
  std::string_view kinsoku_;
  std::string out_;
  size_t i_ = 0;
  int64_t column_ = 0;
};

}  // namespace

std::string WrapText(std::string_view s, int64_t width, int64_t tab, std::string_view kinsoku) {
  if (width <= 0) return std::string(s);
  return Wrapper(s, width, tab, kinsoku).Run();
}

}  // namespace nokari::text
