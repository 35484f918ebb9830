// DB接続 … DBフィールド数取得: one database connection an engine and the
// result of its last query, held in memory and walked record by record.
// SQLite is reached natively, every other engine through ODBC
// (lib/db/ConnectionString.h says which string goes where). SQL text leaves
// as UTF-8 and cells come back as CP932; a failure is "ADOデータベースの
// エラー。" with the driver's words, and never shows the connection string.
#include "core/Errors.h"
#include "lib/db/ConnectionString.h"
#include "lib/db/Db.h"
#include "lib/db/Messages.h"
#include "lib/path/Path.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

struct DbState {
  std::unique_ptr<db::IDbConnection> Connection;
  db::Recordset Rows;
  // What no message may show: the connection string and its passwords.
  std::vector<std::string> Secrets;
};

DbState& State(TNokaBase& e) { return FamilyState<DbState>(e); }

[[noreturn]] void Fail(TNokaBase& e, const db::DbFault& fault) {
  std::string reason;
  if (fault.Own) {
    std::vector<std::string_view> args(fault.OwnArgs.begin(), fault.OwnArgs.end());
    reason = fault.OwnArgs.empty()     ? Sj(fault.Own)
             : fault.OwnArgs.size() == 1 ? FormatMessage(Sj(fault.Own), {args[0]})
                                         : FormatMessage(Sj(fault.Own), {args[0], args[1]});
  } else {
    reason = FromUtf8(fault.DriverText);
  }
  RaiseError(e, msg::kDbError, {db::HideSecrets(std::move(reason), State(e).Secrets)});
}

[[noreturn]] void FailOwn(TNokaBase& e, const char* message, std::vector<std::string> args = {}) {
  Fail(e, db::DbFault(message, std::move(args)));
}

DbState& Connected(TNokaBase& e) {
  DbState& s = State(e);
  if (!s.Connection) FailOwn(e, msg::kDbNotConnected);
  return s;
}

// A database file named by the script: found the way files to be read
// are, else taken from the current folder (where SQLite will make it).
std::string DatabaseFile(TNokaBase& e, const std::string& name) {
  if (name == ":memory:") return name;
  return ResolveReadName(e, name);
}

void Connect(TNokaBase& e, const std::string& text) {
  DbState& s = State(e);
  s.Connection.reset();
  s.Rows = db::Recordset();
  s.Secrets = {text};
  try {
    db::ConnectionTarget target = db::TargetOf(text, [&](const std::string& n) { return DatabaseFile(e, n); });
    s.Secrets.insert(s.Secrets.end(), target.Secrets.begin(), target.Secrets.end());
    if (target.Sqlite) {
      std::string file = DatabaseFile(e, target.File);
      s.Connection = db::OpenSqlite(file == ":memory:" ? file : NativePath(file));
    } else {
      s.Connection = db::OpenOdbc(ToUtf8(target.Odbc), target.Driver, target.Package);
    }
  } catch (const db::DbFault& fault) {
    Fail(e, fault);
  }
}

// DB接続: the string made of DBプロバイダ, DBデータソース, DBユーザーID and
// DBパスワード.
void CmdConnect(TNokaBase& e) {
  Connect(e, db::ConnectionFromVariables(VarValue(e, "DBプロバイダ"), VarValue(e, "DBデータソース"),
                                         VarValue(e, "DBユーザーID"), VarValue(e, "DBパスワード")));
}

// DB詳細接続 (?で): the script's own connection string.
void CmdConnectWith(TNokaBase& e) { Connect(e, PopArgValue(e)); }

// DB切断: closing what is not open does nothing.
void CmdDisconnect(TNokaBase& e) {
  DbState& s = State(e);
  s.Connection.reset();
  s.Rows = db::Recordset();
}

// The rows of the statement become the recordset; a failed statement
// leaves the one before.
void Query(TNokaBase& e, const std::string& sql) {
  DbState& s = Connected(e);
  db::Recordset rows;
  try {
    s.Connection->Execute(ToUtf8(sql), rows);
  } catch (const db::DbFault& fault) {
    Fail(e, fault);
  }
  s.Rows = std::move(rows);
}

// DBSQL, DB問い合わせ (?と).
void CmdQuery(TNokaBase& e) { Query(e, PopArgValue(e)); }

// DB検索 (?の,?から,?で): table, fields, condition, put together as they
// are. Nothing is quoted: a script that builds a condition from input must
// quote that input itself.
void CmdSelect(TNokaBase& e) {
  std::string condition = PopArgValue(e);
  std::string fields = PopArgValue(e);
  std::string table = PopArgValue(e);
  std::string sql = "SELECT " + fields + " FROM " + table;
  if (!condition.empty() && condition != "*") sql += " WHERE " + condition;
  Query(e, sql + ";");
}

void CmdGetAll(TNokaBase& e) { SetSoreTyped(e, Connected(e).Rows.AllLines(','), "s"); }
void CmdGetAllTabs(TNokaBase& e) { SetSoreTyped(e, Connected(e).Rows.AllLines('\t'), "s"); }
void CmdGetRecord(TNokaBase& e) { SetSoreTyped(e, Connected(e).Rows.RecordLine(','), "s"); }
void CmdGetRecordTabs(TNokaBase& e) { SetSoreTyped(e, Connected(e).Rows.RecordLine('\t'), "s"); }

// DBフィールド取得 (?番目の): a field by its number from 0, or by its name.
// Past the last record (or before the first) every field reads "".
void CmdGetField(TNokaBase& e) {
  std::string which = PopArgValue(e);
  DbState& s = Connected(e);
  constexpr int64_t kNotNumber = INT64_MIN;
  int64_t index = IntDefault(which, kNotNumber);
  if (index == kNotNumber) index = s.Rows.FieldIndex(which);
  if (index < 0 || index >= s.Rows.Fields()) FailOwn(e, msg::kDbNoField, {which, FormatInt(s.Rows.Fields())});
  SetSoreTyped(e, std::string(s.Rows.Field(static_cast<int>(index))), "s");
}

void CmdFirst(TNokaBase& e) { Connected(e).Rows.MoveFirst(); }
void CmdLast(TNokaBase& e) { Connected(e).Rows.MoveLast(); }
void CmdNext(TNokaBase& e) { Connected(e).Rows.MoveNext(); }
void CmdPrevious(TNokaBase& e) { Connected(e).Rows.MovePrevious(); }
void CmdIsEof(TNokaBase& e) { SetSoreTyped(e, Connected(e).Rows.Eof() ? "1" : "0", "e"); }
void CmdIsBof(TNokaBase& e) { SetSoreTyped(e, Connected(e).Rows.Bof() ? "1" : "0", "e"); }
void CmdFieldCount(TNokaBase& e) { SetSoreNumber(e, Connected(e).Rows.Fields()); }

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::DB接続, CmdConnect},
    {Id::DB詳細接続, CmdConnectWith},
    {Id::DB切断, CmdDisconnect},
    {Id::DB問い合わせ, CmdQuery},
    {Id::DB検索, CmdSelect},
    {Id::DB全部取得, CmdGetAll},
    {Id::DBタブ区切りで全部取得, CmdGetAllTabs},
    {Id::DBレコード取得, CmdGetRecord},
    {Id::DBタブ区切りでレコード取得, CmdGetRecordTabs},
    {Id::DBフィールド取得, CmdGetField},
    {Id::DB先頭, CmdFirst},
    {Id::DB最後, CmdLast},
    {Id::DB次, CmdNext},
    {Id::DB前, CmdPrevious},
    {Id::DB最後判定, CmdIsEof},
    {Id::DB先頭判定, CmdIsBof},
    {Id::DBフィールド数取得, CmdFieldCount},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/db/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kDbFamily{"db", kCommands, kMessages};

}  // namespace nokari
