// Reading and writing of comma- and tab-separated tables.
#include "words/TableText.h"

#include <algorithm>

#include "core/Cp932.h"

namespace nokari {

namespace {

const std::string kEmpty;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Walks CSV text field by field; `pos` always stands on a byte of `text`
// or at its end.
class TCsvReader {
 public:
  TCsvReader(std::string_view text, char sep) : text_(text), sep_(sep) {}

  bool AtEnd() const { return pos_ >= text_.size(); }
  size_t Pos() const { return pos_; }
  bool AtLineEnd() const { return AtEnd() || Cur() == '\r' || Cur() == '\n'; }

  void ReadRow(TCsvCells& row) {
    while (!AtLineEnd()) row.Cells.push_back(ReadField());
  }

  // After a row: one separator or CR, then one LF.
  void SkipRowEnd() {
    if (!AtEnd() && (Cur() == sep_ || Cur() == '\r')) ++pos_;
    if (!AtEnd() && Cur() == '\n') ++pos_;
  }

 private:
  char Cur() const { return text_[pos_]; }

  void SkipSpaces() {
    while (!AtEnd() && Cur() == ' ') ++pos_;
  }

  // True when, after spaces from `p`, the field ends (text end, line end or
  // separator); `after` receives the position past those spaces.
  bool EndsAfterQuote(size_t p, size_t& after) const {
    while (p < text_.size() && text_[p] == ' ') ++p;
    after = p;
    return p >= text_.size() || text_[p] == '\r' || text_[p] == '\n' || text_[p] == sep_;
  }

  // Where the run of bytes from p ends that the field loop below would
  // take one by one as they are: anything but a quote, the separator or a
  // line break (a lead byte before one of those is taken alone, so the
  // syntax byte after it still ends the run).
  size_t PlainRunEnd(size_t p) const {
    while (p < text_.size()) {
      char c = text_[p];
      if (c == '"' || c == '\r' || c == '\n' || c == sep_) break;
      p += CharLenAt(text_, p) == 2 && static_cast<unsigned char>(text_[p + 1]) >= 0x40 ? 2 : 1;
    }
    return p;
  }

  std::string ReadField() {
    SkipSpaces();
    bool quoted = !AtEnd() && Cur() == '"';
    if (quoted) ++pos_;
    // The usual cell: no quotes at all, taken whole from the text.
    if (!quoted) {
      size_t end = PlainRunEnd(pos_);
      if (end >= text_.size() || text_[end] != '"') {
        std::string_view plain = text_.substr(pos_, end - pos_);
        pos_ = end;
        if (!AtEnd() && Cur() == sep_) ++pos_;
        return std::string(TrimBlanks(plain));
      }
    }
    std::string field;
    while (!AtEnd()) {
      size_t run = PlainRunEnd(pos_);
      if (run > pos_) {
        field.append(text_.substr(pos_, run - pos_));
        pos_ = run;
        continue;
      }
      char c = Cur();
      // A lead byte before a byte that cannot follow one (quote, separator,
      // line break) is broken text: it must not swallow the syntax.
      size_t len = CharLenAt(text_, pos_);
      if (len == 2 && static_cast<unsigned char>(text_[pos_ + 1]) >= 0x40) {
        field.append(text_.substr(pos_, 2));
        pos_ += 2;
        continue;
      }
      if (c == '\r' || c == '\n' || c == sep_) {
        if (!quoted) break;
        field.push_back(c);
        ++pos_;
        continue;
      }
      if (c == '"') {
        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
          field.push_back('"');
          pos_ += 2;
          continue;
        }
        size_t after;
        if (EndsAfterQuote(pos_ + 1, after)) {
          // A closing quote; in an unquoted field the quote is its text.
          if (!quoted) field.push_back('"');
          pos_ = after;
          break;
        }
      }
      field.push_back(c);
      ++pos_;
    }
    if (!AtEnd() && Cur() == sep_) ++pos_;
    std::string_view trimmed = TrimBlanks(field);
    // An unquoted field whose quotes stood behind control characters. What
    // the quotes held is trimmed as a quoted field's text is: no cell read
    // keeps edge blanks, which no written table could give back.
    if (!quoted && trimmed.size() > 1 && trimmed.front() == '"' && trimmed.back() == '"')
      trimmed = TrimBlanks(trimmed.substr(1, trimmed.size() - 2));
    return std::string(trimmed);
  }

  std::string_view text_;
  char sep_;
  size_t pos_ = 0;
};

void ReadCsvText(std::vector<TCsvCells>& rows, std::string_view text, char sep) {
  TCsvReader reader(text, sep);
  // Rows are mostly as wide as the one before: room for that many cells
  // at once instead of growing to it one reallocation at a time.
  size_t width = 0;
  while (!reader.AtEnd()) {
    rows.emplace_back();
    rows.back().Cells.reserve(width);
    reader.ReadRow(rows.back());
    width = rows.back().Cells.size();
    reader.SkipRowEnd();
  }
}

// Tab text: lines end at CR LF only; cells are raw.
void ReadTabText(std::vector<TCsvCells>& rows, std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = std::min(end + 2, text.size());
    rows.emplace_back();
    auto& cells = rows.back().Cells;
    size_t start = 0;
    while (start < line.size()) {
      size_t tab = line.find('\t', start);
      if (tab == std::string_view::npos) tab = line.size();
      cells.emplace_back(line.substr(start, tab - start));
      start = tab + 1;
    }
  }
}

void AppendCell(std::string& out, std::string_view cell, char sep) {
  if (sep == ',')
    out += QuoteCell(cell, sep);
  else
    out.append(cell);
}

}  // namespace

const std::string& TCsvCells::Get(int col) const {
  if (col < 0 || col >= Count()) return kEmpty;
  return Cells[col];
}

void TCsvCells::Set(int col, std::string text) {
  if (col < 0) return;
  if (col >= Count()) Cells.resize(col + 1);
  Cells[col] = std::move(text);
}

void TCsvDbBase::ReadText(std::string_view text, char sep) {
  Rows.clear();
  if (sep == '\t')
    ReadTabText(Rows, text);
  else
    ReadCsvText(Rows, text, sep);
}

std::string TCsvDbBase::WriteText(char sep) const {
  std::string out;
  int width = Width();
  for (const auto& row : Rows) AppendRowText(out, row, width, sep);
  return out;
}

void AppendRowText(std::string& out, const TCsvCells& row, int width, char sep) {
  for (int i = 0; i < width; ++i) {
    if (i > 0) out.push_back(sep);
    AppendCell(out, row.Get(i), sep);
  }
  out += "\r\n";
}

bool ReadCsvRow(std::string_view text, TCsvCells& row) {
  row.Cells.clear();
  if (text.size() < 2 || text.substr(text.size() - 2) != "\r\n") return false;
  TCsvReader reader(text, ',');
  reader.ReadRow(row);
  return reader.Pos() == text.size() - 2;
}

int TCsvDbBase::CellCount(int row) const {
  if (row < 0 || row >= RowCount()) return 0;
  return Rows[row].Count();
}

const std::string& TCsvDbBase::Cell(int row, int col) const {
  if (row < 0 || row >= RowCount()) return kEmpty;
  return Rows[row].Get(col);
}

void TCsvDbBase::SetCell(int row, int col, std::string text) {
  if (row < 0 || col < 0) return;
  if (row >= RowCount()) Rows.resize(row + 1);
  Rows[row].Set(col, std::move(text));
}

std::string TCsvDbBase::RowLine(int row, char sep) const {
  std::string out;
  if (row < 0 || row >= RowCount()) return out;
  const auto& cells = Rows[row].Cells;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) out.push_back(sep);
    AppendCell(out, cells[i], sep);
  }
  return out;
}

void TCsvDbBase::SetRowLine(int row, std::string_view line, char sep) {
  if (row < 0) return;
  if (row >= RowCount()) Rows.resize(row + 1);
  TCsvDbBase parsed;
  parsed.ReadText(line, sep);
  Rows[row] = parsed.Rows.empty() ? TCsvCells{} : std::move(parsed.Rows[0]);
}

int TCsvDbBase::Width() const {
  int width = 0;
  for (const auto& row : Rows) width = std::max(width, row.Count());
  return width;
}

std::string QuoteCell(std::string_view cell, char sep) {
  if (cell.find('"') != std::string_view::npos) {
    std::string out = "\"";
    for (char c : cell) {
      if (c == '"') out.push_back('"');
      out.push_back(c);
    }
    out.push_back('"');
    return out;
  }
  bool needs = cell.find(sep) != std::string_view::npos || cell.find('\r') != std::string_view::npos ||
               cell.find('\n') != std::string_view::npos || FindChar(cell, "ID") != std::string_view::npos;
  if (!needs) return std::string(cell);
  std::string out;
  out.reserve(cell.size() + 2);
  out.push_back('"');
  out.append(cell);
  out.push_back('"');
  return out;
}

}  // namespace nokari
