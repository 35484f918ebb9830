#!/usr/bin/env bash
# Drawing: 100,000 線 in a console run (the window module on the offscreen
# platform) and 10,000 表示 in a window run offscreen, beside Pillow doing
# the same (/usr/bin/python3 with python3-pil: scripts/install-deps.sh
# bench). Best of RUNS runs (3 by default).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
nokari="$here/../build/nokari"
[ -x "$nokari" ] || { echo "build first: cmake --build build" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen
runs=${RUNS:-3}
best() {
  local best=""
  for _ in $(seq 1 "$runs"); do
    local s e t
    s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  printf '%.3f' "$best"
}
printf '%-12s %9s %9s %9s\n' bench nokari pillow ratio
tn=$(best "$nokari" -console "$here/draw_lines.nkr")
tp=$(best /usr/bin/python3 "$here/draw.py" lines)
printf '%-12s %9s %9s %8.2fx\n' "100k 線" "$tn" "$tp" "$(echo "$tn / $tp" | bc -l)"
tn=$(best "$nokari" "$here/draw_text.nkr")
tp=$(best /usr/bin/python3 "$here/draw.py" text)
printf '%-12s %9s %9s %8.2fx\n' "10k 表示" "$tn" "$tp" "$(echo "$tn / $tp" | bc -l)"
