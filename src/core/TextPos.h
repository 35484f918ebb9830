// A position in a prepared program text. Prepared texts are immutable; a
// position holds a share of its text, so cursors, saved positions, labels
// and loop bodies can never dangle.
#pragma once
#include <memory>
#include <string>

namespace nokari {

using TextBuf = std::shared_ptr<const std::string>;

struct TextPos {
  TextBuf Buf;
  const char* P = nullptr;

  TextPos() = default;
  TextPos(TextBuf buf, const char* p) : Buf(std::move(buf)), P(p) {}
  static TextPos StartOf(TextBuf buf) {
    const char* p = buf ? buf->c_str() : nullptr;
    return TextPos(std::move(buf), p);
  }
  explicit operator bool() const { return P != nullptr; }
  bool AtEnd() const { return P && *P == '\0'; }
  void Reset() {
    Buf.reset();
    P = nullptr;
  }
};

inline TextBuf MakeText(std::string s) { return std::make_shared<const std::string>(std::move(s)); }

}  // namespace nokari
