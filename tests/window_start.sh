#!/usr/bin/env bash
# How a windowed run starts and ends where nobody watches it: the exit
# status of a script stopped by an error, a start file that cannot be
# read, and no display at all.
#   window_start.sh NOKARI
set -u
nokari=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_RUNTIME_DIR="$work"
fail=0

# check NAME WANTED_STATUS STATUS [TEXT standard error must hold]
check() {
  if [ "$3" != "$2" ]; then echo "FAILED: $1: exit $3, expected $2"; cat err; fail=1; return; fi
  if [ $# -ge 4 ] && ! grep -qF -- "$4" err; then echo "FAILED: $1: standard error lacks $4"; cat err; fail=1; return; fi
  echo "ok   $1"
}

printf '%s\n' '表字' '「x」を、「after.txt」へ、保存' > werr.nkr
printf '%s\n' '「こんにちは」と、表示' 'おわり' > hello.nkr

# 1. An error stops the script in a window as on the console: status 1.
QT_QPA_PLATFORM=offscreen timeout 20 "$nokari" -answers /dev/null werr.nkr > out 2> err
check "window: an error ends with 1" 1 $? "未定義の命令"
[ -e after.txt ] && { echo "FAILED: the script went on after the error"; fail=1; }
QT_QPA_PLATFORM=offscreen timeout 20 "$nokari" -answers /dev/null hello.nkr > out 2> err
check "window: a program that ends well ends with 0" 0 $?

# 2. A start file that cannot be read: its message on standard error and
#    status 1, with -answers, off screen, and with no display at all.
QT_QPA_PLATFORM=offscreen timeout 20 "$nokari" -answers /dev/null nothere.nkr > out 2> err
check "window, -answers: missing start file" 1 $? "起動ファイル「nothere.nkr」が読込めません。そのファイルはありません。"
QT_QPA_PLATFORM=offscreen timeout 20 "$nokari" nothere.nkr > out 2> err
check "window, off screen: missing start file" 1 $? "起動ファイル「nothere.nkr」が読込めません。"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 "$nokari" nothere.nkr > out 2> err
check "no display: missing start file" 1 $? "起動ファイル「nothere.nkr」が読込めません。"
timeout 20 "$nokari" -console "$work" > out 2> err
check "a folder is no start file" 1 $? "それはフォルダです。"
echo '「a」を、表示' | timeout 20 "$nokari" -console /dev/stdin > out 2> err
check "a pipe is no start file, and that is said" 1 $? "パイプや装置からはスクリプトを読めません"

# 3. No display: a window nobody sees would wait for ever; the run says
#    so and how to run in the terminal instead.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 "$nokari" hello.nkr > out 2> err
check "no display: said, with -console" 1 $? "-console を付けてください"
[ -s out ] && { echo "FAILED: no display: the script ran"; fail=1; }
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 "$nokari" -console hello.nkr > out 2> err
check "no display: -console runs" 0 $?
grep -qx 'こんにちは' out || { echo "FAILED: -console without a display printed nothing"; fail=1; }

exit $fail
