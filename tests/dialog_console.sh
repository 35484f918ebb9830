#!/usr/bin/env bash
# The dialogs without a user: answers piped into the console host, and
# -answers FILE in the console and under the window host (offscreen).
#   dialog_console.sh NOKARI
set -u
nokari=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work"
fail=0

# expect NAME EXPECTED_FILE ACTUAL_FILE
expect() {
  if ! diff -u "$2" "$3"; then echo "FAILED: $1"; fail=1; fi
}

# 1. Piped answers: one line per dialog, nothing but the program's output
#    on standard output, nothing at all on standard error (no terminal: no
#    prompts); the end of input cancels.
cat > piped.nkr <<'EOF'
「名前は？」と、尋ねる
それを、表示
「色は？」を、「赤|青」の、リストから選択
それを、表示
「どちら？」を、「上\n下」の、ボタンで選択
それを、表示
「よい？」と、二択
それを、表示
「保存？」と、三択
それを、表示
色選択
それを、表示
「」の、メモ記入
それを、表示
「a|b」の、読込ファイル選択
それを、表示
尋ねる
「[{それ}]」を、表示
EOF
printf '%s\n' 太郎 2 上 はい c '#00FF00' 一 二 . '/x/1|/x/2' | timeout 30 "$nokari" -console piped.nkr > out 2> err
status=$?
printf '%s\n' 太郎 青 上 1 2 65280 一 二 /x/1 /x/2 '[]' > want
expect "piped answers" want out
[ "$status" = 0 ] || { echo "FAILED: piped answers exit $status"; fail=1; }
[ -s err ] && { echo "FAILED: piped answers wrote to standard error:"; cat err; fail=1; }

# 2. メモ記入 ends at the end of input too; with no line at all it cancels.
printf 'only line' | timeout 30 "$nokari" -console -e '「」の、メモ記入
それを、表示
「」の、メモ記入
「[{それ}]」を、表示' > out 2> err
printf '%s\n' 'only line' '[]' > want
expect "memo to end of input" want out

# 3. 言う on the console: the text as given (tabs kept), at most 4095 bytes
#    and "...", never half a double-byte character.
timeout 30 "$nokari" -console -e '「a	b」を、言う
Sは、「」
Iを、1から、5000まで、繰り返す（Sは、S&「あ」
）
Sを、言う
Sは、「x」&S
Sを、言う' > out 2> err
printf 'a\tb\n' > want
head -1 out > got
expect "言う keeps tabs" want got
# 2047 あ (4094 bytes) then "...": 6141 + 3 bytes of UTF-8 and the newline.
[ "$(sed -n 2p out | wc -c)" = 6145 ] || { echo "FAILED: 言う cut: $(sed -n 2p out | wc -c) bytes"; fail=1; }
sed -n 2p out | grep -q '^あ*\.\.\.$' || { echo "FAILED: 言う cut text"; fail=1; }
# "x" and 2047 あ fill 4095 bytes exactly.
[ "$(sed -n 3p out | wc -c)" = 6146 ] || { echo "FAILED: 言う cut after one byte: $(sed -n 3p out | wc -c)"; fail=1; }

# 4. -answers with a transcript, and the answers file read from where the
#    program was started although the script's folder becomes current.
mkdir sub
cat > sub/t.nkr <<'EOF'
「こんにちは」と、言う
「名前は？」と、尋ねる
それを、表示
「色は？」が、「赤｜青」の、どれか尋ねる
それを、表示
「txt」の、書込ファイル選択
それを、表示
尋ねる
EOF
printf '%s\n' 花子 3 '/tmp/memo' > answers
NOKARI_ANSWERS_TRANSCRIPT="$work/transcript" timeout 30 "$nokari" -console -answers answers sub/t.nkr > out 2> err
printf '%s\n' こんにちは 花子 3 /tmp/memo.txt > want
expect "-answers output" want out
printf '%s\n' 'say	こんにちは	' 'input	名前は？	花子' 'choose-edit	色は？ [赤|青]	3' \
  'save	txt 形式(*.txt)|*.txt|全て(*.*)|*.* [txt] []	/tmp/memo' 'input	入力してください。	cancel' > want
expect "-answers transcript" want transcript
grep -q 'no answers left' err || { echo "FAILED: no note when the answers ran out"; cat err; fail=1; }

# 5. An answers file that cannot be read stops before the script runs.
timeout 30 "$nokari" -console -answers missing sub/t.nkr > out 2> err
status=$?
[ "$status" = 1 ] || { echo "FAILED: missing answers file: exit $status"; fail=1; }
grep -q 'cannot read the answers file missing' err || { echo "FAILED: missing answers file note"; cat err; fail=1; }
[ -s out ] && { echo "FAILED: the script ran without its answers"; fail=1; }

# 6. The window host answers from the file too and never waits: 言う is
#    not shown, the list and memo windows are not opened.
cat > window.nkr <<'EOF'
「窓から」と、言う
「どれ？」を、「a|b」の、リストから選択
「{それ}」を、表示
「」の、メモ記入
おわり
EOF
printf '%s\n' b 'x\ny' > answers
NOKARI_ANSWERS_TRANSCRIPT="$work/transcript" timeout 30 "$nokari" -answers answers window.nkr > out 2> err
status=$?
[ "$status" = 0 ] || { echo "FAILED: window host exit $status"; cat err; fail=1; }
printf '%s\n' 'say	窓から	' 'choose	どれ？ [a|b]	b' 'memo		x\ny' > want
expect "window host transcript" want transcript

# 7. Standard input a terminal: the prompt and the numbered choices go to
#    standard error, the answers' results alone to standard output.
/usr/bin/python3 - "$nokari" > tty 2>&1 <<'EOF' || { echo "FAILED: terminal prompts"; cat tty; fail=1; }
import os, pty, subprocess, sys
master, slave = pty.openpty()
program = "「名前は？」と、尋ねる\nそれを、表示\n「色？」を、「赤|青」の、リストから選択\nそれを、表示"
p = subprocess.Popen([sys.argv[1], "-console", "-e", program], stdin=slave,
                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
os.close(slave)
os.write(master, "太郎\n2\n".encode())
out, err = p.communicate(timeout=30)
assert out.decode() == "太郎\n青\n", out
assert err.decode() == "名前は？\n色？\n  1: 赤\n  2: 青\n", err
EOF

# 8. ダイアログ初期値: an empty answer takes it (a terminal shows it after the
#    question); メモ記入 ended at once keeps the text it started with; a
#    yes/no answer it cannot read asks again (full-width letters read as
#    ASCII), and input that never ends does not keep it asking.
cat > initial.nkr <<'EOF'
ダイアログ初期値は、「太郎」
「名前は？」と、尋ねる
「[{それ}]」を、表示
「選んで」が、「赤|青」の、どれか尋ねる
「[{それ}]」を、表示
「色？」を、「赤|青」の、リストから選択
「[{それ}]」を、表示
「名前は？」と、尋ねる
「[{それ}]」を、表示
「最初の文
二行目」の、メモ記入
「[{それ}]」を、表示
「消す」の、メモ記入
「[{それ}]」を、表示
「よい？」と、二択
「[{それ}]」を、表示
「よい？」と、三択
「[{それ}]」を、表示
「よい？」と、三択
「[{それ}]」を、表示
EOF
printf '%s\n' '' '' '' 花子 . '' . abc ｙ ok ｎ 'ｃ ' | timeout 30 "$nokari" -console initial.nkr > out 2> err
printf '%s\n' '[太郎]' '[太郎]' '[太郎]' '[花子]' '[最初の文' '二行目]' '[]' '[1]' '[0]' '[2]' > want
expect "initial texts, memo and yes/no" want out
yes abc | timeout 30 "$nokari" -console -e '「よい？」と、二択
「[{それ}]」を、表示
「よい？」と、三択
「[{それ}]」を、表示' > out 2> err
printf '%s\n' '[0]' '[2]' > want
expect "yes/no from endless input" want out
/usr/bin/python3 - "$nokari" > tty 2>&1 <<'EOF' || { echo "FAILED: terminal initial text"; cat tty; fail=1; }
import os, pty, subprocess, sys
master, slave = pty.openpty()
program = "ダイアログ初期値は、「太郎」\n「名前は？」と、尋ねる\nそれを、表示\n「よい？」と、二択\nそれを、表示"
p = subprocess.Popen([sys.argv[1], "-console", "-e", program], stdin=slave,
                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
os.close(slave)
os.write(master, "\nx\ny\n".encode())
out, err = p.communicate(timeout=30)
assert out.decode() == "太郎\n1\n", out
assert err.decode() == "名前は？ [太郎]\nよい？ [y=はい/n=いいえ]\ny か n で答えてください:\n", err
EOF

exit $fail
