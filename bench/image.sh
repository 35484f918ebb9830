#!/usr/bin/env bash
# Times the image filters on a 4000 x 3000 picture in Nokari (a console
# script on an イメージ) and in Pillow (/usr/bin/python3, package
# python3-pil), and prints each filter's time and Nokari's ratio to Pillow.
# A filter's time is the run with the filter minus the run that only loads
# the picture, so start-up and decoding the file count for neither. Times
# are CPU seconds (user + system, least of RUNS runs, 3 by default): on a
# machine shared with builds, wall times drift more than the filters take.
#   bench/image.sh [filter...]     (default: all)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
nokari="$here/../build/nokari"
[ -x "$nokari" ] || { echo "build first: cmake --build build" >&2; exit 1; }
python=/usr/bin/python3
runs=${RUNS:-3}
picture="$here/out/image.png"
mkdir -p "$here/out"
[ -f "$picture" ] || "$python" "$here/image.py" --make "$picture"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

check() {  # one run that must succeed quietly, before any timing
  local err
  err=$("$@" 2>&1 >/dev/null) || { echo "failed: $* $err" >&2; exit 1; }
  [ -z "$err" ] || { echo "failed: $* $err" >&2; exit 1; }
}
best() {  # least CPU time (user + system) of $runs runs, in seconds
  local best=""
  for _ in $(seq 1 "$runs"); do
    local t
    /usr/bin/time -f '%U %S' -o "$work/time" "$@" >/dev/null 2>&1
    t=$(awk '{print $1 + $2}' "$work/time")
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}

# The Nokari statement of each filter, on the image I.
statement() {
  case $1 in
    none) echo "" ;;
    明るさ補正) echo "Iを、40度、明るさ補正" ;;
    ガンマ補正) echo "Iを、1.5度、ガンマ補正" ;;
    画像平面回転|画像回転) echo "Iを、30度、$1" ;;
    画像ボカシ) echo "Iを、30度、画像ボカシ" ;;
    画像シャープ) echo "Iを、128度、画像シャープ" ;;
    画像セピア) echo "Iを、「(200,100,50)」で、画像セピア" ;;
    拡大) echo "「J」を、イメージとして、作成。Jの幅は、6000。Jの高さは、4500。Iを、Jの、「(0,0,6000,4500)」に、イメージコピー" ;;
    縮小) echo "「J」を、イメージとして、作成。Jの幅は、1000。Jの高さは、750。Iを、Jの、「(0,0,1000,750)」に、イメージコピー" ;;
    *) echo "Iを、$1" ;;
  esac
}

# Filters run $repeat times in both programs (one pass is near the clock's
# resolution for the cheap ones); the copies once.
repeat=10
times() { case $1 in 拡大|縮小|none) echo 1 ;; *) echo $repeat ;; esac; }

script() {  # the console script for filter $1
  local f="$work/$1.nkr" s
  s=$(statement "$1")
  [ "$(times "$1")" -gt 1 ] && s="$(times "$1")回（$s）"
  printf '「I」を、イメージとして、作成\nIの画像は、「%s」\n%s\n' "$picture" "$s" > "$f"
  echo "$f"
}

filters=("$@")
[ ${#filters[@]} -eq 0 ] && filters=(垂直反転 水平反転 右回転 ネガポジ反転 グレイスケール変換 ソラリゼーション
  明るさ補正 ガンマ補正 画像平面回転 画像回転 画像エッジ検出 画像ボカシ 画像シャープ 画像セピア 拡大 縮小)
export QT_QPA_PLATFORM=offscreen
base_n=$(best "$nokari" -console "$(script none)")
base_p=$(best "$python" "$here/image.py" "$picture" none)
printf 'load only: nokari %.3f s, pillow %.3f s\n' "$base_n" "$base_p"
printf '%-20s %9s %9s %9s   (CPU seconds; filters: %d passes)\n' filter nokari pillow ratio "$repeat"
for f in "${filters[@]}"; do
  check "$nokari" -console "$(script "$f")"
  tn=$(echo "$(best "$nokari" -console "$(script "$f")") - $base_n" | bc -l)
  tp=$(echo "$(best "$python" "$here/image.py" "$picture" "$f" "$(times "$f")") - $base_p" | bc -l)
  ratio=$(echo "if ($tp < 0.001) 0 else $tn / $tp" | bc -l)
  printf '%-20s %9.3f %9.3f %8.2fx\n' "$f" "$tn" "$tp" "$ratio"
done
