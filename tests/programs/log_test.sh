#!/usr/bin/env bash
# ログる collects a variable's values and shows them in the memo dialog
# every N calls; the scripted answers' transcript shows what it held.
#   log_test.sh NOKARI
set -u
nokari=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'ok\nok\n' > "$work/answers"
NOKARI_ANSWERS_TRANSCRIPT="$work/transcript" "$nokari" -console -answers "$work/answers" -e \
  "Iを、1から、4まで、繰り返す（Aは、I。Aを、3で、ログる）" 2> "$work/err"
status=$?
# The memo's text: an empty first line, then (1)=1 … (3)=3; the fourth call
# starts a new collection that is never shown.
if [ $status -ne 0 ] || [ "$(grep -c memo "$work/transcript")" != 1 ] ||
   ! grep -q '(1)=1\\n(2)=2\\n(3)=3' "$work/transcript"; then
  echo "status $status"; cat "$work/transcript" "$work/err"; exit 1
fi
