// The ODBC table (see OdbcApi.h).
#define NOKARI_ODBC_API_TABLE
#include "lib/db/OdbcApi.h"

namespace nokari::db {
NOKARI_LAZY_TABLE_DEFINE(OdbcFunctions, OdbcApi, "libodbc.so.2", NOKARI_ODBC_FUNCTIONS)
}  // namespace nokari::db
