#!/usr/bin/env bash
# Runs the same kinds of work at growing sizes and prints, for each size, the
# wall and user CPU time and the peak memory (/usr/bin/time -v), with the
# cost per element: a cost that grows with n where it should stay flat (or
# grow like log n, for sorts) means something quadratic.
#   bench/scale.sh [name...]   names: loop append table calls dict tally chars
#                              rows cells delete sore (default: all)
# SIZES_<name> overrides a name's sizes ("1000000 3000000"), NOKARI the program.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
nokari=${NOKARI:-"$here/../build/nokari"}
[ -x "$nokari" ] || { echo "build first: cmake --build build" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }
python=${PYTHON:-/usr/bin/python3}
[ -x "$python" ] || python=python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The program for one name and size, written as UTF-8 (Nokari reads both).
program() {
  local name=$1 n=$2
  case $name in
    loop)  # n turns of a loop, an addition and a remainder each
      printf '合計は、0\nIを、1から、%dまで、繰り返す（合計は、(合計+I)%%1000003）\n合計を、表示\n' "$n" ;;
    append)  # n lines appended to one text
      printf '本文は、「」\nIを、1から、%dまで、繰り返す（本文は、本文&「{I}行目のテキストです。東京都\\n」）\n本文で、「東京」の、出現回数を、表示\n' "$n" ;;
    table)  # an n-row table read, sorted by a number, filtered, searched
      "$python" - "$work/table$n.csv" "$n" <<'EOF'
import sys
FAMILY = ["佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤"]
GIVEN = ["太郎", "花子", "一郎", "陽子", "健太", "美咲", "翔", "由美子", "大輔", "直子", "誠"]
path, n = sys.argv[1], int(sys.argv[2])
with open(path, "w", encoding="cp932", newline="\n") as f:
    f.write("番号,名前,点数\n")
    for i in range(1, n + 1):
        f.write(f"{i},{FAMILY[(i * 7) % 10]}{GIVEN[(i * 3) % 11]},{(i * 7919) % 1001}\n")
EOF
      cat <<EOF
表フィールド名は、「1」
表に、「$work/table$n.csv」を、読む
表の、表行数を、表示
表の、2列目を、表数値ソート
並びは、それ
並び#1を、表示
表を、「点数 >= 900 かつ 名前 = \`佐藤*\`」で、表条件抽出
抽出は、それ
抽出の、表行数を、表示
表の、1列目から、「高橋誠」を、表検索を、表示
EOF
      ;;
    calls)  # n calls of a user function that calls another one
      cat <<EOF
二倍を、「?を」で、関数定義
合算を、「?と,?を」で、関数定義
合計は、0
Iを、1から、$((n / 2))まで、繰り返す（Iを、二倍。合計は、(合計+それ)%1000003）
合計を、表示
おわり
*二倍
引数取得
合算(それ,それ)
戻る
*合算
引数取得
それは、(それ#0)+(それ#1)
戻る
EOF
      ;;
    dict)  # n items written into a dictionary, then read back
      cat <<EOF
合計は、0
Iを、1から、${n}まで、繰り返す（辞書の(I)は、I*2）
Iを、1から、${n}まで、繰り返す（合計は、(合計+辞書の(I))%1000003）
合計を、表示
EOF
      ;;
    tally)  # n counts kept in a variable's key=value lines over 1,000 keys,
      # as a script that starts with 集計は、「」 keeps them (a write rewrites
      # the text after its line: the cost grows with the keys, not with n)
      cat <<EOF
集計は、「」
Iを、1から、${n}まで、繰り返す（Kは、「品」&(I%1000)。集計の(K)は、集計の(K)+I）
Xは、集計の(品7)
Xを、表示
EOF
      ;;
    chars)  # a text of n characters built, then taken one character at a time
      cat <<EOF
本文は、「」
Iを、1から、${n}まで、繰り返す（本文は、本文&「あ」）
数は、0
Iを、1から、${n}まで、繰り返す（もし、MID(本文,I,1)=「あ」ならば、数は、数+1）
数を、表示
EOF
      ;;
    rows)  # n lines of a growing list written one element at a time
      cat <<EOF
表は、「」
Iを、0から、$((n - 1))まで、繰り返す（表#(I)は、I）
表#($((n - 1)))を、表示
EOF
      ;;
    cells)  # an n-row table of 3 columns written one cell at a time, read back as it grows
      cat <<EOF
表は、「」
合計は、0
Iを、0から、$((n - 1))まで、繰り返す（表#0#(I)は、I。表#1#(I)は、I*2。表#2#(I)は、「東京,{I}」。合計は、(合計+表#1#(I))%1000003）
表#2#($((n - 1)))を、表示
合計を、表示
EOF
      ;;
    sore)  # a それ of n lines, then 20,000 commands called in brackets beside
      # it: a copy of それ kept for each call would cost 20,000 times its size
      cat <<EOF
本文は、「」
Iを、1から、${n}まで、繰り返す（本文は、本文&「{I}行目のテキストです。東京都\\n」）
それは、本文
Sは、「abc」
合計は、0
Iを、1から、10000まで、繰り返す（合計は、合計+文字数(S)。Xは、文字数(S)）
合計を、表示
EOF
      ;;
    delete)  # n words made, then removed by renaming them, last made first
      # (a script cannot name words by computed names, so the program lists them)
      local i
      for ((i = 1; i <= n; i++)); do echo "キー${i}は、${i}"; done
      for ((i = n; i >= 1; i--)); do echo "キー${i}を、『済${i}』に、名義変更"; done
      echo "済1を、表示"
      ;;
  esac
}

sizes() {
  local var="SIZES_$1"
  if [ -n "${!var:-}" ]; then echo "${!var}"; return; fi
  case $1 in
    loop) echo 1000000 3000000 10000000 ;;
    append) echo 100000 1000000 ;;
    table) echo 10000 100000 1000000 ;;
    calls) echo 100000 1000000 ;;
    dict) echo 10000 100000 1000000 ;;
    tally) echo 10000 100000 1000000 ;;
    chars) echo 10000 100000 1000000 ;;
    rows) echo 10000 100000 1000000 ;;
    cells) echo 10000 100000 1000000 ;;
    delete) echo 10000 100000 300000 ;;
    sore) echo 10000 100000 1000000 ;;
  esac
}

names=("$@")
[ ${#names[@]} -eq 0 ] && names=(loop append table calls dict tally chars rows cells delete sore)
printf '%-7s %9s %8s %8s %10s %12s %8s\n' name n wall-s user-s peak-MB ns/element answer
for name in "${names[@]}"; do
  for n in $(sizes "$name"); do
    program "$name" "$n" >"$work/$name.nkr"
    /usr/bin/time -v -o "$work/time" "$nokari" -console "$work/$name.nkr" >"$work/out" 2>"$work/err" || {
      echo "$name $n failed:" >&2; cat "$work/err" >&2; exit 1; }
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s}' "$work/time")
    user=$(awk -F': ' '/User time/ {print $2}' "$work/time")
    peak=$(awk -F': ' '/Maximum resident/ {printf "%.1f", $2 / 1024}' "$work/time")
    per=$(awk -v t="$user" -v n="$n" 'BEGIN {printf "%.0f", t * 1e9 / n}')
    answer=$(tail -n 1 "$work/out" | tr -d '\r')
    printf '%-7s %9s %8s %8s %10s %12s %8s\n' "$name" "$n" "$wall" "$user" "$peak" "$per" "$answer"
  done
done
