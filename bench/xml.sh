#!/usr/bin/env bash
# The XML benchmark: bench/xml.nkr reads a 5 MB catalogue with
# XMLテキストデータ取得, bench/xml.py does the same with xml.etree
# (/usr/bin/python3). Prints both outputs (they must agree), the best wall
# time and the best CPU time (user + system) of RUNS runs (5 by default)
# and Nokari's ratio to Python.
#   bench/xml.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
nokari="$here/../build/nokari"
python=/usr/bin/python3
[ -x "$nokari" ] || { echo "build first: cmake --build build" >&2; exit 1; }
[ -f "$here/data/books.xml" ] || "$python" "$here/xml.py" gen
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
diff <("$nokari" -console xml.nkr) <("$python" xml.py) >/dev/null ||
  { echo "the outputs differ:"; "$nokari" -console xml.nkr; "$python" xml.py; exit 1; }
read -r nw nc <<<"$(best "$nokari" -console xml.nkr)"
read -r pw pc <<<"$(best "$python" xml.py)"
read -r uw uc <<<"$(best env XML_UTF8=1 "$python" xml.py)"
printf '%-22s %8s %8s\n' "" wall cpu
printf '%-22s %8.2f %8.2f\n' nokari "$nw" "$nc" python-cp932 "$pw" "$pc" python-utf8 "$uw" "$uc"
printf 'nokari / python-cp932: wall %.2fx cpu %.2fx\n' "$(echo "$nw / $pw" | bc -l)" "$(echo "$nc / $pc" | bc -l)"
printf 'nokari / python-utf8:  wall %.2fx cpu %.2fx\n' "$(echo "$nw / $uw" | bc -l)" "$(echo "$nc / $uc" | bc -l)"
