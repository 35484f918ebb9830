"""Windows and keys on X11 (ウインドウ列挙, アクティブ, キー送信) against a
virtual display: Xvfb on a display number it picks itself, openbox as the
window manager, xterms as the other programs. The keys typed into an xterm
running `cat > keys.txt` must arrive in that file, Japanese included;
xdotool tells which window is active. Without DISPLAY the same commands do
nothing and say so in debug mode."""
import contextlib
import os
import subprocess
import sys
import time

from peers import Checks, need_programs, run_script, workdir

need_programs("Xvfb", "openbox", "xterm", "xdotool", "wmctrl")
nokari = os.path.abspath(sys.argv[1])
checks = Checks()


@contextlib.contextmanager
def process(args, env, **popen):
    proc = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **popen)
    try:
        yield proc
    finally:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


@contextlib.contextmanager
def virtual_display():
    """Xvfb on a free display number (it writes the number it took)."""
    read_end, write_end = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0", "1024x768x24"],
                            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    try:
        number = b""
        with os.fdopen(read_end, "rb") as f:
            number = f.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        yield ":" + number.decode()
    finally:
        proc.terminate()
        proc.wait(10)


def poll_until(condition, timeout):
    end = time.time() + timeout
    while time.time() < end:
        if condition():
            return True
        time.sleep(0.1)
    return False


def wait_until(what, condition, timeout=15.0):
    if poll_until(condition, timeout):
        return True
    checks.true("timed out waiting for " + what, False)
    return False


def xdotool(env, *args):
    proc = subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True, timeout=10)
    return proc.stdout.strip()


def manager_running(env):
    """Whether a window manager has taken the display (wmctrl names it)."""
    proc = subprocess.run(["wmctrl", "-m"], env=env, capture_output=True, text=True, timeout=10)
    return proc.returncode == 0 and "Name:" in proc.stdout


def managed_titles(env):
    """The titles in the window manager's client list."""
    proc = subprocess.run(["wmctrl", "-l"], env=env, capture_output=True, text=True, timeout=10)
    return [line.split(None, 3)[3] for line in proc.stdout.splitlines() if len(line.split(None, 3)) == 4]


with workdir() as folder, virtual_display() as display:
    env = dict(os.environ, DISPLAY=display, LANG="C.UTF-8", LC_ALL="C.UTF-8")
    env.pop("WAYLAND_DISPLAY", None)
    keys = os.path.join(folder, "keys.txt")
    # Titles stay as given: nothing the shell prints may rename the windows.
    xterm = ["xterm", "-u8", "-xrm", "XTerm*allowTitleOps: false"]
    with contextlib.ExitStack() as windows:
        # Under load the manager may take its time to take the windows in,
        # and once in a while it never does (a start that lost a race on a
        # busy machine): then the manager and the windows start afresh.
        for attempt in range(3):
            started = contextlib.ExitStack()
            started.enter_context(process(["openbox", "--sm-disable"], env))
            # The windows come once the manager has taken the display: one
            # mapped while it starts up is not always taken in.
            manager = poll_until(lambda: manager_running(env), 20)
            started.enter_context(process(xterm + ["-T", "target", "-e", "sh", "-c", "cat > keys.txt"], env, cwd=folder))
            started.enter_context(process(xterm + ["-T", "other window", "-e", "sleep", "120"], env, cwd=folder))
            if poll_until(lambda: {"target", "other window"} <= set(managed_titles(env)), 40):
                windows.enter_context(started)
                break
            windows_there = xdotool(env, "search", "--name", "target|other window")
            print("attempt %d: manager running %r, managed %r, windows %r" %
                  (attempt + 1, manager, managed_titles(env), windows_there))
            started.close()
        else:
            checks.true("timed out waiting for both windows", False)
        # The window started last is the active one; make sure of it.
        subprocess.run(["xdotool", "search", "--name", "^other window$", "windowactivate", "--sync"], env=env,
                       timeout=10, capture_output=True)
        checks.equal("active before", xdotool(env, "getactivewindow", "getwindowname"), "other window")

        status, out, err = run_script(nokari, folder, "ウインドウ列挙を、表示\n", env=env)
        checks.equal("ウインドウ列挙 status", status, 0)
        listed = [line for line in out.splitlines() if line]
        checks.true("ウインドウ列挙 lists target: %r" % listed, "target" in listed)
        checks.true("ウインドウ列挙 lists the other window: %r" % listed, "other window" in listed)
        status, again, err = run_script(nokari, folder, "ウィンドウ列挙を、表示\n", env=env)
        checks.equal("ウィンドウ列挙 (the other spelling)", again, out)

        # A title that begins the window's title is enough.
        status, out, err = run_script(nokari, folder, "「targ」を、アクティブ\n「done」を、表示\n", env=env)
        checks.equal("アクティブ output", (status, out.strip()), (0, "done"))
        checks.equal("active after アクティブ", xdotool(env, "getactivewindow", "getwindowname"), "target")

        # Back to the other window: キー送信 activates the target itself.
        subprocess.run(["xdotool", "search", "--name", "^other window$", "windowactivate", "--sync"], env=env,
                       timeout=10, capture_output=True)
        # cat reads through the terminal's line editing: BS erases. The key
        # texts stand in 『』: in 「」 the braces would be expanded.
        script = ("「target」に、『hello あいう漢字~+(ab)c{BS}X{ENTER}』を、キー送信\n"
                  "「nowhere」に、「nothing」を、キー送信\n"
                  "「sent」を、表示\n")
        status, out, err = run_script(nokari, folder, script, env=env)
        checks.equal("キー送信 output", (status, out.strip(), err), (0, "sent", ""))
        checks.equal("active after キー送信", xdotool(env, "getactivewindow", "getwindowname"), "target")
        subprocess.run(["xdotool", "search", "--name", "^other window$", "windowactivate", "--sync"], env=env,
                       timeout=10, capture_output=True)
        status, out, err = run_script(nokari, folder, "「target」に、『{}}ｶﾅ{+}end{ENTER}^d』を、キー送信\n", env=env)
        checks.equal("second キー送信", (status, err), (0, ""))
        # ^d ends cat: the xterm closes once everything is in the file.
        wait_until("the target window to close", lambda: "target" not in managed_titles(env))
        with open(keys, encoding="utf-8", errors="replace") as f:
            typed = f.read()
        checks.equal("typed text", typed, "hello あいう漢字\nABX\n}ｶﾅ+end\n")

    # No display: nothing happens, and -debug says why.
    bare = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    bare["DISPLAY"] = ""
    script = ("「[」&ウインドウ列挙&「]」を、表示\n「target」を、アクティブ\n"
              "「target」に、「abc」を、キー送信\n「ok」を、表示\n")
    status, out, err = run_script(nokari, folder, script, env=bare)
    checks.equal("no display", (status, out.split()), (0, ["[]", "ok"]))
    checks.equal("no display: no warning without -debug", err, "")
    path = os.path.join(folder, "t.nkr")
    proc = subprocess.run([nokari, "-console", "-debug", path], env=bare, cwd=folder, capture_output=True, timeout=60)
    err = proc.stderr.decode("utf-8", "replace")
    checks.equal("no display, -debug: status", proc.returncode, 0)
    for word in ("ウインドウ列挙", "アクティブ", "キー送信"):
        checks.true("no display, -debug: warning for %s in %r" % (word, err),
                    '"%s"は、X11のディスプレイがない' % word in err)

checks.done()
