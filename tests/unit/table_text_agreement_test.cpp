// The table reader and writer against a plain reference: the reader as it
// was before it took cells in runs and appended them in place, walking the
// text character by character, and a writer that builds each cell's text
// apart. Random texts made of the bytes that matter (quotes, separators,
// line breaks, blanks, control bytes, lead and second bytes, "ID") must
// read into the same cells, and any cells must write to the same text.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "words/TableText.h"

namespace nokari {
namespace {

namespace ref {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

class Reader {
 public:
  Reader(std::string_view text, char sep) : text_(text), sep_(sep) {}
  bool AtEnd() const { return pos_ >= text_.size(); }
  bool AtLineEnd() const { return AtEnd() || Cur() == '\r' || Cur() == '\n'; }
  void ReadRow(std::vector<std::string>& row) {
    while (!AtLineEnd()) row.push_back(ReadField());
  }
  void SkipRowEnd() {
    if (!AtEnd() && (Cur() == sep_ || Cur() == '\r')) ++pos_;
    if (!AtEnd() && Cur() == '\n') ++pos_;
  }

 private:
  char Cur() const { return text_[pos_]; }
  bool EndsAfterQuote(size_t p, size_t& after) const {
    while (p < text_.size() && text_[p] == ' ') ++p;
    after = p;
    return p >= text_.size() || text_[p] == '\r' || text_[p] == '\n' || text_[p] == sep_;
  }
  std::string ReadField() {
    while (!AtEnd() && Cur() == ' ') ++pos_;
    bool quoted = !AtEnd() && Cur() == '"';
    if (quoted) ++pos_;
    std::string field;
    while (!AtEnd()) {
      char c = Cur();
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
    if (!quoted && trimmed.size() > 1 && trimmed.front() == '"' && trimmed.back() == '"')
      trimmed = TrimBlanks(trimmed.substr(1, trimmed.size() - 2));
    return std::string(trimmed);
  }
  std::string_view text_;
  char sep_;
  size_t pos_ = 0;
};

using Rows = std::vector<std::vector<std::string>>;

Rows Read(std::string_view text, char sep) {
  Rows rows;
  Reader reader(text, sep);
  while (!reader.AtEnd()) {
    rows.emplace_back();
    reader.ReadRow(rows.back());
    reader.SkipRowEnd();
  }
  return rows;
}

std::string Quote(std::string_view cell, char sep) {
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
  return needs ? "\"" + std::string(cell) + "\"" : std::string(cell);
}

std::string Write(const Rows& rows, char sep) {
  size_t width = 0;
  for (const auto& r : rows) width = std::max(width, r.size());
  std::string out;
  for (const auto& r : rows) {
    for (size_t i = 0; i < width; ++i) {
      if (i > 0) out.push_back(sep);
      std::string cell = i < r.size() ? r[i] : std::string();
      out += sep == ',' ? Quote(cell, sep) : cell;
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace ref

struct Rng {
  uint32_t seed;
  uint32_t operator()(uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  }
};

// Bytes and pieces a table text is made of, the troublesome ones often.
std::string RandomText(Rng& next, size_t pieces) {
  static const std::vector<std::string> kPieces = {
      "\"", "\"\"", ",", ",", "\t", "\r\n", "\n", "\r", " ", "  ", "\x01", "a", "xyz", "12", "ID", "I", "D",
      "\x83", "\x83\x5c", "\x95\x5c", "\x81\x40", "\x82\xa0", "\xe0\x22", "\x81,", "\x83\"", "VALID", "\x1f"};
  std::string text;
  for (size_t k = 0; k < pieces; ++k) text += kPieces[next(static_cast<uint32_t>(kPieces.size()))];
  return text;
}

ref::Rows Cells(const TCsvDbBase& db) {
  ref::Rows rows;
  for (const auto& r : db.Rows) rows.push_back(r.Cells);
  return rows;
}

TEST(CsvAgreement, RandomTextsReadAsTheReferenceReads) {
  Rng next{20261209};
  for (int round = 0; round < 20000; ++round) {
    std::string text = RandomText(next, 1 + next(40));
    for (char sep : {',', ';'}) {
      TCsvDbBase db;
      db.ReadText(text, sep);
      ASSERT_EQ(Cells(db), ref::Read(text, sep)) << "round " << round << " sep " << sep;
    }
  }
}

TEST(CsvAgreement, RandomCellsWriteAsTheReferenceWrites) {
  Rng next{7};
  for (int round = 0; round < 5000; ++round) {
    ref::Rows rows(next(6));
    TCsvDbBase db;
    for (size_t r = 0; r < rows.size(); ++r) {
      rows[r].resize(next(5));
      for (auto& cell : rows[r]) cell = RandomText(next, next(4));
      db.Rows.emplace_back();
      db.Rows.back().Cells = rows[r];
    }
    ASSERT_EQ(db.WriteCsv(), ref::Write(rows, ',')) << "round " << round;
    ASSERT_EQ(db.WriteTab(), ref::Write(rows, '\t')) << "round " << round;
    for (size_t r = 0; r < rows.size(); ++r) {
      std::string line = ref::Write({rows[r]}, ',');
      ASSERT_EQ(db.RowLine(static_cast<int>(r)) + "\r\n", line) << "round " << round;
      for (const auto& cell : rows[r]) ASSERT_EQ(QuoteCell(cell, ';'), ref::Quote(cell, ';'));
    }
  }
}

}  // namespace
}  // namespace nokari
