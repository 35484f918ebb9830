// Reading and writing of comma- and tab-separated tables.
#include "words/TableText.h"

#include <algorithm>
#include <array>
#include <cstring>

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
  TCsvReader(std::string_view text, char sep) : text_(text), sep_(sep) {
    std::memset(syntax_, 0, sizeof syntax_);
    syntax_[static_cast<unsigned char>('"')] = syntax_[static_cast<unsigned char>('\r')] = true;
    syntax_[static_cast<unsigned char>('\n')] = syntax_[static_cast<unsigned char>(sep)] = true;
  }

  bool AtEnd() const { return pos_ >= text_.size(); }
  size_t Pos() const { return pos_; }
  bool AtLineEnd() const { return AtEnd() || Cur() == '\r' || Cur() == '\n'; }

  void ReadRow(TCsvCells& row) {
    while (!AtLineEnd()) ReadField(row.Cells);
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

  // Where the run of bytes from p ends that the field loop below takes as
  // they are: at the first quote, separator or line break. Every one of
  // those is below 0x40, where no second byte of a double-byte character
  // lies, so the first such byte is always syntax (a lead byte before one
  // is broken text and stays in the run alone): no character walk needed.
  size_t PlainRunEnd(size_t p) const {
    const size_t n = text_.size();
    const char* s = text_.data();
    while (p < n && !syntax_[static_cast<unsigned char>(s[p])]) ++p;
    return p;
  }

  // Appends the next field's cell to `cells`.
  void ReadField(std::vector<std::string>& cells) {
    SkipSpaces();
    bool quoted = !AtEnd() && Cur() == '"';
    if (quoted) ++pos_;
    // The usual cell: no quotes at all, taken whole from the text.
    if (!quoted) {
      size_t end = PlainRunEnd(pos_);
      if (end >= text_.size() || text_[end] != '"') {
        std::string_view plain = TrimBlanks(text_.substr(pos_, end - pos_));
        pos_ = end;
        if (!AtEnd() && Cur() == sep_) ++pos_;
        cells.emplace_back(plain);
        return;
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
      if (c == '\r' || c == '\n' || c == sep_) {
        if (!quoted) break;
        field.push_back(c);
        ++pos_;
        continue;
      }
      // c is a quote.
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
    if (trimmed.size() == field.size())
      cells.push_back(std::move(field));
    else
      cells.emplace_back(trimmed);
  }

  std::string_view text_;
  char sep_;
  bool syntax_[256];
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

// Tab text: lines end at CR LF or at a LF alone (a file made on Linux was
// one row with its line ends inside cells); cells are raw.
void ReadTabText(std::vector<TCsvCells>& rows, std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const size_t next = std::min(end + 1, text.size());
    if (end > pos && end < text.size() && text[end - 1] == '\r') --end;
    std::string_view line = text.substr(pos, end - pos);
    pos = next;
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

// Bytes that make a CSV cell need a closer look before it is written as it
// stands: a quote, the comma, a line break, or the I of a possible "ID".
constexpr std::array<bool, 256> CommaCellCare() {
  std::array<bool, 256> care{};
  for (unsigned char c : {'"', ',', '\r', '\n', 'I'}) care[c] = true;
  return care;
}
constexpr std::array<bool, 256> kCommaCellCare = CommaCellCare();

// Whether the cell is written as it stands: none of those bytes (most
// cells), so no quoting rule can apply.
bool PlainCell(std::string_view cell, char sep) {
  if (sep == ',') {
    for (char c : cell)
      if (kCommaCellCare[static_cast<unsigned char>(c)]) return false;
    return true;
  }
  for (char c : cell)
    if (c == '"' || c == sep || c == '\r' || c == '\n' || c == 'I') return false;
  return true;
}

// QuoteCell's rules, written onto the end of `out`.
void AppendQuoted(std::string& out, std::string_view cell, char sep) {
  if (PlainCell(cell, sep)) {
    out.append(cell);
    return;
  }
  if (cell.find('"') != std::string_view::npos) {
    out.push_back('"');
    for (size_t pos = 0;;) {
      size_t quote = cell.find('"', pos);
      if (quote == std::string_view::npos) {
        out.append(cell.substr(pos));
        break;
      }
      out.append(cell.substr(pos, quote + 1 - pos));
      out.push_back('"');
      pos = quote + 1;
    }
    out.push_back('"');
    return;
  }
  bool needs = cell.find(sep) != std::string_view::npos || cell.find('\r') != std::string_view::npos ||
               cell.find('\n') != std::string_view::npos || FindChar(cell, "ID") != std::string_view::npos;
  if (needs) out.push_back('"');
  out.append(cell);
  if (needs) out.push_back('"');
}

void AppendCell(std::string& out, std::string_view cell, char sep) {
  if (sep == ',')
    AppendQuoted(out, cell, sep);
  else
    out.append(cell);
}

// Writes `count` cells (the row's own; "" beyond them) of which the row
// lends its first `own`.
void AppendCells(std::string& out, const std::string* cells, int own, int count, char sep) {
  for (int i = 0; i < count; ++i) {
    if (i > 0) out.push_back(sep);
    if (i < own) AppendCell(out, cells[i], sep);
  }
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
  AppendRowText(out, row, row.Count(), width, sep);
}

void AppendRowText(std::string& out, const TCsvCells& row, int own, int width, char sep) {
  AppendCells(out, row.Cells.data(), std::min(own, row.Count()), width, sep);
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
  AppendCells(out, cells.data(), static_cast<int>(cells.size()), static_cast<int>(cells.size()), sep);
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
  std::string out;
  AppendQuoted(out, cell, sep);
  return out;
}

std::string& AppendQuotedCell(std::string& out, std::string_view cell, char sep) {
  AppendQuoted(out, cell, sep);
  return out;
}

}  // namespace nokari
