#!/usr/bin/env bash
# Renders the manual page with every groff warning turned on and fails on
# any; then checks that every option `nokari --help` lists is described.
#   check_manpage.sh NOKARI docs/nokari.1
set -u
nokari=$1
page=$2
command -v groff >/dev/null || { echo "skipped: no groff"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
# -k: preconv reads the UTF-8 source, as man(1) does.
groff -k -ww -man -Tutf8 "$page" > "$work/page.txt" 2> "$work/warnings"
if [ -s "$work/warnings" ]; then
  echo "groff warnings:"; cat "$work/warnings"; fail=1
fi
if command -v man >/dev/null; then
  MANWIDTH=80 man --warnings=w -l "$page" > /dev/null 2> "$work/man-warnings"
  if [ -s "$work/man-warnings" ]; then
    echo "man -l warnings:"; cat "$work/man-warnings"; fail=1
  fi
fi
# The options as --help names them (-console, --help-word …): each must be
# an item of the OPTIONS section, whose tags stand at the left margin of
# its text (7 columns in), where groff writes \- as a plain hyphen.
"$nokari" --help | grep -o '^  *-[-a-z]*' | tr -d ' ' > "$work/options"
[ -s "$work/options" ] || { echo "no options read from --help"; exit 1; }
# grotty overstrikes bold and underlined text: keep the characters only.
sed "s/.\x08//g" "$work/page.txt" | sed -n '/^OPTIONS/,/^[A-Z]/p' | grep '^       -' > "$work/tags"
while read -r option; do
  if ! grep -qE -- "^ +(-[-a-z]+, )*$option( |,|$)" "$work/tags"; then
    echo "option $option of --help is not an item of OPTIONS in the manual page"; fail=1
  fi
done < "$work/options"
# The title line names the version the program reports.
version=$("$nokari" --version)
grep -q "^\.TH NOKARI 1 .* \"$version\"" "$page" || { echo "the .TH line does not name $version"; fail=1; }
exit $fail
