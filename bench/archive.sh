#!/usr/bin/env bash
# Archives: extracting and re-creating a zip of 5,000 files (50 MB, text
# that compresses about 3:1) with Nokari (解凍, 圧縮), bsdtar and Python's
# zipfile (deflate, as bsdtar and Nokari write), best of RUNS runs (3 by
# default). Prints the times and Nokari's ratio to the faster peer.
#   bench/archive.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
nokari="$here/../build/nokari"
[ -x "$nokari" ] || { echo "build first: cmake --build build" >&2; exit 1; }
command -v bsdtar >/dev/null || { echo "bsdtar is needed (libarchive-tools)" >&2; exit 1; }
py=/usr/bin/python3
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

best() {  # best wall time of $runs runs, in seconds; "clean" runs before each
  local best=""
  for _ in $(seq 1 "$runs"); do
    rm -rf "$work/out" "$work/new.zip"
    local s e t
    s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  printf '%.3f' "$best"
}

# The data: 50 folders of 100 files, 10 KB each, words drawn at random.
"$py" - "$work" <<'PY'
import os, random, sys, zipfile
root = sys.argv[1]
rng = random.Random(1)
words = [("".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9)))) for _ in range(4000)]
for d in range(50):
    os.makedirs(os.path.join(root, "data", "d%02d" % d))
    for f in range(100):
        text = []
        size = 0
        while size < 10240:
            w = rng.choice(words)
            text.append(w)
            size += len(w) + 1
        with open(os.path.join(root, "data", "d%02d" % d, "f%03d.txt" % f), "w") as out:
            out.write(" ".join(text)[:10240])
with zipfile.ZipFile(os.path.join(root, "in.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    for dirpath, _, files in sorted(os.walk(os.path.join(root, "data"))):
        for name in sorted(files):
            path = os.path.join(dirpath, name)
            z.write(path, os.path.relpath(path, root))
PY
cat > "$work/extract.nkr" <<'NKR'
「in.zip」を、「out」へ、解凍
NKR
cat > "$work/create.nkr" <<'NKR'
「data」を、「new.zip」へ、圧縮
NKR
cat > "$work/extract.py" <<'PY'
import zipfile
zipfile.ZipFile("in.zip").extractall("out")
PY
cat > "$work/create.py" <<'PY'
import os, zipfile
with zipfile.ZipFile("new.zip", "w", zipfile.ZIP_DEFLATED) as z:
    for dirpath, dirs, files in os.walk("data"):
        dirs.sort()
        for name in sorted(files):
            z.write(os.path.join(dirpath, name))
PY
cd "$work"
echo "input: $(du -sh --apparent-size data | cut -f1) in $(find data -type f | wc -l) files; zip $(du -h in.zip | cut -f1)"
printf '%-8s %9s %9s %9s %12s\n' task nokari bsdtar python vs-faster
row() {
  local task=$1 tn=$2 tb=$3 tp=$4 fast
  fast=$(echo "if ($tb < $tp) $tb else $tp" | bc -l)
  printf '%-8s %9s %9s %9s %11.2fx\n' "$task" "$tn" "$tb" "$tp" "$(echo "$tn / $fast" | bc -l)"
}
# Each tool's result is checked once, so a quick failure never passes for
# a quick run.
rm -rf out new.zip
"$nokari" -console extract.nkr && [ "$(find out -type f | wc -l)" = 5000 ] || { echo "解凍 failed" >&2; exit 1; }
"$nokari" -console create.nkr && [ "$(bsdtar -tf new.zip | grep -c 'txt$')" = 5000 ] || { echo "圧縮 failed" >&2; exit 1; }
row extract "$(best "$nokari" -console extract.nkr)" \
  "$(best sh -c 'mkdir out && bsdtar -xf in.zip -C out')" "$(best "$py" extract.py)"
row create "$(best "$nokari" -console create.nkr)" \
  "$(best bsdtar -a -cf new.zip data)" "$(best "$py" create.py)"
