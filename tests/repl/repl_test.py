#!/usr/bin/python3
"""Drives the interactive prompt (nokari -i) through a pseudo-terminal.

Usage: repl_test.py NOKARI. Each case starts a fresh session with its own
HOME and XDG_DATA_HOME, types lines and checks what the terminal shows.
Exits 1 on the first failed case."""
import os
import pty
import select
import sys
import tempfile
import time

NOKARI = os.path.abspath(sys.argv[1])
PROMPT = b"nokari> "
MORE = b"   ...> "


class Session:
    def __init__(self, args=("-i",), home=None):
        self.home = home or tempfile.mkdtemp(prefix="nokari-repl-")
        env = dict(os.environ, HOME=self.home, XDG_DATA_HOME=self.home + "/data",
                   TERM="dumb", LANG="C.UTF-8", LC_ALL="C.UTF-8")
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            try:
                os.chdir(self.home)
                os.execve(NOKARI, [NOKARI, *args], env)
            finally:
                os._exit(127)
        self.buf = b""

    def read_until(self, *marks, timeout=30.0):
        """Reads until the output ends with one of marks; returns what came."""
        end = time.time() + timeout
        while not any(self.buf.endswith(m) for m in marks):
            left = end - time.time()
            if left <= 0:
                raise AssertionError("timed out waiting for %r; got %r" % (marks, self.buf))
            ready, _, _ = select.select([self.fd], [], [], left)
            if not ready:
                continue
            try:
                chunk = os.read(self.fd, 4096)
            except OSError:
                chunk = b""
            if not chunk:
                raise AssertionError("session ended waiting for %r; got %r" % (marks, self.buf))
            self.buf += chunk
        out, self.buf = self.buf, b""
        return out.replace(b"\r\n", b"\n").decode("utf-8", "replace")

    def start(self):
        return self.read_until(PROMPT)

    def line(self, text, expect=PROMPT):
        data = text.encode("utf-8") if isinstance(text, str) else text
        os.write(self.fd, data + b"\n")
        return self.read_until(expect)

    def eof(self):
        """Sends Ctrl-D; returns the rest of the output and the exit status."""
        os.write(self.fd, b"\x04")
        rest = b""
        while True:
            try:
                chunk = os.read(self.fd, 4096)
            except OSError:
                break
            if not chunk:
                break
            rest += chunk
        _, status = os.waitpid(self.pid, 0)
        return rest.decode("utf-8", "replace"), os.waitstatus_to_exitcode(status)


failures = 0


def case(name):
    def wrap(fn):
        global failures
        try:
            fn()
            print("ok   " + name)
        except AssertionError as err:
            failures += 1
            print("FAIL " + name + ": " + str(err))
        return fn
    return wrap


def expect_in(needle, text):
    assert needle in text, "expected %r in %r" % (needle, text)


@case("variables and labels stay from one entry to the next")
def _():
    s = Session()
    s.start()
    s.line("Aは、5")
    expect_in("10", s.line("「{A*2}」を、表示"))
    # A definition runs to the empty line and is only registered.
    s.line("*挨拶", MORE)
    s.line("「やあ、{名前}」を、表示", MORE)
    out = s.line("")
    assert "やあ" not in out, "a definition must not run: %r" % out
    s.line("名前は、「のかり」")
    expect_in("やあ、のかり", s.line("挨拶"))
    _, code = s.eof()
    assert code == 0, code


@case("a block over several lines runs once it is closed")
def _():
    s = Session()
    s.start()
    s.line("Iを、1から、3まで、繰り返す", MORE)
    s.line("（", MORE)
    s.line("  「{I}行目」を、表示", MORE)
    out = s.line("）")
    for n in ("1行目", "2行目", "3行目"):
        expect_in(n, out)
    # A line ending with a block word takes the next line as its body.
    s.line("2回", MORE)
    expect_in("B\nB", s.line("「B」を、表示"))
    # A text left open continues too; its line end stays in the text.
    s.line("「一行目", MORE)
    expect_in("一行目\n二行目", s.line("二行目」を、表示"))
    # A 「 inside a 「 text opens a pair of its own: the entry goes on until
    # the outer one closes.
    s.line("「彼は「はい」と", MORE)
    expect_in("彼は「はい」と\n言った", s.line("言った」を、表示"))
    # So does a " inside it: only 」 closes a text 「 began.
    s.line("「a\"b", MORE)
    expect_in("a\"b\nc", s.line("c」を、表示"))
    s.eof()


@case("an error is shown and the next line works")
def _():
    s = Session()
    s.start()
    out = s.line("あいうを、存在しない命令")
    expect_in("未定義の命令", out)
    expect_in("動く", s.line("「動く」を、表示"))
    expect_in("未定義の命令", s.line("「x」を、また存在しない命令"))
    expect_in("まだ動く", s.line("「まだ動く」を、表示"))
    _, code = s.eof()
    assert code == 0, "errors must not change the exit status at EOF: %d" % code


@case("それ is shown after an entry that set it")
def _():
    s = Session()
    s.start()
    expect_in("→ 7", s.line("3+4を、計算"))
    expect_in("→ ABC", s.line("「abc」を、大文字変換"))
    out = s.line("Xは、1")
    assert "→" not in out, "an assignment leaves それ alone: %r" % out
    s.eof()


@case("a name alone shows its value; Ctrl-C drops an entry or stops one")
def _():
    s = Session()
    s.start()
    s.line("合計は、42")
    expect_in("→ 42", s.line("合計"))
    # Ctrl-C while a block is being typed: the entry is gone.
    s.line("3回", MORE)
    os.write(s.fd, b"\x03")
    s.read_until(PROMPT)
    expect_in("→ 42", s.line("合計"))
    # Ctrl-C while an entry runs: it stops and the prompt comes back,
    # with what the entry did so far kept.
    os.write(s.fd, "Nは、0。100000000回、Nは、N+1\n".encode("utf-8"))
    time.sleep(0.5)
    os.write(s.fd, b"\x03")
    expect_in("中断しました", s.read_until(PROMPT))
    out = s.line("N")
    assert "→ 0" not in out and "→" in out, out
    _, code = s.eof()
    assert code == 0, code


@case("EOF in the middle of a block ends the session with status 0")
def _():
    s = Session()
    s.start()
    s.line("3回", MORE)
    out, code = s.eof()
    assert code == 0, code
    expect_in("捨てました", out)
    s2 = Session()
    s2.start()
    s2.line("（「x」を、表示", MORE)
    out, code = s2.eof()
    assert code == 0 and "x" not in out.replace("exit", ""), (code, out)


@case("binary garbage gives errors, never a crash")
def _():
    s = Session()
    s.start()
    s.line(b"\xff\xfe\x80\x81garbage\x01\x7f")
    s.line(b"\xe3\x81")  # a cut UTF-8 sequence
    s.line(b"\x81\x40\x82\xa0\x83")  # Shift-JIS bytes on a UTF-8 terminal
    # Garbage may leave extra prompts behind on a slow machine: read on
    # until the output line itself has come, followed by a prompt.
    os.write(s.fd, "「生きている」を、表示\n".encode("utf-8"))
    expect_in("生きている", s.read_until("生きている\r\n".encode("utf-8") + PROMPT))
    _, code = s.eof()
    assert code == 0, code


@case("終わる ends the session; history is kept for the next one")
def _():
    s = Session()
    s.start()
    s.line("「履歴の行」を、表示")
    _, code = s.eof()
    history = os.path.join(s.home, "data", "nokari", "history")
    with open(history, encoding="utf-8") as f:
        expect_in("「履歴の行」を、表示", f.read())
    s2 = Session(home=s.home)
    s2.start()
    os.write(s2.fd, "終わる\n".encode())
    rest, code = s2.eof()
    assert code == 0, code


@case("no script on a terminal opens the prompt")
def _():
    s = Session(args=())
    s.start()
    expect_in("ok", s.line("「ok」を、表示"))
    s.eof()


sys.exit(1 if failures else 0)
