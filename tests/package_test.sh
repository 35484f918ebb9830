#!/usr/bin/env bash
# Builds the Debian package from a build tree, installs it with dpkg, runs
# the installed program from another folder (its version, a console script,
# and with a window module a windowed script, which finds the module in
# /usr/lib/nokari), and removes the package again.
#   package_test.sh BUILD_DIR SOURCE_DIR [SKIP_REASON]
# Exit 77 (skipped) when not root, without dpkg, when SKIP_REASON is given,
# or when a nokari package is installed already (it is not ours to remove).
set -u
# Absolute: the installed program runs from other folders.
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
skip() { echo "skipped: $*"; exit 77; }
[ -z "${3:-}" ] || skip "$3"
[ "$(id -u)" = 0 ] || skip "not root"
for tool in dpkg dpkg-deb dpkg-shlibdeps cpack; do
  command -v $tool >/dev/null || skip "no $tool"
done

# One package test at a time on this machine: two would install and
# remove the same package under each other.
exec 9> /tmp/nokari-package-test.lock
flock -w 500 9 || { echo "another package test holds the lock"; exit 1; }
# Left as config-files (by a remove without purge) it is no one's install.
case "$(dpkg-query -W -f='${Status}' nokari 2>/dev/null)" in
  "" | *not-installed | *config-files) ;;
  *) skip "a nokari package is installed already" ;;
esac

work=$(mktemp -d)
installed=0
cleanup() {
  [ $installed = 1 ] && dpkg --purge nokari > /dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
fail=0
problem() { echo "$*"; fail=1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; echo "cpack failed"; exit 1; }
deb=$(ls "$work"/pkg/nokari_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { cat "$work/cpack.log"; echo "no package made"; exit 1; }

# What the package holds, and dependencies found by dpkg-shlibdeps.
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' > "$work/contents"
gui=0
grep -qx /usr/lib/nokari/libnokari-gui.so "$work/contents" && gui=1
for path in /usr/bin/nokari /usr/share/man/man1/nokari.1.gz /usr/share/applications/nokari.desktop \
            /usr/share/mime/packages/nokari.xml /usr/share/icons/hicolor/scalable/apps/nokari.svg \
            /usr/share/vim/vimfiles/syntax/nokari.vim /usr/share/vim/vimfiles/ftdetect/nokari.vim \
            /usr/share/nokari/editors/vscode/package.json \
            /usr/share/nokari/editors/vscode/syntaxes/nokari.tmLanguage.json /usr/share/doc/nokari/words.md; do
  grep -qx "$path" "$work/contents" || problem "the package lacks $path"
done
grep -q '/editors/vscode/test' "$work/contents" && problem "the package holds the editor tests"
depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends" | grep -q 'libonig' || problem "Depends lacks Oniguruma: $depends"
# Opened by name on first use, so only the package's own list names them.
echo "$depends" | grep -q 'libcurl4' || problem "Depends lacks libcurl: $depends"
echo "$depends" | grep -q 'libarchive13' || problem "Depends lacks libarchive: $depends"
echo "$depends" | grep -q 'libsqlite3-0' || problem "Depends lacks SQLite: $depends"
echo "$depends" | grep -q 'libxtst6' || problem "Depends lacks XTest: $depends"
for lib in libodbc2 libffi8 libreadline8; do
  echo "$depends" | grep -q "$lib" || problem "Depends lacks $lib: $depends"
done
[ $gui = 1 ] && { echo "$depends" | grep -q 'libqt6widgets6' || problem "Depends lacks Qt: $depends"; }

dpkg -i "$deb" > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; echo "dpkg -i failed"; exit 1; }
installed=1

mkdir -p "$work/elsewhere" "$work/scripts"
cd "$work/elsewhere" || exit 1
version=$(/usr/bin/nokari --version)
[ "$version" = "nokari $(sed -n 's/^project(nokari VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")" ] ||
  problem "nokari --version printed: $version"

# A console script named from another folder: it runs in its own folder.
printf '%s\n' '「こんにちは」と、表示' '「{母艦のパス}」を、表示' > "$work/scripts/hello.nkr"
out=$(nokari -console ../scripts/hello.nkr 2>&1)
expected=$(printf 'こんにちは\n%s/scripts/' "$(cd "$work" && pwd -P)")
[ "$out" = "$expected" ] || problem "console script printed: $out"

# A windowed script: only works if the installed program finds its module
# in /usr/lib/nokari, as nothing lies beside /usr/bin/nokari.
if [ $gui = 1 ]; then
  QT_QPA_PLATFORM=offscreen NOKARI_CANVAS_DUMP="$work/canvas.png" XDG_RUNTIME_DIR="$work" \
    timeout 60 nokari "$src/tests/window/shows_text.nkr" > "$work/window.log" 2>&1 ||
    { cat "$work/window.log"; problem "the windowed script failed"; }
  [ -s "$work/canvas.png" ] || problem "the windowed script left no picture"
fi

# The manual page is found by man, the MIME type reached the database.
if command -v man > /dev/null; then
  man -w nokari > /dev/null 2>&1 || problem "man does not find nokari"
fi
if command -v update-mime-database > /dev/null; then
  grep -q 'text/x-nokari:\*\.nkr' /usr/share/mime/globs2 || problem "*.nkr is not in the MIME database"
fi

dpkg -r nokari > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; problem "dpkg -r failed"; }
[ -e /usr/bin/nokari ] && problem "/usr/bin/nokari is still there after dpkg -r"
[ -e /usr/lib/nokari ] && problem "/usr/lib/nokari is still there after dpkg -r"
# The ldconfig scripts CPack adds for a library below /usr/lib keep the
# package known as config-files until it is purged.
dpkg --purge nokari > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; problem "dpkg --purge failed"; }
installed=0
[ -z "$(dpkg-query -W -f='${Status}' nokari 2>/dev/null)" ] || problem "dpkg still knows nokari after --purge"
exit $fail
