#!/usr/bin/env bash
# Installs the Debian packages Nokari needs to build, run and test.
# Usage: install-deps.sh [fuzz] [bench] [test] [office]
# Idempotent: packages already installed are not touched, and apt-get runs
# only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev googletest
  qt6-base-dev libqt6test6 libgl-dev
  # sound through Qt's media player (optional to the build), and RTF files
  # read back by the rich-editor tests
  qt6-multimedia-dev unrtf
  libonig-dev
  libreadline-dev
  libarchive-dev
  # network, databases, calls into shared libraries, other programs' windows
  libcurl4-openssl-dev libsqlite3-dev unixodbc-dev libffi-dev libx11-dev libxtst-dev
  fonts-ipafont-gothic fonts-ipafont-mincho fontconfig
  tcl8.6 python3
  nkf bc
  # the printing tests read the PDF they print (pdftoppm; they skip
  # without it)
  poppler-utils
  # the archive tests read what 圧縮 writes with other archivers
  libarchive-tools unzip lhasa
  # the .deb (dpkg-shlibdeps; CPack finds programs with file) and the tests
  # of what it ships: manual page, desktop and MIME files, Vim syntax, and
  # node for the TextMate grammar
  dpkg-dev file groff-base man-db libxml2-utils desktop-file-utils shared-mime-info vim nodejs
)
# npm from Debian only where none is installed: a nodejs from another
# source carries its own npm and conflicts with Debian's.
command -v npm >/dev/null 2>&1 || packages+=(npm)
# Optional groups, named on the command line; only scripts/fuzz.sh asks for
# "fuzz" (clang with libFuzzer), so the normal build and tests never need it;
# "bench" adds what the drawing benchmark compares against.
for group in "$@"; do
  case "$group" in
    fuzz) packages+=(clang libclang-rt-14-dev) ;;
    # bench/: draw.sh and image.sh compare with Pillow (and time with time)
    bench) packages+=(python3-pil time lua5.4) ;;
    # test: the real peers the system tests talk to (tests/system), all
    # started on 127.0.0.1 by the tests themselves: mail, FTP, HTTP and TCP
    # servers, an X server with a window manager, databases and ODBC
    test) packages+=(python3-aiosmtpd dovecot-core dovecot-pop3d python3-pyftpdlib socat openssl
                     xvfb xterm openbox xdotool wmctrl x11-utils
                     sqlite3 unixodbc libsqliteodbc odbc-postgresql postgresql) ;;
    # office: the spreadsheet and word processor behind the エクセル and
    # ワード commands (optional; about 100 MB)
    office) packages+=(libreoffice-calc-nogui libreoffice-writer-nogui python3-uno) ;;
    *) echo "unknown package group: $group" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg -s "$p" >/dev/null 2>&1; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
