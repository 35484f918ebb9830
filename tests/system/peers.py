"""What the system tests share: free ports, waiting for a peer to listen,
peers started and always stopped, and running a script in console mode.

A system test is tests/system/<name>_test.py (or _test.sh); CMake registers
each one as system/<name> and runs it with the nokari program as its first
argument. A test that cannot run here (a peer program not installed, no
display) prints "SKIP: <reason>" and exits 77, which CTest counts as
skipped. Peers listen on 127.0.0.1 only, on ports chosen free at start, so
tests can run side by side.
"""
import contextlib
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

SKIP = 77


def skip(reason):
    print("SKIP: " + reason)
    sys.exit(SKIP)


def need_programs(*names):
    """Skips the test unless every program is installed."""
    for name in names:
        if not (os.path.exists(name) if name.startswith("/") else shutil.which(name)):
            skip(name + " is not installed")


def need_modules(*names):
    """Skips unless Debian's Python (this interpreter) has the modules."""
    import importlib.util
    for name in names:
        if importlib.util.find_spec(name) is None:
            skip("python module " + name + " is not installed")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_port(port, timeout=15.0, host="127.0.0.1"):
    """Waits until something accepts connections on the port."""
    end = time.time() + timeout
    while time.time() < end:
        with contextlib.suppress(OSError), socket.create_connection((host, port), timeout=0.5):
            return
        time.sleep(0.05)
    raise RuntimeError("nothing listens on port %d" % port)


@contextlib.contextmanager
def peer(args, port=None, **popen):
    """Runs a peer program for the length of the block and stops it."""
    proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, **popen)
    try:
        if port is not None:
            try:
                wait_port(port)
            except RuntimeError:
                proc.kill()
                raise RuntimeError("peer %s did not start: %s" % (args[0], proc.stderr.read().decode(errors="replace")))
        yield proc
    finally:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


@contextlib.contextmanager
def workdir():
    """A fresh folder, removed afterwards."""
    path = tempfile.mkdtemp(prefix="nokari-system-")
    try:
        yield path
    finally:
        shutil.rmtree(path, ignore_errors=True)


def run_script(nokari, folder, text, args=(), env=None, timeout=60, stdin=None):
    """Writes `text` (UTF-8) to folder/t.nkr and runs it in console mode.
    Returns (exit status, standard output, standard error) as text."""
    path = os.path.join(folder, "t.nkr")
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    full_env = dict(os.environ)
    full_env.setdefault("XDG_CONFIG_HOME", os.path.join(folder, "config"))
    full_env.update(env or {})
    proc = subprocess.run([nokari, "-console", path, *args], cwd=folder, env=full_env, input=stdin,
                          capture_output=True, timeout=timeout)
    return proc.returncode, proc.stdout.decode("utf-8", "replace"), proc.stderr.decode("utf-8", "replace")


class Checks:
    """Collects failures so one run reports all of them."""

    def __init__(self):
        self.failures = []

    def equal(self, what, got, expected):
        if got != expected:
            self.failures.append("%s: got %r, expected %r" % (what, got, expected))

    def true(self, what, cond):
        if not cond:
            self.failures.append(what)

    def done(self):
        for f in self.failures:
            print("FAIL: " + f)
        if self.failures:
            sys.exit(1)
        print("ok")
