#!/usr/bin/python3
"""The FTP commands against pyftpdlib, in active and passive mode: files
and a folder tree up and down byte for byte, remote folders made, entered,
probed, renamed and removed, SITE CHMOD, listings with masks, the ASCII
mode, and the failures: no connection, a refused folder, a download onto
an existing file, a missing remote file, names that would smuggle a
second command, a closed port and a wrong password.

Usage: ftp_test.py NOKARI."""
import filecmp
import os
import re
import stat
import sys
import time

from peers import Checks, free_port, need_modules, peer, run_script, workdir

NOKARI = os.path.abspath(sys.argv[1])
checks = Checks()

FTP_COMMANDS = [
    "FTPアップロード「a」を、「b」へ、", "FTPフォルダアップロード「a」を、「b」へ、", "FTPダウンロード「a」を、「b」へ、",
    "FTP転送モード「バイナリ」の、", "FTP作業フォルダ「a」へ、", "FTP親フォルダ移動", "FTPフォルダ作成「a」の、",
    "FTPファイル削除「a」の、", "FTPフォルダ削除「a」の、", "FTPファイル属性変更「a」を、「644」に、",
    "FTPファイル名変更「a」から、「b」へ、", "FTPファイル列挙「*」の、", "FTPフォルダ列挙「*」の、", "FTPファイル情報「a」の、",
]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def read(path):
    """The file's bytes; None when it is missing."""
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def login(port, mode, user="user", password="pass"):
    return f"""FTPホストは「127.0.0.1:{port}」
FTPユーザーIDは「 {user} 」
FTPパスワードは「{password}」
FTP接続方式は「{mode}」
FTP接続
"""


def as_script(command):
    """「args」 first, then the command word: "FTPフォルダ作成「a」の、" -> "「a」の、FTPフォルダ作成"."""
    word = command.split("「")[0]
    return command[len(word):] + word


def same_tree(a, b):
    if not os.path.isdir(b):
        return False
    cmp = filecmp.dircmp(a, b)
    if cmp.left_only or cmp.right_only or cmp.diff_files or cmp.funny_files:
        return False
    mismatch = filecmp.cmpfiles(a, b, cmp.common_files, shallow=False)[1]
    return not mismatch and all(same_tree(os.path.join(a, d), os.path.join(b, d)) for d in cmp.common_dirs)


def retr_types(log, name):
    """The transfer type (the last TYPE sent) at each RETR of `name`."""
    types, current = [], None
    for line in log.splitlines():
        if "<- TYPE " in line:
            current = line.split("<- TYPE ")[1].strip()
        elif "<- RETR " in line and line.rstrip().endswith(name):
            types.append(current)
    return types


def session(folder, mode):
    """One server, one mode: everything that should work."""
    root = os.path.join(folder, "root")
    os.makedirs(root)
    payload = bytes(range(256)) * 40 + b"line\r\nline\n"
    write(os.path.join(folder, "up.bin"), payload)
    tree = os.path.join(folder, "tree")
    write(os.path.join(tree, "a.txt"), b"alpha\n")
    write(os.path.join(tree, "sub", "b.txt"), b"beta\r\n")
    write(os.path.join(tree, "sub", "deeper", "c.bin"), os.urandom(70000))
    write(os.path.join(tree, "日本語.txt"), "和".encode())
    os.makedirs(os.path.join(tree, "empty"))
    write(os.path.join(root, "lines.txt"), b"a\nb\n")
    for name in ("m1.txt", "m2.txt", "m3.dat"):
        write(os.path.join(root, "masks", name), b"x")
    os.makedirs(os.path.join(root, "masks", "folder one"))
    os.makedirs(os.path.join(root, "masks", "f2.txt"))
    port = free_port()
    what = "%s mode" % (mode or "active")
    log = os.path.join(folder, "server.log")
    # The server's debug log names every command it received (to a file:
    # a pipe nobody reads would fill and stop the server).
    server = "exec /usr/bin/python3 -m pyftpdlib -D -i 127.0.0.1 -p %d -w -d '%s' -u user -P pass 2>'%s'" % (
        port, root, log)
    with peer(["sh", "-c", server], port=port):
        os.makedirs(os.path.join(folder, "dl"))
        status, out, err = run_script(NOKARI, folder, login(port, mode) + """
「up.bin」を、「up.bin」へ、FTPアップロード
「d1」の、FTPフォルダ作成
「d1」へ、FTP作業フォルダ
「up.bin」を、「inside.bin」へ、FTPアップロード
「*.bin」の、FTPファイル列挙
「[{それ}]」を、表示
FTP親フォルダ移動
「up.bin」から、「renamed.bin」へ、FTPファイル名変更
「renamed.bin」を、「600」に、FTPファイル属性変更
「renamed.bin」を、「down.bin」へ、FTPダウンロード
「d1/inside.bin」を、「dl/」へ、FTPダウンロード
「tree」を、「remote/tree」へ、FTPフォルダアップロード
FTP親フォルダ移動
FTP親フォルダ移動
『up.bin』を、『remote\\tree\\表』へ、FTPアップロード
『remote\\tree\\表』を、『dl\\表』へ、FTPダウンロード
「d1/inside.bin」の、FTPファイル削除
「d1」の、FTPフォルダ削除
「masks」へ、FTP作業フォルダ
「*.txt」の、FTPファイル列挙
「[{それ}]」を、表示
「*.TXT」の、FTPファイル列挙
「[{それ}]」を、表示
「*」の、FTPフォルダ列挙
「[{それ}]」を、表示
「*.txt」の、FTPフォルダ列挙
「[{それ}]」を、表示
「m1.txt」の、FTPファイル情報
「[{それ}]」を、表示
「/」へ、FTP作業フォルダ
「アスキー」の、FTP転送モード
「lines.txt」を、「ascii.txt」へ、FTPダウンロード
「バイナリ」の、FTP転送モード
「lines.txt」を、「binary.txt」へ、FTPダウンロード
FTP切断
FTP切断
""")
        checks.equal(what + ": status", (status, err), (0, ""))
        lines = out.split("\n")
        checks.equal(what + ": listing inside the entered folder", out.split("]")[0], "[inside.bin\n")
        checks.true(what + ": masks " + repr(out), "[m1.txt\nm2.txt\nf2.txt\n]" in out or "[f2.txt\nm1.txt\nm2.txt\n]" in out)
        checks.true(what + ": a mask in capitals, as local masks " + repr(out),
                    out.count("[m1.txt\nm2.txt\nf2.txt\n]") == 2 or out.count("[f2.txt\nm1.txt\nm2.txt\n]") == 2)
        checks.true(what + ": folders only", "[folder one\nf2.txt\n]" in out or "[f2.txt\nfolder one\n]" in out)
        checks.true(what + ": folder mask", "\n[f2.txt\n]" in out)
        checks.true(what + ": file information " + repr(lines), any(l.startswith("[-rw") and l.endswith("m1.txt") for l in lines))
        checks.true(what + ": renamed upload", read(os.path.join(root, "renamed.bin")) == payload)
        checks.equal(what + ": chmod", stat.S_IMODE(os.stat(os.path.join(root, "renamed.bin")).st_mode), 0o600)
        checks.true(what + ": renamed away", not os.path.exists(os.path.join(root, "up.bin")))
        checks.true(what + ": download", read(os.path.join(folder, "down.bin")) == payload)
        checks.true(what + ": download into a folder", read(os.path.join(folder, "dl", "inside.bin")) == payload)
        checks.true(what + ": downloaded through a path with backslashes", read(os.path.join(folder, "dl", "表")) == payload)
        # "\" separates remote folders, as in local paths ("表" ends in 0x5C).
        backslashed = os.path.join(root, "remote", "tree", "表")
        checks.true(what + ": uploaded through a path with backslashes", read(backslashed) == payload)
        if os.path.exists(backslashed):
            os.remove(backslashed)
        checks.true(what + ": folder tree", same_tree(tree, os.path.join(root, "remote", "tree")))
        checks.true(what + ": deleted and removed", not os.path.exists(os.path.join(root, "d1")))
        # Line ends come back as they were either way; the log shows the mode.
        checks.equal(what + ": ASCII mode", read(os.path.join(folder, "ascii.txt")), b"a\nb\n")
        checks.equal(what + ": binary mode", read(os.path.join(folder, "binary.txt")), b"a\nb\n")
        commands = read(log).decode("utf-8", "replace")
        checks.equal(what + ": the type of each download of lines.txt", retr_types(commands, "lines.txt"), ["A", "I"])
        if mode:
            checks.true(what + ": passive only", "EPSV" in commands and "PORT" not in commands)
        else:
            checks.true(what + ": active only", "EPRT" in commands and "EPSV" not in commands and "PASV" not in commands)
        checks.equal(what + ": no temporaries", sorted(n for n in os.listdir(folder) if n.startswith(".")), [])

        failures(folder, root, port, mode, what)


def fails(folder, text, message, what):
    status, out, err = run_script(NOKARI, folder, text)
    checks.equal(what + ": status", status, 1)
    checks.true(what + ": " + repr(message) + " in " + repr(err), message in err)
    return err


def failures(folder, root, port, mode, what):
    write(os.path.join(folder, "exists.txt"), b"mine")
    write(os.path.join(root, "r.txt"), b"theirs")
    fails(folder, login(port, mode) + "「r.txt」を、「exists.txt」へ、FTPダウンロード",
          '"exists.txt"へのFTPダウンロードに失敗。ダウンロード先のファイルが既にあります。', what + ": download onto a file")
    checks.equal(what + ": the local file kept", read(os.path.join(folder, "exists.txt")), b"mine")
    fails(folder, login(port, mode) + "「nosuch.txt」を、「new.txt」へ、FTPダウンロード",
          '"new.txt"へのFTPダウンロードに失敗。550 ', what + ": missing remote file, in the server's words")
    fails(folder, login(port, mode) + "「nosuch.txt」を、「up.txt」へ、FTPアップロード",
          '"up.txt"へのFTPアップロードに失敗。ファイル"nosuch.txt"がありません。', what + ": missing local file")
    fails(folder, login(port, mode) + "「r.txt」を、「nodir/r.txt」へ、FTPダウンロード",
          '"nodir/r.txt"へのFTPダウンロードに失敗。保存先のフォルダがありません。', what + ": missing local folder")
    checks.true(what + ": nothing left by a failed download",
                not os.path.exists(os.path.join(folder, "new.txt"))
                and not [n for n in os.listdir(folder) if n.startswith(".")])
    # A refused folder leaves the remote folder as it was.
    status, out, err = run_script(NOKARI, folder, login(port, mode) + """
「nosuch」へ、FTP作業フォルダ
""")
    checks.true(what + ": refused folder", status == 1 and '"nosuch"へのFTPフォルダ変更に失敗。550 ' in err)
    fails(folder, login(port, mode) + "「tree」を、「t」へ、FTPアップロード",
          '"t"へのFTPアップロードに失敗。フォルダをアップすることは出来ません。', what + ": a local folder as a file")
    fails(folder, login(port, mode) + "「nosuch」の、FTPフォルダ削除", '"nosuch"へのFTPフォルダ削除に失敗', what + ": rmdir")
    fails(folder, login(port, mode) + "「nosuch」から、「x」へ、FTPファイル名変更", '"x"へのFTPファイル名変更に失敗',
          what + ": rename")
    # A line break in a name cannot start a second command.
    fails(folder, login(port, mode) + "「x\\nDELE /r.txt」の、FTPフォルダ作成", "へのFTPフォルダ作成に失敗。",
          what + ": smuggled command")
    checks.true(what + ": r.txt survives", os.path.exists(os.path.join(root, "r.txt")))
    outside = os.path.join(os.path.dirname(folder), "nokari-refused-%d.txt" % port)
    status, out, err = run_script(NOKARI, folder, login(port, mode) + f"「r.txt」を、「{outside}」へ、FTPダウンロード")
    checks.true(what + ": refused outside the script's folder",
                status == 0 and not os.path.exists(outside) and outside in err)
    err = fails(folder, login(port, mode, password="wrongpw"), "FTPのエラー。接続に失敗。", what + ": wrong password")
    checks.true(what + ": no password in the error", "wrongpw" not in err)


def without_connection(folder):
    for command in FTP_COMMANDS:
        fails(folder, as_script(command), "FTPで接続が確立されていません。", "no connection: " + command)
    status, out, err = run_script(NOKARI, folder, "FTP切断\n「ok」を、表示")
    checks.equal("FTP切断 without a connection", (status, out, err), (0, "ok\n", ""))
    closed = free_port()
    fails(folder, login(closed, ""), "FTPのエラー。接続に失敗。", "closed port")
    fails(folder, "FTPホストは「127.0.0.1:99999」\nFTP接続", "FTPのエラー。接続に失敗。", "bad port")


IDLE_SERVER = """
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
users = DummyAuthorizer()
users.add_user("user", "pass", sys.argv[2], perm="elradfmwMT")
FTPHandler.authorizer = users
FTPHandler.timeout = 1  # seconds a client may stay idle: then 421 and the connection closed
FTPServer(("127.0.0.1", int(sys.argv[1])), FTPHandler).serve_forever()
"""


def idle_server(port, root, log):
    return ["sh", "-c", "exec /usr/bin/python3 -c '%s' %d '%s' 2>'%s'" % (IDLE_SERVER.replace("'", '"'), port, root, log)]


def after_idle(folder, mode):
    """A server that closes idle connections: every command after a pause
    logs in again and works in the same remote folder; a listing whose
    server is gone fails instead of answering an empty folder."""
    what = "idle, %s mode" % (mode or "active")
    root = os.path.join(folder, "idle-root")
    write(os.path.join(root, "sub", "x.txt"), b"x")
    write(os.path.join(root, "sub", "deeper", "y.txt"), b"y")
    write(os.path.join(folder, "up.txt"), b"up")
    port = free_port()
    log = os.path.join(folder, "idle.log")
    with peer(idle_server(port, root, log), port=port):
        status, out, err = run_script(NOKARI, folder, login(port, mode) + """
「sub」へ、FTP作業フォルダ
2秒、待つ
「*」の、FTPファイル列挙
「1:[{それ}]」を、表示
2秒、待つ
「*」の、FTPフォルダ列挙
「2:[{それ}]」を、表示
2秒、待つ
「x.txt」を、「idle-x.txt」へ、FTPダウンロード
2秒、待つ
「up.txt」を、「up.txt」へ、FTPアップロード
2秒、待つ
「deeper」へ、FTP作業フォルダ
「*.txt」の、FTPファイル列挙
「3:[{それ}]」を、表示
FTP切断
""")
        checks.equal(what + ": status", (status, err), (0, ""))
        listings = {m[0]: sorted(m[1].split()) for m in re.findall(r"(\d):\[([^]]*)\]", out)}
        checks.equal(what + ": every listing after a pause", listings,
                     {"1": ["deeper", "x.txt"], "2": ["deeper"], "3": ["y.txt"]})
        checks.equal(what + ": download after a pause", read(os.path.join(folder, "idle-x.txt")), b"x")
        checks.equal(what + ": upload after a pause, into the same folder", read(os.path.join(root, "sub", "up.txt")), b"up")
    # The server stops while the script waits: the listing cannot be had.
    port = free_port()
    with peer(idle_server(port, root, log), port=port) as server:
        ready = os.path.join(folder, "connected")
        text = login(port, mode) + "「1」を、「%s」へ、保存\n4秒、待つ\n「*」の、FTPファイル列挙\n「[{それ}]」を、表示\n" % ready
        import threading
        def stop_when_connected():
            for _ in range(200):
                if os.path.exists(ready):
                    break
                time.sleep(0.05)
            server.terminate()
        stopper = threading.Thread(target=stop_when_connected)
        stopper.start()
        status, out, err = run_script(NOKARI, folder, text)
        stopper.join()
        checks.true(what + ": a listing from a server gone fails, got %r %r" % (out, err),
                    status == 1 and "FTPのエラー。接続に失敗。" in err and out == "")


need_modules("pyftpdlib")
with workdir() as folder:
    without_connection(folder)
for mode in ("", "pasv"):
    with workdir() as folder:
        session(folder, mode)
    with workdir() as folder:
        after_idle(folder, mode)
checks.done()
