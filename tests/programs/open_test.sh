#!/usr/bin/env bash
# 起動 and エクスプローラーで開く hand addresses, documents and folders to
# xdg-open as one argument each, never through a shell.
#   open_test.sh NOKARI
set -u
nokari=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat > "$work/bin/xdg-open" <<STUB
#!/bin/sh
printf '[%s]\n' "\$@" >> "$work/log"
STUB
chmod +x "$work/bin/xdg-open"
touch "$work/doc.txt"
PATH="$work/bin:$PATH" "$nokari" -console -e "「HTTP://example.com/a b;rm x」を、起動
「$work/doc.txt」を、起動
『$work』を、エクスプローラーで開く
「mailto:someone@example.com」を、エクスプローラーで開く"
for _ in $(seq 50); do
  [ "$(wc -l < "$work/log" 2>/dev/null)" = 4 ] && break
  sleep 0.1
done
expected="[HTTP://example.com/a b;rm x]
[$work/doc.txt]
[$work]
[mailto:someone@example.com]"
if [ "$(sort "$work/log")" != "$(echo "$expected" | sort)" ]; then
  echo "xdg-open got:"; cat "$work/log"; exit 1
fi
