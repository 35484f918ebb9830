// The SQLite table (see SqliteApi.h).
#define NOKARI_SQLITE_API_TABLE
#include "lib/db/SqliteApi.h"

namespace nokari::db {
NOKARI_LAZY_TABLE_DEFINE(SqliteFunctions, SqliteApi, "libsqlite3.so.0", NOKARI_SQLITE_FUNCTIONS)
}  // namespace nokari::db
