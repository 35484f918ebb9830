#include "host/ConsoleProgress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "core/Encoding.h"

namespace nokari {
namespace {

// Columns of the code point starting a UTF-8 sequence: East Asian wide and
// full-width ranges count two (enough for Japanese labels).
int Columns(uint32_t cp) {
  bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) || (cp >= 0xAC00 && cp <= 0xD7A3) ||
              (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
              (cp >= 0xFFE0 && cp <= 0xFFE6);
  return wide ? 2 : 1;
}

// The first character of `s` at `i`: its code point and length.
uint32_t Decode(const std::string& s, size_t i, size_t& length) {
  unsigned char c = s[i];
  length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  if (i + length > s.size()) length = s.size() - i;
  uint32_t cp = length == 1 ? c : c & (0x3F >> (length - 1));
  for (size_t k = 1; k < length; ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
  return cp;
}

void WriteAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

int TerminalColumns(int fd) {
  struct winsize size {};
  if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

}  // namespace

std::string ProgressLine(const std::string& labelUtf8, int percent, int columns) {
  std::string tail = " " + std::to_string(percent) + "%";
  int room = columns - 1 - static_cast<int>(tail.size());  // the last column would wrap on some terminals
  std::string line = "\r";
  int used = 0;
  for (size_t i = 0, length = 0; i < labelUtf8.size(); i += length) {
    uint32_t cp = Decode(labelUtf8, i, length);
    if (cp < 0x20) continue;  // a line break in a label would break the line
    int width = Columns(cp);
    if (used + width > room) break;
    used += width;
    line.append(labelUtf8, i, length);
  }
  return line + tail + "\x1b[K";
}

void ConsoleProgress::Open(const std::string& label, std::function<void()>) {
  open_ = true;
  label_ = ToUtf8(label);
  percent_ = 0;
  Draw();
}

void ConsoleProgress::SetLabel(const std::string& label) {
  if (!open_) return;
  label_ = ToUtf8(label);
  Draw();
}

// Called for every block of bytes: the line is redrawn only when the
// percentage changes.
void ConsoleProgress::SetPosition(int64_t done, int64_t total) {
  if (!open_ || total <= 0) return;
  int percent = done >= total ? 100 : static_cast<int>(done * 100 / total);
  if (percent == percent_) return;
  percent_ = percent;
  Draw();
}

void ConsoleProgress::Close() {
  if (!open_) return;
  open_ = false;
  if (terminal_) WriteAll(fd_, "\r\x1b[K");
}

void ConsoleProgress::Draw() {
  if (terminal_) WriteAll(fd_, ProgressLine(label_, percent_, TerminalColumns(fd_)));
}

IProgressService& HostConsoleProgress() {
  static ConsoleProgress progress(STDERR_FILENO, isatty(STDERR_FILENO) == 1);
  return progress;
}

}  // namespace nokari
