#!/usr/bin/env bash
# Network: an HTTP download of 100 MB from a local peer beside curl(1), and
# an FTP upload of 1,000 small files (1 KB) beside Python's ftplib on one
# connection, both against local peers (a Python HTTP server sending with
# sendfile, pyftpdlib in passive mode), best of RUNS runs (3 by default).
# Prints the times and Nokari's ratio to the peer client.
#   bench/net.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
nokari="$here/../build/nokari"
[ -x "$nokari" ] || { echo "build first: cmake --build build" >&2; exit 1; }
command -v curl >/dev/null || { echo "curl is needed" >&2; exit 1; }
py=/usr/bin/python3
"$py" -c 'import pyftpdlib' 2>/dev/null || { echo "python3-pyftpdlib is needed" >&2; exit 1; }
runs=${RUNS:-3}
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

free_port() { "$py" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
wait_port() { for _ in $(seq 1 100); do (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return; sleep 0.1; done; }

best() {  # best wall time of $runs runs, in seconds; "$clean" runs before each
  local best=""
  for _ in $(seq 1 "$runs"); do
    eval "$clean"
    local s e t
    s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  printf '%.3f' "$best"
}

# --- HTTP: 100 MB ------------------------------------------------------------
mkdir -p "$work/www" "$work/dl"
head -c 100000000 /dev/urandom > "$work/www/big.bin"
cat > "$work/peer.py" <<'PY'
import http.server, os, sys
class H(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *a): pass
    def copyfile(self, source, dest):   # the kernel copies: the peer is never the slow side
        self.wfile.flush()
        self.connection.sendfile(source)
http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), lambda *a: H(*a, directory=sys.argv[2])).serve_forever()
PY
hport=$(free_port)
"$py" "$work/peer.py" "$hport" "$work/www" & pids+=($!)
wait_port "$hport"
url="http://127.0.0.1:$hport/big.bin"
echo "「$url」を、「dl/big.bin」へ、HTTPダウンロード" > "$work/get.nkr"
cd "$work"
clean='rm -f dl/big.bin'
t_curl=$(best curl -s -o dl/big.bin "$url")
t_noka=$(best "$nokari" -console get.nkr)
cmp -s www/big.bin dl/big.bin || { echo "download differs" >&2; exit 1; }
printf 'HTTP download 100 MB   nokari %ss   curl %ss   ratio %.2f\n' "$t_noka" "$t_curl" "$(echo "$t_noka / $t_curl" | bc -l)"

# --- FTP: 1,000 files of 1 KB --------------------------------------------------
mkdir -p "$work/small" "$work/ftp"
for i in $(seq -w 1 1000); do head -c 1024 /dev/urandom > "$work/small/f$i.bin"; done
fport=$(free_port)
"$py" -m pyftpdlib -i 127.0.0.1 -p "$fport" -w -d "$work/ftp" -u user -P pass >/dev/null 2>&1 & pids+=($!)
wait_port "$fport"
cat > "$work/up.nkr" <<NKR
FTPホストは「127.0.0.1:$fport」
FTPユーザーIDは「user」
FTPパスワードは「pass」
FTP接続方式は「PASV」
FTP接続
「small」を、「up」へ、FTPフォルダアップロード
FTP切断
NKR
cat > "$work/up.py" <<PY
import ftplib, os
ftp = ftplib.FTP()
ftp.connect("127.0.0.1", $fport)
ftp.login("user", "pass")
try: ftp.mkd("up")
except ftplib.error_perm: pass
ftp.cwd("up")
for name in sorted(os.listdir("small")):
    with open(os.path.join("small", name), "rb") as f:
        ftp.storbinary("STOR " + name, f)
ftp.quit()
PY
clean='rm -rf ftp/up'
t_py=$(best "$py" up.py)
t_noka=$(best "$nokari" -console up.nkr)
[ "$(ls ftp/up | wc -l)" = 1000 ] || { echo "upload incomplete" >&2; exit 1; }
printf 'FTP upload 1,000 files nokari %ss   ftplib %ss   ratio %.2f\n' "$t_noka" "$t_py" "$(echo "$t_noka / $t_py" | bc -l)"
