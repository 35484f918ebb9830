#!/usr/bin/env bash
# The desktop entry, the MIME type and the icon: each validated by the
# tool made for it, and the MIME type built into a MIME database of its
# own to see that *.nkr really becomes text/x-nokari, the type the
# desktop entry opens. A missing tool skips only its check; all missing,
# the test reports skipped (77).
#   check_desktop_files.sh packaging/
set -u
dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0 ran=0
if command -v desktop-file-validate >/dev/null; then
  ran=1
  desktop-file-validate "$dir/nokari.desktop" || fail=1
  grep -qx 'Exec=nokari %f' "$dir/nokari.desktop" || { echo "the entry does not run nokari %f"; fail=1; }
  grep -qx 'MimeType=text/x-nokari;' "$dir/nokari.desktop" || { echo "the entry opens no text/x-nokari"; fail=1; }
fi
if command -v xmllint >/dev/null; then
  ran=1
  xmllint --noout "$dir/nokari-mime.xml" "$dir/nokari.svg" || fail=1
fi
if command -v update-mime-database >/dev/null; then
  ran=1
  mkdir -p "$work/mime/packages"
  cp "$dir/nokari-mime.xml" "$work/mime/packages/nokari.xml"
  # Run as if the database were on the search path, which silences its note.
  if ! XDG_DATA_HOME="$work" XDG_DATA_DIRS="$work" update-mime-database "$work/mime" > "$work/log" 2>&1 || [ -s "$work/log" ]; then
    echo "update-mime-database:"; cat "$work/log"; fail=1
  fi
  grep -q '^[0-9]*:text/x-nokari:\*\.nkr$' "$work/mime/globs2" 2>/dev/null ||
    { echo "*.nkr is not text/x-nokari in the built database"; fail=1; }
fi
[ $ran = 1 ] || { echo "skipped: no desktop-file-validate, xmllint or update-mime-database"; exit 77; }
exit $fail
