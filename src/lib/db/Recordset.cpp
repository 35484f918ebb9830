// The recordset and the reading of cells (lib/db/Db.h).
#include <cstdlib>

#include "core/Encoding.h"
#include "lib/db/Db.h"
#include "words/Contract.h"

namespace nokari::db {
namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool ContainsWord(const std::string& upper, const char* word) { return upper.find(word) != std::string::npos; }

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// Reads `count` digits at s[i] into `value`.
bool Digits(std::string_view s, size_t& i, int count, int& value) {
  value = 0;
  for (int k = 0; k < count; ++k, ++i) {
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
    value = value * 10 + (s[i] - '0');
  }
  return true;
}

// "hh:mm[:ss[.fff]]" at s[i]; what follows (a zone, fractions) is left.
bool ReadTime(std::string_view s, size_t& i, int& h, int& m, int& sec) {
  sec = 0;
  if (!Digits(s, i, 2, h) || i >= s.size() || s[i] != ':') return false;
  ++i;
  if (!Digits(s, i, 2, m)) return false;
  if (i < s.size() && s[i] == ':') {
    ++i;
    if (!Digits(s, i, 2, sec)) return false;
  }
  return h < 24 && m < 60 && sec < 61;
}

// What may follow a date or time: fractions of a second, a zone.
bool OnlyTail(std::string_view s, size_t i) {
  for (; i < s.size(); ++i)
    if (!(s[i] >= '0' && s[i] <= '9') && s[i] != '.' && s[i] != '+' && s[i] != '-' && s[i] != ':' && s[i] != 'Z' &&
        s[i] != ' ')
      return false;
  return true;
}

void Put2(std::string& out, int v) {
  out += static_cast<char>('0' + v / 10 % 10);
  out += static_cast<char>('0' + v % 10);
}

void PutTime(std::string& out, int h, int m, int s) {
  Put2(out, h);
  out += ':';
  Put2(out, m);
  out += ':';
  Put2(out, s);
}

}  // namespace

std::string_view Recordset::Cell(size_t row, int col) const {
  size_t k = row * Names.size() + static_cast<size_t>(col);
  size_t begin = k == 0 ? 0 : ends_[k - 1];
  return std::string_view(data_).substr(begin, ends_[k] - begin);
}

void Recordset::AddUtf8Cell(ColumnKind kind, std::string_view utf8) {
  if (kind == ColumnKind::Binary) {
    AddCell(utf8);
    return;
  }
  if (kind == ColumnKind::Real && !utf8.empty()) {
    // Engines write floating numbers their own way ("100.0", "1e+20"):
    // the script sees the language's own form.
    std::string text(utf8);
    char* end = nullptr;
    double x = std::strtod(text.c_str(), &end);
    if (end == text.c_str() + text.size()) {
      std::string n;
      FormatNumberInto(n, x);
      AddCell(n);
      return;
    }
  }
  if (kind == ColumnKind::Date || kind == ColumnKind::Time || kind == ColumnKind::DateTime) {
    std::string date;
    if (FormatDateText(kind, utf8, date)) {
      AddCell(date);
      return;
    }
  }
  if (IsAscii(utf8))
    AddCell(utf8);
  else
    AddCell(FromUtf8(utf8));
}

std::string_view Recordset::Field(int col) const {
  if (Bof() || Eof() || col < 0 || col >= Fields()) return {};
  return Cell(static_cast<size_t>(pos_), col);
}

void Recordset::AppendLine(std::string& out, size_t row, char sep) const {
  for (int c = 0; c < Fields(); ++c) {
    if (c > 0) out += sep;
    std::string_view v = Cell(row, c);
    if (sep != ',') {
      out.append(v);
      continue;
    }
    out += '"';
    for (size_t start = 0;;) {
      size_t q = v.find('"', start);
      if (q == std::string_view::npos) {
        out.append(v.substr(start));
        break;
      }
      out.append(v.substr(start, q + 1 - start)).append("\"");
      start = q + 1;
    }
    out += '"';
  }
}

std::string Recordset::RecordLine(char sep) const {
  std::string out;
  if (!Bof() && !Eof()) AppendLine(out, static_cast<size_t>(pos_), sep);
  return out;
}

std::string Recordset::AllLines(char sep) {
  std::string out;
  out.reserve(data_.size() + ends_.size() * 3 + Rows() * 2);
  for (size_t r = 0; r < Rows(); ++r) {
    AppendLine(out, r, sep);
    out.append("\r\n");
  }
  pos_ = static_cast<ptrdiff_t>(Rows());
  return out;
}

int Recordset::FieldIndex(std::string_view name) const {
  for (int c = 0; c < Fields(); ++c) {
    const std::string& n = Names[static_cast<size_t>(c)];
    if (n.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < n.size() && same; ++i) same = AsciiUpper(n[i]) == AsciiUpper(name[i]);
    if (same) return c;
  }
  return -1;
}

ColumnKind KindOfDeclaredType(std::string_view declared) {
  std::string upper;
  for (char c : declared) upper += AsciiUpper(c);
  if (ContainsWord(upper, "TIMESTAMP") || ContainsWord(upper, "DATETIME")) return ColumnKind::DateTime;
  if (ContainsWord(upper, "TIME")) return ColumnKind::Time;
  if (ContainsWord(upper, "DATE")) return ColumnKind::Date;
  if (ContainsWord(upper, "REAL") || ContainsWord(upper, "FLOA") || ContainsWord(upper, "DOUB"))
    return ColumnKind::Real;
  return ColumnKind::Text;
}

bool FormatDateText(ColumnKind kind, std::string_view s, std::string& out) {
  int y, mo, d, h = 0, mi = 0, sec = 0;
  size_t i = 0;
  bool hasDate = false, hasTime = false;
  if (s.size() >= 10 && (s[4] == '-' || s[4] == '/')) {
    char sep = s[4];
    if (!Digits(s, i, 4, y) || s[i++] != sep || !Digits(s, i, 2, mo) || s[i++] != sep || !Digits(s, i, 2, d))
      return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31) return false;
    hasDate = true;
    if (i < s.size() && (s[i] == ' ' || s[i] == 'T')) {
      size_t t = i + 1;
      if (ReadTime(s, t, h, mi, sec)) {
        hasTime = true;
        i = t;
      }
    }
  } else if (!ReadTime(s, i, h, mi, sec)) {
    return false;
  } else {
    hasTime = true;
  }
  if (!OnlyTail(s, i)) return false;
  out.clear();
  if (hasDate) {
    Put2(out, y / 100);
    Put2(out, y % 100);
    out += '/';
    Put2(out, mo);
    out += '/';
    Put2(out, d);
    // A date column's value alone stays a date; a date-time always shows
    // its time, midnight too.
    if (hasTime || kind == ColumnKind::DateTime) {
      out += ' ';
      PutTime(out, h, mi, sec);
    }
  } else {
    PutTime(out, h, mi, sec);
  }
  return true;
}

}  // namespace nokari::db
