// SQLite, opened when a database command first needs it (see
// core/LazyLibrary.h). Include this instead of <sqlite3.h>.
#pragma once
#include <sqlite3.h>

#include "core/LazyLibrary.h"

// Every SQLite function the program calls.
#define NOKARI_SQLITE_FUNCTIONS(X) \
  X(sqlite3_busy_timeout) \
  X(sqlite3_close) \
  X(sqlite3_column_blob) \
  X(sqlite3_column_bytes) \
  X(sqlite3_column_count) \
  X(sqlite3_column_decltype) \
  X(sqlite3_column_double) \
  X(sqlite3_column_name) \
  X(sqlite3_column_text) \
  X(sqlite3_column_type) \
  X(sqlite3_errmsg) \
  X(sqlite3_errstr) \
  X(sqlite3_finalize) \
  X(sqlite3_open_v2) \
  X(sqlite3_prepare_v2) \
  X(sqlite3_step)

namespace nokari::db {
// SqliteApi(): the table, SQLite opened and looked up at the first call.
NOKARI_LAZY_TABLE_DECLARE(SqliteFunctions, SqliteApi, NOKARI_SQLITE_FUNCTIONS)
}  // namespace nokari::db

#ifndef NOKARI_SQLITE_API_TABLE
#define sqlite3_busy_timeout (::nokari::db::SqliteApi().sqlite3_busy_timeout)
#define sqlite3_close (::nokari::db::SqliteApi().sqlite3_close)
#define sqlite3_column_blob (::nokari::db::SqliteApi().sqlite3_column_blob)
#define sqlite3_column_bytes (::nokari::db::SqliteApi().sqlite3_column_bytes)
#define sqlite3_column_count (::nokari::db::SqliteApi().sqlite3_column_count)
#define sqlite3_column_decltype (::nokari::db::SqliteApi().sqlite3_column_decltype)
#define sqlite3_column_double (::nokari::db::SqliteApi().sqlite3_column_double)
#define sqlite3_column_name (::nokari::db::SqliteApi().sqlite3_column_name)
#define sqlite3_column_text (::nokari::db::SqliteApi().sqlite3_column_text)
#define sqlite3_column_type (::nokari::db::SqliteApi().sqlite3_column_type)
#define sqlite3_errmsg (::nokari::db::SqliteApi().sqlite3_errmsg)
#define sqlite3_errstr (::nokari::db::SqliteApi().sqlite3_errstr)
#define sqlite3_finalize (::nokari::db::SqliteApi().sqlite3_finalize)
#define sqlite3_open_v2 (::nokari::db::SqliteApi().sqlite3_open_v2)
#define sqlite3_prepare_v2 (::nokari::db::SqliteApi().sqlite3_prepare_v2)
#define sqlite3_step (::nokari::db::SqliteApi().sqlite3_step)
#endif
