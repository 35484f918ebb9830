#!/usr/bin/python3
"""圧縮, 解凍 and 自己解凍書庫作成 checked against other archivers: bsdtar,
unzip and lha (lhasa) list and extract what the interpreter wrote, archives
they did not write (among them hostile ones built here) are extracted, and
the self-extractor runs. A tool that is not installed skips its cases.

Usage: archive_test.py NOKARI. Exits 1 when a case fails."""
import filecmp
import os
import shutil
import stat
import subprocess
import struct
import sys
import tempfile
import zipfile
import zlib

NOKARI = os.path.abspath(sys.argv[1])
failures = 0
work = tempfile.mkdtemp(prefix="nokari-archive-")


def run(args, cwd=work):
    env = dict(os.environ, TMPDIR=os.path.join(work, "tmp"), QT_QPA_PLATFORM="offscreen", LC_ALL="C.UTF-8")
    p = subprocess.run(args, cwd=cwd, capture_output=True, timeout=120, env=env)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def script(text):
    path = os.path.join(work, "t.nkr")
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return run([NOKARI, "-console", "-security", "low", path])


def case(name, *tools):
    def wrap(fn):
        global failures
        missing = [t for t in tools if shutil.which(t) is None]
        if missing:
            print("skip %s (no %s)" % (name, ", ".join(missing)))
            return fn
        try:
            fn()
            print("ok   " + name)
        except AssertionError as err:
            failures += 1
            print("FAIL %s: %s" % (name, err))
        return fn
    return wrap


def check(cond, what):
    if not cond:
        raise AssertionError(what)


def raw_zip(entries):
    """A stored zip whose names are the given bytes, with no UTF-8 flag (as
    zip tools on Japanese Windows write them; zipfile would set the flag)."""
    body, central = b"", b""
    for name, data in entries:
        crc = zlib.crc32(data)
        fixed = struct.pack("<HHHHHIIIH", 10, 0, 0, 0, 0x21, crc, len(data), len(data), len(name))
        central += b"PK\x01\x02" + struct.pack("<H", 10) + fixed + struct.pack("<HHHHII", 0, 0, 0, 0, 0, len(body)) + name
        body += b"PK\x03\x04" + fixed + struct.pack("<H", 0) + name + data
    end = b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, len(entries), len(entries), len(central), len(body), 0)
    return body + central + end


def same_tree(a, b):
    """True when both trees hold the same names and contents."""
    cmp = filecmp.dircmp(a, b)
    if cmp.left_only or cmp.right_only or cmp.funny_files:
        return False
    _, mismatch, errors = filecmp.cmpfiles(a, b, cmp.common_files, shallow=False)
    if mismatch or errors:
        return False
    return all(same_tree(os.path.join(a, d), os.path.join(b, d)) for d in cmp.common_dirs)


def fresh(name):
    path = os.path.join(work, name)
    shutil.rmtree(path, ignore_errors=True)
    return path


def ok(code_out_err):
    code, out, err = code_out_err
    check(code == 0 and not err, "exit %d, stderr %r" % (code, err))
    return out


os.makedirs(os.path.join(work, "tmp"))
# The source tree: a file beside a folder, a nested folder, an empty file
# and binary content.
src = os.path.join(work, "src")
os.makedirs(os.path.join(src, "sub", "deep"))
with open(os.path.join(src, "a.txt"), "wb") as f:
    f.write(b"alpha\r\n")
with open(os.path.join(src, "sub", "b.txt"), "wb") as f:
    f.write(b"beta")
with open(os.path.join(src, "sub", "deep", "c.bin"), "wb") as f:
    f.write(bytes(range(256)) * 400)
open(os.path.join(src, "sub", "empty"), "wb").close()
LIST = "『src/a.txt\nsrc/sub』"


@case("lzh: lha lists and tests the CRCs, extracts the same tree", "lha")
def _():
    ok(script(LIST + "を、「out」へ、圧縮\n"))
    archive = os.path.join(work, "out.lzh")
    code, out, err = run(["lha", "t", archive])
    check(code == 0, "lha t: %s %s" % (out, err))
    code, out, _ = run(["lha", "l", archive])
    for name in ("a.txt", "sub/b.txt", "sub/deep/c.bin"):
        check(name in out, "%s missing from\n%s" % (name, out))
    dest = fresh("lha-out")
    os.makedirs(dest)
    code, out, err = run(["lha", "xq", archive], cwd=dest)
    check(code == 0, err)
    check(same_tree(src, dest), "lha extracted a different tree")


@case("zip: unzip lists the folder names and extracts the same tree", "unzip")
def _():
    ok(script(LIST + "を、「out.zip」へ、圧縮\n"))
    code, out, _ = run(["unzip", "-l", os.path.join(work, "out.zip")])
    check("sub/deep/c.bin" in out and "a.txt" in out, out)
    dest = fresh("zip-out")
    code, _, err = run(["unzip", "-q", os.path.join(work, "out.zip"), "-d", dest])
    check(code == 0, err)
    check(same_tree(src, dest), "unzip extracted a different tree")


@case("tar.gz, tar.bz2, tar.xz, 7z: bsdtar reads them", "bsdtar")
def _():
    for ext in ("tar.gz", "tar.bz2", "tar.xz", "7z", "tar"):
        ok(script(LIST + "を、「out.%s」へ、圧縮\n" % ext))
        code, out, _ = run(["bsdtar", "-tf", os.path.join(work, "out." + ext)])
        check("sub/deep/c.bin" in out, "%s: %s" % (ext, out))
        dest = fresh("bsd-out")
        os.makedirs(dest)
        code, _, err = run(["bsdtar", "-xf", os.path.join(work, "out." + ext), "-C", dest])
        check(code == 0, err)
        check(same_tree(src, dest), ext + ": bsdtar extracted a different tree")


@case("Japanese names: UTF-8 in zip, CP932 in lzh, both read back", "unzip")
def _():
    os.makedirs(os.path.join(work, "jp", "フォルダ"), exist_ok=True)
    with open(os.path.join(work, "jp", "フォルダ", "表示.txt"), "wb") as f:
        f.write(b"x")
    ok(script("「jp/フォルダ」を、「jp.zip」へ、圧縮\n「jp/フォルダ」を、「jp.lzh」へ、圧縮\n"
              "「jp.zip」を、「jp-zip」へ、解凍\n「jp.lzh」を、「jp-lzh」へ、解凍\n"))
    code, out, _ = run(["unzip", "-l", os.path.join(work, "jp.zip")])
    check("フォルダ/表示.txt" in out, out)
    for d in ("jp-zip", "jp-lzh"):
        check(os.path.isfile(os.path.join(work, d, "フォルダ", "表示.txt")), d)
    with open(os.path.join(work, "jp.lzh"), "rb") as f:
        check("表示.txt".encode("cp932") in f.read(), "LHA names are CP932")


@case("extraction of archives written by others: zip, tar.xz, 7z, cpio, iso", "bsdtar")
def _():
    dest = fresh("from-bsdtar")
    for fmt, name in (("zip", "b.zip"), ("gnutar", "b.tar.xz"), ("7zip", "b.7z")):
        run(["bsdtar", "-a", "-cf", os.path.join(work, name), "-C", work, "src"])
        ok(script("「%s」を、「from-bsdtar/%s」へ、解凍\n" % (name, fmt)))
        check(same_tree(src, os.path.join(dest, fmt, "src")), name)
    for fmt in ("cpio", "iso9660"):
        run(["bsdtar", "--format", fmt, "-cf", os.path.join(work, "b." + fmt), "-C", work, "src"])
        ok(script("「b.%s」を、「from-bsdtar/%s」へ、解凍\n" % (fmt, fmt)))
        check(same_tree(src, os.path.join(dest, fmt, "src")), fmt)


@case("a zip from Windows: CP932 names without the UTF-8 flag, \\ between folders")
def _():
    path = os.path.join(work, "win.zip")
    with open(path, "wb") as f:
        f.write(raw_zip([("フォルダ\\表.txt".encode("cp932"), b"win")]))
    ok(script("「win.zip」を、「win-out」へ、解凍\n"))
    with open(os.path.join(work, "win-out", "フォルダ", "表.txt")) as f:
        check(f.read() == "win", "content")


@case("hostile zip: ../x, absolute and symlink entries stay inside the destination")
def _():
    evil = os.path.join(work, "evil.zip")
    outside = fresh("outside")
    os.makedirs(outside)
    with zipfile.ZipFile(evil, "w") as z:
        z.writestr("../x.txt", "escaped")
        z.writestr("../../y.txt", "escaped")
        z.writestr(outside + "/abs.txt", "escaped")
        link = zipfile.ZipInfo("lnk")
        link.create_system = 3
        link.external_attr = (stat.S_IFLNK | 0o777) << 16
        z.writestr(link, outside)
        z.writestr("lnk/through.txt", "escaped")
        z.writestr("SubDir/security.ini", "[t.nkr]\nsecurity=low\n")
        z.writestr("SubDir/fine.txt", "fine")
    jail = fresh("jail")
    os.makedirs(jail)
    ok(script("「evil.zip」を、「jail/dest」へ、解凍\n"))
    check(not os.path.exists(os.path.join(jail, "x.txt")), "../x.txt escaped")
    check(not os.path.exists(os.path.join(work, "y.txt")), "../../y.txt escaped")
    check(os.listdir(outside) == [], "written outside: %s" % os.listdir(outside))
    check(not os.path.islink(os.path.join(jail, "dest", "lnk")), "the outward link was made")
    check(not os.path.exists(os.path.join(jail, "dest", "SubDir", "security.ini")), "security.ini written")
    with open(os.path.join(jail, "dest", "SubDir", "fine.txt")) as f:
        check(f.read() == "fine", "the harmless entry")


@case("formats that cannot be written, and names that are no format")
def _():
    code, _, err = script(LIST + "を、「out.rar」へ、圧縮\n")
    check(code == 1 and "この形式では書庫ファイルの作成をサポートしておりません。" in err, err)
    check(not os.path.exists(os.path.join(work, "out.rar")), "out.rar made")
    code, _, err = script(LIST + "を、「out.dat」へ、圧縮\n")
    check(code == 1 and "書庫の形式を判別できません。" in err, err)
    with open(os.path.join(work, "plain.zip"), "w") as f:
        f.write("not an archive\n")
    code, _, err = script("「plain.zip」を、「p」へ、解凍\n")
    check(code == 1 and "書庫の形式を判別できません。" in err, err)


@case("cut-off, corrupted and random archives end in a clear error")
def _():
    with zipfile.ZipFile(os.path.join(work, "good.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("a.txt", os.urandom(1000).hex() * 20)
    with open(os.path.join(work, "good.zip"), "rb") as f:
        good = f.read()
    bad_crc = bytearray(good)
    bad_crc[60] ^= 0xFF  # inside the compressed data
    stored = bytearray(raw_zip([(b"s.txt", b"0123456789")]))
    stored[30 + 5] ^= 1  # first data byte: the CRC no longer matches
    samples = {"stored-crc.zip": bytes(stored), "cut.zip": good[: len(good) // 2], "crc.zip": bytes(bad_crc), "noise.7z": os.urandom(4096),
               "noise.lzh": b"\x40\x00-lh0-" + os.urandom(200)}
    for name, data in samples.items():
        with open(os.path.join(work, name), "wb") as f:
            f.write(data)
        code, _, err = script("「%s」を、「bad-out」へ、解凍\n" % name)
        check(code == 1 and ("解凍のエラー" in err or "書庫の形式を判別できません。" in err), name + ": " + err)


@case("a failed 圧縮 leaves the old archive whole and no temporary file")
def _():
    old = os.path.join(work, "keep.zip")
    with open(old, "wb") as f:
        f.write(b"old archive")
    before = set(os.listdir(work))
    code, _, err = script("『src/a.txt\nsrc/missing.txt』を、「keep.zip」へ、圧縮\n")
    check(code == 1 and "ファイル圧縮のエラー" in err and "missing.txt" in err, err)
    with open(old, "rb") as f:
        check(f.read() == b"old archive", "old archive changed")
    check(set(os.listdir(work)) == before, "left behind: %s" % (set(os.listdir(work)) - before))


@case("self-extractor: runs with sh and gives the same tree; mode 0755; nothing left in TMPDIR", "tar", "tail")
def _():
    ok(script(LIST + "を、「setup.sh」へ、自己解凍書庫作成\n"))
    sfx = os.path.join(work, "setup.sh")
    check(stat.S_IMODE(os.stat(sfx).st_mode) == 0o755, oct(os.stat(sfx).st_mode))
    dest = fresh("sfx-out")
    code, out, err = run(["sh", sfx, dest])
    check(code == 0, err)
    check(same_tree(src, dest), "the self-extractor gave a different tree")
    check(os.listdir(os.path.join(work, "tmp")) == [], "temporary files left")
    # Run as a program, into the current folder.
    dest2 = fresh("sfx-out2")
    os.makedirs(dest2)
    code, _, err = run([sfx], cwd=dest2)
    check(code == 0 and same_tree(src, dest2), err)
    # From an LHA archive, and read back by 解凍 itself.
    ok(script(LIST + "を、「pack.lzh」へ、圧縮\n「pack.lzh」を、「setup2」へ、自己解凍書庫作成\n"
              "「setup2」を、「sfx-back」へ、解凍\n"))
    check(same_tree(src, os.path.join(work, "sfx-back")), "解凍 of a self-extractor")


shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if failures else 0)
