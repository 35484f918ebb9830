// The database behind the DB commands: a connection that runs SQL text and
// hands back its rows, with two backends (SQLite through libsqlite3, every
// other engine through unixODBC), and the recordset the commands walk.
// Nothing here knows the engine: SQL goes in as UTF-8, cells come out as
// CP932, and a failure is a DbFault the commands turn into the script's
// error.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nokari::db {

// Why a connection or a statement failed: the driver's own text (UTF-8),
// or one of the family's messages (`Own`, a message name) with its
// argument.
struct DbFault {
  explicit DbFault(std::string driverText) : DriverText(std::move(driverText)) {}
  DbFault(const char* own, std::vector<std::string> args) : Own(own), OwnArgs(std::move(args)) {}
  std::string DriverText;
  const char* Own = nullptr;
  std::vector<std::string> OwnArgs;  // CP932
};

// How a column's values read as text. Engines hand dates and floating
// numbers over in their own notations; the script always sees one.
enum class ColumnKind { Text, Real, Date, Time, DateTime, Binary };

// A whole result held in memory, walked the way an ADO recordset is: the
// position runs from -1 (BOF, before the first record) to Rows() (EOF,
// after the last); an empty result is at BOF and EOF at once. Moving past
// either end stays there, so a loop that walks one step too far still
// reads "at the end" instead of failing.
//
// The cells sit in one buffer, row after row, with the end offset of each:
// a 100,000-row result is two allocations growing linearly, not one string
// a cell.
class Recordset {
 public:
  std::vector<std::string> Names;  // CP932, one a field

  int Fields() const { return static_cast<int>(Names.size()); }
  size_t Rows() const { return Names.empty() ? 0 : ends_.size() / Names.size(); }
  std::string_view Cell(size_t row, int col) const;

  // Filling, one cell after another in row order.
  void AddCell(std::string_view cp932) {
    data_.append(cp932);
    ends_.push_back(data_.size());
  }
  // A cell appended through its text, converted from UTF-8 by its kind.
  void AddUtf8Cell(ColumnKind kind, std::string_view utf8);
  // The buffer the next cell is written into directly (then EndCell).
  std::string& Buffer() { return data_; }
  void EndCell() { ends_.push_back(data_.size()); }

  bool Bof() const { return Rows() == 0 || pos_ < 0; }
  bool Eof() const { return Rows() == 0 || pos_ >= static_cast<ptrdiff_t>(Rows()); }
  void MoveFirst() { pos_ = 0; }
  void MoveLast() { pos_ = static_cast<ptrdiff_t>(Rows()) - 1; }
  void MoveNext() {
    if (pos_ < static_cast<ptrdiff_t>(Rows())) ++pos_;
  }
  void MovePrevious() {
    if (pos_ >= 0) --pos_;
  }
  // The current record's field, "" at BOF or EOF.
  std::string_view Field(int col) const;
  // The current record as one line: CSV with every field quoted (sep ','),
  // or fields joined by tabs as they are (sep '\t'); "" at BOF or EOF.
  std::string RecordLine(char sep) const;
  // Every record from the first, each line followed by CR LF; leaves the
  // position at EOF, as walking to the end would.
  std::string AllLines(char sep);
  // The field's index by name (ASCII letters in any case), or -1.
  int FieldIndex(std::string_view name) const;

 private:
  void AppendLine(std::string& out, size_t row, char sep) const;

  std::string data_;
  std::vector<size_t> ends_;
  ptrdiff_t pos_ = 0;
};

// A column's kind from a declared SQL type name as SQLite keeps it
// ("DATETIME", "timestamp", "REAL", "varchar(20)"): names holding TIMESTAMP
// or DATETIME are date-times, then TIME, then DATE; REAL, FLOA and DOUB
// are floating numbers.
ColumnKind KindOfDeclaredType(std::string_view declared);

// A date or time text as the engines write it ("2024-01-02 03:04:05.123",
// "2024-01-02T03:04:05+09:00", "2024-01-02", "03:04:05") in the script's
// form: "yyyy/mm/dd hh:nn:ss" for a date-time, "yyyy/mm/dd" for a date
// alone in a date column, "hh:nn:ss" for a time alone. False when the text
// is no date (it is then shown as it is).
bool FormatDateText(ColumnKind kind, std::string_view text, std::string& out);

// The connection to one database.
class IDbConnection {
 public:
  virtual ~IDbConnection() = default;
  // Runs every statement of the SQL text (UTF-8) in order. The rows of
  // the first statement that yields columns become `rows` (positioned at
  // the first record); when none does, `rows` is left without fields.
  // Throws DbFault; what ran before the failing statement stays done.
  virtual void Execute(const std::string& sqlUtf8, Recordset& rows) = 0;
};

// SQLite file at a native path (":memory:" for a private one). A missing
// file is created, as SQLite always does.
std::unique_ptr<IDbConnection> OpenSqlite(const std::string& nativePath);
// An ODBC connection string (UTF-8) as SQLDriverConnect takes it.
// `package` names the Debian package of the driver, for the message when
// the driver is not installed ("" when unknown).
std::unique_ptr<IDbConnection> OpenOdbc(const std::string& connUtf8, const std::string& driver,
                                        const std::string& package);

}  // namespace nokari::db
