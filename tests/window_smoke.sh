#!/usr/bin/env bash
# Runs a script with a window (offscreen) through the window module and
# checks that it ran and that the window's picture was saved.
#   window_smoke.sh NOKARI SCRIPT.nkr
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
QT_QPA_PLATFORM=offscreen NOKARI_CANVAS_DUMP="$work/canvas.png" XDG_RUNTIME_DIR="$work" \
  timeout 50 "$1" "$2" > "$work/stdout" 2> "$work/stderr"
status=$?
if [ "$status" != 0 ]; then
  echo "exit status $status"; cat "$work/stderr"; exit 1
fi
if [ ! -s "$work/canvas.png" ]; then
  echo "no window picture saved"; cat "$work/stderr"; exit 1
fi
