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
#include <cstring>

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
  QImageReader reader(&file, QtFormatOf(format));
  reader.setDecideFormatFromContent(false);
  // The size the header declares, before a single pixel is allocated.
  QSize declared = reader.size();
  if (declared.isValid() && !image::SizeAllowed(declared.width(), declared.height())) {
    failure = PictureReadFailure::TooLarge;
    reason = TooLargeReason(declared.width(), declared.height());
    return {};
  }
  QImage image = reader.read();
  if (image.isNull()) {
    failure = PictureReadFailure::Broken;
    reason = FromQ(reader.errorString());
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
