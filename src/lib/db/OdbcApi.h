// unixODBC's driver manager, opened when the first database command that
// is not SQLite needs it (see core/LazyLibrary.h). Include this instead of
// <sql.h>.
#pragma once
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include "core/LazyLibrary.h"

// Every ODBC function the program uses.
#define NOKARI_ODBC_FUNCTIONS(X) \
  X(SQLAllocHandle) \
  X(SQLDescribeColW) \
  X(SQLDisconnect) \
  X(SQLDriverConnectW) \
  X(SQLDrivers) \
  X(SQLExecDirectW) \
  X(SQLFetch) \
  X(SQLFreeHandle) \
  X(SQLGetData) \
  X(SQLGetDiagRecW) \
  X(SQLMoreResults) \
  X(SQLNumResultCols) \
  X(SQLSetConnectAttr) \
  X(SQLSetEnvAttr)

namespace nokari::db {
// OdbcApi(): the table, the library opened and looked up at the first use.
NOKARI_LAZY_TABLE_DECLARE(OdbcFunctions, OdbcApi, NOKARI_ODBC_FUNCTIONS)
}  // namespace nokari::db

#ifndef NOKARI_ODBC_API_TABLE
#define SQLAllocHandle (::nokari::db::OdbcApi().SQLAllocHandle)
#define SQLDescribeColW (::nokari::db::OdbcApi().SQLDescribeColW)
#define SQLDisconnect (::nokari::db::OdbcApi().SQLDisconnect)
#define SQLDriverConnectW (::nokari::db::OdbcApi().SQLDriverConnectW)
#define SQLDrivers (::nokari::db::OdbcApi().SQLDrivers)
#define SQLExecDirectW (::nokari::db::OdbcApi().SQLExecDirectW)
#define SQLFetch (::nokari::db::OdbcApi().SQLFetch)
#define SQLFreeHandle (::nokari::db::OdbcApi().SQLFreeHandle)
#define SQLGetData (::nokari::db::OdbcApi().SQLGetData)
#define SQLGetDiagRecW (::nokari::db::OdbcApi().SQLGetDiagRecW)
#define SQLMoreResults (::nokari::db::OdbcApi().SQLMoreResults)
#define SQLNumResultCols (::nokari::db::OdbcApi().SQLNumResultCols)
#define SQLSetConnectAttr (::nokari::db::OdbcApi().SQLSetConnectAttr)
#define SQLSetEnvAttr (::nokari::db::OdbcApi().SQLSetEnvAttr)
#endif
