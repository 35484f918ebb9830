#!/usr/bin/env bash
# What a console script that uses none of the optional libraries loads: the
# C and C++ runtimes, Oniguruma and the CP932 converter, and nothing else.
# The network, archive, database, foreign-call, prompt, X11 and window
# libraries are opened when a command first needs them; one linked by
# mistake would be loaded and relocated at every start.
#   check_start_libraries.sh NOKARI
set -u
nokari=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '「あ」を、表示\r\n' | iconv -f UTF-8 -t CP932 > "$work/one.nkr"
LD_DEBUG=files "$nokari" -console "$work/one.nkr" > "$work/out" 2> "$work/loads" || {
  echo "the script failed:"; cat "$work/out" "$work/loads"; exit 1; }
[ "$(cat "$work/out")" = "あ" ] || { echo "printed: $(cat "$work/out")"; exit 1; }
loaded=$(grep -o 'file=[^ ]*' "$work/loads" | sed 's/^file=//; s|.*/||' | sort -u)
fail=0
for name in $loaded; do
  case "$name" in
    libc.so.*|libm.so.*|libstdc++.so.*|libgcc_s.so.*|libonig.so.*|CP932.so) ;;
    libasan.so.*|libubsan.so.*) ;;  # the sanitizer build's runtimes
    *) echo "a one-line script loaded $name"; fail=1 ;;
  esac
done
echo "$loaded" | grep -q '^libonig' || { echo "no load was seen (LD_DEBUG gave nothing?)"; fail=1; }
exit $fail
