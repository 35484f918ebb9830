#include "gui/QtText.h"

#include <QRegularExpression>

#include "core/Encoding.h"

namespace nokari {

QString Q(const std::string& cp932) { return QString::fromUtf8(ToUtf8(cp932)); }
QString QU(const char* utf8) { return QString::fromUtf8(utf8); }
std::string FromQ(const QString& s) { return FromUtf8(s.toUtf8().toStdString()); }

QString QLines(const std::string& cp932) {
  static const QRegularExpression lineEnd("\r\n|\r");
  return Q(cp932).replace(lineEnd, "\n");
}

std::string FromQLines(const QString& s) {
  QString text = s;
  // QTextDocument keeps paragraph separators (U+2029) in some of its
  // answers; they are line ends too.
  text.replace(QChar::ParagraphSeparator, '\n');
  return FromQ(text.replace("\n", "\r\n"));
}

QColor QColorOf(ColorRef c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

ColorRef ColorRefOf(const QColor& c) {
  return static_cast<ColorRef>(c.red()) | (static_cast<ColorRef>(c.green()) << 8) |
         (static_cast<ColorRef>(c.blue()) << 16);
}

}  // namespace nokari
