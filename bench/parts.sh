#!/usr/bin/env bash
# Creating 1,000 buttons, 100,000 property reads and writes, and 4,000
# lines appended to a メモ and a リスト each, in console
# mode (the window module on the offscreen platform). No peer: the figure
# is for watching this system's own object model.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
nokari="$here/../build/nokari"
[ -x "$nokari" ] || { echo "build first: cmake --build build" >&2; exit 1; }
"$nokari" -console "$here/parts.nkr"
