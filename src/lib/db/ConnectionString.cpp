// Connection strings (lib/db/ConnectionString.h).
#include "lib/db/ConnectionString.h"

#include "core/Cp932.h"
#include "lib/db/Messages.h"

namespace nokari::db {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool StartsWithKey(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameKey(text.substr(0, prefix.size()), prefix);
}

// A value as ODBC wants it: in braces when it holds what would end or open
// one (";" or braces, or edge blanks that would be trimmed).
std::string OdbcValue(const std::string& v) {
  bool plain = v.find_first_of(";{}") == std::string::npos && (v.empty() || (!IsBlank(v.front()) && !IsBlank(v.back())));
  if (plain) return v;
  std::string out = "{";
  for (char c : v) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

void Append(std::string& out, std::string_view key, const std::string& value) {
  if (value.empty()) return;
  out.append(key).append("=").append(OdbcValue(value)).append(";");
}

void AddSecrets(ConnectionTarget& t, const std::vector<ConnectionPair>& pairs) {
  for (const ConnectionPair& p : pairs)
    if (!p.Value.empty() && (SameKey(p.Key, "PWD") || SameKey(p.Key, "Password"))) t.Secrets.push_back(p.Value);
}

std::string User(const std::vector<ConnectionPair>& pairs) { return PairValue(pairs, {"UID", "User ID", "User"}); }
std::string Password(const std::vector<ConnectionPair>& pairs) { return PairValue(pairs, {"PWD", "Password"}); }

// "host,port" (SQL Server's notation) split in two.
void SqlServerTarget(ConnectionTarget& t, const std::vector<ConnectionPair>& pairs) {
  std::string source = PairValue(pairs, {"Data Source", "Server", "Address", "Addr"});
  std::string port;
  if (size_t comma = source.find(','); comma != std::string::npos) {
    port = Trim(std::string_view(source).substr(comma + 1));
    source = Trim(std::string_view(source).substr(0, comma));
  }
  t.Driver = "FreeTDS";
  t.Package = "tdsodbc";
  t.Odbc = "Driver={FreeTDS};";
  Append(t.Odbc, "Server", source);
  Append(t.Odbc, "Port", port);
  Append(t.Odbc, "Database", PairValue(pairs, {"Initial Catalog", "Database"}));
  Append(t.Odbc, "UID", User(pairs));
  Append(t.Odbc, "PWD", Password(pairs));
}

// "host[:port][/database]"; a host starting with "/" is the folder of the
// server's socket, as libpq reads it.
void PostgresTarget(ConnectionTarget& t, const std::vector<ConnectionPair>& pairs) {
  std::string source = PairValue(pairs, {"Data Source", "Server", "Host"});
  std::string database = PairValue(pairs, {"Location", "Initial Catalog", "Database"});
  std::string port = PairValue(pairs, {"Port"});
  size_t slash = source.find('/', 1);
  if (!source.empty() && source[0] != '/' && slash != std::string::npos) {
    if (database.empty()) database = source.substr(slash + 1);
    source.erase(slash);
  }
  size_t colon = source.rfind(':');
  if (colon != std::string::npos && source.find(':') == colon) {  // not an IPv6 address
    if (port.empty()) port = source.substr(colon + 1);
    source.erase(colon);
  }
  t.Driver = "PostgreSQL Unicode";
  t.Package = "odbc-postgresql";
  t.Odbc = "Driver={PostgreSQL Unicode};";
  Append(t.Odbc, "Server", source);
  Append(t.Odbc, "Port", port);
  Append(t.Odbc, "Database", database);
  Append(t.Odbc, "UID", User(pairs));
  Append(t.Odbc, "PWD", Password(pairs));
}

void AccessTarget(ConnectionTarget& t, const std::vector<ConnectionPair>& pairs,
                  const std::function<std::string(const std::string&)>& resolve) {
  std::string file = PairValue(pairs, {"Data Source", "DBQ"});
  if (file.empty()) throw DbFault(msg::kDbNoDataSource, {});
  t.Driver = "MDBTools";
  t.Package = "odbc-mdbtools";
  t.Odbc = "Driver={MDBTools};";
  Append(t.Odbc, "DBQ", resolve ? resolve(file) : file);
}

// The pairs written back without the ones named (for strings that go to
// ODBC nearly as they are).
std::string Without(const std::vector<ConnectionPair>& pairs, std::initializer_list<std::string_view> keys,
                    std::string_view renameFrom = {}, std::string_view renameTo = {}) {
  std::string out;
  for (const ConnectionPair& p : pairs) {
    bool drop = false;
    for (std::string_view k : keys) drop = drop || SameKey(p.Key, k);
    if (drop) continue;
    bool rename = !renameFrom.empty() && SameKey(p.Key, renameFrom);
    out.append(rename ? std::string(renameTo) : p.Key).append("=").append(OdbcValue(p.Value)).append(";");
  }
  return out;
}

}  // namespace

std::vector<ConnectionPair> ParseConnectionString(std::string_view text) {
  std::vector<ConnectionPair> pairs;
  size_t i = 0;
  while (i < text.size()) {
    size_t eq = i;
    while (eq < text.size() && text[eq] != '=' && text[eq] != ';') eq += CharLenAt(text, eq);
    std::string key = Trim(text.substr(i, eq - i));
    std::string value;
    i = eq;
    if (i < text.size() && text[i] == '=') {
      ++i;
      while (i < text.size() && IsBlank(text[i])) ++i;
      char close = i < text.size() ? (text[i] == '{' ? '}' : text[i] == '"' ? '"' : text[i] == '\'' ? '\'' : 0) : 0;
      if (close) {
        // Quoted: runs to the closing mark; a doubled mark is one.
        for (++i; i < text.size();) {
          if (text[i] == close) {
            if (i + 1 < text.size() && text[i + 1] == close) {
              value += close;
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          size_t n = CharLenAt(text, i);
          value.append(text.substr(i, n));
          i += n;
        }
        while (i < text.size() && text[i] != ';') ++i;
      } else {
        size_t start = i;
        while (i < text.size() && text[i] != ';') i += CharLenAt(text, i);
        value = Trim(text.substr(start, i - start));
      }
    }
    if (i < text.size()) ++i;  // the ";"
    if (!key.empty()) pairs.push_back({std::move(key), std::move(value)});
  }
  return pairs;
}

std::string PairValue(const std::vector<ConnectionPair>& pairs, std::initializer_list<std::string_view> keys) {
  for (const ConnectionPair& p : pairs)
    for (std::string_view k : keys)
      if (SameKey(p.Key, k)) return p.Value;
  return {};
}

std::string ConnectionFromVariables(std::string_view provider, std::string_view source, std::string_view user,
                                    std::string_view password) {
  std::string s = "Provider=";
  s.append(provider).append(";Data Source=").append(source).append(";");
  if (!user.empty()) s.append("UID=").append(user).append(";");
  if (!password.empty()) s.append("PWD=").append(password).append(";");
  return s;
}

ConnectionTarget TargetOf(std::string_view text, const std::function<std::string(const std::string&)>& resolve) {
  std::vector<ConnectionPair> pairs = ParseConnectionString(text);
  ConnectionTarget t;
  AddSecrets(t, pairs);
  std::string provider = PairValue(pairs, {"Provider"});
  if (!PairValue(pairs, {"Driver", "DSN", "FileDSN"}).empty() && !SameKey(provider, "SQLite")) {
    t.Odbc = Without(pairs, {"Provider"});
    t.Driver = PairValue(pairs, {"Driver"});
    return t;
  }
  if (provider.empty()) throw DbFault(msg::kDbNoProvider, {});
  if (SameKey(provider, "SQLite") || SameKey(provider, "SQLite3")) {
    t.Sqlite = true;
    t.File = PairValue(pairs, {"Data Source", "Database"});
    if (t.File.empty()) throw DbFault(msg::kDbNoDataSource, {});
  } else if (SameKey(provider, "SQLOLEDB") || StartsWithKey(provider, "SQLNCLI") ||
             StartsWithKey(provider, "MSOLEDBSQL")) {
    SqlServerTarget(t, pairs);
  } else if (StartsWithKey(provider, "PostgreSQL") || StartsWithKey(provider, "PgOleDb") ||
             StartsWithKey(provider, "Npgsql") || SameKey(provider, "PGNP")) {
    PostgresTarget(t, pairs);
  } else if (StartsWithKey(provider, "Microsoft.Jet.OLEDB") || StartsWithKey(provider, "Microsoft.ACE.OLEDB")) {
    AccessTarget(t, pairs, resolve);
  } else if (StartsWithKey(provider, "MSDASQL")) {
    t.Odbc = Without(pairs, {"Provider"}, "Data Source", "DSN");
  } else if (SameKey(provider, "MSDAORA") || StartsWithKey(provider, "OraOLEDB")) {
    throw DbFault(msg::kDbNoOracleDriver, {});
  } else {
    throw DbFault(msg::kDbUnknownProvider, {provider});
  }
  return t;
}

std::string HideSecrets(std::string text, const std::vector<std::string>& secrets) {
  for (const std::string& secret : secrets) {
    if (secret.empty()) continue;
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
      if (text.compare(i, secret.size(), secret) == 0) {
        out += "****";
        i += secret.size();
        continue;
      }
      size_t n = CharLenAt(text, i);
      out.append(text, i, n);
      i += n;
    }
    text = std::move(out);
  }
  return text;
}

}  // namespace nokari::db
