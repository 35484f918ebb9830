#!/usr/bin/env bash
# Runs one script test in console mode and compares its output.
#   run_script.sh NOKARI SCRIPT.nkr [EXPECTED_BASE]
# Expected files beside the script: NAME.out (standard output, required),
# NAME.err (text that standard error must contain, optional),
# NAME.status (exit status, default 0), NAME.in (standard input, optional),
# NAME.args (extra command-line arguments after the script, optional),
# NAME.opts (options before the script, e.g. -debug, optional).
# Without NAME.out the expectations stand in the script itself, beside the
# line that makes them:
#   「a」を、表示   // 出力: a        one line of standard output, in order
#   Xを、表示       // エラー: 文字   text standard error must contain
#                                     (and the exit status becomes 1)
# A comment line holding only "// 出力: …" adds a further output line.
# Warnings (NAME.opts holding -debug) are checked with "// エラー:" lines
# and a NAME.status of 0: they go to standard error but fail nothing.
set -u
nokari=$1
script=$2
# The expectation files may stand elsewhere (the examples keep theirs
# under tests/examples, so the examples folder holds only programs).
base=${3:-${script%.nkr}}
dir=$(dirname "$script")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
expect_out="$base.out"
expect_err="$base.err"
inline_status=0
if [ ! -f "$base.out" ]; then
  expect_out="$work/expected.out"
  sed -n 's/.*\/\/ *出力: \{0,1\}//p' "$script" > "$expect_out"
  if grep -q '// *エラー:' "$script"; then
    expect_err="$work/expected.err"
    sed -n 's/.*\/\/ *エラー: *//p' "$script" > "$expect_err"
    inline_status=1
  fi
fi
input=/dev/null
[ -f "$base.in" ] && input="$base.in"
args=()
[ -f "$base.args" ] && read -r -a args < "$base.args"
opts=()
[ -f "$base.opts" ] && read -r -a opts < "$base.opts"
cd "$dir"
export NOKARI_TEST_TMP="$work"
# Settings a script writes (the registry files) stay in the test's folder.
export XDG_CONFIG_HOME="$work/config"
# ファイル削除 moves files to a trash under here, not the user's.
export XDG_DATA_HOME="$work/data"
# The debugger link and DDE topics get their sockets here, so scripts
# running side by side never find each other's.
export XDG_RUNTIME_DIR="$work"
QT_QPA_PLATFORM=offscreen timeout 50 "$nokari" -console "${opts[@]}" "$script" "${args[@]}" \
  < "$input" > "$work/stdout" 2> "$work/stderr"
status=$?
expected_status=$inline_status
[ -f "$base.status" ] && expected_status=$(cat "$base.status")
fail=0
if [ "$status" != "$expected_status" ]; then
  echo "exit status $status, expected $expected_status"; fail=1
fi
if ! diff -u "$expect_out" "$work/stdout"; then fail=1; fi
if [ -f "$expect_err" ]; then
  while IFS= read -r line; do
    [ -z "$line" ] && continue
    if ! grep -qF -- "$line" "$work/stderr"; then
      echo "standard error lacks: $line"; fail=1
    fi
  done < "$expect_err"
elif [ "$expected_status" = 0 ] && [ -s "$work/stderr" ]; then
  echo "unexpected standard error:"; cat "$work/stderr"; fail=1
fi
if [ $fail -ne 0 ]; then
  echo "--- stderr ---"; cat "$work/stderr"
fi
exit $fail
