#!/usr/bin/env bash
# The TextMate grammar of the VS Code extension, tokenised by the libraries
# VS Code uses (editors/vscode/test). Their npm packages are installed once
# (npm ci, from the lock file) when node_modules is missing. Exit 77
# (skipped) without node, or without npm and the packages.
#   check_textmate.sh SOURCE_DIR
set -u
src=$1
dir=$src/editors/vscode/test
command -v node >/dev/null || { echo "skipped: no node"; exit 77; }
if [ ! -d "$dir/node_modules/vscode-textmate" ] || [ ! -d "$dir/node_modules/vscode-oniguruma" ]; then
  command -v npm >/dev/null || { echo "skipped: no npm to install the test's packages"; exit 77; }
  if ! (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error); then
    echo "skipped: npm ci failed (is the npm registry reachable?)"; exit 77
  fi
fi
exec node "$dir/grammar.test.js" "$src/tests/editors/sample.nkr"
