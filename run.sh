#!/usr/bin/env bash
# Installs what is missing, builds, and runs a Nokari program:
#   ./run.sh [script.nkr] [arguments...]
# Without a script the bundled example runs. The program opens a window when
# a display is available and runs in console mode otherwise.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j2 >/dev/null
script="${1:-$here/examples/hello.nkr}"
[ $# -gt 0 ] && shift
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$here/build/nokari" "$script" "$@"
fi
exec "$here/build/nokari" -console "$script" "$@"
