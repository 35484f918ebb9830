#!/usr/bin/env bash
# Prints through the printing commands into a PDF (NOKARI_PRINT_PDF) in a
# console run, then renders the page with pdftoppm and checks its regions:
# the upper right quarter red, the upper left white.
#   print_pdf.sh NOKARI
# Without pdftoppm the rendering is skipped (exit 77: CTest's skip).
set -u
nokari=$1
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
QT_QPA_PLATFORM=offscreen NOKARI_PRINT_PDF="$work/out.pdf" timeout 50 \
  "$nokari" -console "$here/prints_page.nkr" > "$work/stdout" 2> "$work/stderr"
status=$?
if [ "$status" != 0 ]; then echo "exit status $status"; cat "$work/stderr"; exit 1; fi
printf '1\n縦長\n幅あり\n' | diff -u - "$work/stdout" || exit 1
if ! head -c 4 "$work/out.pdf" | grep -q '%PDF'; then echo "no PDF written"; exit 1; fi
if ! command -v pdftoppm >/dev/null; then echo "pdftoppm missing: rendering not checked"; exit 77; fi
pdftoppm -r 20 -singlefile "$work/out.pdf" "$work/page" || exit 1
# One pixel of a binary PPM (P6) as "r g b".
/usr/bin/python3 - "$work/page.ppm" <<'PY' || exit 1
import sys
data = open(sys.argv[1], "rb").read()
fields, pos = [], 0
while len(fields) < 4:
    while data[pos:pos + 1].isspace(): pos += 1
    end = pos
    while not data[end:end + 1].isspace(): end += 1
    fields.append(data[pos:end]); pos = end
pos += 1
w, h = int(fields[1]), int(fields[2])
def at(x, y):
    i = pos + 3 * (y * w + x)
    return tuple(data[i:i + 3])
checks = [((w * 3 // 4, h // 4), (255, 0, 0)), ((w // 4, h // 4), (255, 255, 255)),
          ((w * 3 // 4, h * 5 // 8), (255, 255, 255))]
bad = [(p, at(*p), c) for p, c in checks if at(*p) != c]
dark = sum(1 for x in range(w // 2) for y in range(h * 3 // 4, h * 7 // 8) if sum(at(x, y)) < 300)
if bad or dark == 0:
    print("page regions wrong:", bad, "dark text pixels:", dark)
    sys.exit(1)
PY
