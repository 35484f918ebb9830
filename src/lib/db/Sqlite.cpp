// The SQLite backend: libsqlite3 in the process, a database file a
// connection.

#include "lib/db/Db.h"
#include "lib/db/SqliteApi.h"
#include "words/Contract.h"

namespace nokari::db {
namespace {

// Another process holding the file locked is waited for this long, then
// the statement fails with SQLite's "database is locked": never a hang.
constexpr int kBusyTimeoutMs = 5000;

class StatementGuard {
 public:
  explicit StatementGuard(sqlite3_stmt* s) : s_(s) {}
  ~StatementGuard() { sqlite3_finalize(s_); }
  StatementGuard(const StatementGuard&) = delete;
  StatementGuard& operator=(const StatementGuard&) = delete;

 private:
  sqlite3_stmt* s_;
};

class SqliteConnection final : public IDbConnection {
 public:
  explicit SqliteConnection(const std::string& path) {
    int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
      std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
      sqlite3_close(db_);
      throw DbFault(why + ": " + path);
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    // SQLite opens its file at the first read: reading the schema here
    // makes a missing file now, and a file that is no database fails at
    // connecting, not at the first query.
    Recordset unused;
    try {
      Execute("SELECT count(*) FROM sqlite_master;", unused);
    } catch (...) {
      sqlite3_close(db_);
      throw;
    }
  }
  ~SqliteConnection() override { sqlite3_close(db_); }

  void Execute(const std::string& sql, Recordset& rows) override {
    const char* p = sql.c_str();
    const char* end = p + sql.size();
    bool captured = false;
    while (p < end) {
      sqlite3_stmt* st = nullptr;
      const char* tail = nullptr;
      if (sqlite3_prepare_v2(db_, p, static_cast<int>(end - p), &st, &tail) != SQLITE_OK) Fail();
      p = tail;
      if (!st) continue;  // blanks or a comment after the last statement
      StatementGuard guard(st);
      int columns = sqlite3_column_count(st);
      bool keep = columns > 0 && !captured;
      std::vector<ColumnKind> kinds;
      if (keep) {
        captured = true;
        rows = Recordset();
        for (int c = 0; c < columns; ++c) {
          const char* name = sqlite3_column_name(st, c);
          rows.Names.push_back(FromUtf8(name ? name : ""));
          const char* declared = sqlite3_column_decltype(st, c);
          kinds.push_back(declared ? KindOfDeclaredType(declared) : ColumnKind::Text);
        }
      }
      for (;;) {
        int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) Fail();
        if (keep) AddRow(st, kinds, rows);
      }
    }
    if (captured) rows.MoveFirst();
  }

 private:
  [[noreturn]] void Fail() { throw DbFault(sqlite3_errmsg(db_)); }

  static void AddRow(sqlite3_stmt* st, const std::vector<ColumnKind>& kinds, Recordset& rows) {
    for (int c = 0; c < static_cast<int>(kinds.size()); ++c) {
      switch (sqlite3_column_type(st, c)) {
        case SQLITE_NULL:
          rows.AddCell({});
          break;
        case SQLITE_FLOAT: {
          std::string n;
          FormatNumberInto(n, sqlite3_column_double(st, c));
          rows.AddCell(n);
          break;
        }
        case SQLITE_BLOB: {
          const void* bytes = sqlite3_column_blob(st, c);
          rows.AddCell(std::string_view(static_cast<const char*>(bytes), sqlite3_column_bytes(st, c)));
          break;
        }
        default: {  // integers and text, both read as text
          const unsigned char* text = sqlite3_column_text(st, c);
          std::string_view v(reinterpret_cast<const char*>(text), sqlite3_column_bytes(st, c));
          ColumnKind kind = kinds[static_cast<size_t>(c)];
          rows.AddUtf8Cell(kind == ColumnKind::Real ? ColumnKind::Text : kind, v);
        }
      }
    }
  }

  sqlite3* db_ = nullptr;
};

}  // namespace

std::unique_ptr<IDbConnection> OpenSqlite(const std::string& nativePath) {
  return std::make_unique<SqliteConnection>(nativePath);
}

}  // namespace nokari::db
