// The one edge between the engine's texts and colours and Qt's: CP932
// bytes ⇄ QString, the language's colour numbers ⇄ QColor. Every widget
// text crosses here, so a text read back from a widget is byte for byte
// what the script put in.
#pragma once
#include <QColor>
#include <QString>
#include <string>

#include "core/Parts.h"

namespace nokari {

QString Q(const std::string& cp932);
// A fixed text written in the sources (UTF-8 literal).
QString QU(const char* utf8);
std::string FromQ(const QString& s);

// Texts with line ends: the engine writes CR LF, a Qt document holds "\n"
// (a lone CR or LF from the script is a line end as well).
QString QLines(const std::string& cp932);
std::string FromQLines(const QString& s);

// 0x00BBGGRR, as scripts write colour numbers.
QColor QColorOf(ColorRef c);
ColorRef ColorRefOf(const QColor& c);

}  // namespace nokari
