#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, build-fuzz/) and runs each for the
# given seconds (default 60), two at a time. Crash, hang and leak inputs go
# to fuzz/crashes-<target>/ (git-ignored); the corpora grow in
# build-fuzz/corpus/<target>/, seeded from tests/scripts, fuzz/seeds and
# fuzz/regressions.
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(prepare engine expr calls csv regex path)

"$here/scripts/install-deps.sh" fuzz

build="$here/build-fuzz"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DNOKARI_FUZZ=ON -DNOKARI_GUI=OFF >/dev/null
cmake --build "$build" -j2 --target nokari_fuzzers

# Seeds: scripts as CP932 (the engine's text), their lines for expressions
# and calls, table and pattern tests for the readers, the dictionary in CP932.
work="$build/corpus"
python3 - "$here" "$work" <<'PY'
import hashlib, os, re, sys
here, work = sys.argv[1], sys.argv[2]
def cp932(text):
    return text.encode("cp932", errors="replace")
def put(target, data):
    d = os.path.join(work, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "seed-" + hashlib.sha1(data).hexdigest()[:16]), "wb") as f:
        f.write(data)
scripts = []
for root, _, files in os.walk(os.path.join(here, "tests", "scripts")):
    for name in sorted(files):
        if name.endswith(".nkr"):
            scripts.append(os.path.join(root, name))
for path in scripts:
    text = open(path, encoding="utf-8", errors="replace").read()
    family = os.path.basename(os.path.dirname(path))
    put("prepare", cp932(text))
    put("engine", cp932(text))
    for line in text.splitlines():
        line = line.split("//")[0].strip()
        if not line:
            continue
        put("expr", cp932(line))
        for call in re.findall(r"[A-Za-z\u3040-\u30ff\u4e00-\u9fff]+\(([^()]*)\)", line):
            put("calls", bytes([len(call) % 256]) + cp932(call))
        if family == "table":
            for lit in re.findall(r"「([^」]*)」", line):
                put("csv", cp932(lit.replace("\\n", "\r\n").replace("\\t", "\t")))
        if family == "pattern":
            for lit in re.findall(r"[「『]([^」』]*)[」』]", line):
                put("regex", cp932(lit))
words = [w for w in open(os.path.join(here, "fuzz", "engine.words"), encoding="utf-8").read().splitlines()
         if w and not w.startswith("# ")]
with open(os.path.join(work, "engine.dict"), "w") as f:
    for w in words:
        data = cp932(w.replace("\\n", "\n"))
        f.write('"' + "".join("\\x%02x" % b for b in data) + '"\n')
PY
for t in "${targets[@]}"; do
  mkdir -p "$work/$t" "$here/fuzz/crashes-$t"
  for d in "$here/fuzz/seeds/$t" "$here/fuzz/regressions/$t"; do
    [ -d "$d" ] && cp -n "$d"/* "$work/$t/" 2>/dev/null || true
  done
done

dict_for() {
  case "$1" in
    path) echo "-dict=$here/fuzz/path.dict" ;;
    prepare|engine|expr|calls) echo "-dict=$work/engine.dict" ;;
    *) echo "" ;;
  esac
}

# One target in fork mode: a crash, hang or leak is saved and the run goes
# on, so one shallow fault does not hide the rest.
run_one() {
  local t=$1 log="$build/fuzz-$1.log"
  local before
  before=$(ls "$here/fuzz/crashes-$t" | wc -l)
  (cd "$build" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "./${t}_fuzz" "$work/$t" $(dict_for "$t") -fork=1 -ignore_crashes=1 -ignore_timeouts=1 \
      -ignore_ooms=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1536 -malloc_limit_mb=1024 \
      -max_len=4096 -artifact_prefix="$here/fuzz/crashes-$t/" >"$log" 2>&1) || true
  local after execs
  after=$(ls "$here/fuzz/crashes-$t" | wc -l)
  execs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
  printf '%-8s executions %-10s new crash/hang/leak inputs %d (fuzz/crashes-%s/, log %s)\n' \
    "$t" "${execs:-0}" $((after - before)) "$t" "$log"
}

# Two at a time: the machine's two cores are shared.
pids=()
for t in "${targets[@]}"; do
  run_one "$t" &
  pids+=($!)
  if [ ${#pids[@]} -ge 2 ]; then
    wait "${pids[0]}"
    pids=("${pids[@]:1}")
  fi
done
wait
