// Picture files: reading and writing through Qt's image readers and
// writers, the format chosen by the lower-cased extension.
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "core/Encoding.h"
#include "core/Errors.h"
#include "gui/QtText.h"
#include "gui/canvas/PictureFiles.h"
#include "gui/canvas/QtCanvas.h"
#include "lib/file/FileOps.h"
#include "lib/image/Messages.h"
#include "lib/image/Pixels.h"
#include "lib/path/Path.h"
#include "words/Contract.h"

namespace nokari {
namespace {

const char* QtFormatOf(image::PictureFormat f) {
  switch (f) {
    case image::PictureFormat::Bmp: return "bmp";
    case image::PictureFormat::Jpeg: return "jpeg";
    case image::PictureFormat::Png: return "png";
    case image::PictureFormat::Ico: return "ico";
    case image::PictureFormat::Gif: return "gif";
    case image::PictureFormat::Unknown: break;
  }
  return "";
}

std::string TooLargeReason(int64_t w, int64_t h) {
  return FormatMessage(Sj(msg::kImageTooLarge), {FormatInt(w), FormatInt(h)});
}

// The limits are ours (image::SizeAllowed, checked on the header's size);
// Qt's own allocation cap (256 MB) would refuse pictures below them.
void RaiseQtAllocationLimit() {
  static const bool done = [] {
    QImageReader::setAllocationLimit(static_cast<int>((image::kMaxPixels * 4) >> 20) + 16);
    return true;
  }();
  (void)done;
}

// The decoders' own complaints: libpng's default error handler writes
// "libpng error: Not a PNG file" straight to standard error, beside the
// reader's own reason. While a picture is read, standard error goes to a
// scratch file (the program has one thread), so a script's error output
// holds the script's errors alone; what was written there becomes the
// reason when the reader has none of its own.
class DecoderMessages {
 public:
  DecoderMessages() {
    std::fflush(stderr);
    scratch_ = std::tmpfile();
    saved_ = scratch_ ? ::dup(STDERR_FILENO) : -1;
    if (saved_ >= 0) ::dup2(::fileno(scratch_), STDERR_FILENO);
  }
  ~DecoderMessages() { Restore(); }
  // Ends the diversion; returns what the decoders wrote.
  std::string Restore() {
    std::string text;
    if (saved_ >= 0) {
      std::fflush(stderr);
      ::dup2(saved_, STDERR_FILENO);
      ::close(saved_);
      saved_ = -1;
      std::rewind(scratch_);
      char buffer[512];
      size_t n = std::fread(buffer, 1, sizeof buffer, scratch_);
      text.assign(buffer, n);
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    }
    if (scratch_) std::fclose(scratch_);
    scratch_ = nullptr;
    return text;
  }
  DecoderMessages(const DecoderMessages&) = delete;
  DecoderMessages& operator=(const DecoderMessages&) = delete;

 private:
  std::FILE* scratch_ = nullptr;
  int saved_ = -1;
};

// The size a BMP header declares, read from the bytes themselves: Qt's
// reader gives no size for a header it dislikes (a file shorter than the
// pixels it announces), and such a header still must not be trusted.
QSize DeclaredBmpSize(QFile& file) {
  QByteArray h = file.peek(26);
  if (h.size() < 26 || h[0] != 'B' || h[1] != 'M') return {};
  auto u32 = [&h](int at) {
    return static_cast<quint32>(static_cast<uchar>(h[at])) | static_cast<quint32>(static_cast<uchar>(h[at + 1])) << 8 |
           static_cast<quint32>(static_cast<uchar>(h[at + 2])) << 16 |
           static_cast<quint32>(static_cast<uchar>(h[at + 3])) << 24;
  };
  auto u16 = [&h](int at) {
    return static_cast<quint32>(static_cast<uchar>(h[at])) | static_cast<quint32>(static_cast<uchar>(h[at + 1])) << 8;
  };
  if (u32(14) == 12) return QSize(static_cast<int>(u16(18)), static_cast<int>(u16(20)));
  int64_t w = static_cast<int32_t>(u32(18)), hgt = static_cast<int32_t>(u32(22));
  // A negative height is a top-down picture; sizes beyond int fall to the limit.
  w = std::min<int64_t>(std::llabs(w), INT32_MAX);
  hgt = std::min<int64_t>(std::llabs(hgt), INT32_MAX);
  return QSize(static_cast<int>(w), static_cast<int>(hgt));
}

QImage ClipboardImage() {
  QClipboard* clipboard = QApplication::clipboard();
  return clipboard ? clipboard->image() : QImage();
}

// The picture in the pixel format of a colour depth, for writing.
QImage InDepth(const QImage& image, int depth) {
  switch (depth) {
    case 1: return image.convertToFormat(QImage::Format_Mono);
    case 4:
    case 8: return image.convertToFormat(QImage::Format_Indexed8);
    case 15: return image.convertToFormat(QImage::Format_RGB555);
    case 16: return image.convertToFormat(QImage::Format_RGB16);
    case 32: return image.convertToFormat(QImage::Format_RGB32);
    default: return image.convertToFormat(QImage::Format_RGB888);
  }
}

}  // namespace

QImage ReadPictureFile(const std::string& path, PictureReadFailure& failure, std::string& reason) {
  failure = PictureReadFailure::None;
  if (path == Sj("クリップボード")) {
    QImage image = ClipboardImage();
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
  }
  image::PictureFormat format = image::FormatOfName(path);
  if (!image::CanRead(format)) {
    failure = PictureReadFailure::Unsupported;
    return {};
  }
  QFile file(QString::fromUtf8(NativePath(path)));
  if (!file.open(QIODevice::ReadOnly)) {
    failure = PictureReadFailure::CannotOpen;
    return {};
  }
  RaiseQtAllocationLimit();
  QSize bmpDeclared = format == image::PictureFormat::Bmp ? DeclaredBmpSize(file) : QSize();
  QImageReader reader(&file, QtFormatOf(format));
  reader.setDecideFormatFromContent(false);
  DecoderMessages messages;
  // The size the header declares, before a single pixel is allocated.
  QSize declared = reader.size();
  if (!declared.isValid()) declared = bmpDeclared;
  if (declared.isValid() && !image::SizeAllowed(declared.width(), declared.height())) {
    failure = PictureReadFailure::TooLarge;
    reason = TooLargeReason(declared.width(), declared.height());
    return {};
  }
  QImage image = reader.read();
  std::string complaint = messages.Restore();
  if (image.isNull()) {
    failure = PictureReadFailure::Broken;
    // The decoder's own words say more than Qt's "Unable to read image data".
    reason = complaint.empty() ? FromQ(reader.errorString()) : complaint;
    return {};
  }
  if (!image::SizeAllowed(image.width(), image.height())) {
    failure = PictureReadFailure::TooLarge;
    reason = TooLargeReason(image.width(), image.height());
    return {};
  }
  // One pixel format for every picture, so drawing code meets one layout.
  return image.convertToFormat(QImage::Format_RGB32);
}

bool EncodePicture(const QImage& image, int depth, const std::string& extension, int quality, QByteArray& bytes,
                   std::string& reason) {
  image::PictureFormat format = image::FormatOfName(extension);
  if (!image::CanWrite(format)) {
    reason = FormatMessage(Sj(msg::kImageUnsupportedSave), {extension});
    return false;
  }
  if (image.isNull()) {
    reason = FromQ(QImageWriter().errorString());
    return false;
  }
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, QtFormatOf(format));
  writer.setQuality(std::clamp(quality, 1, 100));
  // JPEG has no palette; an icon keeps its colours.
  int written = format == image::PictureFormat::Jpeg || format == image::PictureFormat::Ico ? 24 : depth;
  if (!writer.write(InDepth(image, written))) {
    reason = FromQ(writer.errorString());
    return false;
  }
  return true;
}

bool QtCanvas::Load(const std::string& path, std::string& error) {
  PictureReadFailure failure;
  QImage image = ReadPictureFile(path, failure, error);
  if (failure != PictureReadFailure::None) {
    if (failure == PictureReadFailure::Unsupported) error = Sj(msg::kImageUnsupportedFormat);
    return false;
  }
  SetImage(image);
  return true;
}

bool QtCanvas::Encode(const std::string& extension, int quality, std::string& bytes, std::string& error) {
  PartRect area = VisibleArea();
  QByteArray encoded;
  if (!EncodePicture(image_.copy(area.X, area.Y, area.W, area.H), depth_, extension, quality, encoded, error))
    return false;
  bytes.assign(encoded.constData(), static_cast<size_t>(encoded.size()));
  return true;
}

// Through a temporary file in the same folder, renamed into place: a
// failed write never leaves half a picture behind.
bool QtCanvas::Save(const std::string& path, int quality, std::string& error) {
  std::string bytes;
  if (!Encode(path, quality, bytes, error)) return false;
  if (!AtomicWriteFile(NativePath(path), bytes)) {
    error = FromQ(QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  return true;
}

}  // namespace nokari
