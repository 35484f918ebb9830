// Picture files of a canvas: reading and writing through Qt's image
// readers and writers, the format chosen by the lower-cased extension.
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include "gui/QtText.h"
#include "gui/canvas/QtCanvas.h"

namespace nokari {

bool QtCanvas::Load(const std::string& path, std::string& error) {
  QImageReader reader(Q(path));
  QImage image = reader.read();
  if (image.isNull()) {
    error = FromQ(reader.errorString());
    return false;
  }
  SetImage(image);
  return true;
}

bool QtCanvas::Save(const std::string& path, int quality, std::string& error) {
  QString name = Q(path);
  QImageWriter writer(name, QFileInfo(name).suffix().toLower().toLatin1());
  writer.setQuality(quality);
  PartRect area = VisibleArea();
  if (!writer.write(image_.copy(area.X, area.Y, area.W, area.H))) {
    error = FromQ(writer.errorString());
    return false;
  }
  return true;
}

}  // namespace nokari
