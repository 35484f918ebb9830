// The ODBC backend: unixODBC's driver manager and whatever driver the
// connection string names. Text crosses as UTF-16 (the wide calls), so no
// driver's idea of a local character set plays a part; the commands see
// UTF-8 here and CP932 above.
#include <locale.h>

#include <algorithm>

#include "core/Encoding.h"
#include "lib/db/Db.h"
#include "lib/db/Messages.h"
#include "lib/db/OdbcApi.h"

namespace nokari::db {
namespace {

// A server that does not answer is given up after this many seconds.
constexpr SQLULEN kLoginTimeoutSeconds = 15;
// Cells are read in pieces of this many UTF-16 units; longer ones loop.
constexpr size_t kPieceUnits = 32768;

std::u16string ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    size_t n;
    if (c < 0x80) {
      cp = c;
      n = 1;
    } else if ((c >> 5) == 6 && i + 1 < s.size()) {
      cp = ((c & 0x1F) << 6) | (s[i + 1] & 0x3F);
      n = 2;
    } else if ((c >> 4) == 14 && i + 2 < s.size()) {
      cp = ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
      n = 3;
    } else if ((c >> 3) == 30 && i + 3 < s.size()) {
      cp = ((c & 0x07) << 18) | ((s[i + 1] & 0x3F) << 12) | ((s[i + 2] & 0x3F) << 6) | (s[i + 3] & 0x3F);
      n = 4;
    } else {
      cp = 0xFFFD;
      n = 1;
    }
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

void AppendUtf8(std::string& out, const char16_t* s, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    nokari::AppendUtf8(out, cp);
  }
}

SQLWCHAR* Wide(std::u16string& s) { return reinterpret_cast<SQLWCHAR*>(s.data()); }

// The units of a wide text a call reported `reported` of, up to its NUL:
// the driver manager, converting for a driver without wide calls, reports
// the length of the driver's own (UTF-8) text, which is longer.
size_t WideLength(const void* text, size_t reported) {
  const char16_t* p = static_cast<const char16_t*>(text);
  size_t n = 0;
  while (n < reported && p[n] != 0) ++n;
  return n;
}

// The diagnostic records of a handle, joined: the driver's own words.
std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  std::string out;
  for (SQLSMALLINT rec = 1;; ++rec) {
    SQLWCHAR sqlState[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR text[1024];
    SQLSMALLINT len = 0;
    SQLRETURN rc = SQLGetDiagRecW(type, handle, rec, sqlState, &native, text, 1024, &len);
    if (!SQL_SUCCEEDED(rc)) break;
    if (!out.empty()) out += ' ';
    AppendUtf8(out, reinterpret_cast<const char16_t*>(text), WideLength(text, std::min<size_t>(len, 1023)));
  }
  return out.empty() ? std::string("ODBC error") : out;
}

ColumnKind KindOfSqlType(SQLSMALLINT type) {
  switch (type) {
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return ColumnKind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
      return ColumnKind::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
    case -155:  // SQL Server's datetimeoffset
      return ColumnKind::DateTime;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return ColumnKind::Real;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return ColumnKind::Binary;
    default:
      return ColumnKind::Text;
  }
}

// Whether the driver manager knows a driver of that name (its section in
// odbcinst.ini).
bool DriverInstalled(SQLHENV env, const std::string& name) {
  SQLCHAR description[256], attributes[1024];
  SQLSMALLINT dl = 0, al = 0;
  for (SQLUSMALLINT dir = SQL_FETCH_FIRST;; dir = SQL_FETCH_NEXT) {
    if (!SQL_SUCCEEDED(SQLDrivers(env, dir, description, sizeof description, &dl, attributes, sizeof attributes, &al)))
      return false;
    if (name == reinterpret_cast<const char*>(description)) return true;
  }
}

// The driver manager hands text to a driver without wide calls (the SQLite
// driver is one) in the character set of the locale in force when the
// connection opens, and keeps it for the connection. The program's own
// locale may be "C" (ASCII: every Japanese character lost), so the
// handle is made under UTF-8, for this thread only.
class Utf8Locale {
 public:
  Utf8Locale() : utf8_(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0))) {
    if (utf8_) old_ = uselocale(utf8_);
  }
  ~Utf8Locale() {
    if (!utf8_) return;
    uselocale(old_);
    freelocale(utf8_);
  }
  Utf8Locale(const Utf8Locale&) = delete;
  Utf8Locale& operator=(const Utf8Locale&) = delete;

 private:
  locale_t utf8_;
  locale_t old_ = static_cast<locale_t>(0);
};

class StatementHandle {
 public:
  explicit StatementHandle(SQLHDBC dbc) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &h_)))
      throw DbFault(Diagnostics(SQL_HANDLE_DBC, dbc));
  }
  ~StatementHandle() { SQLFreeHandle(SQL_HANDLE_STMT, h_); }
  StatementHandle(const StatementHandle&) = delete;
  StatementHandle& operator=(const StatementHandle&) = delete;
  SQLHSTMT Get() const { return h_; }

 private:
  SQLHSTMT h_ = SQL_NULL_HSTMT;
};

class OdbcConnection final : public IDbConnection {
 public:
  OdbcConnection(const std::string& conn, const std::string& driver, const std::string& package) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    {
      Utf8Locale utf8;  // the connection's character set is chosen here
      SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    }
    SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(kLoginTimeoutSeconds), 0);
    // A driver we chose ourselves and that is not there is named with its
    // package; the driver manager would only say it cannot open a library.
    if (!package.empty() && !DriverInstalled(env_, driver)) {
      Free();
      throw DbFault(msg::kDbDriverMissing, {driver, package});
    }
    std::u16string wide = ToUtf16(conn);
    SQLRETURN rc = SQLDriverConnectW(dbc_, nullptr, Wide(wide), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
      std::string why = Diagnostics(SQL_HANDLE_DBC, dbc_);
      Free();
      throw DbFault(why);
    }
    connected_ = true;
  }
  ~OdbcConnection() override { Free(); }

  void Execute(const std::string& sql, Recordset& rows) override {
    StatementHandle st(dbc_);
    std::u16string wide = ToUtf16(sql);
    SQLRETURN rc = SQLExecDirectW(st.Get(), Wide(wide), static_cast<SQLINTEGER>(wide.size()));
    bool captured = false;
    for (;;) {
      if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) throw DbFault(Diagnostics(SQL_HANDLE_STMT, st.Get()));
      SQLSMALLINT columns = 0;
      if (rc != SQL_NO_DATA) SQLNumResultCols(st.Get(), &columns);
      if (columns > 0 && !captured) {
        captured = true;
        rows = Recordset();
        Fetch(st.Get(), columns, rows);
      }
      rc = SQLMoreResults(st.Get());
      if (rc == SQL_NO_DATA) break;
    }
    if (captured) rows.MoveFirst();
  }

 private:
  void Free() {
    if (connected_) SQLDisconnect(dbc_);
    connected_ = false;
    if (dbc_) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
    dbc_ = nullptr;
    env_ = nullptr;
  }

  static void Fetch(SQLHSTMT st, SQLSMALLINT columns, Recordset& rows) {
    std::vector<ColumnKind> kinds;
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
      SQLWCHAR name[256];
      SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
      SQLULEN size = 0;
      if (!SQL_SUCCEEDED(SQLDescribeColW(st, c, name, 256, &nameLen, &type, &size, &digits, &nullable)))
        throw DbFault(Diagnostics(SQL_HANDLE_STMT, st));
      std::string utf8;
      AppendUtf8(utf8, reinterpret_cast<const char16_t*>(name), WideLength(name, std::min<size_t>(nameLen, 255)));
      rows.Names.push_back(FromUtf8(utf8));
      kinds.push_back(KindOfSqlType(type));
    }
    std::vector<char16_t> piece(kPieceUnits);
    std::string cell;
    for (;;) {
      SQLRETURN rc = SQLFetch(st);
      if (rc == SQL_NO_DATA) break;
      if (!SQL_SUCCEEDED(rc)) throw DbFault(Diagnostics(SQL_HANDLE_STMT, st));
      for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
        ColumnKind kind = kinds[c - 1];
        ReadCell(st, c, kind == ColumnKind::Binary, piece, cell);
        rows.AddUtf8Cell(kind, cell);
      }
    }
  }

  // One cell whole, in pieces: UTF-8 for text, the bytes for binary
  // columns; NULL reads as "". A cut piece fills the buffer (text less its
  // terminating NUL); the last one holds `got` bytes.
  static void ReadCell(SQLHSTMT st, SQLUSMALLINT c, bool binary, std::vector<char16_t>& piece, std::string& cell) {
    cell.clear();
    const SQLLEN bufBytes = static_cast<SQLLEN>(piece.size() * sizeof(char16_t));
    const SQLLEN room = binary ? bufBytes : bufBytes - static_cast<SQLLEN>(sizeof(char16_t));
    for (;;) {
      SQLLEN got = 0;
      SQLRETURN rc = SQLGetData(st, c, binary ? SQL_C_BINARY : SQL_C_WCHAR, piece.data(), bufBytes, &got);
      if (rc == SQL_NO_DATA) return;
      if (!SQL_SUCCEEDED(rc)) throw DbFault(Diagnostics(SQL_HANDLE_STMT, st));
      if (got == SQL_NULL_DATA) return;
      bool cut = rc == SQL_SUCCESS_WITH_INFO && (got == SQL_NO_TOTAL || got > room);
      size_t bytes = static_cast<size_t>(cut ? room : got);
      if (binary)
        cell.append(reinterpret_cast<const char*>(piece.data()), bytes);
      else
        AppendUtf8(cell, piece.data(), WideLength(piece.data(), bytes / sizeof(char16_t)));
      if (!cut) return;
    }
  }

  SQLHENV env_ = nullptr;
  SQLHDBC dbc_ = nullptr;
  bool connected_ = false;
};

}  // namespace

std::unique_ptr<IDbConnection> OpenOdbc(const std::string& connUtf8, const std::string& driver,
                                        const std::string& package) {
  return std::make_unique<OdbcConnection>(connUtf8, driver, package);
}

}  // namespace nokari::db
