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
#include <cstddef>
#include <string>
#include <utility>

namespace nokari {

// A share of a prepared text. Cursors, frames and plans copy their text's
// share at every call, branch and loop, so the count is a plain integer:
// texts never leave the engine's thread, and the atomic count of a
// shared_ptr cost a user function's call a tenth of its time.
class TextBuf {
 public:
  TextBuf() = default;
  TextBuf(std::nullptr_t) {}
  TextBuf(const TextBuf& other) : block_(other.block_) {
    if (block_) ++block_->Count;
  }
  TextBuf(TextBuf&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  TextBuf& operator=(const TextBuf& other) {
    if (other.block_) ++other.block_->Count;
    Release();
    block_ = other.block_;
    return *this;
  }
  TextBuf& operator=(TextBuf&& other) noexcept {
    if (this != &other) {
      Release();
      block_ = std::exchange(other.block_, nullptr);
    }
    return *this;
  }
  ~TextBuf() { Release(); }

  // A new text with one share, this one.
  static TextBuf Make(std::string text) {
    TextBuf buf;
    buf.block_ = new Block{std::move(text), 1};
    return buf;
  }
  const std::string* get() const { return block_ ? &block_->Text : nullptr; }
  const std::string& operator*() const { return block_->Text; }
  const std::string* operator->() const { return &block_->Text; }
  explicit operator bool() const { return block_ != nullptr; }
  void reset() {
    Release();
    block_ = nullptr;
  }
  friend bool operator==(const TextBuf& a, const TextBuf& b) { return a.block_ == b.block_; }

 private:
  struct Block {
    const std::string Text;
    size_t Count;
  };
  void Release() {
    if (block_ && --block_->Count == 0) delete block_;
  }
  Block* block_ = nullptr;
};

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

inline TextBuf MakeText(std::string s) { return TextBuf::Make(std::move(s)); }

}  // namespace nokari
