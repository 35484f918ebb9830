#!/usr/bin/env bash
# docs/words.md must be what the program prints from its registration table.
#   check_words_md.sh NOKARI docs/words.md
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$1" --list-words-md > "$work/words.md" || { echo "--list-words-md failed"; exit 1; }
if ! diff -u "$2" "$work/words.md" > "$work/diff"; then
  head -40 "$work/diff"
  echo "docs/words.md is stale: build/nokari --list-words-md > docs/words.md"
  exit 1
fi
