#!/usr/bin/env bash
# Runs each benchmark in Nokari, Python 3, Tcl 8.6 and Lua 5.4 side by side,
# checks that every language printed the same answers, and prints the median
# of RUNS runs (5 by default) with Nokari's ratio to each peer.
#   bench/run.sh [name...]      names: loop fib strbuild regex csv (default: all)
#
# The peers are the system's own interpreters, called by absolute path: a
# version-manager shim first on PATH adds its own start-up to every run (a
# pyenv shim costs 0.3 s a run, which made Python look twice as slow as it
# is). PYTHON, TCLSH and LUA name other ones; a peer that is missing is
# shown as "-". MEASURE=cpu reports user+system CPU time instead of wall
# time (steadier on a shared machine). NOKARI names the program to time.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
nokari=${NOKARI:-"$here/../build/nokari"}
[ -x "$nokari" ] || { echo "build first: cmake --build build" >&2; exit 1; }

first_of() {  # the first of the given programs that can be run
  for p in "$@"; do
    if [ -x "$p" ]; then echo "$p"; return; fi
    if command -v "$p" >/dev/null 2>&1; then command -v "$p"; return; fi
  done
  echo ""
}
python=${PYTHON:-$(first_of /usr/bin/python3 python3)}
tclsh=${TCLSH:-$(first_of /usr/bin/tclsh8.6 /usr/bin/tclsh tclsh8.6 tclsh)}
lua=${LUA:-$(first_of /usr/bin/lua5.4 lua5.4)}

runs=${RUNS:-5}
measure=${MEASURE:-wall}

echo "nokari  $nokari ($(git -C "$here" rev-parse --short HEAD 2>/dev/null || echo '?'))"
[ -n "$python" ] && command -v "$python" >/dev/null && echo "python  $python ($("$python" -c 'import sys; print(sys.version.split()[0])'))"
[ -n "$tclsh" ] && command -v "$tclsh" >/dev/null && echo "tcl     $tclsh ($(echo 'puts [info patchlevel]' | "$tclsh"))"
[ -n "$lua" ] && command -v "$lua" >/dev/null && echo "lua     $lua ($("$lua" -v 2>&1 | awk '{print $2}'))"
echo "$measure time, median of $runs runs"

# One run's time in seconds: wall, or user+system CPU (MEASURE=cpu).
one_run() {
  local TIMEFORMAT='%R %U %S' t
  t=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
  if [ "$measure" = cpu ]; then
    awk '{printf "%.3f", $2 + $3}' <<<"$t"
  else
    awk '{printf "%.3f", $1}' <<<"$t"
  fi
}
median() {  # median time of $runs runs of the command
  local times=()
  for _ in $(seq 1 "$runs"); do times+=("$(one_run "$@")"); done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.3f", a[int((NR+1)/2)]}'
}
ratio() { [ "$2" = - ] && echo - || awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2fx", (b > 0 ? a / b : 0)}'; }

# The answers, as UTF-8 text with LF line ends. Nokari's console prints
# UTF-8; the Lua programs work in CP932 bytes and print them as they are.
answers() {
  if [ "$1" = "$lua" ]; then
    "$@" 2>&1 | tr -d '\r' | iconv -f CP932 -t UTF-8
  else
    "$@" 2>&1 | tr -d '\r'
  fi
}

names=("$@")
[ ${#names[@]} -eq 0 ] && names=(loop fib strbuild regex csv)
# regex and csv read generated input files (bench/data/, not committed)
[ -f "$here/data/regex.txt" ] && [ -f "$here/data/table.csv" ] || "${python:-python3}" "$here/gen_data.py"

mismatch=0
printf '%-8s %8s %8s %8s %8s %10s %8s %8s\n' bench nokari python tcl lua vs-python vs-tcl vs-lua
for n in "${names[@]}"; do
  want=$(answers "$nokari" -console "$here/$n.nkr")
  peer_time() {  # $1 interpreter, $2 program: the median, after checking its answers
    if [ -z "$1" ] || ! command -v "$1" >/dev/null 2>&1 || [ ! -f "$2" ]; then echo -; return; fi
    local got; got=$(answers "$1" "$2")
    if [ "$got" != "$want" ]; then
      { echo "$n: $(basename "$1") printed other answers than Nokari:"; diff <(echo "$want") <(echo "$got") || true; } >&2
      echo "$1" >>"$mismatch_file"
    fi
    median "$1" "$2"
  }
  mismatch_file=$(mktemp)
  tn=$(median "$nokari" -console "$here/$n.nkr")
  tp=$(peer_time "$python" "$here/$n.py")
  tt=$(peer_time "$tclsh" "$here/$n.tcl")
  tl=$(peer_time "$lua" "$here/$n.lua")
  [ -s "$mismatch_file" ] && mismatch=1
  rm -f "$mismatch_file"
  printf '%-8s %8s %8s %8s %8s %10s %8s %8s\n' "$n" "$tn" "$tp" "$tt" "$tl" \
    "$(ratio "$tn" "$tp")" "$(ratio "$tn" "$tt")" "$(ratio "$tn" "$tl")"
done
if [ "$mismatch" = 1 ]; then echo "answers differ (see above)" >&2; exit 1; fi
