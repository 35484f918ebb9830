// A position in a prepared program text. Prepared texts are immutable; a
// position holds a share of its text, so cursors, saved positions, labels
// and loop bodies can never dangle.
//
// A block's body is run where it stands in its text, never copied (a copy
// per level made nested blocks cost quadratic time and memory). End marks
// where the text the position runs in ends: the closing ")" of a bracketed
// body, or the line end or ";" after a one-line body; null when it runs to
// the NUL of the whole text. The engine treats End as the end of a text of
// its own: the body ends there with the line end of the line it ends on.
#pragma once
#include <memory>
#include <string>

namespace nokari {

using TextBuf = std::shared_ptr<const std::string>;

struct TextPos {
  TextBuf Buf;
  const char* P = nullptr;
  const char* End = nullptr;  // null: the text runs to its NUL

  TextPos() = default;
  TextPos(TextBuf buf, const char* p, const char* end = nullptr) : Buf(std::move(buf)), P(p), End(end) {}
  static TextPos StartOf(TextBuf buf) {
    const char* p = buf ? buf->c_str() : nullptr;
    return TextPos(std::move(buf), p);
  }
  explicit operator bool() const { return P != nullptr; }
  void Reset() {
    Buf.reset();
    P = nullptr;
    End = nullptr;
  }
  // The NUL that ends the whole text (where a body's reading stops once
  // its closing line end was stepped over).
  const char* BufferEnd() const { return Buf->data() + Buf->size(); }
};

inline TextBuf MakeText(std::string s) { return std::make_shared<const std::string>(std::move(s)); }

}  // namespace nokari
