# The same work as bench/db.nkr with Python's sqlite3: one INSERT text a
# row in one transaction, then every row read back as CSV with every field
# quoted, in CP932 (the bytes Nokari's value holds).
import csv
import io
import os
import sqlite3

os.makedirs("data", exist_ok=True)
con = sqlite3.connect("data/bench_py.db", isolation_level=None)
con.execute("DROP TABLE IF EXISTS 商品")
con.execute("CREATE TABLE 商品(番号 INTEGER, 名前 TEXT, 価格 REAL)")
con.execute("BEGIN")
for i in range(1, 100001):
    con.execute("INSERT INTO 商品 VALUES(%d, '商品%d', %d.5)" % (i, i, i))
con.execute("COMMIT")
out = io.StringIO(newline="")
w = csv.writer(out, quoting=csv.QUOTE_ALL, lineterminator="\r\n")
for row in con.execute("SELECT * FROM 商品"):
    w.writerow(["" if v is None else "%.15g" % v if isinstance(v, float) else v for v in row])
print(len(out.getvalue().encode("cp932")))
con.close()
