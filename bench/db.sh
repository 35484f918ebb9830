#!/usr/bin/env bash
# The database benchmark: bench/db.nkr inserts 100,000 rows into a SQLite
# file in one transaction (one SQL text a row) and reads them back with
# DB全部取得; bench/db.py does the same with /usr/bin/python3's sqlite3 and
# csv (run with -I, or bench/csv.py would stand in for the csv module).
# Prints both outputs (they must agree: the byte count of the CSV), the
# best wall and CPU time of RUNS runs (5 by default) and the ratio.
#   bench/db.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
nokari="$here/../build/nokari"
python=/usr/bin/python3
[ -x "$nokari" ] || { echo "build first: cmake --build build" >&2; exit 1; }
runs=${RUNS:-5}

# best wall and CPU seconds of $runs runs: "wall cpu"
best() {
  local bw="" bc=""
  for _ in $(seq 1 "$runs"); do
    local line
    line=$( { /usr/bin/time -f '%e %U %S' "$@" >/dev/null; } 2>&1 | tail -1)
    local w u s c
    read -r w u s <<<"$line"
    c=$(echo "$u + $s" | bc)
    if [ -z "$bw" ] || [ "$(echo "$w < $bw" | bc)" = 1 ]; then bw=$w; fi
    if [ -z "$bc" ] || [ "$(echo "$c < $bc" | bc)" = 1 ]; then bc=$c; fi
  done
  echo "$bw $bc"
}

cd "$here"
mkdir -p data
n=$("$nokari" -console db.nkr)
p=$("$python" -I db.py)
echo "CSV bytes: nokari $n, python $p"
[ "$n" = "$p" ] || { echo "the outputs differ"; exit 1; }
read -r nw nc <<<"$(best "$nokari" -console db.nkr)"
read -r pw pc <<<"$(best "$python" -I db.py)"
printf '%-8s %8s %8s\n' "" wall cpu
printf '%-8s %8.2f %8.2f\n' nokari "$nw" "$nc" python "$pw" "$pc"
printf 'nokari / python: wall %.2fx cpu %.2fx\n' "$(echo "$nw / $pw" | bc -l)" "$(echo "$nc / $pc" | bc -l)"
rm -f data/bench.db data/bench_py.db
