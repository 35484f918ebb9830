#!/usr/bin/env bash
# Instructions a statement costs where it stands in a loop body, from
# callgrind: each statement runs 100,000 times in a multi-line loop body,
# and the empty loop's count is taken off. The statements are the ones a
# user function like bench/fib.nkr runs (assignments of arithmetic and of a
# variable, an item write and read, a condition not taken), a command
# called in brackets, and what text-handling scripts run most (joins, a
# literal with {…}, a condition on a text, an item keyed by a literal, a
# table element, a command with a literal with {…} as its phrase), and an
# expression only the reading decides (a call of 乱数, which is not quiet) and
# a result with a fraction.
#   bench/statements.sh [label...]   labels: const inc copy itemw itemr cond sore call
#                                             join tmpl textcond itemlit elem
#                                             cmd tmplcmd bcall bexpr bcond readexpr frac
# NOKARI names the program to measure; TURNS the number of turns.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
nokari=${NOKARI:-"$here/../build/nokari"}
[ -x "$nokari" ] || { echo "build first: cmake --build build" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "needs valgrind" >&2; exit 1; }
turns=${TURNS:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

statement() {
  case $1 in
    empty) echo "" ;;
    const) echo "Nは、5" ;;
    inc) echo "Nは、N+1" ;;
    copy) echo "Nは、それ" ;;
    itemw) echo "途中の(N)は、それ" ;;
    itemr) echo "それは、途中の(N)+それ" ;;
    cond) echo "もし、N<2ならば、(それは、N)" ;;
    sore) echo "それは、N" ;;
    call) echo "Xは、文字数(N)" ;;
    join) echo "Xは、「[」&S&「]」" ;;
    tmpl) echo "Xは、「{N}番」" ;;
    textcond) echo "もし、Sが、「abc」ならば、(Xは、1)" ;;
    itemlit) echo "Xは、途中の(「キー」)" ;;
    elem) echo "Xは、表#1#1" ;;
    cmd) echo "Sの、文字数" ;;
    tmplcmd) echo "「{N}番」の、文字数" ;;
    bcall) echo "Xは、文字数(S)" ;;
    bexpr) echo "Nは、N+文字数(S)" ;;
    bcond) echo "もし、文字数(S)>文字数(「abc」)ならば、(Xは、1)" ;;
    readexpr) echo "Nは、N+乱数(1)" ;;
    frac) echo "Xは、N*1.1" ;;
    *) echo "unknown label $1" >&2; exit 2 ;;
  esac
}

# Instructions of the whole run (start-up included) for one loop body.
count() {
  local file="$work/$1.nkr"
  printf 'Nは、5\nそれは、3\n途中の(5)は、1\nSは、「abcdef」\n途中の(「キー」)は、1\n表は、「a,b\\nc,d」\nIを、1から、%dまで、繰り返す（\n%s\n）\n' "$turns" "$(statement "$1")" >"$file"
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$nokari" -console "$file" 2>&1 |
    awk '/Collected/ {gsub(",", "", $4); print $4}'
}

labels=("$@")
[ ${#labels[@]} -gt 0 ] || labels=(const inc copy itemw itemr cond sore call join tmpl textcond itemlit elem cmd tmplcmd bcall bexpr bcond readexpr frac)
base=$(count empty)
echo "label    a turn  statement"
for label in "${labels[@]}"; do
  total=$(count "$label")
  printf '%-8s %6d  %s\n' "$label" $(((total - base) / turns)) "$(statement "$label")"
done
