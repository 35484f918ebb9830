"""DDE conversations and the debugger link between real processes.

Two console programs talk over the local channel: one serves a topic and
waits, the other sends it a macro; a sender starts its server from
DDEファイル名; the topic limit and the missing server give their messages;
the channel folder is private and a client of another user is not heard.
The debugger link is driven as the editor would: "line vovezid" is
answered with "row N" on the editor's own socket, "break" ends the run,
and -linestop is stepped through on a pseudo-terminal.
"""
import os
import pty
import queue
import select
import shutil
import socket
import stat
import subprocess
import sys
import threading
import time

from peers import Checks, skip, workdir

NOKARI = os.path.abspath(sys.argv[1])
checks = Checks()


def write(folder, name, text):
    path = os.path.join(folder, name)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return path


def start(script, env, *options):
    return subprocess.Popen([NOKARI, "-console", *options, script], env=env, cwd=os.path.dirname(script),
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def run(script, env, timeout=30):
    proc = subprocess.run([NOKARI, "-console", script], env=env, cwd=os.path.dirname(script),
                          capture_output=True, timeout=timeout)
    return proc.returncode, proc.stdout.decode("utf-8", "replace"), proc.stderr.decode("utf-8", "replace")


def wait_for(path, timeout=10.0):
    end = time.time() + timeout
    while time.time() < end:
        if os.path.exists(path):
            return True
        time.sleep(0.02)
    return False


def finish(proc, timeout=15):
    try:
        out, err = proc.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        out, err = proc.communicate()
        checks.true("process ended in time", False)
    return proc.returncode, out.decode("utf-8", "replace"), err.decode("utf-8", "replace")


def send_macro(path, line, timeout=5.0):
    """Sends one macro as the editor would; returns the server's answer."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
        s.settimeout(timeout)
        s.connect(path)
        s.sendall(line.encode("utf-8") + b"\n")
        answer = b""
        while not answer.endswith(b"\n"):
            chunk = s.recv(16)
            if not chunk:
                break
            answer += chunk
        return answer.decode().strip()


class Editor:
    """The editor's own conversation (vovezid#command): answers every macro
    "OK" and collects them, on a thread of its own (the interpreter waits
    for the editor's answer before it answers us)."""

    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.bind(path)
        self.sock.listen(4)
        self.sock.settimeout(0.2)
        self.macros = queue.Queue()
        self.running = True
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        while self.running:
            try:
                conn, _ = self.sock.accept()
            except socket.timeout:
                continue
            with conn:
                conn.settimeout(5.0)
                data = b""
                while b"\n" not in data:
                    chunk = conn.recv(64)
                    if not chunk:
                        break
                    data += chunk
                conn.sendall(b"OK\n")
            self.macros.put(data.decode("utf-8").strip())

    def receive(self):
        try:
            return self.macros.get(timeout=5.0)
        except queue.Empty:
            return None

    def close(self):
        self.running = False
        self.thread.join()
        self.sock.close()


SERVER = """受信を呼ぶ、「話題」という、DDEサーバー作成
待機
*受信
「受信した{DDE文字列}」を、表示
おわり
"""

with workdir() as folder:
    runtime = os.path.join(folder, "run")
    os.mkdir(runtime, 0o700)
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=os.path.join(folder, "config"))
    channel = os.path.join(runtime, "nokari-dde")

    # One program serves a topic and waits; another sends it two lines.
    server = start(write(folder, "server.nkr", SERVER), env)
    topic = os.path.join(channel, "nokari#話題")
    checks.true("the server's socket appears", wait_for(topic))
    status, out, err = run(write(folder, "client.nkr", "A=\"こんにちは\\n二行目\"\n「nokari」の「話題」に、Aを、DDE送信\n"
                                                     "「送った」を、表示\n"), env)
    checks.equal("client exit", (status, out, err), (0, "送った\n", ""))
    status, out, err = finish(server)
    checks.equal("server received", (status, out, err), (0, "受信したこんにちは\n二行目\n", ""))
    checks.true("the server's socket is gone", not os.path.exists(topic))
    checks.equal("channel folder mode", stat.S_IMODE(os.stat(channel).st_mode), 0o700)

    # No server running: DDEファイル名 starts one (this interpreter with the
    # server script), and the macro goes through once it serves.
    second = write(folder, "server2.nkr", SERVER.replace("話題", "起動話題"))
    status, out, err = run(write(folder, "starter.nkr",
                                 "DDEファイル名は、「%s -console %s」\n"
                                 "「nokari」の「起動話題」に「起こした」を、DDE送信\n"
                                 "「送った」を、表示\n" % (NOKARI, second)), env)
    checks.equal("starter exit", (status, err), (0, ""))
    checks.true("started server got the macro: %r" % out, "受信した起こした" in out and "送った" in out)

    # Without DDEファイル名 a missing server is the link error.
    status, out, err = run(write(folder, "missing.nkr", "「無いサーバー」の「話題」に「x」を、DDE送信\n"), env)
    checks.equal("missing server status", status, 1)
    checks.true("missing server message: %r" % err,
                'サーバー"無いサーバー"トピック"話題"でエラー。リンク出来ませんでした。' in err)

    # Ten topics, and the eleventh fails.
    status, out, err = run(write(folder, "eleven.nkr", "".join("受信を呼ぶ、「t%d」という、DDEサーバー作成\n"
                                                             "「作成%d」を、表示\n" % (i, i) for i in range(1, 12))
                                 + "*受信\n"), env)
    checks.equal("eleven topics status", status, 1)
    checks.equal("ten topics made", out, "".join("作成%d\n" % i for i in range(1, 11)))
    checks.true("eleventh topic message: %r" % err,
                'サーバー"自身"トピック"t11"でエラー。これ以上サーバーを立ち上げられません。' in err)

    # A folder others can enter is refused, not repaired.
    os.chmod(channel, 0o755)
    status, out, err = run(write(folder, "open.nkr", "受信を呼ぶ、「t」という、DDEサーバー作成\n*受信\n"), env)
    checks.true("open folder refused: %r" % err, status == 1 and "サーバー作成に失敗" in err)
    checks.equal("open folder left as it was", stat.S_IMODE(os.stat(channel).st_mode), 0o755)
    os.chmod(channel, 0o700)

    # Another user's client is not heard, even when it reaches the socket.
    if os.geteuid() != 0 or not shutil.which("setpriv"):
        print("note: another user's client not tried (needs root and setpriv)")
    else:
        server = start(write(folder, "server3.nkr", SERVER), env)
        checks.true("the server's socket appears again", wait_for(topic))
        for path in (folder, runtime, channel):
            os.chmod(path, 0o711)
        os.chmod(topic, 0o777)
        probe = ("import socket\n"
                 "s = socket.socket(socket.AF_UNIX)\ns.settimeout(5)\ns.connect(%r)\n"
                 "try:\n    s.sendall('他人\\n'.encode())\n    r = s.recv(16)\n"
                 "except (ConnectionResetError, BrokenPipeError):\n    r = b''\n"
                 "print(repr(r))\n" % topic)
        other = subprocess.run(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "/usr/bin/python3",
                                "-c", probe], capture_output=True, timeout=30)
        checks.equal("another user gets no answer", (other.returncode, other.stdout.strip()), (0, b"b''"))
        for path in (folder, runtime, channel):
            os.chmod(path, 0o700)
        checks.equal("another user's stderr", other.stderr.decode(errors="replace"), "")
        try:
            checks.equal("the owner is still heard", send_macro(topic, "本人"), "OK")
        except OSError as e:
            checks.true("the owner is still heard: %s" % e, False)
        status, out, err = finish(server)
        checks.equal("only the owner's macro ran", (out, err), ("受信した本人\n", ""))

    # The debugger link: the editor asks for the line, then breaks the run.
    editor = Editor(os.path.join(channel, "vovezid#command"))
    script = write(folder, "debugged.nkr", "「開始」を、表示\nA=5\n10秒、待つ\n「終わらない」を、表示\n")
    began = time.time()
    debugged = start(script, env)
    link = os.path.join(channel, "nokari#command")
    checks.true("the link's socket appears", wait_for(link))
    time.sleep(0.3)  # into the wait on line 3
    checks.equal("line vovezid answered", send_macro(link, "line vovezid"), "OK")
    checks.equal("row told to the editor", editor.receive(), "row 3")
    checks.equal("unknown macro refused", send_macro(link, "dance"), "NG")
    checks.equal("break answered", send_macro(link, "break vovezid"), "OK")
    checks.equal("row told before the break", editor.receive(), "row 3")
    status, out, err = finish(debugged)
    checks.equal("broken run", (status, out, err), (0, "開始\n", ""))
    checks.true("break ended the wait early", time.time() - began < 8)
    checks.true("the link's socket is gone", not os.path.exists(link))
    editor.close()

    # A program without a wait does not linger for the link.
    began = time.time()
    status, out, err = run(write(folder, "quick.nkr", "「すぐ」を、表示\n"), env)
    checks.equal("quick run", (status, out), (0, "すぐ\n"))
    checks.true("quick run ends at once", time.time() - began < 5)

    # -linestop on a terminal: two lines stepped, then the rest runs.
    stepped = write(folder, "stepped.nkr", "「一」を、表示\n「二」を、表示\n「三」を、表示\n「四」を、表示\n")
    pid, fd = pty.fork()
    if pid == 0:
        os.chdir(folder)
        os.execve(NOKARI, [NOKARI, "-console", "-linestop", stepped], env)
    seen = b""
    answers = [b"l\n", b"l\n", b"c\n"]
    end = time.time() + 20
    while time.time() < end:
        ready, _, _ = select.select([fd], [], [], 0.5)
        if not ready:
            continue
        try:
            chunk = os.read(fd, 4096)
        except OSError:
            break
        if not chunk:
            break
        seen += chunk
        if seen.count(b"> ") > 3 - len(answers) and answers:
            os.write(fd, answers.pop(0))
    _, wait_status = os.waitpid(pid, 0)
    text = seen.decode("utf-8", "replace").replace("\r\n", "\n")
    checks.equal("linestop exit", os.waitstatus_to_exitcode(wait_status), 0)
    checks.equal("linestop stops", [l for l in text.split("\n") if l.startswith("[デバッグ]")],
                 ["[デバッグ] 1行目: \"一\"を,表示", "[デバッグ] 2行目: \"二\"を,表示", "[デバッグ] 3行目: \"三\"を,表示"])
    checks.true("linestop output: %r" % text, all(w in text for w in ("一\n", "二\n", "三\n", "四\n")))

checks.done()
