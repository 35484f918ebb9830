#!/usr/bin/env bash
# Runs each benchmark in Nokari, Python 3 and Tcl 8.6 side by side and
# prints the times and Nokari's ratio to each peer (best of RUNS runs, 5 by
# default: wall times on a shared machine drift, the best run drifts least).
#   bench/run.sh [name...]      names: loop fib strbuild regex csv (default: all)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
nokari="$here/../build/nokari"
[ -x "$nokari" ] || { echo "build first: cmake --build build" >&2; exit 1; }

runs=${RUNS:-5}
best() {  # best wall time of $runs runs, in seconds
  local best=""
  for _ in $(seq 1 "$runs"); do
    local s e
    s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N)
    local t; t=$(echo "$e - $s" | bc)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  printf '%.3f' "$best"
}

names=("$@")
[ ${#names[@]} -eq 0 ] && names=(loop fib strbuild regex csv)
# regex and csv read generated input files (bench/data/, not committed)
[ -f "$here/data/regex.txt" ] && [ -f "$here/data/table.csv" ] || python3 "$here/gen_data.py"
printf '%-8s %9s %9s %9s %10s %10s\n' bench nokari python tcl vs-python vs-tcl
for n in "${names[@]}"; do
  tn=$(best "$nokari" -console "$here/$n.nkr")
  tp=$(best python3 "$here/$n.py")
  tt=$(best tclsh "$here/$n.tcl")
  printf '%-8s %9s %9s %9s %9.2fx %9.2fx\n' "$n" "$tn" "$tp" "$tt" \
    "$(echo "$tn / $tp" | bc -l)" "$(echo "$tn / $tt" | bc -l)"
done
