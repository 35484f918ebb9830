// The database module without the engine: connection strings and where
// they lead, hiding passwords, the recordset's walk and texts, the reading
// of dates and numbers, and the SQLite backend on a private database.
#include <gtest/gtest.h>

#include <string>

#include "core/Encoding.h"
#include "lib/db/ConnectionString.h"
#include "lib/db/Db.h"
#include "lib/db/Messages.h"

using namespace nokari;
using namespace nokari::db;

namespace {

const std::string& J(const char* utf8) { return Sj(utf8); }

// The message name a string fails with, or "" when it has a target.
const char* TargetFault(const std::string& text) {
  try {
    TargetOf(text, nullptr);
  } catch (const DbFault& f) {
    return f.Own ? f.Own : "driver";
  }
  return "";
}

// A recordset of two columns filled from a flat list.
Recordset Rows(std::initializer_list<const char*> cells) {
  Recordset r;
  r.Names = {"a", "b"};
  for (const char* c : cells) r.AddCell(c);
  r.MoveFirst();
  return r;
}

std::string Exec(IDbConnection& db, const std::string& sql, Recordset& rows) {
  try {
    db.Execute(sql, rows);
  } catch (const DbFault& f) {
    return f.DriverText;
  }
  return "";
}

}  // namespace

TEST(DbConnectionString, SplitsPairsWithQuotesAndBraces) {
  auto pairs = ParseConnectionString(" Provider = SQLite ;Data Source={a;b}}c};PWD=\"x\"\"y\";;Empty=");
  ASSERT_EQ(pairs.size(), 4u);
  EXPECT_EQ(pairs[0].Key, "Provider");
  EXPECT_EQ(pairs[0].Value, "SQLite");
  EXPECT_EQ(pairs[1].Value, "a;b}c");
  EXPECT_EQ(pairs[2].Value, "x\"y");
  EXPECT_EQ(pairs[3].Value, "");
  EXPECT_EQ(PairValue(pairs, {"data source"}), "a;b}c");
  // A 0x5C second byte is never taken for anything but part of its character.
  auto jp = ParseConnectionString(J("Data Source=表ソ.db;UID=ユーザー"));
  EXPECT_EQ(PairValue(jp, {"Data Source"}), J("表ソ.db"));
  EXPECT_EQ(PairValue(jp, {"User ID", "UID"}), J("ユーザー"));
}

TEST(DbConnectionString, FromVariablesLeavesOutEmptyUserAndPassword) {
  EXPECT_EQ(ConnectionFromVariables("SQLite", "a.db", "", ""), "Provider=SQLite;Data Source=a.db;");
  EXPECT_EQ(ConnectionFromVariables("SQLOLEDB", "srv", "sa", "pw"),
            "Provider=SQLOLEDB;Data Source=srv;UID=sa;PWD=pw;");
}

TEST(DbConnectionString, ProvidersLeadToTheirBackends) {
  ConnectionTarget sqlite = TargetOf("Provider=sqlite;Data Source=x.db", nullptr);
  EXPECT_TRUE(sqlite.Sqlite);
  EXPECT_EQ(sqlite.File, "x.db");

  ConnectionTarget mssql = TargetOf("Provider=SQLOLEDB;Data Source=db1,1444;Initial Catalog=shop;UID=sa;PWD=p;w", nullptr);
  EXPECT_EQ(mssql.Odbc, "Driver={FreeTDS};Server=db1;Port=1444;Database=shop;UID=sa;PWD=p;");
  EXPECT_EQ(mssql.Package, "tdsodbc");

  ConnectionTarget pg = TargetOf("Provider=PostgreSQL;Data Source=127.0.0.1:5433/shop;User ID=u;Password={a;b}", nullptr);
  EXPECT_EQ(pg.Odbc, "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=5433;Database=shop;UID=u;PWD={a;b};");
  ASSERT_EQ(pg.Secrets.size(), 1u);
  EXPECT_EQ(pg.Secrets[0], "a;b");
  // A socket folder is a host for libpq; its slashes are no database.
  EXPECT_EQ(TargetOf("Provider=PostgreSQL;Data Source=/run/pg;Port=5;Location=d", nullptr).Odbc,
            "Driver={PostgreSQL Unicode};Server=/run/pg;Port=5;Database=d;");

  ConnectionTarget jet =
      TargetOf("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=a.mdb", [](const std::string& n) { return "/x/" + n; });
  EXPECT_EQ(jet.Odbc, "Driver={MDBTools};DBQ=/x/a.mdb;");

  EXPECT_EQ(TargetOf("Provider=MSDASQL;Data Source=mydsn;UID=u", nullptr).Odbc, "DSN=mydsn;UID=u;");
  // A driver named goes to ODBC as it is, less the provider.
  ConnectionTarget direct = TargetOf("Provider=MSDASQL;Driver=SQLite3;Database=/t/a.db;PWD=s", nullptr);
  EXPECT_FALSE(direct.Sqlite);
  EXPECT_EQ(direct.Odbc, "Driver=SQLite3;Database=/t/a.db;PWD=s;");
  EXPECT_EQ(direct.Driver, "SQLite3");
  EXPECT_EQ(direct.Secrets, std::vector<std::string>{"s"});
}

TEST(DbConnectionString, UnusableStringsFailWithTheirReasons) {
  EXPECT_STREQ(TargetFault("Provider=MSDAORA;Data Source=orcl"), msg::kDbNoOracleDriver);
  EXPECT_STREQ(TargetFault("Provider=OraOLEDB.Oracle;Data Source=orcl"), msg::kDbNoOracleDriver);
  EXPECT_STREQ(TargetFault("Provider=Nothing.Here;Data Source=x"), msg::kDbUnknownProvider);
  EXPECT_STREQ(TargetFault("Data Source=x.db"), msg::kDbNoProvider);
  EXPECT_STREQ(TargetFault("Provider=SQLite;Data Source="), msg::kDbNoDataSource);
  EXPECT_STREQ(TargetFault("Provider=Microsoft.Jet.OLEDB.4.0"), msg::kDbNoDataSource);
}

TEST(DbConnectionString, SecretsAreHiddenOnWholeCharacters) {
  EXPECT_EQ(HideSecrets("login failed for sa/pw42 (pw42)", {"pw42"}), "login failed for sa/**** (****)");
  // "\" must not match the second byte of ソ.
  EXPECT_EQ(HideSecrets(J("ソ\\"), {"\\"}), J("ソ") + "****");
  EXPECT_EQ(HideSecrets("abc", {""}), "abc");
}

TEST(DbRecordset, WalksPastBothEndsAndStays) {
  Recordset r = Rows({"1", "x", "2", "y"});
  EXPECT_FALSE(r.Bof());
  EXPECT_FALSE(r.Eof());
  EXPECT_EQ(r.Field(1), "x");
  r.MovePrevious();
  EXPECT_TRUE(r.Bof());
  EXPECT_EQ(r.RecordLine(','), "");
  r.MovePrevious();  // already before the first: stays
  r.MoveNext();
  EXPECT_EQ(r.Field(0), "1");
  r.MoveNext();
  r.MoveNext();
  EXPECT_TRUE(r.Eof());
  EXPECT_EQ(r.Field(0), "");
  r.MoveNext();
  r.MovePrevious();  // from past the end back onto the last record
  EXPECT_EQ(r.Field(0), "2");
  r.MoveFirst();
  EXPECT_EQ(r.Field(0), "1");
  r.MoveLast();
  EXPECT_EQ(r.Field(1), "y");

  Recordset empty;
  empty.Names = {"a"};
  empty.MoveFirst();
  EXPECT_TRUE(empty.Bof());
  EXPECT_TRUE(empty.Eof());
  empty.MoveLast();
  EXPECT_TRUE(empty.Bof() && empty.Eof());
  EXPECT_EQ(empty.AllLines(','), "");
}

TEST(DbRecordset, LinesQuoteEveryFieldAndDoubleQuotes) {
  Recordset r = Rows({"a\"b", "", "x,y", "\"\""});
  EXPECT_EQ(r.RecordLine(','), "\"a\"\"b\",\"\"");
  EXPECT_EQ(r.RecordLine('\t'), "a\"b\t");
  EXPECT_EQ(r.AllLines(','), "\"a\"\"b\",\"\"\r\n\"x,y\",\"\"\"\"\"\"\r\n");
  EXPECT_TRUE(r.Eof());
  EXPECT_EQ(r.AllLines('\t'), "a\"b\t\r\nx,y\t\"\"\r\n");
  EXPECT_EQ(r.FieldIndex("B"), 1);
  EXPECT_EQ(r.FieldIndex("c"), -1);
}

TEST(DbCells, DatesTimesAndNumbersReadOneWay) {
  std::string out;
  ASSERT_TRUE(FormatDateText(ColumnKind::DateTime, "2024-01-02 03:04:05.123", out));
  EXPECT_EQ(out, "2024/01/02 03:04:05");
  ASSERT_TRUE(FormatDateText(ColumnKind::DateTime, "2024-01-02T03:04:05+09:00", out));
  EXPECT_EQ(out, "2024/01/02 03:04:05");
  ASSERT_TRUE(FormatDateText(ColumnKind::DateTime, "2024-01-02", out));
  EXPECT_EQ(out, "2024/01/02 00:00:00");
  ASSERT_TRUE(FormatDateText(ColumnKind::Date, "2024-12-31", out));
  EXPECT_EQ(out, "2024/12/31");
  ASSERT_TRUE(FormatDateText(ColumnKind::Time, "23:59", out));
  EXPECT_EQ(out, "23:59:00");
  EXPECT_FALSE(FormatDateText(ColumnKind::DateTime, "tomorrow", out));
  EXPECT_FALSE(FormatDateText(ColumnKind::DateTime, "2024-13-01", out));
  EXPECT_FALSE(FormatDateText(ColumnKind::DateTime, "2024-01-02 and more", out));

  EXPECT_EQ(KindOfDeclaredType("timestamp with time zone"), ColumnKind::DateTime);
  EXPECT_EQ(KindOfDeclaredType("DATETIME"), ColumnKind::DateTime);
  EXPECT_EQ(KindOfDeclaredType("date"), ColumnKind::Date);
  EXPECT_EQ(KindOfDeclaredType("TIME"), ColumnKind::Time);
  EXPECT_EQ(KindOfDeclaredType("double precision"), ColumnKind::Real);
  EXPECT_EQ(KindOfDeclaredType("varchar(10)"), ColumnKind::Text);

  Recordset r;
  r.Names = {"x"};
  r.AddUtf8Cell(ColumnKind::Real, "100.0");
  r.AddUtf8Cell(ColumnKind::Real, "1.5e+20");
  r.AddUtf8Cell(ColumnKind::Real, "NaN-ish");
  r.AddUtf8Cell(ColumnKind::Text, "日本語");
  r.AddUtf8Cell(ColumnKind::DateTime, "not a date");
  EXPECT_EQ(r.Cell(0, 0), "100");
  EXPECT_EQ(r.Cell(1, 0), "1.5E20");
  EXPECT_EQ(r.Cell(2, 0), "NaN-ish");
  EXPECT_EQ(r.Cell(3, 0), J("日本語"));
  EXPECT_EQ(r.Cell(4, 0), "not a date");
}

TEST(DbSqlite, RunsEveryStatementAndKeepsTheFirstRows) {
  auto db = OpenSqlite(":memory:");
  Recordset rows;
  ASSERT_EQ(Exec(*db,
                "CREATE TABLE t(id INTEGER, name TEXT, price REAL, at DATETIME, d DATE);"
                "INSERT INTO t VALUES(1, '日本語', 100.0, '2024-01-02 03:04:05', '2024-05-06');"
                "INSERT INTO t VALUES(2, NULL, 0.25, NULL, NULL);",
                rows),
            "");
  EXPECT_EQ(rows.Fields(), 0);
  ASSERT_EQ(Exec(*db, "SELECT * FROM t ORDER BY id; SELECT 1;", rows), "");
  ASSERT_EQ(rows.Fields(), 5);
  ASSERT_EQ(rows.Rows(), 2u);
  EXPECT_EQ(rows.Names[3], "at");
  EXPECT_EQ(rows.RecordLine(','), "\"1\",\"" + J("日本語") + "\",\"100\",\"2024/01/02 03:04:05\",\"2024/05/06\"");
  rows.MoveNext();
  EXPECT_EQ(rows.RecordLine('\t'), "2\t\t0.25\t\t");
}

TEST(DbSqlite, FailuresCarrySqlitesWordsAndKeepWhatRan) {
  auto db = OpenSqlite(":memory:");
  Recordset rows;
  EXPECT_EQ(Exec(*db, "SELECT * FROM missing;", rows), "no such table: missing");
  EXPECT_NE(Exec(*db, "SELEKT 1;", rows).find("syntax error"), std::string::npos);
  EXPECT_NE(Exec(*db, "CREATE TABLE a(x); INSERT INTO nowhere VALUES(1);", rows), "");
  EXPECT_EQ(Exec(*db, "SELECT count(*) FROM a;", rows), "");  // the first statement stayed done
  EXPECT_EQ(rows.Field(0), "0");
  EXPECT_THROW(OpenSqlite("/nonexistent-folder/x/y.db"), DbFault);
}

TEST(DbSqlite, LargeCellsAndManyRowsComeBackWhole) {
  auto db = OpenSqlite(":memory:");
  Recordset rows;
  ASSERT_EQ(Exec(*db, "CREATE TABLE b(v TEXT); INSERT INTO b VALUES(printf('%.*c', 1048576, 'x'));", rows), "");
  ASSERT_EQ(Exec(*db, "SELECT v, length(v) FROM b;", rows), "");
  EXPECT_EQ(rows.Field(0).size(), 1048576u);
  EXPECT_EQ(rows.Field(1), "1048576");
  ASSERT_EQ(Exec(*db,
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                "SELECT i, 'r' || i FROM n;",
                rows),
            "");
  EXPECT_EQ(rows.Rows(), 20000u);
  rows.MoveLast();
  EXPECT_EQ(rows.RecordLine(','), "\"20000\",\"r20000\"");
}
