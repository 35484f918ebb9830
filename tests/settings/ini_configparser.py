#!/usr/bin/python3
"""INI files as Python's configparser reads and writes simple ones: what it
writes, INIファイル読む reads; what INIファイル書く writes, it reads.

Usage: ini_configparser.py NOKARI."""
import configparser
import os
import subprocess
import sys
import tempfile

NOKARI = os.path.abspath(sys.argv[1])
work = tempfile.mkdtemp(prefix="nokari-ini-")
path = os.path.join(work, "s.ini")
failures = 0


def run(program):
    script = os.path.join(work, "t.nkr")
    with open(script, "w", encoding="utf-8") as f:
        f.write(program)
    p = subprocess.run([NOKARI, "-console", "-security", "low", script], capture_output=True, timeout=60,
                       env=dict(os.environ, XDG_CONFIG_HOME=work))
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8")


values = {"window": {"width": "640", "title": "no kari", "empty": ""},
          "paths": {"home": "/home/user", "eq": "a=b", "spaced": "x  y"}}
cp = configparser.ConfigParser()
cp.read_dict(values)
with open(path, "w", encoding="ascii") as f:
    cp.write(f)
reads = "".join("Vに、「%s」の、「%s」を、INIファイル読む\n「[{V}]」を、表示\n" % (s, k)
                for s, keys in values.items() for k in keys)
code, out, err = run("「%s」の、INIファイル開く\n%s" % (path, reads))
want = "".join("[%s]\n" % v for keys in values.values() for v in keys.values())
if (code, out) != (0, want):
    failures += 1
    print("FAIL reading what configparser wrote:", code, out, err)
else:
    print("ok   reading what configparser wrote")

writes = "".join("「%s」を、「%s」の、「%s」へ、INIファイル書く\n" % (v, s, k)
                 for s, keys in {"new": {"a": "1", "b": "two words"}, "window": {"width": "800"}}.items()
                 for k, v in keys.items())
code, out, err = run("「%s」の、INIファイル開く\n%s" % (path, writes))
back = configparser.ConfigParser()
back.read(path, encoding="ascii")
got = {s: dict(back[s]) for s in back.sections()}
want = {"window": {"width": "800", "title": "no kari", "empty": ""},
        "paths": values["paths"], "new": {"a": "1", "b": "two words"}}
if code != 0 or got != want:
    failures += 1
    print("FAIL configparser reading what INIファイル書く wrote:", code, got, err)
else:
    print("ok   configparser reading what INIファイル書く wrote")

subprocess.run(["rm", "-rf", work])
sys.exit(1 if failures else 0)
