#!/usr/bin/env bash
# `nokari --help-word`: a known word, a word with its okurigana changed, an
# unknown word and a missing one, with their exit statuses.
#   check_help_word.sh NOKARI
set -u
nokari=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
expect() {  # expect STATUS STREAM REGEX -- ARGS...: the run's status and text
  local status=$1 stream=$2 text=$3
  shift 4
  "$nokari" "$@" > "$work/out" 2> "$work/err"
  local got=$?
  if [ "$got" != "$status" ]; then
    echo "nokari $*: exit $got, expected $status"; cat "$work/out" "$work/err"; fail=1; return
  fi
  if ! grep -qE -- "$text" "$work/$stream"; then
    echo "nokari $*: $stream lacks \"$text\":"; cat "$work/$stream"; fail=1
  fi
}
expect 0 out "^  family: +output$" -- --help-word 表示
expect 0 out "^  usage: +Aと、表示$" -- --help-word 表示
expect 0 out "kind: +command \(number 0\)" -- --help-word 表示
expect 0 out "Aの中で、Bが、何文字目" -- --help-word 何文字目
expect 0 out "same as: +文字数" -- --help-word LEN
expect 0 out "kind: +constant" -- --help-word 回数
expect 0 out "type: +number" -- --help-word 回数
# Okurigana folded as the engine folds command names.
expect 0 out "^繰り返す .*繰り返し" -- --help-word 繰り返し
expect 0 out "^  particles: +の +を +に$" -- --help-word=置換
expect 2 err "is not a built-in word" -- --help-word ほげ命令
expect 2 err "needs the name" -- --help-word
# The hint lists the built-in words containing the unknown text.
expect 2 err "containing it: .*表示出力先" -- --help-word 出力先
expect 2 err "is not a built-in word" -- --help-word "$(printf '\xff\xfe\x80')"
exit $fail
