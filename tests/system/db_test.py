#!/usr/bin/python3
"""The database commands against real engines.

One script makes a table of Japanese rows holding quotes, commas, line
breaks, NULLs and dates, reads it back with every DB word (walking past
both ends) and saves DB全部取得's CSV and tab forms. It runs on SQLite
natively, on the same file through the SQLite ODBC driver, and on a
PostgreSQL server started here through odbc-postgresql when one can be
started. Python's sqlite3 and csv make the expected texts from the same
rows. Then the bad input: a missing table, broken SQL, a driver that is
not installed, Oracle, use before connecting, a field out of range, a
wrong password; no error line may hold the connection's password.
"""
import csv
import io
import os
import shutil
import sqlite3
import subprocess
import sys
import time

from peers import Checks, free_port, run_script, workdir

nokari = sys.argv[1]
checks = Checks()
PASSWORD = "Pw-s3cret-42"

# (番号, 名前, メモ, 価格, 登録): every awkward kind of cell.
ROWS = [
    (1, "りんご", 'a"b', 120.5, "2024-01-02 03:04:05"),
    (2, "カンマ,入り", None, None, None),
    (3, "改行\r\n入り", "'単引用符'", 0.25, "1999-12-31 23:59:59"),
    (4, "表ソ能", '""', -3.0, "2000-02-29 00:00:00"),
]


def sql_text(v):
    if v is None:
        return "NULL"
    if isinstance(v, str):
        return "'" + v.replace("'", "''") + "'"
    return repr(v)


def number_text(x):
    """The language's form of a number: 15 significant digits, no ".0"."""
    s = "%.15g" % x
    return s


def cell_text(i, v):
    if v is None:
        return ""
    if i == 3:
        return number_text(v)
    if i == 4:
        return v.replace("-", "/")
    return str(v)


def expected_tables(rows):
    out = io.StringIO(newline="")
    csv.writer(out, quoting=csv.QUOTE_ALL, lineterminator="\r\n").writerows(
        [[cell_text(i, v) for i, v in enumerate(r)] for r in rows])
    tabs = "".join("\t".join(cell_text(i, v) for i, v in enumerate(r)) + "\r\n" for r in rows)
    return out.getvalue(), tabs


def script(connect, real="REAL", ts="DATETIME"):
    """The script run on every engine: `connect` is its first line."""
    lines = [connect,
             "『DROP TABLE IF EXISTS 商品』と、DBSQL",
             "『CREATE TABLE 商品(番号 INTEGER, 名前 VARCHAR(100), メモ VARCHAR(100), 価格 %s, 登録 %s)』と、DBSQL"
             % (real, ts)]
    for r in ROWS:
        # A line break cannot stand in a line of the script: 「\n」 joins it in.
        values = ", ".join(sql_text(v) for v in r).replace("\r\n", "』&「\\n」&『")
        lines.append("『INSERT INTO 商品 VALUES(%s)』と、DBSQL" % values)
    lines += [
        "『SELECT * FROM 商品 ORDER BY 番号』と、DBSQL",
        "DB全部取得",
        "それを、「all.csv」へ、保存",
        "DB最後判定",
        "それを、表示",                      # 1: 全部取得 walks to the end
        "DBタブ区切りで全部取得",
        "それを、「all.tsv」へ、保存",
        "DBフィールド数取得",
        "それを、表示",                      # 5
        "DB先頭",
        "DB先頭判定",
        "それを、表示",                      # 0
        "DB前",
        "DB先頭判定",
        "それを、表示",                      # 1
        "DB前",
        "DBレコード取得",
        "「[{それ}]」を、表示",              # []
        "DB次",
        "「0」番目の、DBフィールド取得",
        "それを、表示",                      # 1
        "DBレコード取得",
        "それを、表示",                      # the first row as CSV
        "DB最後",
        "DBタブ区切りでレコード取得",
        "それを、表示",                      # the last row, tabs
        "DB次",
        "DB最後判定",
        "それを、表示",                      # 1
        "DB次",
        "「2」番目の、DBフィールド取得",
        "「[{それ}]」を、表示",              # []
        "DB前",
        "「名前」番目の、DBフィールド取得",
        "それを、表示",                      # the last row's 名前
        "DB最後判定",
        "それを、表示",                      # 0
        "「商品」の、「番号,メモ」から、「番号 >= 2 AND 番号 <= 3」で、DB検索",
        "DB全部取得",
        "それを、「search.csv」へ、保存",
        "「商品」の、「番号」から、「*」で、DB検索",
        "DBタブ区切りで全部取得",
        "それを、「every.tsv」へ、保存",
        "DB切断",
    ]
    return "\n".join(lines) + "\n"


def expected_output():
    csv_all, _ = expected_tables(ROWS)
    first = csv_all.split("\r\n")[0]
    last = "\t".join(cell_text(i, v) for i, v in enumerate(ROWS[-1]))
    return ["1", "5", "0", "1", "[]", "1", first, last, "1", "[]", ROWS[-1][1], "0"]


def read_cp932(folder, name):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read().decode("cp932")


def check_engine(label, folder, connect, **types):
    status, out, err = run_script(nokari, folder, script(connect, **types))
    checks.equal(label + ": exit status (stderr %r)" % err, status, 0)
    if status != 0:
        return
    checks.equal(label + ": walked output", out.replace("\r\n", "\n").split("\n")[:-1], expected_output())
    csv_all, tabs = expected_tables(ROWS)
    checks.equal(label + ": DB全部取得", read_cp932(folder, "all.csv"), csv_all)
    checks.equal(label + ": DBタブ区切りで全部取得", read_cp932(folder, "all.tsv"), tabs)
    picked, _ = expected_tables([(r[0], r[2]) for r in ROWS if 2 <= r[0] <= 3])
    checks.equal(label + ": DB検索 with a condition", read_cp932(folder, "search.csv"), picked)
    checks.equal(label + ": DB検索 with *", read_cp932(folder, "every.tsv"), "".join("%d\r\n" % r[0] for r in ROWS))


def python_reads_back(folder):
    """Python's sqlite3 sees the rows the script wrote, unchanged."""
    con = sqlite3.connect(os.path.join(folder, "shop.db"))
    got = con.execute("SELECT * FROM 商品 ORDER BY 番号").fetchall()
    con.close()
    checks.equal("python reads the script's rows", got, ROWS)


def bad_input(folder):
    def fails(label, text, *wanted):
        status, out, err = run_script(nokari, folder, text)
        checks.equal(label + ": exit status", status, 1)
        checks.true(label + ": the DB error in %r" % err, "ADOデータベースのエラー。" in err)
        for w in wanted:
            checks.true(label + ": %r in %r" % (w, err), w in err)
        checks.true(label + ": no password in %r" % err, PASSWORD not in err and PASSWORD not in out)

    sqlite_conn = "「Provider=SQLite;Data Source=bad.db;PWD=%s」で、DB詳細接続\n" % PASSWORD
    fails("missing table", sqlite_conn + "『SELECT * FROM 無い表』と、DBSQL\n", "no such table: 無い表")
    fails("syntax error", sqlite_conn + "『SELEKT 1』と、DBSQL\n", "syntax error")
    fails("use before connecting", "DB全部取得\n", "接続していません")
    fails("field out of range", sqlite_conn + "『SELECT 1 AS a, 2 AS b』と、DBSQL\n「2」番目の、DBフィールド取得\n",
          "フィールド\"2\"はありません(フィールド数は2)")
    fails("field name unknown", sqlite_conn + "『SELECT 1 AS a』と、DBSQL\n「b」番目の、DBフィールド取得\n",
          "フィールド\"b\"はありません")
    fails("oracle", "DBプロバイダは、DB_ORACLE\nDBデータソースは「orcl」\nDBパスワードは「%s」\nDB接続\n" % PASSWORD,
          "Oracle(MSDAORA)に接続するドライバーはありません")
    fails("driver not installed", "『Driver={No Such Driver};Server=x;PWD=%s』で、DB詳細接続\n" % PASSWORD,
          "Can't open lib 'No Such Driver'")
    installed = subprocess.run(["odbcinst", "-q", "-d"], capture_output=True, text=True).stdout
    hint = () if "[FreeTDS]" in installed else ("ODBCドライバー\"FreeTDS\"がインストールされていません(tdsodbcを入れてください)",)
    fails("sql server without its driver",
          "DBプロバイダは、DB_SQLSERVER\nDBデータソースは「127.0.0.1,1」\nDBユーザーIDは「sa」\nDBパスワードは「%s」\nDB接続\n"
          % PASSWORD, *hint)
    fails("unknown provider", "「Provider=Foo.Bar;Data Source=x」で、DB詳細接続\n", "プロバイダ\"Foo.Bar\"には対応していません")

    # A missing SQLite file is made at connecting, as SQLite always does.
    path = os.path.join(folder, "made.db")
    status, _, err = run_script(nokari, folder, "DBプロバイダは「SQLite」\nDBデータソースは「made.db」\nDB接続\nDB切断\n")
    checks.equal("missing file: exit status (%r)" % err, status, 0)
    checks.true("missing file is made", os.path.exists(path))



def large_cells(label, folder, connect):
    """A 1 MB cell comes back whole, also when the driver hands it over in
    pieces that cut a character ('z' first puts every cut inside one)."""
    status, out, err = run_script(nokari, folder, "\n".join([
        connect,
        "『SELECT printf('%.*c', 1048576, 'あ') AS v, 'z' || printf('%.*c', 50000, 'あ') AS u』と、DBSQL",
        "「v」番目の、DBフィールド取得",
        "それの、バイト数を、表示",
        "それで、「あ」の、出現回数を、表示",
        "「u」番目の、DBフィールド取得",
        "それで、「あ」の、出現回数を、表示",
        "DBレコード取得",
        "それの、バイト数を、表示"]) + "\n")
    checks.equal(label + ": 1 MB cell (%r)" % err[:200], out.split(), ["2097152", "1048576", "50000", "2197158"])


def start_postgres(base):
    """A private server on a free port, or None with the reason printed."""
    bindir = "/usr/lib/postgresql/15/bin"
    if not os.path.exists(bindir + "/initdb"):
        return None, "postgresql is not installed"
    if os.geteuid() != 0 and os.environ.get("USER") != "postgres":
        return None, "starting a server needs root (to run it as postgres)"
    installed = subprocess.run(["odbcinst", "-q", "-d"], capture_output=True, text=True).stdout
    if "[PostgreSQL Unicode]" not in installed:
        return None, "odbc-postgresql is not installed"
    data, sock = os.path.join(base, "data"), os.path.join(base, "sock")
    os.makedirs(sock)
    pwfile = os.path.join(base, "pw")
    with open(pwfile, "w") as f:
        f.write(PASSWORD + "\n")
    for p in (base, sock, pwfile):
        shutil.chown(p, "postgres", "postgres")
    run = ["runuser", "-u", "postgres", "--"]
    init = subprocess.run(run + [bindir + "/initdb", "-D", data, "-E", "UTF8", "--locale=C", "-U", "postgres",
                                 "--pwfile", pwfile, "--auth-host=md5", "--auth-local=trust"],
                          capture_output=True, text=True)
    if init.returncode != 0:
        return None, "initdb failed: " + init.stderr[-300:]
    port = free_port()
    start = subprocess.run(run + [bindir + "/pg_ctl", "-D", data, "-l", os.path.join(base, "log"), "-w", "-t", "30",
                                  "-o", "-p %d -k %s -c listen_addresses=127.0.0.1" % (port, sock), "start"],
                           capture_output=True, text=True)
    if start.returncode != 0:
        return None, "the server did not start: " + start.stderr[-300:]
    return (run, bindir, data, port), None


def stop_postgres(server):
    run, bindir, data, _ = server
    subprocess.run(run + [bindir + "/pg_ctl", "-D", data, "-m", "immediate", "stop"], capture_output=True)


def postgres(folder):
    base = os.path.join(folder, "pg")
    os.makedirs(base)
    server, why = start_postgres(base)
    if not server:
        print("postgresql part skipped: " + why)
        return
    try:
        port = server[3]
        conn = "『Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=%d;Database=postgres;UID=postgres;PWD=%s』で、DB詳細接続" \
            % (port, PASSWORD)
        check_engine("postgresql", folder, conn, real="DOUBLE PRECISION", ts="TIMESTAMP")
        # DB接続 with a PostgreSQL provider and "host:port/database".
        status, out, err = run_script(nokari, folder, "\n".join([
            "DBプロバイダは「PostgreSQL」",
            "DBデータソースは「127.0.0.1:%d/postgres」" % port,
            "DBユーザーIDは「postgres」",
            "DBパスワードは「%s」" % PASSWORD,
            "DB接続",
            "『SELECT count(*) AS n FROM 商品』と、DBSQL",
            "「n」番目の、DBフィールド取得",
            "それを、表示"]) + "\n")
        checks.equal("postgresql via DB接続 (%r)" % err, out.strip(), str(len(ROWS)))
        status, out, err = run_script(nokari, folder, conn.replace(PASSWORD, "wrong-" + PASSWORD) + "\n")
        checks.equal("postgresql wrong password: exit status", status, 1)
        checks.true("postgresql wrong password: the driver's reason in %r" % err, "password authentication failed" in err)
        checks.true("postgresql wrong password: no password in %r" % err, PASSWORD not in err)
    finally:
        stop_postgres(server)


with workdir() as folder:
    os.chmod(folder, 0o755)
    db = os.path.join(folder, "shop.db")
    check_engine("sqlite", folder, "「Provider=SQLite;Data Source=shop.db」で、DB詳細接続")
    python_reads_back(folder)
    installed = subprocess.run(["odbcinst", "-q", "-d"], capture_output=True, text=True).stdout
    if "[SQLite3]" in installed:
        check_engine("sqlite odbc", folder, "「Driver=SQLite3;Database=%s;PWD=%s」で、DB詳細接続" % (db, PASSWORD))
    else:
        print("sqlite odbc part skipped: libsqliteodbc is not installed")
    large_cells("sqlite", folder, "「Provider=SQLite;Data Source=:memory:」で、DB詳細接続")
    if "[SQLite3]" in installed:
        large_cells("sqlite odbc", folder, "「Driver=SQLite3;Database=%s」で、DB詳細接続" % db)
    bad_input(folder)
    postgres(folder)

checks.done()
