// Column, search, sort and condition operations of the 表 commands.
#include "lib/table/TableOps.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/Messages.h"
#include "lib/date/DateTime.h"
#include "lib/japanese/Convert.h"
#include "lib/pattern/Wildcard.h"
#include "words/Contract.h"
#include "lib/table/Messages.h"

namespace nokari {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsBlankRow(const TCsvCells& row) {
  return std::all_of(row.Cells.begin(), row.Cells.end(),
                     [](const std::string& c) { return Trim(c).empty(); });
}

void DropTrailingBlankCells(TCsvCells& row) {
  while (!row.Cells.empty() && Trim(row.Cells.back()).empty()) row.Cells.pop_back();
}

bool Contains(std::string_view hay, std::string_view needle) {
  return FindChar(hay, needle) != std::string_view::npos;
}

// Chosen rows written as a table of their own: as wide as the widest.
std::string WriteRows(const std::vector<const TCsvCells*>& rows) {
  int width = 0;
  for (const TCsvCells* row : rows) width = std::max(width, row->Count());
  std::string out;
  for (const TCsvCells* row : rows) AppendRowText(out, *row, width);
  return out;
}

}  // namespace

// ---- TCsvDb ----

void TCsvDb::InsertColumn(int index) { InsertColumn(index, {}); }

void TCsvDb::InsertColumn(int index, const std::vector<std::string>& items) {
  if (index < 0) return;
  for (size_t i = 0; i < Rows.size(); ++i) {
    auto& cells = Rows[i].Cells;
    if (static_cast<int>(cells.size()) < index) cells.resize(index);
    cells.insert(cells.begin() + index, i < items.size() ? items[i] : std::string());
  }
}

void TCsvDb::DeleteColumn(int index) {
  if (index < 0) return;
  for (auto& row : Rows)
    if (index < row.Count()) row.Cells.erase(row.Cells.begin() + index);
}

void TCsvDb::MoveColumn(int from, int to) {
  if (from < 0 || to < 0) return;
  for (auto& row : Rows) {
    if (from >= row.Count() || to >= row.Count()) continue;
    std::string cell = std::move(row.Cells[from]);
    row.Cells.erase(row.Cells.begin() + from);
    row.Cells.insert(row.Cells.begin() + to, std::move(cell));
  }
}

void TCsvDb::RemoveBlankEdges() {
  size_t first = 0;
  while (first < Rows.size() && IsBlankRow(Rows[first])) ++first;
  size_t last = Rows.size();
  while (last > first && IsBlankRow(Rows[last - 1])) --last;
  Rows.erase(Rows.begin() + last, Rows.end());
  Rows.erase(Rows.begin(), Rows.begin() + first);
  if (Rows.empty()) return;
  DropTrailingBlankCells(Rows.front());
  DropTrailingBlankCells(Rows.back());
}

TCsvDb TCsvDb::Transposed() const { return nokari::Transposed(*this); }

TCsvDb Transposed(const TCsvDbBase& db) {
  TCsvDb out;
  int width = db.Width();
  out.Rows.resize(width);
  for (int j = 0; j < width; ++j) {
    auto& cells = out.Rows[j].Cells;
    cells.resize(db.Rows.size());
    for (size_t i = 0; i < db.Rows.size(); ++i) cells[i] = db.Rows[i].Get(j);
  }
  out.RemoveBlankEdges();
  return out;
}

int TCsvDb::FindRow(int start, int col, std::string_view key, Match how) const {
  return nokari::FindRow(*this, start, col, key, how);
}

int FindRow(const TCsvDbBase& db, int start, int col, std::string_view key, TCsvDb::Match how) {
  using Match = TCsvDb::Match;
  for (int r = std::max(start, 0); r < db.RowCount(); ++r) {
    const auto& row = db.Rows[r];
    bool hit = false;
    if (col < 0 && how == Match::Exact) {
      hit = std::any_of(row.Cells.begin(), row.Cells.end(), [&](const std::string& c) { return c == key; });
    } else {
      std::string line = col < 0 ? db.RowLine(r) : std::string();
      std::string_view subject = col < 0 ? std::string_view(line) : std::string_view(row.Get(col));
      switch (how) {
        case Match::Exact: hit = subject == key; break;
        case Match::Contains: hit = Contains(subject, key); break;
        case Match::Wildcard: hit = WildcardMatch(subject, key); break;
      }
    }
    if (hit) return r;
  }
  return -1;
}

// ---- Text helpers ----

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(pos));
      break;
    }
    lines.emplace_back(text.substr(pos, end - pos));
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  size_t size = 0;
  for (const auto& l : lines) size += l.size() + 2;
  std::string out;
  out.reserve(size);
  for (const auto& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  size_t pos = 0;
  for (size_t hit; (hit = FindChar(text, from, pos)) != std::string_view::npos; pos = hit + from.size()) {
    out.append(text.substr(pos, hit - pos));
    out.append(to);
  }
  out.append(text.substr(pos));
  return out;
}

// Fuzzy search uses the matcher only for "*" and "?", not for sets.
static bool HasStarOrQuestion(std::string_view key) {
  for (size_t i = 0; i < key.size(); i += CharLenAt(key, i))
    if (key[i] == '*' || key[i] == '?') return true;
  return false;
}

// ---- Picking ----

std::string PickColumn(const TCsvDb& db, int col, std::string_view pattern, bool exact) {
  return PickColumn(db, db.FieldNames, col, pattern, exact);
}

std::string PickColumn(const TCsvDbBase& db, bool fieldNames, int col, std::string_view pattern, bool exact) {
  std::vector<const TCsvCells*> out;
  if (fieldNames && db.RowCount() > 0) out.push_back(&db.Rows[0]);
  bool wild = HasWildcard(pattern);
  for (int r = fieldNames ? 1 : 0; r < db.RowCount(); ++r) {
    const std::string& cell = db.Cell(r, col);
    bool hit = wild ? WildcardMatch(cell, pattern) : exact ? cell == pattern : Contains(cell, pattern);
    if (hit) out.push_back(&db.Rows[r]);
  }
  return WriteRows(out);
}

std::string PickLines(std::string_view text, std::string_view pattern, bool fieldNames) {
  auto lines = SplitLines(text);
  bool wild = HasWildcard(pattern);
  std::vector<std::string> taken;
  for (size_t i = fieldNames ? 1 : 0; i < lines.size(); ++i) {
    if (wild ? WildcardMatch(lines[i], pattern) : Contains(lines[i], pattern)) taken.push_back(lines[i]);
  }
  return JoinLines(taken);
}

// ---- Sorting, duplicates, join, replace, aggregates ----

namespace {

// The indexes from `first` to `end` in the order sorting the rows by the
// cell that cellOf(row) gives (stable, ascending).
template <typename CellOf>
std::vector<size_t> SortOrder(size_t first, size_t end, SortKey key, int defaultYear, CellOf cellOf) {
  std::vector<size_t> order(end - first);
  std::iota(order.begin(), order.end(), first);
  if (key == SortKey::Text) {
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return cellOf(a) < cellOf(b); });
    return order;
  }
  std::vector<long double> keys(end - first);
  for (size_t r = first; r < end; ++r) {
    const std::string& cell = cellOf(r);
    if (key == SortKey::Number) {
      keys[r - first] = ToNumber(cell);
    } else {
      auto ms = ParseDateTime(cell, defaultYear);
      keys[r - first] = ms ? static_cast<long double>(*ms) : 0.0L;
    }
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return keys[a - first] < keys[b - first]; });
  return order;
}

// How many of a row's cells are left when its trailing blank ones go.
int CountWithoutTrailingBlanks(const TCsvCells& row) {
  int n = row.Count();
  while (n > 0 && Trim(row.Cells[n - 1]).empty()) --n;
  return n;
}

}  // namespace

void SortRows(TCsvDb& db, int col, SortKey key, int defaultYear) {
  size_t first = static_cast<size_t>(std::min(db.FirstDataRow(), db.RowCount()));
  std::vector<size_t> order = SortOrder(first, db.Rows.size(), key, defaultYear,
                                        [&](size_t r) -> const std::string& { return db.Rows[r].Get(col); });
  std::vector<TCsvCells> sorted;
  sorted.reserve(db.Rows.size());
  for (size_t r = 0; r < first; ++r) sorted.push_back(std::move(db.Rows[r]));
  for (size_t r : order) sorted.push_back(std::move(db.Rows[r]));
  db.Rows = std::move(sorted);
}

// RemoveBlankEdges, SortRows and WriteCsv without a copy to change: the
// rows kept are a range of indexes, the first and last of them with their
// trailing blank cells left out.
std::string SortedText(const TCsvDbBase& db, bool fieldNames, int col, SortKey key, int defaultYear) {
  size_t first = 0, end = db.Rows.size();
  while (first < end && IsBlankRow(db.Rows[first])) ++first;
  while (end > first && IsBlankRow(db.Rows[end - 1])) --end;
  if (first == end) return {};
  const int firstOwn = CountWithoutTrailingBlanks(db.Rows[first]);
  const int lastOwn = CountWithoutTrailingBlanks(db.Rows[end - 1]);
  auto ownOf = [&](size_t r) {
    return r == first ? firstOwn : r == end - 1 ? lastOwn : db.Rows[r].Count();
  };
  auto cellOf = [&](size_t r) -> const std::string& {
    static const std::string empty;
    return col >= 0 && col < ownOf(r) ? db.Rows[r].Cells[col] : empty;
  };
  size_t data = std::min(first + (fieldNames ? 1 : 0), end);
  std::vector<size_t> order = SortOrder(data, end, key, defaultYear, cellOf);
  int width = 0;
  for (size_t r = first; r < end; ++r) width = std::max(width, ownOf(r));
  std::string out;
  for (size_t r = first; r < data; ++r) AppendRowText(out, db.Rows[r], ownOf(r), width, ',');
  for (size_t r : order) AppendRowText(out, db.Rows[r], ownOf(r), width, ',');
  return out;
}

void RemoveDuplicateRows(TCsvDb& db, int col) {
  std::unordered_set<std::string> seen;
  std::vector<TCsvCells> kept;
  for (int r = 0; r < db.RowCount(); ++r) {
    std::string key = col < 0 ? db.RowLine(r) : db.Cell(r, col);
    if (seen.insert(std::move(key)).second) kept.push_back(std::move(db.Rows[r]));
  }
  db.Rows = std::move(kept);
}

void JoinTables(TCsvDb& t1, int key1, const TCsvDb& t2, int key2) {
  int width = t1.Width();
  auto appendCells = [&](TCsvCells& target, const TCsvCells& source) {
    int at = width;
    for (int c = 0; c < source.Count(); ++c)
      if (c != key2) target.Set(at++, source.Cells[c]);
  };
  if (t1.FieldNames && t2.FieldNames && t1.RowCount() > 0 && t2.RowCount() > 0)
    appendCells(t1.Rows[0], t2.Rows[0]);
  std::unordered_map<std::string_view, int> index;
  for (int r = t2.FirstDataRow(); r < t2.RowCount(); ++r) index.emplace(t2.Cell(r, key2), r);
  for (int r = t1.FirstDataRow(); r < t1.RowCount(); ++r) {
    auto it = index.find(t1.Cell(r, key1));
    if (it != index.end()) appendCells(t1.Rows[r], t2.Rows[it->second]);
  }
}

void ReplaceInColumn(TCsvDb& db, int col, std::string_view from, std::string_view to) {
  if (col < 0) return;
  for (auto& row : db.Rows) {
    if (col >= row.Count()) continue;
    row.Cells[col] = ReplaceAll(row.Cells[col], from, to);
  }
}

long double AggregateColumn(const TCsvDb& db, int col, Aggregate kind) {
  return AggregateColumn(db, db.FieldNames, col, kind);
}

long double AggregateColumn(const TCsvDbBase& db, bool fieldNames, int col, Aggregate kind) {
  int first = fieldNames ? 1 : 0;
  int count = std::max(0, db.RowCount() - first);
  long double sum = 0, best = 0;
  bool haveBest = false;
  for (int r = first; r < db.RowCount(); ++r) {
    const std::string& cell = db.Cell(r, col);
    long double x = ToNumber(cell);
    sum += x;
    if (kind == Aggregate::Min && Trim(cell).empty()) continue;
    bool better = kind == Aggregate::Max ? x > best : x < best;
    if (!haveBest || better) best = x;
    haveBest = true;
  }
  switch (kind) {
    case Aggregate::Sum: return sum;
    case Aggregate::Average: return count == 0 ? 0 : sum / count;
    default: return best;
  }
}

// ---- Condition extraction ----

namespace {

enum class CondOp { Eq, Ne, Gt, Ge, Lt, Le };
enum class ValueKind { Text, Date, Number };

struct TCondNode;

struct TCondItem {
  std::unique_ptr<TCondNode> Sub;  // a parenthesised condition, or
  int Column = 0;                  // a comparison
  CondOp Op = CondOp::Eq;
  ValueKind Kind = ValueKind::Number;
  std::string Text;
  long double Number = 0;
  std::optional<int64_t> Date;
};

// Items joined by OR, then optionally AND/OR with the rest of the text.
struct TCondNode {
  std::vector<TCondItem> Items;
  enum { kNone, kAnd, kOr } Link = kNone;
  std::unique_ptr<TCondNode> Rest;
};

class TCondParser {
 public:
  TCondParser(const TCsvCells& header, int defaultYear) : header_(header), defaultYear_(defaultYear) {}

  std::unique_ptr<TCondNode> Parse(std::string_view text) {
    auto node = std::make_unique<TCondNode>();
    size_t pos = 0;
    while (true) {
      while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
      if (pos >= text.size()) break;
      std::string_view rest = text.substr(pos);
      if (rest[0] == '(') {
        size_t close = MatchingParen(text, pos);
        TCondItem item;
        item.Sub = Parse(text.substr(pos + 1, close - pos - 1));
        node->Items.push_back(std::move(item));
        pos = close < text.size() ? close + 1 : close;
        continue;
      }
      if (StartsWith(rest, "AND ") || StartsWith(rest, "and ")) {
        node->Link = TCondNode::kAnd;
        node->Rest = Parse(rest.substr(4));
        break;
      }
      if (StartsWith(rest, "OR ") || StartsWith(rest, "or ")) {
        node->Link = TCondNode::kOr;
        node->Rest = Parse(rest.substr(3));
        break;
      }
      node->Items.push_back(Comparison(text, pos));
    }
    return node;
  }

 private:
  // Index of the ")" closing the "(" at `open` (quoted values skipped);
  // the text's end when it is missing.
  static size_t MatchingParen(std::string_view text, size_t open) {
    int depth = 0;
    char quote = 0;
    for (size_t i = open; i < text.size(); i += CharLenAt(text, i)) {
      char c = text[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '`') {
        quote = c;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')' && --depth == 0) {
        return i;
      }
    }
    return text.size();
  }

  TCondItem Comparison(std::string_view text, size_t& pos) {
    size_t opStart = text.find_first_of("<=>", pos);
    if (opStart == std::string_view::npos) Fail(msg::kCsvBadOperator);
    std::string_view name = Trim(text.substr(pos, opStart - pos));
    size_t opEnd = text.find_first_not_of("<=>", opStart);
    if (opEnd == std::string_view::npos) opEnd = text.size();
    std::string_view op = text.substr(opStart, opEnd - opStart);
    size_t v = opEnd;
    while (v < text.size() && (text[v] == ' ' || text[v] == '\t')) ++v;
    size_t vEnd = text.find_first_of("\t\r\n ", v);
    if (v < text.size() && (text[v] == '"' || text[v] == '`')) {
      // A quoted value runs to its closing quote, spaces and all (「名前 =
      // 『佐藤 太郎』」 was cut at the space and failed).
      size_t close = v + 1;
      while (close < text.size() && text[close] != text[v]) close += CharLenAt(text, close);
      if (close < text.size()) vEnd = close + 1;
    }
    if (vEnd == std::string_view::npos) vEnd = text.size();
    pos = vEnd;

    TCondItem item;
    item.Op = ReadOperator(op);
    item.Column = ColumnOf(name);
    std::string_view value = Trim(text.substr(v, vEnd - v));
    if (!value.empty() && (value[0] == '"' || value[0] == '`')) {
      item.Kind = ValueKind::Text;
      value.remove_prefix(1);
      size_t lastStart = 0;
      for (size_t i = 0; i < value.size(); i += CharLenAt(value, i)) lastStart = i;
      item.Text = std::string(value.substr(0, value.empty() ? 0 : lastStart));
    } else if (!value.empty() && value[0] == '#') {
      item.Kind = ValueKind::Date;
      item.Date = ParseDateTime(value.substr(1), defaultYear_);
    } else if (!value.empty() && !StartsLikeNumber(value)) {
      // 都市 = 東京: a word compared as a number was 0 = 0, true for every
      // row. Written without quotes, a value that is no number is a text.
      item.Kind = ValueKind::Text;
      item.Text = std::string(value);
    } else {
      item.Kind = ValueKind::Number;
      item.Number = ToNumber(value);
    }
    return item;
  }

  // A sign, then a digit, a "." or the "$" of a hexadecimal number.
  static bool StartsLikeNumber(std::string_view value) {
    size_t i = value[0] == '-' || value[0] == '+' ? 1 : 0;
    return i < value.size() && ((value[i] >= '0' && value[i] <= '9') || value[i] == '.' || value[i] == '$');
  }

  CondOp ReadOperator(std::string_view op) {
    if (op == "=") return CondOp::Eq;
    if (op == "<>" || op == "><") return CondOp::Ne;
    if (op == ">") return CondOp::Gt;
    if (op == ">=" || op == "=>") return CondOp::Ge;
    if (op == "<") return CondOp::Lt;
    if (op == "<=" || op == "=<") return CondOp::Le;
    Fail(msg::kCsvBadOperator);
  }

  int ColumnOf(std::string_view name) {
    for (int c = 0; c < header_.Count(); ++c)
      if (header_.Cells[c] == name) return c;
    throw TConditionError{FormatMessage(Sj(msg::kCsvNoField), {name})};
  }

  [[noreturn]] static void Fail(const char* msgUtf8) { throw TConditionError{Sj(msgUtf8)}; }

  const TCsvCells& header_;
  int defaultYear_;
};

template <typename T>
bool Compare(const T& a, const T& b, CondOp op) {
  switch (op) {
    case CondOp::Eq: return a == b;
    case CondOp::Ne: return !(a == b);
    case CondOp::Gt: return a > b;
    case CondOp::Ge: return a >= b;
    case CondOp::Lt: return a < b;
    case CondOp::Le: return a <= b;
  }
  return false;
}

class TCondEvaluator {
 public:
  explicit TCondEvaluator(int defaultYear) : defaultYear_(defaultYear) {}

  bool Eval(const TCondNode& node, const TCsvCells& row) const {
    bool result = false;
    for (const auto& item : node.Items) result = Item(item, row) || result;
    if (node.Link == TCondNode::kAnd) return result && Eval(*node.Rest, row);
    if (node.Link == TCondNode::kOr) return result || Eval(*node.Rest, row);
    return result;
  }

 private:
  bool Item(const TCondItem& item, const TCsvCells& row) const {
    if (item.Sub) return Eval(*item.Sub, row);
    const std::string& cell = row.Get(item.Column);
    switch (item.Kind) {
      case ValueKind::Text:
        if (item.Op == CondOp::Eq) return WildcardMatch(cell, item.Text);
        if (item.Op == CondOp::Ne) return !WildcardMatch(cell, item.Text);
        return Compare<std::string_view>(cell, item.Text, item.Op);
      case ValueKind::Date: {
        if (!item.Date) return false;
        auto ms = ParseDateTime(cell, defaultYear_);
        return ms && Compare(*ms, *item.Date, item.Op);
      }
      case ValueKind::Number:
        return Compare(ToNumber(cell), item.Number, item.Op);
    }
    return false;
  }

  int defaultYear_;
};

std::string PrepareCondition(std::string_view condition) {
  std::string text = ExpressionHalfWidth(condition);
  std::replace(text.begin(), text.end(), ',', ' ');
  text = ReplaceAll(text, Sj("または "), "OR ");
  return ReplaceAll(text, Sj("かつ "), "AND ");
}

}  // namespace

std::string ExtractRows(std::string_view table, std::string_view condition, int defaultYear) {
  TCsvDbBase db;
  db.ReadCsv(table);
  return ExtractRows(db, condition, defaultYear);
}

std::string ExtractRows(const TCsvDbBase& db, std::string_view condition, int defaultYear) {
  static const TCsvCells kNoHeader;
  const TCsvCells& header = db.RowCount() > 0 ? db.Rows[0] : kNoHeader;
  std::string prepared = PrepareCondition(condition);
  auto root = TCondParser(header, defaultYear).Parse(prepared);
  TCondEvaluator eval(defaultYear);
  std::vector<const TCsvCells*> out;
  if (db.RowCount() > 0) out.push_back(&db.Rows[0]);
  for (int r = 1; r < db.RowCount(); ++r) {
    const auto& row = db.Rows[r];
    if (row.Count() > 0 && eval.Eval(*root, row)) out.push_back(&row);
  }
  return WriteRows(out);
}

// ---- Search state ----

void TFindCsv::Clear() {
  Table.reset();
  Key.clear();
  Column = -1;
  StartRow = 0;
  Fuzzy = false;
}

int TFindCsv::Next() {
  if (!Table || Table->RowCount() == 0) return -1;
  TCsvDb::Match how = TCsvDb::Match::Exact;
  if (Fuzzy) how = HasStarOrQuestion(Key) ? TCsvDb::Match::Wildcard : TCsvDb::Match::Contains;
  int hit = FindRow(*Table, StartRow, Column, Key, how);
  StartRow = hit < 0 ? Table->RowCount() : hit + 1;
  return hit;
}

}  // namespace nokari
