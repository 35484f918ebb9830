#!/usr/bin/python3
"""Checks `nokari -e TEXT` (a program given on the command line, console
rules) and what a start without a script does when nobody is at a terminal.

Usage: eval_test.py NOKARI. Exits 1 when a case fails."""
import os
import shutil
import subprocess
import sys
import tempfile

NOKARI = os.path.abspath(sys.argv[1])
failures = 0


def run(*args, stdin=subprocess.DEVNULL, cwd=None):
    p = subprocess.run([NOKARI, *args], stdin=stdin, capture_output=True, cwd=cwd, timeout=20)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def check(name, got, want):
    global failures
    if got == want:
        print("ok   " + name)
    else:
        failures += 1
        print("FAIL %s: got %r, want %r" % (name, got, want))


folder = os.path.realpath(tempfile.mkdtemp(prefix="nokari-eval-"))

check("lines of output, status 0",
      run("-e", "「あ」を、表示\n3回、「い」を、表示"), (0, "あ\nい\nい\nい\n", ""))
# The current folder is the program's folder; the parameters after TEXT
# are its arguments, the first one being the program's own (made-up) path.
check("母艦のパス and コマンドライン引数",
      run("-e", "母艦のパスを、表示。コマンドライン引数を、表示", "x", "二", cwd=folder),
      (0, "%s/\n%s/-e\nx\n二\n" % (folder, folder), ""))
check("a relative file name is read from the current folder",
      run("-e", "「{母艦のパス}a.txt」へ「中身」を、保存。「a.txt」を、読む。それを、表示", "-security", "low",
          cwd=folder)[:2], (0, "中身\n"))

status, out, err = run("-e", "「x」を、表示。あいうを、存在しない命令")
check("an error: the log on standard error, status 1", (status, out), (1, "x\n"))
check("the error line names -e and the line", "-e(1行目)" in err and "未定義の命令" in err, True)
status, _, err = run("-e", "「閉じない")
check("an open text is an error of its own", (status, "対応していません" in err), (1, True))
status, _, err = run("-e", b"\xff\xfe\x80\x01garbage")
check("binary garbage: an error, no crash", (status, "[エラー]" in err), (1, True))
check("終わる ends the program with status 0", run("-e", "終わる。「x」を、表示"), (0, "", ""))

status, _, err = run("-e")
check("-e without a text says it needs one", (status, "-e needs the text of a program" in err), (2, True))
status, out, err = run("-console", "-security", "hello.nkr", cwd=folder)
check("-security before the script, its level forgotten: said, not a silent 0",
      (status, out, "-security needs a level" in err), (2, "", True))
# Nothing to run and nobody at a terminal: the program closes silently,
# as it always did (a file manager starting it without a script).
check("no script, no terminal: silent exit", run(cwd=folder), (0, "", ""))


# The prompt fed from a pipe or a file: no prompts, each result as it
# comes, and the end of the input ends it with status 0.
def prompt(data):
    env = dict(os.environ, HOME=folder, XDG_DATA_HOME=folder + "/data")
    try:
        p = subprocess.run([NOKARI, "-i"], input=data.encode("utf-8"), capture_output=True, cwd=folder,
                           env=env, timeout=20)
    except subprocess.TimeoutExpired:
        return "still running at the end of the input"
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


check("piped prompt: results only, status 0 at the end of the input",
      prompt("Aは、5\n「{A*2}」を、表示\n3+4を、計算\nA\n"), (0, "10\n→ 7\n→ 5\n", ""))
check("piped prompt: a line ending with 、 goes on on the next one",
      prompt("名前は、\n「太郎」\n「x」を、\n表示\n名前\nBは、\n\nB\n"), (0, "x\n→ 太郎\n→ \n", ""))
check("piped prompt: a last line without a line end runs whole",
      prompt("「こんにちは」を、表示"), (0, "こんにちは\n", ""))
status, out, err = prompt("「a」を、表示\n3回\n")
check("piped prompt: an entry left open is discarded with a note",
      (status, out, "捨てました" in err), (0, "a\n", True))
with open(os.path.join(folder, "entries.txt"), "w", encoding="utf-8") as f:
    f.write("「ファイルから」を、表示\n")
with open(os.path.join(folder, "entries.txt"), "rb") as f:
    check("prompt from a file", run("-i", stdin=f, cwd=folder), (0, "ファイルから\n", ""))
# Typing a label again at the prompt replaces it (a script keeps the error,
# tests/scripts/core/label_twice.nkr).
check("piped prompt: a label typed again takes its new body",
      prompt("*挨拶\n「やあ」を、表示\n戻る\n\n挨拶\n*挨拶\n「こんにちは」を、表示\n戻る\n\n挨拶\n"),
      (0, "やあ\nこんにちは\n", ""))
status, _, err = prompt("合計は、1\n*合計\n「x」を、表示\n\n")
check("piped prompt: a variable's name still cannot become a label",
      (status, "既に単語として使われています" in err), (0, True))

shutil.rmtree(folder, ignore_errors=True)
sys.exit(1 if failures else 0)
