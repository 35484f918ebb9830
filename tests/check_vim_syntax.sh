#!/usr/bin/env bash
# Loads tests/editors/sample.nkr in Vim with the syntax and filetype
# detection of editors/vim and checks the colours of a few places
# (tests/editors/vim_syntax_test.vim). Exit 77 (skipped) without vim.
#   check_vim_syntax.sh SOURCE_DIR
set -u
src=$1
command -v vim >/dev/null || { echo "skipped: no vim"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# -u NONE: no user or system vimrc can colour the result.
timeout 60 vim -N -u NONE -i NONE -es \
  --cmd 'set encoding=utf-8' --cmd "set rtp^=$src/editors/vim" \
  --cmd 'filetype on' --cmd 'syntax on' \
  --cmd "let g:result_file = '$work/result'" \
  -S "$src/tests/editors/vim_syntax_test.vim" "$src/tests/editors/sample.nkr" \
  > "$work/out" 2>&1
status=$?
if [ ! -f "$work/result" ]; then
  echo "vim stopped (status $status) before the checks ended:"; cat "$work/out"; exit 1
fi
if [ "$(cat "$work/result")" != ok ]; then
  cat "$work/result"; exit 1
fi
# Ex mode prints what went wrong while loading (E-numbers) on its output.
if grep -q 'E[0-9][0-9]*:' "$work/out"; then
  cat "$work/out"; exit 1
fi
