// A main window and the Qt parts service over it, for the window tests;
// parts are made through the service as the parts family makes them.
#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <memory>

#include "core/Encoding.h"
#include "gui/QtHost.h"
#include "gui/QtParts.h"
#include "gui/QtText.h"
#include "gui/parts/QtPart.h"

namespace nokari::testing {

class PartsTest : public ::testing::Test {
 public:
  PartsTest() : service_(window_) {}

  std::unique_ptr<PartHandle> Make(PartKind kind) { return service_.Create(kind, service_.MainWindow()); }
  std::unique_ptr<PartHandle> Make(PartKind kind, PartHandle& parent) { return service_.Create(kind, parent); }
  PartHandle& Main() { return service_.MainWindow(); }
  static QWidget* WidgetOf(const PartHandle& part) { return dynamic_cast<const QtPartBase&>(part).Widget(); }
  template <class W>
  static W* As(const PartHandle& part) {
    return dynamic_cast<W*>(WidgetOf(part));
  }
  // A picture file of that size, one colour, with the top-left and
  // bottom-left pixels in `corner`; its path in CP932.
  std::string WritePng(const char* name, int w, int h, QColor fill = Qt::red, QColor corner = Qt::red) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    image.setPixelColor(0, 0, corner);
    image.setPixelColor(0, h - 1, corner);
    QString path = dir_.filePath(QString::fromUtf8(name));
    EXPECT_TRUE(image.save(path, "PNG"));
    return FromQ(path);
  }
  std::string MissingFile() { return FromQ(dir_.filePath("missing.png")); }

  TfrmNoka window_;
  QtPartService service_;
  QTemporaryDir dir_;
};

// Sj-like shorthand: a UTF-8 literal as CP932.
inline std::string S(const char* utf8) { return FromUtf8(utf8); }

}  // namespace nokari::testing
