// Connection strings: which backend an ADO-style string ("Provider=...;
// Data Source=...;") or an ODBC string ("Driver=...;") reaches, and what
// in it must never be shown. Texts are CP932 throughout.
#pragma once
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "lib/db/Db.h"

namespace nokari::db {

// One "key=value" pair; the value without its braces or quotes.
struct ConnectionPair {
  std::string Key;
  std::string Value;
};
// Splits at ";" outside {...} and "..." (a doubled "}}" or """" inside
// stands for one); keys and values trimmed; empty parts skipped.
std::vector<ConnectionPair> ParseConnectionString(std::string_view text);
// The value of the first key equal to one of `keys` (ASCII case ignored),
// or "".
std::string PairValue(const std::vector<ConnectionPair>& pairs, std::initializer_list<std::string_view> keys);

// Where a connection goes.
struct ConnectionTarget {
  bool Sqlite = false;
  std::string File;     // Sqlite: the database file as the script named it
  std::string Odbc;     // otherwise: the ODBC connection string
  std::string Driver;   // the ODBC driver named, for the missing-driver message
  std::string Package;  // the Debian package that brings that driver
  // Texts of the string that no message may show (passwords).
  std::vector<std::string> Secrets;
};

// The string DB接続 connects with, from its four variables: "Provider=p;
// Data Source=s;" and "UID=u;" and "PWD=w;" when they are not empty.
std::string ConnectionFromVariables(std::string_view provider, std::string_view source, std::string_view user,
                                    std::string_view password);

// The target of a connection string. A string naming an ODBC driver or
// data source (Driver=, DSN=, FileDSN=) goes to ODBC as it is, less any
// Provider; otherwise the provider decides:
//   SQLite                         -> SQLite, Data Source (or Database) the file
//   SQLOLEDB, SQLNCLI*, MSOLEDBSQL -> FreeTDS; Data Source "host", "host,port"
//                                     or "host\instance"; Initial Catalog
//   PostgreSQL, PgOleDb, Npgsql    -> PostgreSQL Unicode; Data Source
//                                     "host[:port][/database]" (or Location,
//                                     Initial Catalog, Port)
//   Microsoft.Jet.OLEDB.*, Microsoft.ACE.OLEDB.* -> MDBTools (read-only);
//                                     the file named through `resolve`
//   MSDASQL                        -> the ODBC data source named by Data Source
//   MSDAORA, OraOLEDB.*            -> fails: no Oracle driver
// Throws DbFault for an unknown provider or none at all.
ConnectionTarget TargetOf(std::string_view text, const std::function<std::string(const std::string&)>& resolve);

// The text with every secret replaced by "****", matched on whole CP932
// characters (a secret never matches half of a double-byte character).
std::string HideSecrets(std::string text, const std::vector<std::string>& secrets);

}  // namespace nokari::db
